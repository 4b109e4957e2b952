#include "vcl/Registry.h"

#include <vector>

namespace {

bool IsPredefinedRoot(HKEY key) { return key == HKEY_CURRENT_USER || key == HKEY_LOCAL_MACHINE; }

TRegDataType DataTypeToRegData(DWORD type) {
  switch (type) {
    case REG_SZ: return rdString;
    case REG_EXPAND_SZ: return rdExpandString;
    case REG_DWORD: return rdInteger;
    case REG_BINARY: return rdBinary;
    default: return rdUnknown;
  }
}

enum class Listing { SubKeys, Values };

// Both listings empty the list, ask for the count and the longest name, and then enumerate
// each index with room for that name and its terminator.
void ListNames(const TRegistry& registry, Listing listing, TStrings& strings) {
  strings.BeginUpdate();
  strings.Clear();
  TRegKeyInfo info;
  if (registry.GetKeyInfo(info)) {
    const bool subKeys = listing == Listing::SubKeys;
    const DWORD count = subKeys ? info.NumSubKeys : info.NumValues;
    const DWORD room = (subKeys ? info.MaxSubKeyLen : info.MaxValueLen) + 1;
    const HKEY key = registry.CurrentKey();
    std::vector<char> name(room);
    for (DWORD index = 0; index < count; ++index) {
      DWORD size = room;
      const LONG error =
          subKeys
              ? RegEnumKeyExA(key, index, name.data(), &size, nullptr, nullptr, nullptr, nullptr)
              : RegEnumValueA(key, index, name.data(), &size, nullptr, nullptr, nullptr, nullptr);
      // A name that is gone or has grown since the count was taken means the key changed
      // under the listing; what follows can no longer be trusted to match the count.
      if (error != ERROR_SUCCESS) break;
      strings.Add(std::string(name.data(), size));
    }
  }
  strings.EndUpdate();
}

}  // namespace

TRegistry::TRegistry() : rootKey_(HKEY_CURRENT_USER) {}

TRegistry::~TRegistry() { CloseKey(); }

void TRegistry::SetRootKey(HKEY Value) {
  if (Value == rootKey_) return;
  rootKey_ = Value;
  CloseKey();
}

void TRegistry::CloseKey() {
  if (currentKey_ != nullptr && !IsPredefinedRoot(currentKey_)) RegCloseKey(currentKey_);
  currentKey_ = nullptr;
  currentPath_.clear();
}

void TRegistry::ChangeKey(HKEY Value, const std::string& Path) {
  CloseKey();
  currentKey_ = Value;
  currentPath_ = Path;
}

bool TRegistry::GetKeyInfo(TRegKeyInfo& Value) const {
  Value = {};
  return RegQueryInfoKeyA(currentKey_, nullptr, nullptr, nullptr, &Value.NumSubKeys,
                          &Value.MaxSubKeyLen, nullptr, &Value.NumValues, &Value.MaxValueLen,
                          &Value.MaxDataLen, nullptr, nullptr) == ERROR_SUCCESS;
}

void TRegistry::GetKeyNames(TStrings& Strings) const {
  ListNames(*this, Listing::SubKeys, Strings);
}

void TRegistry::GetValueNames(TStrings& Strings) const {
  ListNames(*this, Listing::Values, Strings);
}

bool TRegistry::GetDataInfo(const std::string& ValueName, TRegDataInfo& Value) const {
  DWORD type = REG_NONE;
  DWORD size = 0;
  Value = {rdUnknown, 0};
  if (RegQueryValueExA(currentKey_, ValueName.c_str(), nullptr, &type, nullptr, &size) !=
      ERROR_SUCCESS) {
    return false;
  }
  Value = {DataTypeToRegData(type), size};
  return true;
}

TRegDataType TRegistry::GetDataType(const std::string& ValueName) const {
  TRegDataInfo info;
  return GetDataInfo(ValueName, info) ? info.RegData : rdUnknown;
}

DWORD TRegistry::GetData(const std::string& Name, void* Buffer, DWORD Size) const {
  DWORD type = REG_NONE;
  DWORD size = Size;
  if (RegQueryValueExA(currentKey_, Name.c_str(), nullptr, &type, static_cast<LPBYTE>(Buffer),
                       &size) != ERROR_SUCCESS) {
    throw ERegistryException("Failed to get data for '" + Name + "'");
  }
  return size;
}

int TRegistry::ReadBinaryData(const std::string& Name, void* Buffer, int BufSize) const {
  TRegDataInfo info;
  if (!GetDataInfo(Name, info)) return 0;
  const DWORD limit = BufSize > 0 ? static_cast<DWORD>(BufSize) : 0;
  if ((info.RegData != rdBinary && info.RegData != rdUnknown) || info.DataSize > limit) {
    throw ERegistryException("Invalid data type for '" + Name + "'");
  }
  // The value may have shrunk since it was measured; what counts is what was read.
  return static_cast<int>(GetData(Name, Buffer, info.DataSize));
}
