// The resources window: the ports, interrupts, memory ranges, DMA channels and
// device-specific data of the devices that use one interrupt vector.
#pragma once

#include "vcl/Forms.h"
#include "vcl/Grids.h"
#include "vcl/StdCtrls.h"

class TResView : public TForm {
 public:
  explicit TResView(TComponent* Owner);

  TLabel* PortLbl;
  TStringGrid* StringGrid1;
  TLabel* MemoryLbl;
  TMemo* Memo1;
  TLabel* IntLbl;
  TStringGrid* StringGrid2;
  TLabel* DMALbl;
  TStringGrid* StringGrid3;
  TLabel* DevLbl;
  TMemo* Memo5;
  TButton* Button1;

  void FormActivate(TObject* Sender);
  void Button1Click(TObject* Sender);
};

extern TResView* ResView;
