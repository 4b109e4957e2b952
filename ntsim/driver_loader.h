// The driver loader: a kernel service start maps the driver image its ImagePath names, makes
// a driver object and runs DriverEntry; a stop runs the driver's unload routine and unmaps
// the image.
#pragma once

#include <string>
#include <vector>

#include "winapi/ntddk.h"

namespace ntsim {

// Whether what the driver prints reaches debug.log: a driver loaded again into a program
// that attaches to a machine that stayed up was already announced when it was first loaded.
enum class Announce { Loud, Quiet };

// The routines of ntoskrnl.cpp, which a program that hosts the machine exports to driver
// images (kernel_exports.list holds the same names for the linker).
const std::vector<std::string>& KernelExports();

// ERROR_SUCCESS, or the system's code for why the driver did not load: the image's
// (ERROR_FILE_NOT_FOUND, ERROR_BAD_EXE_FORMAT, ERROR_PROC_NOT_FOUND for a routine the kernel
// does not export, ERROR_MOD_NOT_FOUND for a library it asks for ...) or DriverEntry's
// status translated. A driver binds to the kernel alone, as on NT.
DWORD LoadDriver(const std::string& service, const std::string& image_path, Announce announce);

bool IsDriverLoaded(const std::string& service);

enum class UnloadResult {
  Unloaded,
  Pending,       // a program holds a device of the driver open: unloaded at its close
  NotUnloadable  // the driver has no unload routine
};
UnloadResult UnloadDriver(const std::string& service, Announce announce);

// Whether the driver's unload waits for a program to close its device.
bool IsUnloadPending(const std::string& service);

// The driver object of a loaded driver, for tests that look at what the driver set up.
PDRIVER_OBJECT FindDriverObject(const std::string& service);

namespace testing {
// Forgets every loaded driver without calling it and unmaps the images, as when the process
// that held them ends.
void ForgetLoadedDrivers();
}  // namespace testing

}  // namespace ntsim
