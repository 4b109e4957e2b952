#include "app/Unit1.h"

#include "app/Unit2.h"
#include "app/myvers.h"
#include "vcl/SysUtils.h"
#include "vcl/System.h"
#include "winapi/kernel32.h"

TForm1* Form1 = nullptr;

void TShortString80::Assign(const std::string& text) {
  Length = static_cast<BYTE>(text.size() < sizeof Chars ? text.size() : sizeof Chars);
  text.copy(Chars, Length);
}

namespace {

// The list file holds the three tables back to back, exactly as they are held in memory, with
// nothing before, between or after them.
constexpr int kListFileSize =
    sizeof(TForm1::IdtBuffer) + sizeof(TForm1::VectorUsage) + sizeof(TForm1::Devices);
static_assert(kListFileSize == 1218816);

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

void TForm1::SaveList1Click(TObject* /*Sender*/) {
  if (!SaveDialog1->Execute()) return;
  const std::string FileName = SaveDialog1->FileName;
  Memo1->Lines()->Add("writing list to " + FileName);

  TTemporaryFile Temporary(ExtractFilePath(FileName));
  // Declared after the temporary file, so that it is closed before that file is removed.
  TFileRec F;
  AssignFile(F, Temporary.Name);
  Rewrite(F, 1);
  int Written[3];
  BlockWrite(F, IdtBuffer, sizeof IdtBuffer, Written[0]);
  BlockWrite(F, VectorUsage, sizeof VectorUsage, Written[1]);
  BlockWrite(F, Devices, sizeof Devices, Written[2]);
  if (Written[0] + Written[1] + Written[2] != kListFileSize) {
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
  int Read[3];
  BlockRead(F, IdtBuffer, sizeof IdtBuffer, Read[0]);
  BlockRead(F, VectorUsage, sizeof VectorUsage, Read[1]);
  BlockRead(F, Devices, sizeof Devices, Read[2]);
  CloseFile(F);
  if (Read[0] + Read[1] + Read[2] != kListFileSize) ShowMessage("Error reading List !");

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

// The detail view of a vector is not part of the program yet: the double-click is there
// and does nothing.
void TForm1::StringGrid1DblClick(TObject* /*Sender*/) {}

// The table's rendering and the resource map scan are not part of the program yet.
void TForm1::Button1Click(TObject* /*Sender*/) {}
void TForm1::Button3Click(TObject* /*Sender*/) {}
void TForm1::LoadDeviceResources(const std::string& /*KeyPath*/, const std::string& /*ValueName*/,
                                 LONG /*DeviceNumber*/) {}
