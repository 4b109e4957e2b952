#include "ntsim/message_table.h"

#include <cstdio>
#include <cstring>

#include "winapi/kernel32.h"

namespace ntsim {

namespace {

struct Message {
  DWORD code;
  const char* text;
};

// The texts are the platform's own, word for word.
constexpr Message kMessages[] = {
    {ERROR_SUCCESS, "The operation completed successfully.\r\n"},
    {ERROR_INVALID_FUNCTION, "Incorrect function.\r\n"},
    {ERROR_FILE_NOT_FOUND, "The system cannot find the file specified.\r\n"},
    {ERROR_PATH_NOT_FOUND, "The system cannot find the path specified.\r\n"},
    {ERROR_TOO_MANY_OPEN_FILES, "The system cannot open the file.\r\n"},
    {ERROR_ACCESS_DENIED, "Access is denied.\r\n"},
    {ERROR_INVALID_HANDLE, "The handle is invalid.\r\n"},
    {ERROR_NOT_ENOUGH_MEMORY, "Not enough storage is available to process this command.\r\n"},
    {ERROR_BAD_FORMAT, "An attempt was made to load a program with an incorrect format.\r\n"},
    {ERROR_INVALID_ACCESS, "The access code is invalid.\r\n"},
    {ERROR_INVALID_DATA, "The data is invalid.\r\n"},
    {ERROR_OUTOFMEMORY, "Not enough storage is available to complete this operation.\r\n"},
    {ERROR_WRITE_PROTECT, "The media is write protected.\r\n"},
    {ERROR_WRITE_FAULT, "The system cannot write to the specified device.\r\n"},
    {ERROR_READ_FAULT, "The system cannot read from the specified device.\r\n"},
    {ERROR_GEN_FAILURE, "A device attached to the system is not functioning.\r\n"},
    {ERROR_SHARING_VIOLATION,
     "The process cannot access the file because it is being used by another process.\r\n"},
    {ERROR_LOCK_VIOLATION,
     "The process cannot access the file because another process has locked a portion of "
     "the file.\r\n"},
    {ERROR_HANDLE_EOF, "Reached the end of the file.\r\n"},
    {ERROR_HANDLE_DISK_FULL, "The disk is full.\r\n"},
    {ERROR_NOT_SUPPORTED, "The network request is not supported.\r\n"},
    {ERROR_FILE_EXISTS, "The file exists.\r\n"},
    {ERROR_INVALID_PARAMETER, "The parameter is incorrect.\r\n"},
    {ERROR_OPEN_FAILED, "The system cannot open the device or file specified.\r\n"},
    {ERROR_DISK_FULL, "There is not enough space on the disk.\r\n"},
    {ERROR_CALL_NOT_IMPLEMENTED, "This function is not supported on this system.\r\n"},
    {ERROR_INSUFFICIENT_BUFFER, "The data area passed to a system call is too small.\r\n"},
    {ERROR_INVALID_NAME, "The filename, directory name, or volume label syntax is incorrect.\r\n"},
    {ERROR_MOD_NOT_FOUND, "The specified module could not be found.\r\n"},
    {ERROR_PROC_NOT_FOUND, "The specified procedure could not be found.\r\n"},
    {ERROR_NEGATIVE_SEEK,
     "An attempt was made to move the file pointer before the beginning of the file.\r\n"},
    {ERROR_DIR_NOT_EMPTY, "The directory is not empty.\r\n"},
    {ERROR_BAD_PATHNAME, "The specified path is invalid.\r\n"},
    {ERROR_BUSY, "The requested resource is in use.\r\n"},
    {ERROR_ALREADY_EXISTS, "Cannot create a file when that file already exists.\r\n"},
    {ERROR_BAD_EXE_FORMAT, "%1 is not a valid Win32 application.\r\n"},
    {ERROR_FILENAME_EXCED_RANGE, "The filename or extension is too long.\r\n"},
    {ERROR_MORE_DATA, "More data is available.\r\n"},
    {ERROR_NO_MORE_ITEMS, "No more data is available.\r\n"},
    {ERROR_MR_MID_NOT_FOUND,
     "The system cannot find message text for message number 0x%1 in the message file for "
     "%2.\r\n"},
    {ERROR_NOACCESS, "Invalid access to memory location.\r\n"},
    {ERROR_CANTOPEN, "The configuration registry key could not be opened.\r\n"},
    {ERROR_CANTREAD, "The configuration registry key could not be read.\r\n"},
    {ERROR_CANTWRITE, "The configuration registry key could not be written.\r\n"},
    {ERROR_REGISTRY_CORRUPT,
     "The registry is corrupted. The structure of one of the files containing registry data "
     "is corrupted, or the system's memory image of the file is corrupted, or the file could "
     "not be recovered because the alternate copy or log was absent or corrupted.\r\n"},
    {ERROR_REGISTRY_IO_FAILED,
     "An I/O operation initiated by the registry failed unrecoverably. The registry could "
     "not read in, or write out, or flush, one of the files that contain the system's image "
     "of the registry.\r\n"},
    {ERROR_KEY_DELETED,
     "Illegal operation attempted on a registry key that has been marked for deletion.\r\n"},
    {ERROR_DEPENDENT_SERVICES_RUNNING,
     "A stop control has been sent to a service that other running services are dependent "
     "on.\r\n"},
    {ERROR_INVALID_SERVICE_CONTROL, "The requested control is not valid for this service.\r\n"},
    {ERROR_SERVICE_REQUEST_TIMEOUT,
     "The service did not respond to the start or control request in a timely fashion.\r\n"},
    {ERROR_SERVICE_ALREADY_RUNNING, "An instance of the service is already running.\r\n"},
    {ERROR_INVALID_SERVICE_ACCOUNT,
     "The account name is invalid or does not exist, or the password is invalid for the "
     "account name specified.\r\n"},
    {ERROR_SERVICE_DISABLED,
     "The service cannot be started, either because it is disabled or because it has no "
     "enabled devices associated with it.\r\n"},
    {ERROR_SERVICE_DOES_NOT_EXIST,
     "The specified service does not exist as an installed service.\r\n"},
    {ERROR_SERVICE_CANNOT_ACCEPT_CTRL,
     "The service cannot accept control messages at this time.\r\n"},
    {ERROR_SERVICE_NOT_ACTIVE, "The service has not been started.\r\n"},
    {ERROR_DATABASE_DOES_NOT_EXIST, "The database specified does not exist.\r\n"},
    {ERROR_SERVICE_MARKED_FOR_DELETE, "The specified service has been marked for deletion.\r\n"},
    {ERROR_SERVICE_EXISTS, "The specified service already exists.\r\n"},
    {ERROR_DUPLICATE_SERVICE_NAME,
     "The name is already in use as either a service name or a service display name.\r\n"},
    {ERROR_NO_SYSTEM_RESOURCES,
     "Insufficient system resources exist to complete the requested service.\r\n"},
    {ERROR_RESOURCE_DATA_NOT_FOUND,
     "The specified image file did not contain a resource section.\r\n"},
    {ERROR_RESOURCE_TYPE_NOT_FOUND,
     "The specified resource type cannot be found in the image file.\r\n"},
    {ERROR_RESOURCE_NAME_NOT_FOUND,
     "The specified resource name cannot be found in the image file.\r\n"},
    {ERROR_RESOURCE_LANG_NOT_FOUND,
     "The specified resource language ID cannot be found in the image file.\r\n"},
};

// The languages the table answers for: any, the neutral and system defaults, and English.
bool IsEnglishOrNeutral(DWORD language) {
  constexpr WORD kEnglish = 0x09;
  const WORD primary = static_cast<WORD>(language & 0x3FF);
  return language <= 0xFFFF && (primary == LANG_NEUTRAL || primary == kEnglish);
}

DWORD FailUnmodelled(const char* what) {
  std::fprintf(stderr, "FormatMessageA: %s is not modelled by the simulated machine\n", what);
  SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
  return 0;
}

}  // namespace

std::optional<std::string_view> SystemMessageText(DWORD code) {
  for (const auto& message : kMessages) {
    if (message.code == code) return std::string_view(message.text);
  }
  return std::nullopt;
}

}  // namespace ntsim

