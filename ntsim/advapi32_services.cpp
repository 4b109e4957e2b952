// The service calls of advapi32: handles to the Service Control Manager and its services,
// with the access each handle was granted and the system's error code of every failure.
#include <cstdio>
#include <map>
#include <string>

#include "ntsim/handles.h"
#include "ntsim/machine.h"
#include "ntsim/machine_folder.h"
#include "ntsim/running_services.h"
#include "ntsim/service_control_manager.h"
#include "winapi/kernel32.h"
#include "winapi/winsvc.h"

namespace ntsim {

namespace {

constexpr DWORD kGenericRead = GENERIC_READ;
constexpr DWORD kGenericWrite = GENERIC_WRITE;
constexpr DWORD kGenericExecute = GENERIC_EXECUTE;
constexpr DWORD kGenericAll = GENERIC_ALL;

struct GenericMapping {
  DWORD read, write, execute, all;
};

constexpr GenericMapping kManagerMapping = {
    STANDARD_RIGHTS_READ | SC_MANAGER_ENUMERATE_SERVICE | SC_MANAGER_QUERY_LOCK_STATUS,
    STANDARD_RIGHTS_READ | SC_MANAGER_CREATE_SERVICE | SC_MANAGER_MODIFY_BOOT_CONFIG,
    STANDARD_RIGHTS_READ | SC_MANAGER_CONNECT | SC_MANAGER_LOCK, SC_MANAGER_ALL_ACCESS};
constexpr GenericMapping kServiceMapping = {
    STANDARD_RIGHTS_READ | SERVICE_QUERY_CONFIG | SERVICE_QUERY_STATUS |
        SERVICE_INTERROGATE | SERVICE_ENUMERATE_DEPENDENTS,
    STANDARD_RIGHTS_READ | SERVICE_CHANGE_CONFIG,
    STANDARD_RIGHTS_READ | SERVICE_START | SERVICE_STOP | SERVICE_PAUSE_CONTINUE |
        SERVICE_USER_DEFINED_CONTROL,
    SERVICE_ALL_ACCESS};

// What a user without administrator rights is granted: looking, never changing.
constexpr DWORD kUserManagerAccess =
    READ_CONTROL | SC_MANAGER_CONNECT | SC_MANAGER_ENUMERATE_SERVICE | SC_MANAGER_QUERY_LOCK_STATUS;
constexpr DWORD kUserServiceAccess = READ_CONTROL | SERVICE_QUERY_CONFIG | SERVICE_QUERY_STATUS |
                                     SERVICE_ENUMERATE_DEPENDENTS | SERVICE_INTERROGATE |
                                     SERVICE_USER_DEFINED_CONTROL;

DWORD Mapped(DWORD access, const GenericMapping& mapping) {
  DWORD specific = access & ~(kGenericRead | kGenericWrite | kGenericExecute | kGenericAll);
  if ((access & kGenericRead) != 0) specific |= mapping.read;
  if ((access & kGenericWrite) != 0) specific |= mapping.write;
  if ((access & kGenericExecute) != 0) specific |= mapping.execute;
  if ((access & kGenericAll) != 0) specific |= mapping.all;
  return specific;
}

// Grants the access asked for, or nothing when the user may not have all of it.
bool Grant(DWORD asked, const GenericMapping& mapping, DWORD user_access, DWORD& granted) {
  granted = Mapped(asked, mapping);
  if ((granted & ~mapping.all) != 0) return false;
  return CurrentMachineSettings().administrator || (granted & ~user_access) == 0;
}

class ServiceManager : public KernelObject {
 public:
  explicit ServiceManager(DWORD granted) : access(granted) {}
  const DWORD access;
};

// This process's open handles per service, by the database's spelling of the name: a
// service marked for deletion goes when the last of them is closed.
std::map<std::string, int> open_service_handles;

class Service : public KernelObject {
 public:
  Service(std::string service_name, DWORD service_access)
      : name(std::move(service_name)), access(service_access) {
    ++open_service_handles[name];
  }
  ~Service() override {
    if (--open_service_handles[name] == 0) open_service_handles.erase(name);
  }
  Service(const Service&) = delete;
  Service& operator=(const Service&) = delete;
  const std::string name;
  const DWORD access;
};

template <class T>
std::shared_ptr<T> Open(HANDLE handle) {
  auto object = Handles().Lookup<T>(handle);
  if (!object) SetLastError(ERROR_INVALID_HANDLE);
  return object;
}

template <class T>
T Fail(DWORD error, T result) {
  SetLastError(error);
  return result;
}

void SayUnmodelled(const char* call, const char* what) {
  std::fprintf(stderr, "%s: %s is not modelled by the simulated machine\n", call, what);
}

bool Given(LPCSTR text) { return text != nullptr && *text != '\0'; }

bool IsValidServiceName(LPCSTR name) {
  if (!Given(name)) return false;
  std::size_t length = 0;
  for (const char* c = name; *c != '\0'; ++c, ++length) {
    if (*c == '/' || *c == '\\' || static_cast<unsigned char>(*c) < 0x20) return false;
  }
  return length <= 256;
}

SERVICE_STATUS StatusOf(const ServiceEntry& service) {
  SERVICE_STATUS status{};
  status.dwServiceType = service.config.type;
  switch (StateOf(service)) {
    case ServiceState::Running: status.dwCurrentState = SERVICE_RUNNING; break;
    case ServiceState::StopPending: status.dwCurrentState = SERVICE_STOP_PENDING; break;
    case ServiceState::Stopped: status.dwCurrentState = SERVICE_STOPPED; break;
  }
  if (status.dwCurrentState == SERVICE_RUNNING && AcceptsStop(service)) {
    status.dwControlsAccepted = SERVICE_ACCEPT_STOP;
  }
  return status;
}

bool IsDriverService(const ServiceEntry& service) {
  return service.config.type == SERVICE_KERNEL_DRIVER ||
         service.config.type == SERVICE_FILE_SYSTEM_DRIVER;
}

}  // namespace

}  // namespace ntsim

