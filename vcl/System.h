// The run-time's untyped file input/output: a file variable is given a name, opened for
// block transfers of whole records, moves blocks that report how many records they moved,
// and is closed. Every routine ends with the input/output check: when the system call fails,
// it raises EInOutError with the system's error code, so no failure goes unnoticed.
#pragma once

#include <string>

#include "vcl/SysUtils.h"
#include "winapi/windef.h"

// The run-time's error for a failed file operation. ErrorCode is the system's error code
// (GetLastError), or one of the run-time's own codes below; the message is the run-time's
// German text for it.
class EInOutError : public Exception {
 public:
  explicit EInOutError(int errorCode);

  int ErrorCode;
};

// The run-time's own code for a block transfer or close on a file that is not open. The
// run-time's codes share the numbers with the system's, as the check reports both alike.
inline constexpr int InOutFileNotOpen = 103;

// An untyped file variable. It is closed until Rewrite or Reset opens it; while open, Handle
// is the system's handle and RecSize the size in bytes of the records its blocks count.
struct TFileRec {
  TFileRec() = default;
  // A file still open when its variable goes away, as when a step raised before CloseFile,
  // is closed without a check: there is nobody left to report to.
  ~TFileRec();
  TFileRec(const TFileRec&) = delete;
  TFileRec& operator=(const TFileRec&) = delete;

  bool IsOpen() const { return Handle != INVALID_HANDLE_VALUE; }

  std::string Name;
  HANDLE Handle = INVALID_HANDLE_VALUE;
  DWORD RecSize = 0;
};

// Gives the file variable the name of the file that Rewrite and Reset open.
void AssignFile(TFileRec& F, const std::string& FileName);
// Creates the file, replacing a file of that name, and opens it for reading and writing.
void Rewrite(TFileRec& F, int RecSize = 128);
// Opens an existing file for reading. The program never writes to a file it opened this way,
// and a file on a medium that refuses writes must still open.
void Reset(TFileRec& F, int RecSize = 128);
// Move up to Count records between Buf and the file. AmtTransferred is the number of whole
// records moved: at the end of the file a read moves fewer or none, which is no error.
void BlockRead(TFileRec& F, void* Buf, int Count, int& AmtTransferred);
void BlockWrite(TFileRec& F, const void* Buf, int Count, int& AmtTransferred);
void CloseFile(TFileRec& F);
