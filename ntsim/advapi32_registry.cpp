// The registry calls of advapi32 on the machine's registry. A key handle is a kernel object
// that holds the names of its key from the root and the rights it was opened with, so that
// it keeps naming its key when another program's change of registry.reg is read again; a
// key that is gone by then answers ERROR_KEY_DELETED. Every call first takes in such a
// change, as a key on the platform shows another program's writes at once.
//
// Short buffers: a call that answers ERROR_MORE_DATA writes nothing into the caller's
// buffers and reports the size it needs, a name's in characters with its terminator, data's
// in bytes.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "ntsim/handles.h"
#include "ntsim/machine_folder.h"
#include "ntsim/machine_registry.h"
#include "ntsim/registry_access.h"
#include "winapi/winreg.h"

namespace ntsim {

namespace {

class RegistryKeyObject : public KernelObject {
 public:
  RegistryKeyObject(std::vector<std::string> names, REGSAM granted)
      : names_(std::move(names)), granted_(granted) {}
  const std::vector<std::string>& names() const { return names_; }
  REGSAM granted() const { return granted_; }

 private:
  std::vector<std::string> names_;
  REGSAM granted_;
};

// What a handle stands for: its key's names from the root and the rights it carries.
struct OpenKey {
  std::vector<std::string> names;
  REGSAM granted = 0;
};

bool IsPredefinedRoot(HKEY handle) {
  const auto value = reinterpret_cast<ULONG_PTR>(handle);
  const auto low = static_cast<DWORD>(value);
  const auto extended = static_cast<ULONG_PTR>(static_cast<std::intptr_t>(static_cast<LONG>(low)));
  return value == extended && low >= 0x80000000u && low <= 0x80000006u;
}

LONG Resolve(HKEY handle, OpenKey& key) {
  if (handle == HKEY_LOCAL_MACHINE) {
    key.names.clear();
    key.granted = *GrantedKeyAccess(MAXIMUM_ALLOWED, CurrentMachineSettings().administrator);
    return ERROR_SUCCESS;
  }
  if (IsPredefinedRoot(handle)) {
    std::fprintf(stderr,
                 "quorvel: the simulated machine models HKEY_LOCAL_MACHINE alone; the registry "
                 "root 0x%08lX is not modelled\n",
                 static_cast<unsigned long>(reinterpret_cast<ULONG_PTR>(handle) & 0xFFFFFFFFu));
    return ERROR_INVALID_HANDLE;
  }
  const auto object = Handles().Lookup<RegistryKeyObject>(reinterpret_cast<HANDLE>(handle));
  if (!object) return ERROR_INVALID_HANDLE;
  key.names = object->names();
  key.granted = object->granted();
  return ERROR_SUCCESS;
}

// The key in the registry as it is now, or null when it has been removed.
const RegistryKey* Current(const OpenKey& open) {
  RefreshMachineRegistry();
  const RegistryKey* key = &MachineRegistry().Root();
  for (const std::string& name : open.names) {
    key = key->FindSubkey(name);
    if (key == nullptr) return nullptr;
  }
  return key;
}

// Resolves the handle and finds its key, provided the handle carries `needed`.
LONG KeyFor(HKEY handle, REGSAM needed, const RegistryKey*& key) {
  OpenKey open;
  if (const LONG error = Resolve(handle, open); error != ERROR_SUCCESS) return error;
  if ((open.granted & needed) != needed) return ERROR_ACCESS_DENIED;
  key = Current(open);
  return key != nullptr ? ERROR_SUCCESS : ERROR_KEY_DELETED;
}

// Copies a name and its terminator into a buffer of *size characters, or reports the size
// it needs. On success *size is the name's length without the terminator.
LONG PutName(const std::string& name, LPSTR buffer, LPDWORD size) {
  if (name.size() + 1 > *size) {
    *size = static_cast<DWORD>(name.size() + 1);
    return ERROR_MORE_DATA;
  }
  std::memcpy(buffer, name.c_str(), name.size() + 1);
  *size = static_cast<DWORD>(name.size());
  return ERROR_SUCCESS;
}

// The key has no class name.
void PutEmptyClass(LPSTR buffer, LPDWORD size) {
  if (buffer != nullptr && *size > 0) buffer[0] = '\0';
  if (size != nullptr) *size = 0;
}

// The machine keeps no times of change; every key reports the earliest time there is.
void PutNoTime(PFILETIME time) {
  if (time != nullptr) *time = FILETIME{0, 0};
}

}  // namespace

}  // namespace ntsim

