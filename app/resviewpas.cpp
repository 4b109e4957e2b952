#include "app/resviewpas.h"

#include "app/ResourceText.h"

TResView* ResView = nullptr;

namespace {

TLabel* NewLabel(TForm& form, const char* name, int left, int top, const char* caption) {
  auto* label = new TLabel(&form);
  label->Name = name;
  label->SetBounds(left, top, 0, 0);
  label->SetCaption(caption);
  return label;
}

// The three grids have one fixed heading row and no fixed column; their cells are not
// editable.
TStringGrid* NewGrid(TForm& form, const char* name, int left, int top, int width, int cols,
                     int colWidth, int tabOrder) {
  auto* grid = new TStringGrid(&form);
  grid->Name = name;
  grid->SetBounds(left, top, width, 97);
  grid->SetColCount(cols);
  grid->SetRowCount(6);
  grid->SetFixedCols(0);
  grid->SetFixedRows(1);
  grid->SetDefaultColWidth(colWidth);
  grid->SetDefaultRowHeight(16);
  grid->SetTabOrder(tabOrder);
  return grid;
}

TMemo* NewMemo(TForm& form, const char* name, int left, int top, int width, int tabOrder) {
  auto* memo = new TMemo(&form);
  memo->Name = name;
  memo->SetBounds(left, top, width, 97);
  memo->SetScrollBars(ssVertical);
  memo->SetTabOrder(tabOrder);
  return memo;
}

}  // namespace

TResView::TResView(TComponent* Owner) : TForm(Owner) {
  Name = "ResView";
  SetCaption("Resources");
  SetBounds(229, 110, 423, 425);
  Position = poDesigned;
  BorderStyle = bsSizeable;
  Color = clBtnFace;
  Font = TFont{"MS Sans Serif", -11};
  PixelsPerInch = 96;

  PortLbl = NewLabel(*this, "PortLbl", 8, 8, "Ports");
  StringGrid1 = NewGrid(*this, "StringGrid1", 8, 24, 177, 2, 78, 1);
  MemoryLbl = NewLabel(*this, "MemoryLbl", 200, 8, "Memory");
  Memo1 = NewMemo(*this, "Memo1", 200, 24, 209, 2);
  IntLbl = NewLabel(*this, "IntLbl", 8, 128, "Interrupts");
  StringGrid2 = NewGrid(*this, "StringGrid2", 8, 144, 401, 3, 125, 3);
  DMALbl = NewLabel(*this, "DMALbl", 8, 248, "DMA");
  StringGrid3 = NewGrid(*this, "StringGrid3", 8, 264, 193, 2, 85, 4);
  DevLbl = NewLabel(*this, "DevLbl", 208, 248, "Device Specific");
  Memo5 = NewMemo(*this, "Memo5", 208, 264, 201, 0);

  Button1 = new TButton(this);
  Button1->Name = "Button1";
  Button1->SetBounds(312, 368, 75, 25);
  Button1->SetCaption("&Close");
  Button1->SetTabOrder(5);
  Button1->OnClick = [this](TObject* Sender) { Button1Click(Sender); };

  OnActivate = [this](TObject* Sender) { FormActivate(Sender); };
}

// A double-click empties the grids, headings included, before each display; every display
// activates the window, so the headings are back whenever it is seen.
void TResView::FormActivate(TObject* /*Sender*/) {
  const auto WriteHeadings = [](TStringGrid& Grid, TResourcePlace Place) {
    int Col = 0;
    for (const char* Heading : ResourceHeadings(Place)) Grid.SetCells(Col++, 0, Heading);
  };
  WriteHeadings(*StringGrid1, TResourcePlace::Ports);
  WriteHeadings(*StringGrid2, TResourcePlace::Interrupts);
  WriteHeadings(*StringGrid3, TResourcePlace::Dma);
}

void TResView::Button1Click(TObject* /*Sender*/) { Close(); }
