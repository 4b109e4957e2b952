// The program's read access to the registry: the names of a key's subkeys and of its
// values, and a value's raw data delivered as a block of 65,536 bytes. Each operation opens
// its key afresh and closes it before it returns. A registry failure is never reported: it
// gives the empty result, a names list left as it was or a block of zeros.
#pragma once

#include <string>

#include "vcl/Classes.h"
#include "vcl/Registry.h"
#include "winapi/winreg.h"

// A value is read only if it is at least one byte shorter than the block, so the last byte
// of a delivered block is always zero.
inline constexpr int kValueBlockSize = 0x10000;
inline constexpr int kLargestValueRead = kValueBlockSize - 1;
using TValueBlock = BYTE[kValueBlockSize];

class TMyRegistry : public TRegistry {
 public:
  // Opens an existing key below the root key with every right (KEY_ALL_ACCESS); one leading
  // backslash of the path is dropped. A missing key is never created, and a key the user
  // may not open with every right counts as one that does not open.
  bool OpenKey(const std::string& Key);
};

// The number of bytes the last ReadBinaryValue read (1 to 65,535), or 0 when it read nothing.
extern LONG LastReadSize;

// If the key opens, the list is emptied and receives the names in the registry's
// enumeration order; if it does not, the list is left as it was.
void ListSubKeys(HKEY RootKey, const std::string& KeyPath, TStrings& Names);
void ListValueNames(HKEY RootKey, const std::string& KeyPath, TStrings& Names);

// Writes all 65,536 bytes of Destination: the value's bytes and zeros after them when the
// value exists, is of a type other than REG_SZ, REG_EXPAND_SZ, REG_DWORD and REG_BINARY and
// holds 1 to 65,535 bytes; 65,536 zeros otherwise. Sets LastReadSize to the bytes read.
void ReadBinaryValue(HKEY RootKey, const std::string& KeyPath, const std::string& ValueName,
                     TValueBlock& Destination);