using namespace ntsim;

extern "C" SC_HANDLE OpenSCManagerA(LPCSTR lpMachineName, LPCSTR lpDatabaseName,
                                    DWORD dwDesiredAccess) {
  AttachMachine();
  if (Given(lpMachineName)) {
    SayUnmodelled("OpenSCManagerA", "another machine's Service Control Manager");
    return Fail<SC_HANDLE>(ERROR_CALL_NOT_IMPLEMENTED, nullptr);
  }
  if (lpDatabaseName != nullptr && !SameServiceName(lpDatabaseName, "ServicesActive")) {
    return Fail<SC_HANDLE>(ERROR_DATABASE_DOES_NOT_EXIST, nullptr);
  }
  DWORD granted = 0;
  if (!Grant(dwDesiredAccess, kManagerMapping, kUserManagerAccess, granted)) {
    return Fail<SC_HANDLE>(ERROR_ACCESS_DENIED, nullptr);
  }
  SetLastError(ERROR_SUCCESS);
  return Handles().Insert(std::make_shared<ServiceManager>(granted | SC_MANAGER_CONNECT));
}

extern "C" SC_HANDLE CreateServiceA(SC_HANDLE hSCManager, LPCSTR lpServiceName,
                                    LPCSTR lpDisplayName, DWORD dwDesiredAccess,
                                    DWORD dwServiceType, DWORD dwStartType, DWORD dwErrorControl,
                                    LPCSTR lpBinaryPathName, LPCSTR lpLoadOrderGroup,
                                    LPDWORD lpdwTagId, LPCSTR lpDependencies,
                                    LPCSTR lpServiceStartName, LPCSTR /*lpPassword*/) {
  AttachMachine();
  const auto manager = Open<ServiceManager>(hSCManager);
  if (!manager) return nullptr;
  if ((manager->access & SC_MANAGER_CREATE_SERVICE) == 0) {
    return Fail<SC_HANDLE>(ERROR_ACCESS_DENIED, nullptr);
  }
  if (!IsValidServiceName(lpServiceName)) return Fail<SC_HANDLE>(ERROR_INVALID_NAME, nullptr);
  if (dwServiceType == SERVICE_WIN32_OWN_PROCESS || dwServiceType == SERVICE_WIN32_SHARE_PROCESS) {
    SayUnmodelled("CreateServiceA", "a Win32 service");
    return Fail<SC_HANDLE>(ERROR_CALL_NOT_IMPLEMENTED, nullptr);
  }
  if (Given(lpLoadOrderGroup) || Given(lpDependencies) || Given(lpServiceStartName)) {
    SayUnmodelled("CreateServiceA", "a load-order group, dependencies or a start name");
    return Fail<SC_HANDLE>(ERROR_CALL_NOT_IMPLEMENTED, nullptr);
  }
  if ((dwServiceType != SERVICE_KERNEL_DRIVER && dwServiceType != SERVICE_FILE_SYSTEM_DRIVER) ||
      dwStartType > SERVICE_DISABLED || dwErrorControl > SERVICE_ERROR_CRITICAL ||
      !Given(lpBinaryPathName) || lpdwTagId != nullptr) {
    return Fail<SC_HANDLE>(ERROR_INVALID_PARAMETER, nullptr);
  }
  DWORD granted = 0;
  if (!Grant(dwDesiredAccess, kServiceMapping, kUserServiceAccess, granted)) {
    return Fail<SC_HANDLE>(ERROR_ACCESS_DENIED, nullptr);
  }
  const ServiceConfig config{dwServiceType, dwStartType, dwErrorControl, lpBinaryPathName,
                             Given(lpDisplayName) ? lpDisplayName : lpServiceName};
  if (const DWORD error = CreateServiceEntry(lpServiceName, config); error != ERROR_SUCCESS) {
    return Fail<SC_HANDLE>(error, nullptr);
  }
  const auto created = FindService(lpServiceName);
  SetLastError(ERROR_SUCCESS);
  return Handles().Insert(std::make_shared<Service>(created ? created->name : lpServiceName, granted));
}

