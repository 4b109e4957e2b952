#include "fuzz/program_windows.h"

#include "app/resviewpas.h"
#include "fuzz/fuzz_support.h"
#include "vcl/Forms.h"

namespace fuzz_support {

ProgramWindows& Windows() {
  static ProgramWindows windows = [] {
    ScratchMachine();
    vcl::ScriptFrontEnd& script = vcl::UseScriptFrontEnd();
    Form1 = new TForm1(Application);
    ResView = new TResView(Application);
    return ProgramWindows{*Form1, script};
  }();
  return windows;
}

void ForgetShownThings() {
  ProgramWindows& windows = Windows();
  windows.main.Memo1->Lines()->Clear();
  windows.script.Boxes.clear();
  windows.script.Dialogs.clear();
  windows.script.ShownWindows.clear();
  windows.script.NotClosed.clear();
}

void DoubleClickEveryKindOfRow() {
  TForm1& main = Windows().main;
  TStringGrid& grid = *main.StringGrid1;
  bool deviceVectorWithoutUsers = false;
  for (int row = 0; row < grid.RowCount(); ++row) {
    const int vector = row - 1;
    bool click = row == 0 || row == 1 || row == 20;
    if (vector >= 0 && vector < 256) {
      if (main.VectorUsage[vector].Count != 0) {
        click = true;
      } else if (vector >= 32 && !deviceVectorWithoutUsers) {
        click = deviceVectorWithoutUsers = true;
      }
    }
    if (!click) continue;
    vcl::RunEvent([&grid, row] {
      grid.SetCol(1);
      grid.SetRow(row);
      grid.DblClick();
    });
  }
}

}  // namespace fuzz_support
