#include "app/Unit1.h"

#include "app/Unit2.h"

#include <cstring>
#include <iterator>

#include "app/MyRegistry.h"
#include "winapi/winreg.h"

TForm1* Form1 = nullptr;

void TShortString80::Assign(const std::string& text) {
  Length = static_cast<BYTE>(text.size() < sizeof Chars ? text.size() : sizeof Chars);
  text.copy(Chars, Length);
}

namespace {

TMenuItem* NewItem(TForm& form, const char* name, const char* caption, TShortCut shortCut,
                   TNotifyEvent onClick) {
  auto* item = new TMenuItem(&form);
  item->Name = name;
  item->SetCaption(caption);
  item->SetShortCut(shortCut);
  item->OnClick = std::move(onClick);
  return item;
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

void TForm1::FormCreate(TObject* /*Sender*/) { FromFile = false; }

void TForm1::FormClose(TObject* /*Sender*/, TCloseAction& /*Action*/) {}

void TForm1::Refresh1Click(TObject* /*Sender*/) { Memo1->Lines()->Add("Refresh ..."); }

void TForm1::Exit1Click(TObject* /*Sender*/) { Close(); }

void TForm1::Help1Click(TObject* /*Sender*/) { Form2->ShowModal(); }

// The list file, the About box and the detail view of a vector are not part of the program
// yet: their menu items and the double-click are there and do nothing.
void TForm1::SaveList1Click(TObject* /*Sender*/) {}
void TForm1::OpenList1Click(TObject* /*Sender*/) {}
void TForm1::About1Click(TObject* /*Sender*/) {}
void TForm1::StringGrid1DblClick(TObject* /*Sender*/) {}

// The table's rendering is not part of the program yet.
void TForm1::Button1Click(TObject* /*Sender*/) {}

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
  TValueBlock block = {};
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
