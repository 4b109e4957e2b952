// The registry class: one open key below a root key, the names of its subkeys and values,
// and the type and raw data of a value, over the registry calls of advapi32.
#pragma once

#include <string>

#include "vcl/Classes.h"
#include "winapi/winreg.h"

// A value that may not be read as asked, or a read of its data that failed; the message
// names the value.
class ERegistryException : public Exception {
 public:
  using Exception::Exception;
};

// How the class sees a value's type: the four types it reads and writes itself, and every
// other type (or a value that does not exist) as unknown.
enum TRegDataType { rdUnknown, rdString, rdExpandString, rdInteger, rdBinary };

struct TRegDataInfo {
  TRegDataType RegData;
  DWORD DataSize;
};

// The counts and longest names of a key, in characters without the terminator.
struct TRegKeyInfo {
  DWORD NumSubKeys;
  DWORD MaxSubKeyLen;
  DWORD NumValues;
  DWORD MaxValueLen;
  DWORD MaxDataLen;
};

class TRegistry : public TObject {
 public:
  TRegistry();
  // Closes the current key.
  ~TRegistry() override;

  // The key that opens resolve against, HKEY_CURRENT_USER until it is set. The object never
  // closes its root key: a predefined one needs no closing, and any other belongs to the
  // caller. Setting it closes the current key.
  HKEY RootKey() const { return rootKey_; }
  void SetRootKey(HKEY Value);

  // The open key and its path below the root; null and "" when no key is open.
  HKEY CurrentKey() const { return currentKey_; }
  const std::string& CurrentPath() const { return currentPath_; }
  void CloseKey();

  // The current key's counts; false when the system cannot give them.
  bool GetKeyInfo(TRegKeyInfo& Value) const;
  // Empty the list, then add the names of the current key's subkeys (or values) in the
  // registry's enumeration order. The list stays empty when the key's counts cannot be
  // had; a key that changes while it is listed ends the list at the first name that can no
  // longer be read.
  void GetKeyNames(TStrings& Strings) const;
  void GetValueNames(TStrings& Strings) const;

  // The value's class and size; false when the value does not exist or cannot be queried.
  bool GetDataInfo(const std::string& ValueName, TRegDataInfo& Value) const;
  // rdUnknown for a value that does not exist.
  TRegDataType GetDataType(const std::string& ValueName) const;

  // Reads the whole value into Buffer and returns its size. A value that does not exist
  // gives 0 and nothing is read. A string, expandable string or integer value, or one larger
  // than BufSize, raises ERegistryException before anything is read, as does a read that
  // fails.
  int ReadBinaryData(const std::string& Name, void* Buffer, int BufSize) const;

 protected:
  // Makes a key the caller has opened the current key, closing the one before; the object
  // closes it from then on.
  void ChangeKey(HKEY Value, const std::string& Path);

 private:
  // Reads at most Size bytes of the value and returns how many the value held.
  DWORD GetData(const std::string& Name, void* Buffer, DWORD Size) const;

  HKEY rootKey_;
  HKEY currentKey_ = nullptr;
  std::string currentPath_;
};
