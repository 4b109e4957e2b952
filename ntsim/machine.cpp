#include "ntsim/machine.h"

#include "ntsim/driver_loader.h"
#include "ntsim/handles.h"
#include "ntsim/machine_folder.h"
#include "ntsim/processor.h"

namespace ntsim {

void AttachMachine() {}

namespace testing {

void ResetMachine() {
  Handles().Clear();
  ForgetLoadedDrivers();
  ForgetIdt();
  ForgetMachineSettings();
}

}  // namespace testing

}  // namespace ntsim
