#include "ntsim/driver_loader.h"

#include <dlfcn.h>

#include <algorithm>
#include <map>
#include <memory>
#include <set>

#include "ntsim/driver_image.h"
#include "ntsim/io_manager.h"
#include "ntsim/kernel_debugger.h"
#include "ntsim/status_codes.h"
#include "winapi/winerror.h"

namespace ntsim {

namespace {

struct LoadedDriver {
  void* image = nullptr;
  PDRIVER_OBJECT object = nullptr;
  bool unload_pending = false;
  Announce unload_announce = Announce::Loud;
};

// By service name as the service database spells it.
std::map<std::string, LoadedDriver> loaded;

// Services whose driver stayed behind after its unload routine returned, because the driver
// left a device: the image must stay mapped while the device can still reach its code.
std::map<std::string, LoadedDriver> left_behind;

bool IsSanitizerRuntime(const std::string& name) {
  for (const char* prefix : {"__asan", "__ubsan", "__sanitizer", "__lsan", "libasan", "libubsan"}) {
    if (name.rfind(prefix, 0) == 0) return true;
  }
  return false;
}

std::u16string Widened(std::string_view text) {
  std::u16string wide;
  for (const char c : text) wide += static_cast<char16_t>(static_cast<unsigned char>(c));
  return wide;
}

// What a driver image may bind to: the kernel's exports (kernel_exports.list), the memory
// routines a compiler emits calls to on its own, and in a sanitizer build the sanitizers' run
// time. Anything else is a routine the kernel does not have.
bool IsKernelImport(const std::string& name) {
  static const std::set<std::string> kMemoryRoutines = {"memcpy", "memmove", "memset", "memcmp"};
  const auto& exports = KernelExports();
  return std::find(exports.begin(), exports.end(), name) != exports.end() ||
         kMemoryRoutines.count(name) != 0 || IsSanitizerRuntime(name);
}

void FinishUnload(const std::string& service, LoadedDriver driver) {
  {
    std::unique_ptr<QuietDebugger> quiet;
    if (driver.unload_announce == Announce::Quiet) quiet = std::make_unique<QuietDebugger>();
    driver.object->DriverUnload(driver.object);
  }
  if (driver.object->DeviceObject != nullptr) {
    left_behind[service] = driver;
    return;
  }
  DeleteDriverObject(driver.object);
  ::dlclose(driver.image);
}

void OnDriverIdle(PDRIVER_OBJECT object) {
  for (auto it = loaded.begin(); it != loaded.end(); ++it) {
    if (it->second.object != object || !it->second.unload_pending) continue;
    const std::string service = it->first;
    const LoadedDriver driver = it->second;
    loaded.erase(it);
    FinishUnload(service, driver);
    return;
  }
}

}  // namespace

const std::vector<std::string>& KernelExports() {
  static const std::vector<std::string> kExports = {
      "DbgPrint",           "IoCreateDevice",     "IoCreateSymbolicLink", "IoDeleteDevice",
      "IoDeleteSymbolicLink", "IofCompleteRequest", "RtlInitUnicodeString", "SIDT"};
  return kExports;
}

DWORD LoadDriver(const std::string& service, const std::string& image_path, Announce announce) {
  if (loaded.count(service) != 0) return ERROR_SERVICE_ALREADY_RUNNING;
  DriverImageSymbols symbols;
  if (const DWORD error = InspectDriverImage(image_path, symbols); error != ERROR_SUCCESS) {
    return error;
  }
  for (const auto& needed : symbols.needed) {
    if (!IsSanitizerRuntime(needed)) return ERROR_MOD_NOT_FOUND;
  }
  for (const auto& import : symbols.imports) {
    if (!IsKernelImport(import)) return ERROR_PROC_NOT_FOUND;
  }
  // The image's routines bind to the kernel's exports now, all of them, and its own symbols
  // stay its own.
  void* image = ::dlopen(image_path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (image == nullptr) {
    const std::string why = ::dlerror();
    return why.find("undefined symbol") != std::string::npos ? ERROR_PROC_NOT_FOUND
                                                              : ERROR_BAD_EXE_FORMAT;
  }
  const auto entry = reinterpret_cast<PDRIVER_INITIALIZE>(::dlsym(image, "DriverEntry"));
  if (entry == nullptr) {
    ::dlclose(image);
    return ERROR_BAD_EXE_FORMAT;
  }
  SetDriverIdleHandler(OnDriverIdle);
  const PDRIVER_OBJECT object = CreateDriverObject(u"\\Driver\\" + Widened(service));
  object->DriverInit = entry;
  object->DriverStart = image;
  std::u16string registry_path =
      u"\\REGISTRY\\MACHINE\\SYSTEM\\CurrentControlSet\\Services\\" + Widened(service);
  UNICODE_STRING registry{static_cast<USHORT>(registry_path.size() * 2),
                          static_cast<USHORT>(registry_path.size() * 2), registry_path.data()};
  NTSTATUS status;
  {
    std::unique_ptr<QuietDebugger> quiet;
    if (announce == Announce::Quiet) quiet = std::make_unique<QuietDebugger>();
    status = entry(object, &registry);
  }
  if (!NT_SUCCESS(status)) {
    // A driver that failed to load leaves nothing behind: devices it did not delete go with
    // its driver object, before its code is unmapped.
    DeleteDriverObject(object);
    ::dlclose(image);
    return Win32ErrorFromStatus(status);
  }
  FinishDeviceInitialization(object);
  loaded[service] = LoadedDriver{image, object, false, Announce::Loud};
  return ERROR_SUCCESS;
}

bool IsDriverLoaded(const std::string& service) { return loaded.count(service) != 0; }

UnloadResult UnloadDriver(const std::string& service, Announce announce) {
  const auto found = loaded.find(service);
  if (found == loaded.end()) return UnloadResult::Unloaded;
  LoadedDriver& driver = found->second;
  if (driver.object->DriverUnload == nullptr) return UnloadResult::NotUnloadable;
  driver.unload_announce = announce;
  if (DriverHasOpenFiles(driver.object)) {
    driver.unload_pending = true;
    RefuseNewOpens(driver.object);
    return UnloadResult::Pending;
  }
  const LoadedDriver unloading = driver;
  loaded.erase(found);
  FinishUnload(service, unloading);
  return UnloadResult::Unloaded;
}

bool IsUnloadPending(const std::string& service) {
  const auto found = loaded.find(service);
  return found != loaded.end() && found->second.unload_pending;
}

PDRIVER_OBJECT FindDriverObject(const std::string& service) {
  const auto found = loaded.find(service);
  return found == loaded.end() ? nullptr : found->second.object;
}

namespace testing {

void ForgetLoadedDrivers() {
  ForgetDriversAndDevices();
  for (auto* drivers : {&loaded, &left_behind}) {
    for (const auto& [service, driver] : *drivers) ::dlclose(driver.image);
    drivers->clear();
  }
}

}  // namespace testing

}  // namespace ntsim
