// The program's main window and resources window for the targets that feed the snapshot
// from outside bytes (a list file, the registry's resource map). The windows are built once
// without the main window's start-up, which would install and start the driver: those
// targets reach the snapshot without it. A scripting front-end answers every box and
// dialog, and closes every modal window as soon as it is shown.
#pragma once

#include <string>

#include "app/Unit1.h"
#include "vcl/ScriptFrontEnd.h"

namespace fuzz_support {

struct ProgramWindows {
  TForm1& main;
  vcl::ScriptFrontEnd& script;
};

ProgramWindows& Windows();

// What a run left in the windows and the front-end and does not need again: the log's lines
// and the boxes and windows the front-end saw.
void ForgetShownThings();

// The rows of the IDT table double-clicked as a person does it: the header row, every row
// whose vector has a count of users other than 0, and one row of each kind without users (a
// processor exception, a vector reserved for later use, a device vector). The other rows
// without users take the same path as the last of these, and double-clicking all 256 would
// make each run many times slower for no new behaviour.
void DoubleClickEveryKindOfRow();

}  // namespace fuzz_support
