#include "vcl/System.h"

#include <cstdint>

#include "winapi/kernel32.h"

namespace {

std::string InOutErrorText(int errorCode) {
  switch (errorCode) {
    case ERROR_FILE_NOT_FOUND: return "Datei nicht gefunden";
    case ERROR_ACCESS_DENIED: return "Dateizugriff verweigert";
    default: return "E/A-Fehler " + IntToStr(errorCode);
  }
}

[[noreturn]] void RaiseInOutError(DWORD errorCode) {
  throw EInOutError(static_cast<int>(errorCode));
}

void Open(TFileRec& F, int RecSize, DWORD access, DWORD shareMode, DWORD disposition) {
  if (F.IsOpen()) CloseFile(F);
  if (RecSize <= 0) RaiseInOutError(ERROR_INVALID_PARAMETER);
  const HANDLE handle = CreateFileA(F.Name.c_str(), access, shareMode, nullptr, disposition,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) RaiseInOutError(GetLastError());
  F.Handle = handle;
  F.RecSize = static_cast<DWORD>(RecSize);
}

// The bytes of Count records, which one system call must be able to move.
DWORD BlockBytes(const TFileRec& F, int Count) {
  if (!F.IsOpen()) RaiseInOutError(InOutFileNotOpen);
  const std::uint64_t bytes = static_cast<std::uint64_t>(Count) * F.RecSize;
  if (Count < 0 || bytes > UINT32_MAX) RaiseInOutError(ERROR_INVALID_PARAMETER);
  return static_cast<DWORD>(bytes);
}

// One system call moves the block; the count of whole records is reported even when it
// fails part-way.
template <class Buffer, class Transfer>
void BlockTransfer(TFileRec& F, Buffer* Buf, int Count, int& AmtTransferred, Transfer transfer) {
  AmtTransferred = 0;
  const DWORD bytes = BlockBytes(F, Count);
  DWORD moved = 0;
  const BOOL ok = transfer(F.Handle, Buf, bytes, &moved, nullptr);
  AmtTransferred = static_cast<int>(moved / F.RecSize);
  if (!ok) RaiseInOutError(GetLastError());
}

}  // namespace

EInOutError::EInOutError(int errorCode)
    : Exception(InOutErrorText(errorCode)), ErrorCode(errorCode) {}

TFileRec::~TFileRec() {
  if (IsOpen()) CloseHandle(Handle);
}

void AssignFile(TFileRec& F, const std::string& FileName) { F.Name = FileName; }

void Rewrite(TFileRec& F, int RecSize) {
  Open(F, RecSize, GENERIC_READ | GENERIC_WRITE, 0, CREATE_ALWAYS);
}

void Reset(TFileRec& F, int RecSize) {
  Open(F, RecSize, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
}

void BlockRead(TFileRec& F, void* Buf, int Count, int& AmtTransferred) {
  BlockTransfer(F, Buf, Count, AmtTransferred, ReadFile);
}

void BlockWrite(TFileRec& F, const void* Buf, int Count, int& AmtTransferred) {
  BlockTransfer(F, Buf, Count, AmtTransferred, WriteFile);
}

void CloseFile(TFileRec& F) {
  if (!F.IsOpen()) RaiseInOutError(InOutFileNotOpen);
  const HANDLE handle = F.Handle;
  // The variable is closed even when the system reports a failure: the handle is gone.
  F.Handle = INVALID_HANDLE_VALUE;
  if (!CloseHandle(handle)) RaiseInOutError(GetLastError());
}
