#include "ntsim/service_control_manager.h"

#include <cstdio>
#include <memory>
#include <set>

#include "ntsim/driver_loader.h"
#include "ntsim/machine_folder.h"
#include "ntsim/machine_registry.h"
#include "ntsim/message_table.h"
#include "ntsim/running_services.h"
#include "winapi/winerror.h"
#include "winapi/winreg.h"
#include "winapi/winsvc.h"

namespace ntsim {

namespace {

constexpr std::string_view kServices = "SYSTEM\\CurrentControlSet\\Services";

std::string KeyPath(std::string_view name) { return std::string(kServices) + "\\" + std::string(name); }

std::optional<DWORD> Dword(const RegistryKey& key, std::string_view value) {
  const RegistryValue* found = key.FindValue(value);
  return found != nullptr ? RegistryDwordOf(*found) : std::nullopt;
}

std::string Text(const RegistryKey& key, std::string_view value) {
  const RegistryValue* found = key.FindValue(value);
  return found != nullptr ? RegistryStringOf(*found).value_or("") : "";
}

// A key below Services is a service when it says what type of service it is.
std::optional<ServiceEntry> EntryOf(const RegistryKey& key) {
  const auto type = Dword(key, "Type");
  if (!type) return std::nullopt;
  ServiceEntry entry;
  entry.name = key.name();
  entry.config.type = *type;
  entry.config.start = Dword(key, "Start").value_or(SERVICE_DEMAND_START);
  entry.config.error_control = Dword(key, "ErrorControl").value_or(1);
  entry.config.image_path = Text(key, "ImagePath");
  entry.config.display_name = Text(key, "DisplayName");
  entry.marked_for_delete = Dword(key, "DeleteFlag").value_or(0) != 0;
  return entry;
}

// The host path of a driver image: NT's \??\ prefix for a Win32 path is dropped.
std::string HostImagePath(const std::string& image_path) {
  constexpr std::string_view kDosPrefix = "\\??\\";
  if (image_path.compare(0, kDosPrefix.size(), kDosPrefix) == 0) {
    return image_path.substr(kDosPrefix.size());
  }
  return image_path;
}

// The services whose drivers this process loaded for the machine's running state.
std::set<std::string> loaded_here;
// The running services whose drivers this process could not load and has said so: every call
// tries again, but the reason is given once.
std::set<std::string> reported_unloadable;

void Forget(const std::string& name) {
  for (auto it = loaded_here.begin(); it != loaded_here.end(); ++it) {
    if (SameServiceName(*it, name)) {
      loaded_here.erase(it);
      return;
    }
  }
}

}  // namespace

std::optional<ServiceEntry> FindService(std::string_view name) {
  RefreshMachineRegistry();
  const RegistryKey* key = MachineRegistry().Find(KeyPath(name));
  return key != nullptr ? EntryOf(*key) : std::nullopt;
}

DWORD CreateServiceEntry(std::string_view name, const ServiceConfig& config) {
  DWORD error = ERROR_SUCCESS;
  try {
    ChangeMachineRegistry([&](RegistryTree& registry) {
      RegistryKey& services = registry.Create(kServices);
      if (const RegistryKey* existing = services.FindSubkey(name); existing != nullptr) {
        const auto entry = EntryOf(*existing);
        error = entry && entry->marked_for_delete ? ERROR_SERVICE_MARKED_FOR_DELETE
                                                  : ERROR_SERVICE_EXISTS;
        return false;
      }
      for (const RegistryKey* other : services.Subkeys()) {
        const auto entry = EntryOf(*other);
        if (entry && (SameServiceName(entry->config.display_name, config.display_name) ||
                      SameServiceName(other->name(), config.display_name))) {
          error = ERROR_DUPLICATE_SERVICE_NAME;
          return false;
        }
      }
      RegistryKey& key = services.CreateSubkey(name);
      key.SetValue("Type", REG_DWORD, RegistryDwordData(config.type));
      key.SetValue("Start", REG_DWORD, RegistryDwordData(config.start));
      key.SetValue("ErrorControl", REG_DWORD, RegistryDwordData(config.error_control));
      key.SetValue("ImagePath", REG_EXPAND_SZ, RegistryStringData(config.image_path));
      key.SetValue("DisplayName", REG_SZ, RegistryStringData(config.display_name));
      return true;
    });
  } catch (const MachineFault& fault) {
    StopMachine(fault);
  }
  return error;
}

ServiceState StateOf(const ServiceEntry& service) {
  if (ListsService(ReadRunningServices(), service.name)) return ServiceState::Running;
  if (IsUnloadPending(service.name)) return ServiceState::StopPending;
  return ServiceState::Stopped;
}

bool AcceptsStop(const ServiceEntry& service) {
  const PDRIVER_OBJECT driver = FindDriverObject(service.name);
  return driver != nullptr && driver->DriverUnload != nullptr;
}

// Holds the machine folder while the running state is read, changed and written back.
std::unique_ptr<MachineLock> LockMachine() {
  try {
    return std::make_unique<MachineLock>();
  } catch (const MachineFault& fault) {
    StopMachine(fault);
  }
}

DWORD StartServiceDriver(const ServiceEntry& service) {
  const auto lock = LockMachine();
  std::vector<std::string> running = ReadRunningServices();
  if (ListsService(running, service.name) || IsDriverLoaded(service.name)) {
    return ERROR_SERVICE_ALREADY_RUNNING;
  }
  const DWORD error =
      LoadDriver(service.name, HostImagePath(service.config.image_path), Announce::Loud);
  if (error != ERROR_SUCCESS) return error;
  loaded_here.insert(service.name);
  running.push_back(service.name);
  WriteRunningServices(running);
  return ERROR_SUCCESS;
}

DWORD StopServiceDriver(const ServiceEntry& service) {
  const auto lock = LockMachine();
  std::vector<std::string> running = ReadRunningServices();
  if (!ListsService(running, service.name)) {
    return IsUnloadPending(service.name) ? ERROR_SERVICE_CANNOT_ACCEPT_CTRL
                                         : ERROR_SERVICE_NOT_ACTIVE;
  }
  // A driver that could not be loaded again into this program is stopped only in the
  // machine's running state.
  if (IsDriverLoaded(service.name) &&
      UnloadDriver(service.name, Announce::Loud) == UnloadResult::NotUnloadable) {
    return ERROR_INVALID_SERVICE_CONTROL;
  }
  Forget(service.name);
  std::erase_if(running, [&](const std::string& name) { return SameServiceName(name, service.name); });
  WriteRunningServices(running);
  return ERROR_SUCCESS;
}

DWORD MarkServiceForDelete(std::string_view name) {
  DWORD error = ERROR_SUCCESS;
  try {
    ChangeMachineRegistry([&](RegistryTree& registry) {
      RegistryKey* key = registry.Find(KeyPath(name));
      const auto entry = key != nullptr ? EntryOf(*key) : std::nullopt;
      if (!entry) {
        error = ERROR_SERVICE_DOES_NOT_EXIST;
        return false;
      }
      if (entry->marked_for_delete) {
        error = ERROR_SERVICE_MARKED_FOR_DELETE;
        return false;
      }
      key->SetValue("DeleteFlag", REG_DWORD, RegistryDwordData(1));
      return true;
    });
  } catch (const MachineFault& fault) {
    StopMachine(fault);
  }
  return error;
}

void RemoveServiceIfDeleted(std::string_view name) {
  const auto service = FindService(name);
  if (!service || !service->marked_for_delete || StateOf(*service) != ServiceState::Stopped) {
    return;
  }
  try {
    ChangeMachineRegistry([&](RegistryTree& registry) {
      RegistryKey* key = registry.Find(KeyPath(name));
      const auto entry = key != nullptr ? EntryOf(*key) : std::nullopt;
      return entry && entry->marked_for_delete && registry.Remove(KeyPath(name));
    });
  } catch (const MachineFault& fault) {
    StopMachine(fault);
  }
}

void SynchronizeRunningDrivers() {
  const std::vector<std::string> running = ReadRunningServices();
  for (const auto& name : running) {
    if (IsDriverLoaded(name)) continue;
    const auto service = FindService(name);
    const DWORD error =
        service ? LoadDriver(service->name, HostImagePath(service->config.image_path), Announce::Quiet)
                : ERROR_SERVICE_DOES_NOT_EXIST;
    if (error == ERROR_SUCCESS) {
      loaded_here.insert(service->name);
      continue;
    }
    if (!reported_unloadable.insert(name).second) continue;
    const auto text = SystemMessageText(error);
    std::fprintf(stderr, "ntsim: the running service %s cannot be loaded into this program: %s",
                 name.c_str(), text ? std::string(*text).c_str() : "\n");
  }
  for (auto it = loaded_here.begin(); it != loaded_here.end();) {
    if (ListsService(running, *it) || !IsDriverLoaded(*it)) {
      ++it;
      continue;
    }
    UnloadDriver(*it, Announce::Quiet);
    it = loaded_here.erase(it);
  }
}

namespace testing {
void ForgetRunningDrivers() {
  loaded_here.clear();
  reported_unloadable.clear();
}
}  // namespace testing

}  // namespace ntsim
