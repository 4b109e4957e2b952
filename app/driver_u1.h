// The driver's service control: installs the driver file as a demand-start kernel service,
// starts, stops and removes it, and shows a failure in a "DriverControl: " box with the
// system's own text for the error. Each operation opens and closes its own handles.
#pragma once

#include <string>

#include "app/Services.h"

// While true, every reported failure shows its message box. The program never changes it.
extern bool ShowDriverErrors;
// The system text and the action text of the last reported failure; empty until the first.
extern std::string LastErrorText;
extern std::string LastErrorAction;

// The system's message for the error code with every CR and LF removed, so that the lines
// of a longer text run together; empty when the system has no text for the code.
std::string SystemErrorText(DWORD ErrorCode);

// Records the failure of the action and, while ShowDriverErrors is true, shows it in an
// error box captioned "DriverControl: " + Action. ErrorCode is the code of the failing call,
// taken right after it: closing a handle afterwards changes the thread's last error.
void ReportDriverError(const std::string& Action, DWORD ErrorCode);

// The Service Control Manager of this computer with all access, or null after a report.
SC_HANDLE OpenServiceManager();

// Each returns whether its step succeeded; a failure has been reported as described above,
// except a failed start or deletion, which passes without a box.
bool InstallDriverService(const std::string& Name, const std::string& Path);
bool StartDriverService(const std::string& Name);
bool StopDriverService(const std::string& Name);
bool RemoveDriverService(const std::string& Name);