using namespace ntsim;

extern "C" LONG RegOpenKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD ulOptions, REGSAM samDesired,
                              PHKEY phkResult) {
  if (phkResult == nullptr) return ERROR_INVALID_PARAMETER;
  *phkResult = nullptr;
  OpenKey parent;
  if (const LONG error = Resolve(hKey, parent); error != ERROR_SUCCESS) return error;
  if (ulOptions != 0) return ERROR_INVALID_PARAMETER;

  std::string_view path = lpSubKey != nullptr ? lpSubKey : "";
  if (!path.empty() && path.front() == '\\') return ERROR_BAD_PATHNAME;
  while (!path.empty() && path.back() == '\\') path.remove_suffix(1);
  const auto names = SplitRegistryPath(path);
  if (!names) return ERROR_BAD_PATHNAME;

  const RegistryKey* key = Current(parent);
  if (key == nullptr) return ERROR_KEY_DELETED;
  std::vector<std::string> opened = parent.names;
  for (const auto name : *names) {
    key = key->FindSubkey(name);
    if (key == nullptr) return ERROR_FILE_NOT_FOUND;
    opened.push_back(key->name());
  }
  const auto granted = GrantedKeyAccess(samDesired, CurrentMachineSettings().administrator);
  if (!granted) return ERROR_ACCESS_DENIED;

  const HANDLE handle =
      Handles().Insert(std::make_shared<RegistryKeyObject>(std::move(opened), *granted));
  *phkResult = reinterpret_cast<HKEY>(handle);
  return ERROR_SUCCESS;
}

extern "C" LONG RegQueryInfoKeyA(HKEY hKey, LPSTR lpClass, LPDWORD lpcchClass, LPDWORD lpReserved,
                                 LPDWORD lpcSubKeys, LPDWORD lpcbMaxSubKeyLen,
                                 LPDWORD lpcbMaxClassLen, LPDWORD lpcValues,
                                 LPDWORD lpcbMaxValueNameLen, LPDWORD lpcbMaxValueLen,
                                 LPDWORD lpcbSecurityDescriptor, PFILETIME lpftLastWriteTime) {
  if (lpReserved != nullptr || (lpClass != nullptr && lpcchClass == nullptr)) {
    return ERROR_INVALID_PARAMETER;
  }
  const RegistryKey* key = nullptr;
  if (const LONG error = KeyFor(hKey, KEY_QUERY_VALUE, key); error != ERROR_SUCCESS) return error;

  std::size_t longest_subkey = 0;
  for (const RegistryKey* subkey : key->Subkeys()) {
    longest_subkey = std::max(longest_subkey, subkey->name().size());
  }
  std::size_t longest_name = 0;
  std::size_t longest_data = 0;
  for (const RegistryValue& value : key->Values()) {
    longest_name = std::max(longest_name, value.name.size());
    longest_data = std::max(longest_data, value.data.size());
  }

  PutEmptyClass(lpClass, lpcchClass);
  if (lpcSubKeys != nullptr) *lpcSubKeys = static_cast<DWORD>(key->SubkeyCount());
  if (lpcbMaxSubKeyLen != nullptr) *lpcbMaxSubKeyLen = static_cast<DWORD>(longest_subkey);
  if (lpcbMaxClassLen != nullptr) *lpcbMaxClassLen = 0;
  if (lpcValues != nullptr) *lpcValues = static_cast<DWORD>(key->Values().size());
  if (lpcbMaxValueNameLen != nullptr) *lpcbMaxValueNameLen = static_cast<DWORD>(longest_name);
  if (lpcbMaxValueLen != nullptr) *lpcbMaxValueLen = static_cast<DWORD>(longest_data);
  // The machine models no security descriptors.
  if (lpcbSecurityDescriptor != nullptr) *lpcbSecurityDescriptor = 0;
  PutNoTime(lpftLastWriteTime);
  return ERROR_SUCCESS;
}

