// The last-error value belongs to the calling thread, as on the platform.
#include "winapi/kernel32.h"

namespace {
thread_local DWORD last_error = ERROR_SUCCESS;
}

extern "C" DWORD GetLastError() { return last_error; }

extern "C" void SetLastError(DWORD dwErrCode) { last_error = dwErrCode; }
