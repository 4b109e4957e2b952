// The system's error code for a failure of the host: the machine's files live on the host's
// file system, and a program sees the codes the platform gives for the same situation.
#pragma once

#include "winapi/windef.h"

namespace ntsim {

enum class HostOperation { Open, Read, Write, Other };

DWORD Win32ErrorFromErrno(int error_number, HostOperation operation = HostOperation::Other);

}  // namespace ntsim
