#include "app/driver_u1.h"

#include <vector>

#include "vcl/Dialogs.h"
#include "vcl/Forms.h"
#include "winapi/kernel32.h"

bool ShowDriverErrors = true;
std::string LastErrorText;
std::string LastErrorAction;

std::string SystemErrorText(DWORD ErrorCode) {
  // The buffer is far larger than the size the call is told, so the text always ends in a
  // zero byte, also when the call writes nothing.
  std::vector<char> Buffer(65536, '\0');
  FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, ErrorCode, LANG_SYSTEM_DEFAULT,
                 Buffer.data(), MAX_PATH, nullptr);
  std::string Text(Buffer.data());
  std::erase(Text, '\r');
  std::erase(Text, '\n');
  return Text;
}

void ReportDriverError(const std::string& Action, DWORD ErrorCode) {
  LastErrorText = SystemErrorText(ErrorCode);
  LastErrorAction = Action;
  if (ShowDriverErrors) {
    Application->MessageBox(LastErrorText, "DriverControl: " + Action, MB_ICONERROR);
  }
}

SC_HANDLE OpenServiceManager() {
  SC_HANDLE Manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
  if (Manager == nullptr) ReportDriverError("Cant open Service Control Manager !", GetLastError());
  return Manager;
}

namespace {

// The service with all access. On failure the manager is closed and the failure reported,
// with the code of the open and not that of the close.
SC_HANDLE OpenDriverService(SC_HANDLE Manager, const std::string& Name) {
  SC_HANDLE Service = OpenServiceA(Manager, Name.c_str(), SERVICE_ALL_ACCESS);
  if (Service == nullptr) {
    const DWORD Error = GetLastError();
    CloseServiceHandle(Manager);
    ReportDriverError("Cant open " + Name + " !", Error);
  }
  return Service;
}

// Runs one step on the named service while the manager and the service are open, then
// closes the manager and the service, in that order. False when either cannot be opened.
template <class Step>
bool WithDriverService(const std::string& Name, Step step) {
  SC_HANDLE Manager = OpenServiceManager();
  if (Manager == nullptr) return false;
  SC_HANDLE Service = OpenDriverService(Manager, Name);
  if (Service == nullptr) return false;
  const bool Result = step(Service);
  CloseServiceHandle(Manager);
  CloseServiceHandle(Service);
  return Result;
}

}  // namespace

bool InstallDriverService(const std::string& Name, const std::string& Path) {
  SC_HANDLE Manager = OpenServiceManager();
  if (Manager == nullptr) return false;
  SC_HANDLE Service = CreateServiceA(Manager, Name.c_str(), Name.c_str(), SERVICE_ALL_ACCESS,
                                     SERVICE_KERNEL_DRIVER, SERVICE_DEMAND_START,
                                     SERVICE_ERROR_NORMAL, Path.c_str(), nullptr, nullptr,
                                     nullptr, nullptr, nullptr);
  if (Service == nullptr) {
    const DWORD Error = GetLastError();
    CloseServiceHandle(Manager);
    ReportDriverError("Cant install " + Name + " !", Error);
    return false;
  }
  CloseServiceHandle(Manager);
  CloseServiceHandle(Service);
  return true;
}

// A failed start is not reported: the device then cannot be opened, and the table shows only
// its header row.
bool StartDriverService(const std::string& Name) {
  return WithDriverService(Name, [](SC_HANDLE Service) {
    return StartServiceA(Service, 0, nullptr) != FALSE;
  });
}

// A failed stop is reported while both handles are still open.
bool StopDriverService(const std::string& Name) {
  return WithDriverService(Name, [&Name](SC_HANDLE Service) {
    SERVICE_STATUS Status{};
    const bool Stopped = ControlService(Service, SERVICE_CONTROL_STOP, &Status) != FALSE;
    if (!Stopped) ReportDriverError("Cant stop " + Name + " !", GetLastError());
    return Stopped;
  });
}

// A failed deletion is not reported.
bool RemoveDriverService(const std::string& Name) {
  return WithDriverService(Name, [](SC_HANDLE Service) { return DeleteService(Service) != FALSE; });
}
