#include "ntsim/machine.h"

#include "ntsim/driver_loader.h"
#include "ntsim/handles.h"
#include "ntsim/machine_folder.h"
#include "ntsim/machine_registry.h"
#include "ntsim/processor.h"
#include "ntsim/service_control_manager.h"

namespace ntsim {

// Every file of the machine folder that can be malformed is read before the machine does
// anything else, so that a bad one stops it before it has written a file: a bad idt.bin
// found only when a driver first reads the IDT would leave its service installed and
// running behind. The three are read on the first call only.
void AttachMachine() {
  CurrentMachineSettings();
  MachineRegistry();
  CurrentIdtRegister();
  SynchronizeRunningDrivers();
}

namespace testing {

void ResetMachine() {
  Handles().Clear();
  ForgetLoadedDrivers();
  ForgetRunningDrivers();
  ForgetIdt();
  ForgetMachineRegistry();
  ForgetMachineSettings();
}

}  // namespace testing

}  // namespace ntsim