extern "C" LONG RegEnumKeyExA(HKEY hKey, DWORD dwIndex, LPSTR lpName, LPDWORD lpcchName,
                              LPDWORD lpReserved, LPSTR lpClass, LPDWORD lpcchClass,
                              PFILETIME lpftLastWriteTime) {
  if (lpName == nullptr || lpcchName == nullptr || lpReserved != nullptr ||
      (lpClass != nullptr && lpcchClass == nullptr)) {
    return ERROR_INVALID_PARAMETER;
  }
  const RegistryKey* key = nullptr;
  if (const LONG error = KeyFor(hKey, KEY_ENUMERATE_SUB_KEYS, key); error != ERROR_SUCCESS) {
    return error;
  }
  const RegistryKey* subkey = key->SubkeyAt(dwIndex);
  if (subkey == nullptr) return ERROR_NO_MORE_ITEMS;
  if (const LONG error = PutName(subkey->name(), lpName, lpcchName); error != ERROR_SUCCESS) {
    return error;
  }
  PutEmptyClass(lpClass, lpcchClass);
  PutNoTime(lpftLastWriteTime);
  return ERROR_SUCCESS;
}

extern "C" LONG RegEnumValueA(HKEY hKey, DWORD dwIndex, LPSTR lpValueName,
                              LPDWORD lpcchValueName, LPDWORD lpReserved, LPDWORD lpType,
                              LPBYTE lpData, LPDWORD lpcbData) {
  if (lpValueName == nullptr || lpcchValueName == nullptr || lpReserved != nullptr ||
      (lpData != nullptr && lpcbData == nullptr)) {
    return ERROR_INVALID_PARAMETER;
  }
  const RegistryKey* key = nullptr;
  if (const LONG error = KeyFor(hKey, KEY_QUERY_VALUE, key); error != ERROR_SUCCESS) return error;
  if (dwIndex >= key->Values().size()) return ERROR_NO_MORE_ITEMS;
  const RegistryValue& value = key->Values()[dwIndex];

  const bool name_fits = value.name.size() + 1 <= *lpcchValueName;
  const bool data_fits = lpData == nullptr || value.data.size() <= *lpcbData;
  if (lpType != nullptr) *lpType = value.type;
  if (lpcbData != nullptr) *lpcbData = static_cast<DWORD>(value.data.size());
  if (!name_fits) *lpcchValueName = static_cast<DWORD>(value.name.size() + 1);
  if (!name_fits || !data_fits) return ERROR_MORE_DATA;

  PutName(value.name, lpValueName, lpcchValueName);
  if (lpData != nullptr && !value.data.empty()) {
    std::memcpy(lpData, value.data.data(), value.data.size());
  }
  return ERROR_SUCCESS;
}

extern "C" LONG RegQueryValueExA(HKEY hKey, LPCSTR lpValueName, LPDWORD lpReserved,
                                 LPDWORD lpType, LPBYTE lpData, LPDWORD lpcbData) {
  if (lpReserved != nullptr || (lpData != nullptr && lpcbData == nullptr)) {
    return ERROR_INVALID_PARAMETER;
  }
  const RegistryKey* key = nullptr;
  if (const LONG error = KeyFor(hKey, KEY_QUERY_VALUE, key); error != ERROR_SUCCESS) return error;
  const RegistryValue* value = key->FindValue(lpValueName != nullptr ? lpValueName : "");
  if (value == nullptr) return ERROR_FILE_NOT_FOUND;

  if (lpType != nullptr) *lpType = value->type;
  if (lpcbData == nullptr) return ERROR_SUCCESS;
  const bool fits = lpData == nullptr || value->data.size() <= *lpcbData;
  *lpcbData = static_cast<DWORD>(value->data.size());
  if (!fits) return ERROR_MORE_DATA;
  if (lpData != nullptr && !value->data.empty()) {
    std::memcpy(lpData, value->data.data(), value->data.size());
  }
  return ERROR_SUCCESS;
}

extern "C" LONG RegCloseKey(HKEY hKey) {
  // A predefined root is never closed; closing it succeeds and changes nothing.
  if (hKey == HKEY_LOCAL_MACHINE) return ERROR_SUCCESS;
  OpenKey open;
  if (const LONG error = Resolve(hKey, open); error != ERROR_SUCCESS) return error;
  Handles().Remove(reinterpret_cast<HANDLE>(hKey));
  return ERROR_SUCCESS;
}
