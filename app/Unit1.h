// The main window: the IDT table, the log and the menu, and the snapshot state the window
// holds for the whole run.
#pragma once

#include "vcl/Dialogs.h"
#include "vcl/Forms.h"
#include "vcl/Grids.h"
#include "vcl/Menus.h"
#include "vcl/StdCtrls.h"

class TForm1 : public TForm {
 public:
  explicit TForm1(TComponent* Owner);

  TMemo* Memo1;
  TStringGrid* StringGrid1;
  TMainMenu* MainMenu1;
  TMenuItem* File1;
  TMenuItem* SaveList1;
  TMenuItem* OpenList1;
  TMenuItem* N1;
  TMenuItem* Exit1;
  TMenuItem* View1;
  TMenuItem* Refresh1;
  TMenuItem* Info1;
  TMenuItem* About1;
  TSaveDialog* SaveDialog1;
  TOpenDialog* OpenDialog1;
  TMenuItem* Help1;
  TMenuItem* N2;

  void FormCreate(TObject* Sender);
  void FormClose(TObject* Sender, TCloseAction& Action);
  void Refresh1Click(TObject* Sender);
  void Exit1Click(TObject* Sender);
  void Help1Click(TObject* Sender);
  void SaveList1Click(TObject* Sender);
  void OpenList1Click(TObject* Sender);
  void About1Click(TObject* Sender);
  void StringGrid1DblClick(TObject* Sender);

  // True only while the table is rendered from a list file just loaded.
  bool FromFile = false;
};

extern TForm1* Form1;
