// The system error code a program sees for a kernel status, as the platform translates it.
#pragma once

#include "winapi/ntddk.h"

namespace ntsim {

// Statuses the platform has no translation for give ERROR_MR_MID_NOT_FOUND, as there.
DWORD Win32ErrorFromStatus(NTSTATUS status);

}  // namespace ntsim
