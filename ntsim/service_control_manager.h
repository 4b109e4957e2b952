// The Service Control Manager's database and the state of its kernel-driver services. The
// database is the registry below SYSTEM\CurrentControlSet\Services, one key a service with
// Type, Start, ErrorControl, ImagePath and DisplayName (and DeleteFlag once it is marked for
// deletion); whether a driver is running is the machine's running state (running.ini).
// Every operation answers with a system error code.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "winapi/windef.h"

namespace ntsim {

struct ServiceConfig {
  DWORD type = 0;
  DWORD start = 0;
  DWORD error_control = 0;
  std::string image_path;
  std::string display_name;
};

struct ServiceEntry {
  std::string name;  // as the database spells it
  ServiceConfig config;
  bool marked_for_delete = false;
};

enum class ServiceState { Stopped, StopPending, Running };

// The service of that name (compared without regard to case), as the database holds it now.
std::optional<ServiceEntry> FindService(std::string_view name);

// ERROR_SERVICE_EXISTS, ERROR_SERVICE_MARKED_FOR_DELETE or ERROR_DUPLICATE_SERVICE_NAME when
// the name or display name is taken.
DWORD CreateServiceEntry(std::string_view name, const ServiceConfig& config);

ServiceState StateOf(const ServiceEntry& service);
// Whether a stop request can reach the driver: it is loaded and has an unload routine.
bool AcceptsStop(const ServiceEntry& service);

// Loads the service's driver and runs its DriverEntry.
DWORD StartServiceDriver(const ServiceEntry& service);
// Runs the driver's unload routine, or arranges for it to run when the last program closes
// the driver's device.
DWORD StopServiceDriver(const ServiceEntry& service);

DWORD MarkServiceForDelete(std::string_view name);
// Removes a service marked for deletion once it is stopped; called when this process closes
// its last handle to the service.
void RemoveServiceIfDeleted(std::string_view name);

// Loads the drivers of services that another program started (or that were running when the
// last program on the machine ended), quietly, and unloads the drivers of services another
// program stopped.
void SynchronizeRunningDrivers();

namespace testing {
// Forgets which drivers this process loaded for the machine's running state.
void ForgetRunningDrivers();
}  // namespace testing

}  // namespace ntsim
