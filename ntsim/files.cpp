#include "ntsim/files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>

#include "ntsim/host_errors.h"
#include "ntsim/io_manager.h"
#include "ntsim/machine.h"
#include "winapi/kernel32.h"

namespace ntsim {

HostFile::~HostFile() { ::close(descriptor_); }

namespace {

// The bytes host files may still take, while a test limits them.
std::optional<std::uint64_t> write_limit;

void FailWithErrno(HostOperation operation) {
  SetLastError(Win32ErrorFromErrno(errno, operation));
}

// A transfer on a handle the machine knows, so a bad descriptor means the file was not opened
// for that direction, which the system refuses as denied access.
void FailTransferWithErrno(HostOperation operation) {
  SetLastError(errno == EBADF ? ERROR_ACCESS_DENIED : Win32ErrorFromErrno(errno, operation));
}

std::shared_ptr<HostFile> FileOf(HANDLE handle) {
  auto file = Handles().Lookup<HostFile>(handle);
  if (!file) SetLastError(ERROR_INVALID_HANDLE);
  return file;
}

bool IsDevicePath(const char* name) { return std::strncmp(name, "\\\\.\\", 4) == 0; }

}  // namespace

namespace testing {
void LimitFileWrites(std::optional<std::uint64_t> bytes) { write_limit = bytes; }
}  // namespace testing

}  // namespace ntsim

using namespace ntsim;