extern "C" SC_HANDLE OpenServiceA(SC_HANDLE hSCManager, LPCSTR lpServiceName,
                                  DWORD dwDesiredAccess) {
  AttachMachine();
  if (!Open<ServiceManager>(hSCManager)) return nullptr;
  if (!IsValidServiceName(lpServiceName)) return Fail<SC_HANDLE>(ERROR_INVALID_NAME, nullptr);
  const auto service = FindService(lpServiceName);
  if (!service) return Fail<SC_HANDLE>(ERROR_SERVICE_DOES_NOT_EXIST, nullptr);
  DWORD granted = 0;
  if (!Grant(dwDesiredAccess, kServiceMapping, kUserServiceAccess, granted)) {
    return Fail<SC_HANDLE>(ERROR_ACCESS_DENIED, nullptr);
  }
  SetLastError(ERROR_SUCCESS);
  return Handles().Insert(std::make_shared<Service>(service->name, granted));
}

extern "C" BOOL StartServiceA(SC_HANDLE hService, DWORD /*dwNumServiceArgs*/,
                              LPCSTR* /*lpServiceArgVectors*/) {
  AttachMachine();
  const auto handle = Open<Service>(hService);
  if (!handle) return FALSE;
  if ((handle->access & SERVICE_START) == 0) return Fail(ERROR_ACCESS_DENIED, FALSE);
  const auto service = FindService(handle->name);
  if (!service) return Fail(ERROR_SERVICE_DOES_NOT_EXIST, FALSE);
  if (service->marked_for_delete) return Fail(ERROR_SERVICE_MARKED_FOR_DELETE, FALSE);
  if (!IsDriverService(*service)) {
    SayUnmodelled("StartServiceA", "starting a service that is not a driver");
    return Fail(ERROR_CALL_NOT_IMPLEMENTED, FALSE);
  }
  if (service->config.start == SERVICE_DISABLED) return Fail(ERROR_SERVICE_DISABLED, FALSE);
  // A driver ignores the start arguments.
  if (const DWORD error = StartServiceDriver(*service); error != ERROR_SUCCESS) {
    return Fail(error, FALSE);
  }
  SetLastError(ERROR_SUCCESS);
  return TRUE;
}

