// The main window: the IDT table, the log and the menu, and the snapshot state the window
// holds for the whole run.
#pragma once

#include "app/SnapshotRecords.h"
#include "vcl/Dialogs.h"
#include "vcl/Forms.h"
#include "vcl/Grids.h"
#include "vcl/Menus.h"
#include "vcl/StdCtrls.h"
#include "winapi/windef.h"

#include <cstddef>
#include <string>

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

  // Called from code only: they keep the names of buttons the window no longer has.
  // Button1Click reads the IDT (from the driver, or from a list file just loaded) and renders
  // the table; Button3Click scans the registry's resource map into Devices and VectorUsage.
  void Button1Click(TObject* Sender);
  void Button3Click(TObject* Sender);
  void LoadDeviceResources(const std::string& KeyPath, const std::string& ValueName,
                           LONG DeviceNumber);

  // The snapshot state, all zero when the window is created. The list file holds the three
  // tables IdtBuffer, VectorUsage and Devices back to back.
  HANDLE DriverHandle = nullptr;
  TVectorUsage VectorUsage[256] = {};
  TDeviceRecord Devices[256] = {};
  // The IDT image: entry v is the gate of vector v. Only entries 0-255 are ever shown; the
  // rest is carried along by the list file.
  TGateDescriptor IdtBuffer[2048] = {};
  // True only while the table is rendered from a list file just loaded.
  bool FromFile = false;
};

extern TForm1* Form1;
