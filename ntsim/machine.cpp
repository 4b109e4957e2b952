#include "ntsim/machine.h"

#include "ntsim/driver_loader.h"
#include "ntsim/handles.h"
#include "ntsim/machine_folder.h"
#include "ntsim/machine_registry.h"
#include "ntsim/processor.h"
#include "ntsim/service_control_manager.h"

namespace ntsim {

void AttachMachine() { SynchronizeRunningDrivers(); }

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
