// The Service Control Manager calls of advapi32 that the driver's service control makes:
// OpenSCManagerA, CreateServiceA, OpenServiceA, StartServiceA, ControlService, DeleteService
// and CloseServiceHandle, with the access rights, service settings and controls they take.
// They are the platform's own; the program sees them through its declarations of the
// platform, so that a build for the real system links them from advapi32 unchanged.
#pragma once

#include "winapi/winsvc.h"
