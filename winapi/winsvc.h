// The Service Control Manager calls of advapi32 that install, start, stop and remove a
// kernel driver service, with the access rights, service settings and controls they take.
#pragma once

#include "windef.h"
#include "winerror.h"
// The standard access rights (DELETE, READ_CONTROL, ...) are common to every kind of object;
// they are declared once, with the registry's rights.
#include "winreg.h"

// Service manager and service handles are system handles like any other.
using SC_HANDLE = HANDLE;

inline constexpr DWORD SC_MANAGER_CONNECT = 0x0001;
inline constexpr DWORD SC_MANAGER_CREATE_SERVICE = 0x0002;
inline constexpr DWORD SC_MANAGER_ENUMERATE_SERVICE = 0x0004;
inline constexpr DWORD SC_MANAGER_LOCK = 0x0008;
inline constexpr DWORD SC_MANAGER_QUERY_LOCK_STATUS = 0x0010;
inline constexpr DWORD SC_MANAGER_MODIFY_BOOT_CONFIG = 0x0020;
inline constexpr DWORD SC_MANAGER_ALL_ACCESS = 0xF003F;
static_assert(SC_MANAGER_ALL_ACCESS ==
              (STANDARD_RIGHTS_REQUIRED | SC_MANAGER_CONNECT | SC_MANAGER_CREATE_SERVICE |
               SC_MANAGER_ENUMERATE_SERVICE | SC_MANAGER_LOCK | SC_MANAGER_QUERY_LOCK_STATUS |
               SC_MANAGER_MODIFY_BOOT_CONFIG));

inline constexpr DWORD SERVICE_QUERY_CONFIG = 0x0001;
inline constexpr DWORD SERVICE_CHANGE_CONFIG = 0x0002;
inline constexpr DWORD SERVICE_QUERY_STATUS = 0x0004;
inline constexpr DWORD SERVICE_ENUMERATE_DEPENDENTS = 0x0008;
inline constexpr DWORD SERVICE_START = 0x0010;
inline constexpr DWORD SERVICE_STOP = 0x0020;
inline constexpr DWORD SERVICE_PAUSE_CONTINUE = 0x0040;
inline constexpr DWORD SERVICE_INTERROGATE = 0x0080;
inline constexpr DWORD SERVICE_USER_DEFINED_CONTROL = 0x0100;
inline constexpr DWORD SERVICE_ALL_ACCESS = 0xF01FF;
static_assert(SERVICE_ALL_ACCESS ==
              (STANDARD_RIGHTS_REQUIRED | SERVICE_QUERY_CONFIG | SERVICE_CHANGE_CONFIG |
               SERVICE_QUERY_STATUS | SERVICE_ENUMERATE_DEPENDENTS | SERVICE_START |
               SERVICE_STOP | SERVICE_PAUSE_CONTINUE | SERVICE_INTERROGATE |
               SERVICE_USER_DEFINED_CONTROL));

inline constexpr DWORD SERVICE_KERNEL_DRIVER = 0x00000001;
inline constexpr DWORD SERVICE_FILE_SYSTEM_DRIVER = 0x00000002;
inline constexpr DWORD SERVICE_WIN32_OWN_PROCESS = 0x00000010;
inline constexpr DWORD SERVICE_WIN32_SHARE_PROCESS = 0x00000020;

inline constexpr DWORD SERVICE_BOOT_START = 0x00000000;
inline constexpr DWORD SERVICE_SYSTEM_START = 0x00000001;
inline constexpr DWORD SERVICE_AUTO_START = 0x00000002;
inline constexpr DWORD SERVICE_DEMAND_START = 0x00000003;
inline constexpr DWORD SERVICE_DISABLED = 0x00000004;

inline constexpr DWORD SERVICE_ERROR_IGNORE = 0x00000000;
inline constexpr DWORD SERVICE_ERROR_NORMAL = 0x00000001;
inline constexpr DWORD SERVICE_ERROR_SEVERE = 0x00000002;
inline constexpr DWORD SERVICE_ERROR_CRITICAL = 0x00000003;

inline constexpr DWORD SERVICE_CONTROL_STOP = 0x00000001;
inline constexpr DWORD SERVICE_CONTROL_PAUSE = 0x00000002;
inline constexpr DWORD SERVICE_CONTROL_CONTINUE = 0x00000003;
inline constexpr DWORD SERVICE_CONTROL_INTERROGATE = 0x00000004;
inline constexpr DWORD SERVICE_CONTROL_SHUTDOWN = 0x00000005;

inline constexpr DWORD SERVICE_STOPPED = 0x00000001;
inline constexpr DWORD SERVICE_START_PENDING = 0x00000002;
inline constexpr DWORD SERVICE_STOP_PENDING = 0x00000003;
inline constexpr DWORD SERVICE_RUNNING = 0x00000004;

inline constexpr DWORD SERVICE_ACCEPT_STOP = 0x00000001;

struct SERVICE_STATUS {
  DWORD dwServiceType;
  DWORD dwCurrentState;
  DWORD dwControlsAccepted;
  DWORD dwWin32ExitCode;
  DWORD dwServiceSpecificExitCode;
  DWORD dwCheckPoint;
  DWORD dwWaitHint;
};
using LPSERVICE_STATUS = SERVICE_STATUS*;
static_assert(sizeof(SERVICE_STATUS) == 28);

extern "C" {

SC_HANDLE OpenSCManagerA(LPCSTR lpMachineName, LPCSTR lpDatabaseName, DWORD dwDesiredAccess);
SC_HANDLE CreateServiceA(SC_HANDLE hSCManager, LPCSTR lpServiceName, LPCSTR lpDisplayName,
                         DWORD dwDesiredAccess, DWORD dwServiceType, DWORD dwStartType,
                         DWORD dwErrorControl, LPCSTR lpBinaryPathName,
                         LPCSTR lpLoadOrderGroup, LPDWORD lpdwTagId, LPCSTR lpDependencies,
                         LPCSTR lpServiceStartName, LPCSTR lpPassword);
SC_HANDLE OpenServiceA(SC_HANDLE hSCManager, LPCSTR lpServiceName, DWORD dwDesiredAccess);
BOOL StartServiceA(SC_HANDLE hService, DWORD dwNumServiceArgs, LPCSTR* lpServiceArgVectors);
BOOL ControlService(SC_HANDLE hService, DWORD dwControl, LPSERVICE_STATUS lpServiceStatus);
BOOL DeleteService(SC_HANDLE hService);
BOOL CloseServiceHandle(SC_HANDLE hSCObject);

}  // extern "C"
