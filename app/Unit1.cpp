#include "app/Unit1.h"

#include <cstring>
#include <iterator>
#include <vector>

#include "app/IdtText.h"
#include "app/ListFile.h"
#include "app/MyRegistry.h"
#include "app/ResourceText.h"
#include "app/Unit2.h"
#include "app/driver_u1.h"
#include "app/myvers.h"
#include "app/resviewpas.h"
#include "vcl/SysUtils.h"
#include "vcl/System.h"
#include "winapi/kernel32.h"
#include "winapi/kessrin.h"
#include "winapi/segment_registers.h"
#include "winapi/winreg.h"

TForm1* Form1 = nullptr;

namespace {

// A new file in a folder under a name no other file there has, removed again unless it was
// moved to the name it was written for. A save writes the list into such a file and renames it
// over the chosen one only when all of it is on the disk, so a save that fails part-way leaves
// an earlier list of that name as it was.
class TTemporaryFile {
 public:
  explicit TTemporaryFile(const std::string& Folder) {
    char name[MAX_PATH];
    if (GetTempFileNameA(Folder.c_str(), "idt", 0, name) == 0) throw EInOutError(GetLastError());
    Name = name;
  }
  ~TTemporaryFile() {
    if (!Name.empty()) DeleteFileA(Name.c_str());
  }
  TTemporaryFile(const TTemporaryFile&) = delete;
  TTemporaryFile& operator=(const TTemporaryFile&) = delete;

