#include "app/Unit1.h"

#include "app/Unit2.h"
#include "app/myvers.h"

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

// The list file and the detail view of a vector are not part of the program yet: their menu
// items and the double-click are there and do nothing.
void TForm1::SaveList1Click(TObject* /*Sender*/) {}
void TForm1::OpenList1Click(TObject* /*Sender*/) {}

// The texts come from the program file's version resource, read anew each time; a value
// the resource does not give is shown as it stands, so a missing resource still shows the
// box's fixed parts.
void TForm1::About1Click(TObject* /*Sender*/) {
  ReadVersionInfo();
  ShowMessage(FileDescriptionText() + " - Build " + FileVersionText() + "\r\n" +
              LegalCopyrightText() + "\r\n\r\nThis is Freeware !");
}

void TForm1::StringGrid1DblClick(TObject* /*Sender*/) {}

// The table's rendering and the resource map scan are not part of the program yet.
void TForm1::Button1Click(TObject* /*Sender*/) {}
void TForm1::Button3Click(TObject* /*Sender*/) {}
void TForm1::LoadDeviceResources(const std::string& /*KeyPath*/, const std::string& /*ValueName*/,
                                 LONG /*DeviceNumber*/) {}