extern "C" HANDLE CreateFileA(LPCSTR lpFileName, DWORD dwDesiredAccess, DWORD /*dwShareMode*/,
                              LPSECURITY_ATTRIBUTES /*lpSecurityAttributes*/,
                              DWORD dwCreationDisposition, DWORD /*dwFlagsAndAttributes*/,
                              HANDLE /*hTemplateFile*/) {
  if (lpFileName == nullptr || *lpFileName == '\0') {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  if (IsDevicePath(lpFileName)) {
    AttachMachine();
    return OpenDevice(lpFileName, dwDesiredAccess);
  }

  int flags = O_CLOEXEC;
  const bool reads = (dwDesiredAccess & GENERIC_READ) != 0;
  const bool writes = (dwDesiredAccess & GENERIC_WRITE) != 0;
  flags |= reads && writes ? O_RDWR : writes ? O_WRONLY : O_RDONLY;

  bool existed_before = false;
  switch (dwCreationDisposition) {
    case CREATE_NEW: flags |= O_CREAT | O_EXCL; break;
    case CREATE_ALWAYS: flags |= O_CREAT | O_TRUNC; break;
    case OPEN_EXISTING: break;
    case OPEN_ALWAYS: flags |= O_CREAT; break;
    case TRUNCATE_EXISTING: flags |= O_TRUNC; break;
    default: SetLastError(ERROR_INVALID_PARAMETER); return INVALID_HANDLE_VALUE;
  }
  if (dwCreationDisposition == CREATE_ALWAYS || dwCreationDisposition == OPEN_ALWAYS) {
    struct stat before {};
    existed_before = ::stat(lpFileName, &before) == 0;
  }

  const int descriptor = ::open(lpFileName, flags, 0666);
  if (descriptor < 0) {
    FailWithErrno(HostOperation::Open);
    return INVALID_HANDLE_VALUE;
  }
  struct stat status {};
  if (::fstat(descriptor, &status) == 0 && S_ISDIR(status.st_mode)) {
    // The platform does not open a directory as a file.
    ::close(descriptor);
    SetLastError(ERROR_ACCESS_DENIED);
    return INVALID_HANDLE_VALUE;
  }
  // A successful create or open of a file that existed already says so in the last error.
  SetLastError(existed_before ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
  return Handles().Insert(std::make_shared<HostFile>(descriptor));
}

extern "C" BOOL ReadFile(HANDLE hFile, LPVOID lpBuffer, DWORD nNumberOfBytesToRead,
                         LPDWORD lpNumberOfBytesRead, LPOVERLAPPED /*lpOverlapped*/) {
  if (IsDeviceFile(hFile)) {
    return ReadDevice(hFile, lpBuffer, nNumberOfBytesToRead, lpNumberOfBytesRead);
  }
  if (lpNumberOfBytesRead != nullptr) *lpNumberOfBytesRead = 0;
  const auto file = FileOf(hFile);
  if (!file) return FALSE;
  auto* bytes = static_cast<char*>(lpBuffer);
  DWORD done = 0;
  // A file read delivers everything asked for, up to the end of the file.
  while (done < nNumberOfBytesToRead) {
    const ssize_t got = ::read(file->descriptor(), bytes + done, nNumberOfBytesToRead - done);
    if (got < 0) {
      if (errno == EINTR) continue;
      FailTransferWithErrno(HostOperation::Read);
      if (lpNumberOfBytesRead != nullptr) *lpNumberOfBytesRead = done;
      return FALSE;
    }
    if (got == 0) break;
    done += static_cast<DWORD>(got);
  }
  if (lpNumberOfBytesRead != nullptr) *lpNumberOfBytesRead = done;
  return TRUE;
}

extern "C" BOOL WriteFile(HANDLE hFile, LPCVOID lpBuffer, DWORD nNumberOfBytesToWrite,
                          LPDWORD lpNumberOfBytesWritten, LPOVERLAPPED /*lpOverlapped*/) {
  if (IsDeviceFile(hFile)) {
    return WriteDevice(hFile, lpBuffer, nNumberOfBytesToWrite, lpNumberOfBytesWritten);
  }
  if (lpNumberOfBytesWritten != nullptr) *lpNumberOfBytesWritten = 0;
  const auto file = FileOf(hFile);
  if (!file) return FALSE;
  const auto* bytes = static_cast<const char*>(lpBuffer);
  if (write_limit && *write_limit < nNumberOfBytesToWrite) {
    nNumberOfBytesToWrite = static_cast<DWORD>(*write_limit);
  }
  DWORD done = 0;
  while (done < nNumberOfBytesToWrite) {
    const ssize_t put = ::write(file->descriptor(), bytes + done, nNumberOfBytesToWrite - done);
    if (put < 0) {
      if (errno == EINTR) continue;
      FailTransferWithErrno(HostOperation::Write);
      if (lpNumberOfBytesWritten != nullptr) *lpNumberOfBytesWritten = done;
      return FALSE;
    }
    done += static_cast<DWORD>(put);
  }
  if (write_limit) *write_limit -= done;
  if (lpNumberOfBytesWritten != nullptr) *lpNumberOfBytesWritten = done;
  return TRUE;
}

extern "C" BOOL FlushFileBuffers(HANDLE hFile) {
  const auto file = FileOf(hFile);
  if (!file) return FALSE;
  if (::fsync(file->descriptor()) != 0) {
    FailWithErrno(HostOperation::Write);
    return FALSE;
  }
  return TRUE;
}

extern "C" DWORD SetFilePointer(HANDLE hFile, LONG lDistanceToMove, PLONG lpDistanceToMoveHigh,
                                DWORD dwMoveMethod) {
  const auto file = FileOf(hFile);
  if (!file) return INVALID_SET_FILE_POINTER;
  off_t distance = lDistanceToMove;
  if (lpDistanceToMoveHigh != nullptr) {
    distance = static_cast<off_t>((static_cast<std::uint64_t>(*lpDistanceToMoveHigh) << 32) |
                                  static_cast<std::uint32_t>(lDistanceToMove));
  }
  int whence = SEEK_SET;
  switch (dwMoveMethod) {
    case FILE_BEGIN: whence = SEEK_SET; break;
    case FILE_CURRENT: whence = SEEK_CUR; break;
    case FILE_END: whence = SEEK_END; break;
    default: SetLastError(ERROR_INVALID_PARAMETER); return INVALID_SET_FILE_POINTER;
  }
  const off_t position = ::lseek(file->descriptor(), distance, whence);
  if (position < 0) {
    SetLastError(errno == EINVAL ? ERROR_NEGATIVE_SEEK : Win32ErrorFromErrno(errno));
    return INVALID_SET_FILE_POINTER;
  }
  if (lpDistanceToMoveHigh != nullptr) {
    *lpDistanceToMoveHigh = static_cast<LONG>(static_cast<std::uint64_t>(position) >> 32);
  }
  SetLastError(ERROR_SUCCESS);
  return static_cast<DWORD>(position);
}

extern "C" DWORD GetFileSize(HANDLE hFile, LPDWORD lpFileSizeHigh) {
  const auto file = FileOf(hFile);
  if (!file) return INVALID_FILE_SIZE;
  struct stat status {};
  if (::fstat(file->descriptor(), &status) != 0) {
    FailWithErrno(HostOperation::Other);
    return INVALID_FILE_SIZE;
  }
  const auto size = static_cast<std::uint64_t>(status.st_size);
  if (lpFileSizeHigh != nullptr) *lpFileSizeHigh = static_cast<DWORD>(size >> 32);
  SetLastError(ERROR_SUCCESS);
  return static_cast<DWORD>(size);
}

extern "C" BOOL DeleteFileA(LPCSTR lpFileName) {
  if (::unlink(lpFileName) != 0) {
    FailWithErrno(HostOperation::Other);
    return FALSE;
  }
  return TRUE;
}

extern "C" BOOL MoveFileExA(LPCSTR lpExistingFileName, LPCSTR lpNewFileName, DWORD dwFlags) {
  struct stat target {};
  if ((dwFlags & MOVEFILE_REPLACE_EXISTING) == 0 && ::stat(lpNewFileName, &target) == 0) {
    SetLastError(ERROR_ALREADY_EXISTS);
    return FALSE;
  }
  if (::rename(lpExistingFileName, lpNewFileName) != 0) {
    FailWithErrno(HostOperation::Other);
    return FALSE;
  }
  if ((dwFlags & MOVEFILE_WRITE_THROUGH) != 0) {
    // The move is on the disk when the call returns: the folder's entry is synced too.
    std::string folder = lpNewFileName;
    const auto slash = folder.find_last_of('/');
    folder = slash == std::string::npos ? "." : slash == 0 ? "/" : folder.substr(0, slash);
    const int descriptor = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (descriptor >= 0) {
      ::fsync(descriptor);
      ::close(descriptor);
    }
  }
  return TRUE;
}

extern "C" UINT GetTempFileNameA(LPCSTR lpPathName, LPCSTR lpPrefixString, UINT uUnique,
                                 LPSTR lpTempFileName) {
  if (lpPathName == nullptr || lpPrefixString == nullptr || lpTempFileName == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  std::string folder = lpPathName;
  if (!folder.empty() && folder.back() != '/' && folder.back() != '\\') folder += '/';
  const std::string prefix = std::string(lpPrefixString).substr(0, 3);
  const auto NameFor = [&](UINT number) {
    char digits[8];
    std::snprintf(digits, sizeof digits, "%X", number & 0xFFFF);
    return folder + prefix + digits + ".TMP";
  };
  // The longest name, four digits, has to fit the caller's buffer of MAX_PATH characters.
  if (NameFor(0xFFFF).size() + 1 > MAX_PATH) {
    SetLastError(ERROR_FILENAME_EXCED_RANGE);
    return 0;
  }
  const auto Hand = [&](UINT number) {
    const std::string name = NameFor(number);
    std::memcpy(lpTempFileName, name.c_str(), name.size() + 1);
    SetLastError(ERROR_SUCCESS);
    return number;
  };
  if (uUnique != 0) return Hand(uUnique);

  // The search starts at a number taken from the clock, as the system's does, and tries each
  // of the 65,535 numbers once.
  const UINT start = static_cast<UINT>(std::time(nullptr) ^ ::getpid()) & 0xFFFF;
  for (UINT step = 0; step < 0xFFFF; ++step) {
    const UINT number = (start + step) % 0xFFFF + 1;
    const int descriptor =
        ::open(NameFor(number).c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (descriptor >= 0) {
      ::close(descriptor);
      return Hand(number);
    }
    if (errno != EEXIST) {
      FailWithErrno(HostOperation::Open);
      return 0;
    }
  }
  SetLastError(ERROR_FILE_EXISTS);
  return 0;
}

extern "C" BOOL CloseHandle(HANDLE hObject) {
  if (IsDeviceFile(hObject)) return CloseDeviceFile(hObject);
  if (!Handles().Remove(hObject)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  return TRUE;
}

extern "C" BOOL DeviceIoControl(HANDLE hDevice, DWORD dwIoControlCode, LPVOID lpInBuffer,
                                DWORD nInBufferSize, LPVOID lpOutBuffer, DWORD nOutBufferSize,
                                LPDWORD lpBytesReturned, LPOVERLAPPED lpOverlapped) {
  if (lpOverlapped != nullptr) {
    std::fprintf(stderr, "DeviceIoControl: overlapped requests are not modelled\n");
    SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
    return FALSE;
  }
  // A synchronous request has nowhere else to report its byte count.
  if (lpBytesReturned == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (IsDeviceFile(hDevice)) {
    return DeviceControl(hDevice, dwIoControlCode, lpInBuffer, nInBufferSize, lpOutBuffer,
                         nOutBufferSize, lpBytesReturned);
  }
  *lpBytesReturned = 0;
  // A file of the file system takes none of the requests a program may send.
  SetLastError(FileOf(hDevice) ? ERROR_INVALID_FUNCTION : ERROR_INVALID_HANDLE);
  return FALSE;
}

extern "C" DWORD GetModuleFileNameA(HMODULE hModule, LPSTR lpFilename, DWORD nSize) {
  if (hModule != nullptr) {
    SetLastError(ERROR_MOD_NOT_FOUND);
    return 0;
  }
  char path[PATH_MAX];
  const ssize_t length = ::readlink("/proc/self/exe", path, sizeof path - 1);
  if (length < 0) {
    FailWithErrno(HostOperation::Other);
    return 0;
  }
  if (nSize == 0) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  // A path longer than the buffer is cut and still terminated, and the call says so.
  const auto copied = static_cast<DWORD>(length) < nSize ? static_cast<DWORD>(length) : nSize - 1;
  std::memcpy(lpFilename, path, copied);
  lpFilename[copied] = '\0';
  SetLastError(copied < static_cast<DWORD>(length) ? ERROR_INSUFFICIENT_BUFFER : ERROR_SUCCESS);
  return copied < static_cast<DWORD>(length) ? nSize : copied;
}
