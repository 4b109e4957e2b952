// The program's windows in this process, driven by the scripting front-end, on a machine of
// their own: an empty machine folder, and this process detached from the machine an earlier
// test used. The driver vir.uze lies beside the test program, as it lies beside the program.
#pragma once

#include "app/Unit1.h"
#include "app/Unit2.h"
#include "app/resviewpas.h"
#include "ntsim/machine.h"
#include "tests/support/scratch_machine.h"
#include "tests/vcl/script_fixture.h"

namespace testing_support {

class ProgramInProcess : public ScriptedApplication {
 protected:
  ProgramInProcess() { ntsim::testing::ResetMachine(); }
  ~ProgramInProcess() override { ntsim::testing::ResetMachine(); }

  // The program's start: its three windows created in order, as its entry creates them. The
  // main window's creation installs and starts the driver and renders the table.
  static void Start() {
    Application->CreateForm(Form1);
    Application->CreateForm(Form2);
    Application->CreateForm(ResView);
  }

  ScratchMachine machine_;
};

}  // namespace testing_support