  // Replaces the file FileName, if there is one, in one step.
  void MoveTo(const std::string& FileName) {
    if (!MoveFileExA(Name.c_str(), FileName.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
      throw EInOutError(GetLastError());
    }
    Name.clear();
  }

  std::string Name;
};

TMenuItem* NewItem(TForm& form, const char* name, const char* caption, TShortCut shortCut,
                   TNotifyEvent onClick) {
  auto* item = new TMenuItem(&form);
  item->Name = name;
  item->SetCaption(caption);
  item->SetShortCut(shortCut);
  item->OnClick = std::move(onClick);
  return item;
}

// The driver is registered under this name for the length of one run.
constexpr char kServiceName[] = "Kessrin";

// x86 has 256 interrupt vectors; the table has a row for each, below its header row.
constexpr DWORD kVectorCount = 256;
constexpr DWORD kGateSize = sizeof(TGateDescriptor);

// Before every scan: the scan only appends users, so each vector starts without any. The
// device records and index slots of an earlier scan are left as they are; with the counts at
// 0 nothing refers to them.
void ClearUsageCounts(TVectorUsage (&VectorUsage)[256]) {
  for (TVectorUsage& usage : VectorUsage) usage.Count = 0;
}

}  // namespace

TForm1::TForm1(TComponent* Owner) : TForm(Owner) {
  Name = "Form1";
  SetCaption("Quorvel");
  SetBounds(0, 0, 558, 450);
  Position = poScreenCenter;
  Font = TFont{"MS Sans Serif", -11};

  Memo1 = new TMemo(this);
  Memo1->Name = "Memo1";
  Memo1->SetBounds(0, 328, 545, 65);
  Memo1->SetFont(TFont{"Courier New", -12});
  Memo1->SetScrollBars(ssVertical);
  Memo1->SetReadOnly(false);
  Memo1->SetTabOrder(0);

  StringGrid1 = new TStringGrid(this);
  StringGrid1->Name = "StringGrid1";
  StringGrid1->SetBounds(0, 8, 545, 305);
  StringGrid1->SetColCount(6);
  StringGrid1->SetRowCount(258);
  StringGrid1->SetFixedCols(1);
  StringGrid1->SetFixedRows(1);
  StringGrid1->SetDefaultColWidth(86);
  StringGrid1->SetDefaultRowHeight(16);
  StringGrid1->SetTabOrder(1);
  StringGrid1->OnDblClick = [this](TObject* Sender) { StringGrid1DblClick(Sender); };

  MainMenu1 = new TMainMenu(this);
  MainMenu1->Name = "MainMenu1";
  File1 = NewItem(*this, "File1", "&File", scNone, nullptr);
  SaveList1 = NewItem(*this, "SaveList1", "Save &List", scNone,
                      [this](TObject* Sender) { SaveList1Click(Sender); });
  OpenList1 = NewItem(*this, "OpenList1", "Open &List", scNone,
                      [this](TObject* Sender) { OpenList1Click(Sender); });
  N1 = NewItem(*this, "N1", "-", scNone, nullptr);
  Exit1 = NewItem(*this, "Exit1", "E&xit", ShortCut('X', scCtrl),
                  [this](TObject* Sender) { Exit1Click(Sender); });
  View1 = NewItem(*this, "View1", "&View", scNone, nullptr);
  Refresh1 = NewItem(*this, "Refresh1", "&Refresh", ShortCut(VK_F5, scNone),
                     [this](TObject* Sender) { Refresh1Click(Sender); });
  Info1 = NewItem(*this, "Info1", "&Info", scNone, nullptr);
  About1 = NewItem(*this, "About1", "&About", scNone,
                   [this](TObject* Sender) { About1Click(Sender); });

  SaveDialog1 = new TSaveDialog(this);
  SaveDialog1->Name = "SaveDialog1";
  SaveDialog1->FileName = "idtlist.idt";
  SaveDialog1->Filter = "IDT Files|*.idt|All Files|*.*";
  OpenDialog1 = new TOpenDialog(this);
  OpenDialog1->Name = "OpenDialog1";
  OpenDialog1->FileName = "idtlist.idt";
  OpenDialog1->Filter = "IDT Files|*.idt|All Files|*.*";

  Help1 = NewItem(*this, "Help1", "&Help", scNone,
                  [this](TObject* Sender) { Help1Click(Sender); });
  N2 = NewItem(*this, "N2", "-", scNone, nullptr);

  MainMenu1->Items()->Add(File1);
  File1->Add(SaveList1);
  File1->Add(OpenList1);
  File1->Add(N1);
  File1->Add(Exit1);
  MainMenu1->Items()->Add(View1);
  View1->Add(Refresh1);
  MainMenu1->Items()->Add(Info1);
  Info1->Add(Help1);
  Info1->Add(N2);
  Info1->Add(About1);
  Menu = MainMenu1;

  OnCreate = [this](TObject* Sender) { FormCreate(Sender); };
  OnClose = [this](TObject* Sender, TCloseAction& Action) { FormClose(Sender, Action); };
}

// Start-up: the driver is registered and started, its device opened, the resource map
// scanned and the IDT read and rendered, all before the window is first shown. A failed step
// does not stop the later ones; the service steps report their own failures.
void TForm1::FormCreate(TObject* Sender) {
  FromFile = false;
  const std::string DriverPath = ExtractFilePath(Application->ExeName()) + "vir.uze";
  InstallDriverService(kServiceName, DriverPath);
  StartDriverService(kServiceName);
  // The record's length is the one it has on the 32-bit platform (three 4-byte fields); this
  // host's pointer makes its own record larger.
  SECURITY_ATTRIBUTES Security{12, nullptr, FALSE};
  // The result is not checked: when the open fails, the handle is the invalid-handle value,
  // the IDT request fails on it and the table keeps only its header row.
  DriverHandle = CreateFileA(KESSRIN_WIN32_NAME, GENERIC_READ, FILE_SHARE_READ, &Security,
                             OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ClearUsageCounts(VectorUsage);
  Button3Click(Sender);
  Button1Click(Sender);
}

// The service is removed at every normal end, so the next start installs it afresh.
void TForm1::FormClose(TObject* /*Sender*/, TCloseAction& /*Action*/) {
  CloseHandle(DriverHandle);
  StopDriverService(kServiceName);
  RemoveDriverService(kServiceName);
}

// Refresh always rescans the registry and asks the driver again, also after a list file was
// loaded.
void TForm1::Refresh1Click(TObject* Sender) {
  Memo1->Lines()->Add("Refresh ...");
  ClearUsageCounts(VectorUsage);
  Button3Click(Sender);
  Button1Click(Sender);
}

void TForm1::Exit1Click(TObject* /*Sender*/) { Close(); }

void TForm1::Help1Click(TObject* /*Sender*/) { Form2->ShowModal(); }

void TForm1::SaveList1Click(TObject* /*Sender*/) {
  if (!SaveDialog1->Execute()) return;
  const std::string FileName = SaveDialog1->FileName;
  Memo1->Lines()->Add("writing list to " + FileName);

  TTemporaryFile Temporary(ExtractFilePath(FileName));
  // Declared after the temporary file, so that it is closed before that file is removed.
  TFileRec F;
  AssignFile(F, Temporary.Name);
  Rewrite(F, 1);
  const int Written =
      TransferListFile(ListFileBlocks(IdtBuffer, VectorUsage, Devices), [&F](void* Data, int Size) {
        int Moved = 0;
        BlockWrite(F, Data, Size, Moved);
        return Moved;
      });
  if (Written != kListFileSize) {
    CloseFile(F);
    ShowMessage("Error writing List !");
    return;
  }
  if (!FlushFileBuffers(F.Handle)) throw EInOutError(GetLastError());
  CloseFile(F);
  Temporary.MoveTo(FileName);
}

void TForm1::OpenList1Click(TObject* Sender) {
  if (!OpenDialog1->Execute()) return;
  const std::string FileName = OpenDialog1->FileName;
  Memo1->Lines()->Add("loading list from " + FileName);

  TFileRec F;
  AssignFile(F, FileName);
  Reset(F, 1);
  // Each table takes the bytes the file has for it from its start and keeps the rest.
  const int Read =
      TransferListFile(ListFileBlocks(IdtBuffer, VectorUsage, Devices), [&F](void* Data, int Size) {
        int Moved = 0;
        BlockRead(F, Data, Size, Moved);
        return Moved;
      });
  CloseFile(F);
  if (Read != kListFileSize) ShowMessage("Error reading List !");

  FromFile = true;
  try {
    Button1Click(Sender);
  } catch (...) {
    FromFile = false;
    throw;
  }
  FromFile = false;
}

// The texts come from the program file's version resource, read anew each time; a value
// the resource does not give is shown as it stands, so a missing resource still shows the
// box's fixed parts.
void TForm1::About1Click(TObject* /*Sender*/) {
  ReadVersionInfo();
  ShowMessage(FileDescriptionText() + " - Build " + FileVersionText() + "\r\n" +
              LegalCopyrightText() + "\r\n\r\nThis is Freeware !");
}


namespace {

// The processor's exceptions by vector, as the reserved-vector box names them.
const char* const ExceptionNames[19] = {
    "Divide Error Exception (#DE)",
    "Debug Execption (#DB)",
    "NMI - non maskable interrupt",
    "Breakpoint Execption (#BP)",
    "Overflow Exception (#OF)",
    "Bound Range Exceed Exception (#BR)",
    "Invalid Opcode Exception (#UD)",
    "Device Not Available Exception (#NM)",
    "Double Fault Exception (#DF)",
    "Coprozessor Segment Overrun",
    "Invalid TSS Exception (#TS)",
    "Segment Not Present (#NP)",
    "Stack Fault Exception (#SS)",
    "General Protection Exception (#GP)",
    "Page Fault Exception (#PF)",
    "(reserved)",
    "Floating Point Error Exception (#MF)",
    "Alignment Check Exception (#AC)",
    "Machine-Check Exception (#MC)",
};

// Each grid of the resources window keeps five empty rows after its entries: an entry goes
// into row (row count - 5), and the grid grows by one row.
void AddRow(TStringGrid& Grid, const std::vector<std::string>& Cells) {
  const int Count = Grid.RowCount();
  int Col = 0;
  for (const std::string& Text : Cells) Grid.SetCells(Col++, Count - 5, Text);
  Grid.SetRowCount(Count + 1);
}

// Empties the window, headings included, before it is filled for a vector; every display
// activates the window, which writes the headings again.
void ResetResourcesWindow(TResView& View) {
  for (TStringGrid* Grid : {View.StringGrid1, View.StringGrid2, View.StringGrid3}) {
    for (int Row = 0; Row < Grid->RowCount(); ++Row) {
      for (int Col = 0; Col < Grid->ColCount(); ++Col) Grid->SetCells(Col, Row, "");
    }
  }
  View.StringGrid1->SetRowCount(6);
  View.StringGrid2->SetRowCount(6);
  View.StringGrid3->SetRowCount(6);
  View.Memo1->Lines()->Clear();
  View.Memo5->Lines()->Clear();
}

// Descriptors of a type other than 1 to 5 are neither shown nor counted.
void AddResource(TResView& View, const TPartialDescriptor& Resource) {
  const TResourceEntry Entry = ResourceEntry(Resource);
  switch (Entry.Place) {
    case TResourcePlace::Ports:
      AddRow(*View.StringGrid1, Entry.Texts);
      break;
    case TResourcePlace::Interrupts:
      AddRow(*View.StringGrid2, Entry.Texts);
      break;
    case TResourcePlace::Memory:
      View.Memo1->Lines()->Add(Entry.Texts[0]);
      break;
    case TResourcePlace::Dma:
      AddRow(*View.StringGrid3, Entry.Texts);
      break;
    case TResourcePlace::DeviceSpecific:
      View.Memo5->Lines()->Add(Entry.Texts[0]);
      break;
    case TResourcePlace::None:
      break;
  }
}

}  // namespace

// The resources of every device that uses the vector of the double-clicked row, or a box for
// a vector without users and for the processor's reserved vectors. A list file is loaded
// without checks, so VectorUsers and ListedResourceCount hold the reading to the tables: a
// vector whose users all name no device record has no details, as its device cell in the
// table is empty.
void TForm1::StringGrid1DblClick(TObject* /*Sender*/) {
  const int Row = StringGrid1->Row();
  if (Row < 1 || Row > 256) return;
  const int v = Row - 1;

  ResetResourcesWindow(*ResView);
  const std::string Title = "Interrupt 0x" + IntToHex(v, 2) + "/" + IntToStr(v);
  const std::vector<LONG> Users = VectorUsers(VectorUsage[v]);
  if (Users.empty()) {
    Application->MessageBox("no details available ...", Title, MB_OK);
    return;
  }

  for (const LONG Index : Users) {
    const TDeviceRecord& Device = Devices[Index];
    ResView->SetCaption(Device.Name.Text() + " allocates:");
    const LONG Resources = ListedResourceCount(Device);
    for (LONG k = 0; k < Resources; ++k) AddResource(*ResView, Device.Resources[k]);
  }
  ResView->PortLbl->SetCaption("Ports (" + IntToStr(ResView->StringGrid1->RowCount() - 6) + ")");
  ResView->IntLbl->SetCaption("Interrupts (" + IntToStr(ResView->StringGrid2->RowCount() - 6) +
                              ")");
  ResView->DMALbl->SetCaption("DMA Channels (" + IntToStr(ResView->StringGrid3->RowCount() - 6) +
                              ")");

  if (v <= 18) {
    Application->MessageBox(std::string("Reserved from Intel for \"") + ExceptionNames[v] + "\"",
                            Title, MB_OK);
  } else if (v <= 31) {
    Application->MessageBox("Reserved from Intel for internal or later use !", Title, MB_OK);
  } else {
    ResView->ShowModal();
  }
}

// The IDT image comes from the driver, or from IdtBuffer as a list file just left it. Rows
// beyond the image's last gate keep what an earlier rendering wrote there.
void TForm1::Button1Click(TObject* /*Sender*/) {
  for (int Col = 1; Col < 6; ++Col) StringGrid1->SetCells(Col, 0, IdtHeaderTexts[Col]);

  DWORD BytesReturned = 0;
  if (FromFile) {
    Memo1->Lines()->Add("using IDT from file ...");
    BytesReturned = kVectorCount * kGateSize;
  } else {
    Memo1->Lines()->Add("reading IDT from driver ...");
    // The driver copies limit + 1 bytes to the start of IdtBuffer; the bytes after them keep
    // what they held.
    if (!DeviceIoControl(DriverHandle, IOCTL_READ_IDT, nullptr, 0, IdtBuffer, sizeof IdtBuffer,
                         &BytesReturned, nullptr)) {
      return;
    }
  }
  const WORD CS = ReadCS();
  const WORD DS = ReadDS();
  const DWORD Entries = BytesReturned / kGateSize;
  Memo1->Lines()->Add(IntToStr(Entries) + " entrys in IDT - (CS:0x" + IntToHex(DWORD{CS}, 5) +
                      ") (DS:0x" + IntToHex(DWORD{DS}, 5) + ")");

  // An IDT may be longer than 256 gates, but no vector lies beyond them: the usage table and
  // the table's rows end there.
  const DWORD Shown = Entries < kVectorCount ? Entries : kVectorCount;
  for (DWORD v = 0; v < Shown; ++v) {
    const auto Cells = IdtRowTexts(v, IdtBuffer[v], VectorUsage[v], Devices);
    const int Row = static_cast<int>(v) + 1;
    for (int Col = 0; Col < 6; ++Col) StringGrid1->SetCells(Col, Row, Cells[Col]);
  }
}

namespace {

// The registry's hardware resource map: one key per kind of driver, below it one key per
// driver, and in that key the driver's resources as REG_RESOURCE_LIST values.
constexpr const char* kResourceMap = "Hardware\\Resourcemap";
constexpr const char* kTranslatedMark = ".Translated";

// A resource list: a count of full descriptors, each a 16-byte header whose last four bytes
// count the 16-byte partial descriptors after it. A device-specific descriptor's DataSize
// bytes of data follow that descriptor.
constexpr std::size_t kListHeaderSize = 4;
constexpr std::size_t kFullHeaderSize = 16;
constexpr std::size_t kFullCountOffset = 12;
constexpr std::size_t kPartialSize = sizeof(TPartialDescriptor);
constexpr BYTE kInterruptType = 2;
constexpr BYTE kDeviceSpecificType = 5;

constexpr LONG kMaxDevices = 256;
constexpr LONG kMaxResources = 256;
constexpr LONG kMaxUsers = 128;
constexpr LONG kVectors = 256;

// The counts are signed 32-bit numbers, little-endian whatever the host.
LONG LongAt(const BYTE* bytes) {
  const DWORD value = DWORD{bytes[0]} | DWORD{bytes[1]} << 8 | DWORD{bytes[2]} << 16 |
                      DWORD{bytes[3]} << 24;
  return static_cast<LONG>(value);
}

// A vector outside the table, or one whose user list is full, takes no further user. A
// Count outside 0 to 128 can only come from a damaged list file and is left as it is.
void AddVectorUser(TVectorUsage (&usage)[kVectors], LONG vector, LONG device) {
  if (vector < 0 || vector >= kVectors) return;
  TVectorUsage& users = usage[vector];
  if (users.Count < 0 || users.Count >= kMaxUsers) return;
  users.DeviceIndex[users.Count] = device;
  ++users.Count;
}

}  // namespace

void TForm1::Button3Click(TObject* /*Sender*/) {
  LONG n = 0;
  // The walk ends once the device table is full: a device found after that has no record
  // to go to.
  const auto scanDriverKeys = [&](const std::string& classPath) {
    TStringList secondLevel;
    ListSubKeys(HKEY_LOCAL_MACHINE, classPath, secondLevel);
    for (int j = 0; j < secondLevel.Count() && n < kMaxDevices; ++j) {
      const std::string keyPath = classPath + "\\" + secondLevel[j];
      TStringList valueNames;
      ListValueNames(HKEY_LOCAL_MACHINE, keyPath, valueNames);
      for (int k = 0; k < valueNames.Count(); ++k) {
        if (valueNames[k].find(kTranslatedMark) == std::string::npos) continue;
        Devices[n].Name.Assign(secondLevel[j]);
        LoadDeviceResources(keyPath, valueNames[k], n);
        ++n;
        break;
      }
    }
  };
  TStringList firstLevel;
  ListSubKeys(HKEY_LOCAL_MACHINE, kResourceMap, firstLevel);
  for (int i = 0; i < firstLevel.Count() && n < kMaxDevices; ++i) {
    scanDriverKeys(std::string(kResourceMap) + "\\" + firstLevel[i]);
  }
  Memo1->Lines()->Add(IntToStr(n) + " devices detected ...");
}

// The counts in a resource list are the registry's bytes and are not trusted: the walk
// copies only whole descriptors that lie within the bytes the value holds, and it ends at
// the first one that does not, or when the device's table of descriptors is full. It steps
// over a device-specific descriptor's data, because the system writes them right after that
// descriptor, so whatever follows (the next full descriptor in a list of several) starts
// after them.
void TForm1::LoadDeviceResources(const std::string& KeyPath, const std::string& ValueName,
                                 LONG DeviceNumber) {
  if (DeviceNumber < 0 || DeviceNumber >= static_cast<LONG>(std::size(Devices))) return;
  // ReadBinaryValue writes every byte of the block: the value and zeros after it, or zeros.
  TValueBlock block;
  ReadBinaryValue(HKEY_LOCAL_MACHINE, KeyPath, ValueName, block);
  const std::size_t size = LastReadSize > 0 ? static_cast<std::size_t>(LastReadSize) : 0;
  TDeviceRecord& device = Devices[DeviceNumber];
  LONG stored = 0;

  const auto walk = [&] {
    if (size < kListHeaderSize) return;
    const LONG fullCount = LongAt(block);
    std::size_t offset = kListHeaderSize;
    for (LONG f = 0; f < fullCount; ++f) {
      if (size - offset < kFullHeaderSize) return;
      const LONG partialCount = LongAt(block + offset + kFullCountOffset);
      offset += kFullHeaderSize;
      for (LONG p = 0; p < partialCount; ++p) {
        if (stored == kMaxResources || size - offset < kPartialSize) return;
        TPartialDescriptor& descriptor = device.Resources[stored];
        std::memcpy(&descriptor, block + offset, kPartialSize);
        ++stored;
        offset += kPartialSize;
        if (descriptor.Type == kInterruptType) {
          AddVectorUser(VectorUsage, descriptor.u.Interrupt.Vector, DeviceNumber);
        } else if (descriptor.Type == kDeviceSpecificType) {
          // DataSize is unsigned on the platform; data that run past the value's end leave
          // nothing after them to read.
          const auto dataSize = static_cast<DWORD>(descriptor.u.DeviceSpecificData.DataSize);
          if (dataSize > size - offset) return;
          offset += dataSize;
        }
      }
    }
  };
  walk();
  device.ResourceCount = stored;
}
