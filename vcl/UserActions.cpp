#include "vcl/UserActions.h"

#include "vcl/Forms.h"
#include "vcl/Grids.h"
#include "vcl/Menus.h"
#include "vcl/StdCtrls.h"

namespace vcl {

namespace {

template <class T>
T* ComponentOfActiveForm(const std::string& name) {
  TForm* form = Application->ActiveForm();
  return form != nullptr ? dynamic_cast<T*>(form->FindComponent(name)) : nullptr;
}

std::string NoWindow() { return "no window is shown"; }

}  // namespace

std::string ChooseMenuItem(const std::string& path) {
  TForm* form = Application->ActiveForm();
  if (form == nullptr) return NoWindow();
  TMenuItem* item = form->Menu != nullptr ? form->Menu->FindItem(path) : nullptr;
  if (item == nullptr) return "the window " + form->Caption() + " has no menu item " + path;
  if (item->Count() > 0) return "the menu item " + path + " opens a submenu";
  if (!item->Enabled()) return "the menu item " + path + " is disabled";
  RunEvent([item] { item->Click(); });
  return {};
}

std::string PressShortCut(const std::string& keyText) {
  TForm* form = Application->ActiveForm();
  if (form == nullptr) return NoWindow();
  const TShortCut shortCut = TextToShortCut(keyText);
  if (shortCut == scNone) return "unknown key " + keyText;
  TMenuItem* item = form->Menu != nullptr ? form->Menu->FindShortCut(shortCut) : nullptr;
  if (item == nullptr) return "the window " + form->Caption() + " has no shortcut " + keyText;
  RunEvent([item] { item->Click(); });
  return {};
}

std::string DoubleClickRow(const std::string& gridName, int row) {
  auto* grid = ComponentOfActiveForm<TStringGrid>(gridName);
  if (grid == nullptr) return "the active window has no grid " + gridName;
  if (row < grid->FixedRows() || row >= grid->RowCount()) {
    return "row " + std::to_string(row) + " of " + gridName + " cannot be selected";
  }
  if (grid->FixedCols() > 1 || grid->ColCount() < 2) {
    return "column 1 of " + gridName + " cannot be selected";
  }
  RunEvent([grid, row] {
    grid->SetCol(1);
    grid->SetRow(row);
    grid->DblClick();
  });
  return {};
}

std::string ClickButton(const std::string& buttonName) {
  auto* button = ComponentOfActiveForm<TButton>(buttonName);
  if (button == nullptr) return "the active window has no button " + buttonName;
  RunEvent([button] { button->Click(); });
  return {};
}

std::string CloseActiveWindow() {
  TForm* form = Application->ActiveForm();
  if (form == nullptr) return NoWindow();
  RunEvent([form] { form->Close(); });
  return {};
}

}  // namespace vcl