extern "C" BOOL ControlService(SC_HANDLE hService, DWORD dwControl,
                               LPSERVICE_STATUS lpServiceStatus) {
  AttachMachine();
  const auto handle = Open<Service>(hService);
  if (!handle) return FALSE;
  if (lpServiceStatus == nullptr) return Fail(ERROR_INVALID_PARAMETER, FALSE);
  DWORD needed = 0;
  switch (dwControl) {
    case SERVICE_CONTROL_STOP: needed = SERVICE_STOP; break;
    case SERVICE_CONTROL_INTERROGATE: needed = SERVICE_INTERROGATE; break;
    case SERVICE_CONTROL_PAUSE:
    case SERVICE_CONTROL_CONTINUE: needed = SERVICE_PAUSE_CONTINUE; break;
    default:
      if (dwControl < 128 || dwControl > 255) return Fail(ERROR_INVALID_PARAMETER, FALSE);
      needed = SERVICE_USER_DEFINED_CONTROL;
      break;
  }
  if ((handle->access & needed) == 0) return Fail(ERROR_ACCESS_DENIED, FALSE);
  const auto service = FindService(handle->name);
  if (!service) return Fail(ERROR_SERVICE_DOES_NOT_EXIST, FALSE);
  DWORD error = ERROR_SUCCESS;
  if (!IsDriverService(*service)) {
    SayUnmodelled("ControlService", "controlling a service that is not a driver");
    error = ERROR_CALL_NOT_IMPLEMENTED;
  } else if (dwControl == SERVICE_CONTROL_STOP) {
    error = StopServiceDriver(*service);
  } else if (dwControl == SERVICE_CONTROL_INTERROGATE) {
    error = StateOf(*service) == ServiceState::Stopped ? ERROR_SERVICE_NOT_ACTIVE : ERROR_SUCCESS;
  } else {
    // A driver takes no control but stop.
    error = ERROR_INVALID_SERVICE_CONTROL;
  }
  // The status record is filled on success and when the control did not suit the state.
  if (error == ERROR_SUCCESS || error == ERROR_SERVICE_NOT_ACTIVE ||
      error == ERROR_SERVICE_CANNOT_ACCEPT_CTRL || error == ERROR_INVALID_SERVICE_CONTROL) {
    *lpServiceStatus = StatusOf(*service);
  }
  if (error != ERROR_SUCCESS) return Fail(error, FALSE);
  SetLastError(ERROR_SUCCESS);
  return TRUE;
}

extern "C" BOOL DeleteService(SC_HANDLE hService) {
  AttachMachine();
  const auto handle = Open<Service>(hService);
  if (!handle) return FALSE;
  if ((handle->access & DELETE) == 0) return Fail(ERROR_ACCESS_DENIED, FALSE);
  if (const DWORD error = MarkServiceForDelete(handle->name); error != ERROR_SUCCESS) {
    return Fail(error, FALSE);
  }
  SetLastError(ERROR_SUCCESS);
  return TRUE;
}

extern "C" BOOL CloseServiceHandle(SC_HANDLE hSCObject) {
  auto object = Handles().Lookup<KernelObject>(hSCObject);
  std::string service_name;
  if (const auto service = std::dynamic_pointer_cast<Service>(object)) {
    service_name = service->name;
  } else if (!std::dynamic_pointer_cast<ServiceManager>(object)) {
    return Fail(ERROR_INVALID_HANDLE, FALSE);
  }
  Handles().Remove(hSCObject);
  object.reset();
  if (!service_name.empty() && open_service_handles.count(service_name) == 0) {
    RemoveServiceIfDeleted(service_name);
  }
  SetLastError(ERROR_SUCCESS);
  return TRUE;
}