// Only the system's message table is modelled. A text with inserts (%1) is asked for with no
// arguments; the machine gives it with its inserts as written, which is what the platform
// gives when told to ignore inserts, rather than reading arguments that were never passed.
extern "C" DWORD FormatMessageA(DWORD dwFlags, LPCVOID lpSource, DWORD dwMessageId,
                                DWORD dwLanguageId, LPSTR lpBuffer, DWORD nSize,
                                void* Arguments) {
  constexpr DWORD kMaxWidthMask = 0xFF;
  constexpr DWORD kAllocateBuffer = 0x100;
  if (lpBuffer != nullptr && nSize > 0 && (dwFlags & kAllocateBuffer) == 0) lpBuffer[0] = '\0';
  if ((dwFlags & (FORMAT_MESSAGE_FROM_STRING | FORMAT_MESSAGE_FROM_HMODULE)) != 0 ||
      lpSource != nullptr) {
    return ntsim::FailUnmodelled("a message source other than the system's table");
  }
  if ((dwFlags & kAllocateBuffer) != 0) {
    return ntsim::FailUnmodelled("a buffer allocated by the call");
  }
  if ((dwFlags & kMaxWidthMask) != 0) return ntsim::FailUnmodelled("a maximum line width");
  if (Arguments != nullptr) return ntsim::FailUnmodelled("an insert argument list");
  if ((dwFlags & FORMAT_MESSAGE_FROM_SYSTEM) == 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  if (!ntsim::IsEnglishOrNeutral(dwLanguageId)) {
    SetLastError(ERROR_RESOURCE_LANG_NOT_FOUND);
    return 0;
  }
  const auto text = ntsim::SystemMessageText(dwMessageId);
  if (!text) {
    SetLastError(ERROR_MR_MID_NOT_FOUND);
    return 0;
  }
  if (lpBuffer == nullptr || text->size() >= nSize) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  std::memcpy(lpBuffer, text->data(), text->size());
  lpBuffer[text->size()] = '\0';
  return static_cast<DWORD>(text->size());
}
