// The registry below HKEY_LOCAL_MACHINE as a tree in memory. Key and value names compare
// without regard to case (code page 1252, as the A calls see them) and keep the case they
// were created with; subkeys stand in case-insensitive sorted order, values in the order
// in which they were created. Names and string data are code page 1252; data is kept as
// stored, byte for byte.
#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "winapi/windef.h"

namespace ntsim {

// Keys nest at most this deep below HKEY_LOCAL_MACHINE, as on the platform.
inline constexpr std::size_t kMaxRegistryKeyDepth = 512;

struct RegistryValue {
  std::string name;
  DWORD type;
  std::vector<BYTE> data;
};

class RegistryKey {
 public:
  explicit RegistryKey(std::string name);
  RegistryKey(const RegistryKey& other);
  RegistryKey& operator=(const RegistryKey& other);
  RegistryKey(RegistryKey&&) noexcept = default;
  RegistryKey& operator=(RegistryKey&&) noexcept = default;
  ~RegistryKey();

  // The case it was created with.
  const std::string& name() const { return name_; }

  RegistryKey* FindSubkey(std::string_view name);
  const RegistryKey* FindSubkey(std::string_view name) const;
  // The existing subkey of that name if there is one. A name that no registry file could
  // hold (empty, or with a backslash, a line break or a NUL) is refused with
  // std::invalid_argument.
  RegistryKey& CreateSubkey(std::string_view name);
  // Removes the subkey with everything below it.
  bool RemoveSubkey(std::string_view name);
  // In case-insensitive sorted order.
  std::vector<const RegistryKey*> Subkeys() const;
  std::size_t SubkeyCount() const { return subkeys_.size(); }
  // The index-th subkey in sorted order, or null past the last.
  const RegistryKey* SubkeyAt(std::size_t index) const;

  // "" is the default value.
  const RegistryValue* FindValue(std::string_view name) const;
  // An existing value keeps its place and the case of its name; a new one is appended. A
  // name with a line break or a NUL is refused with std::invalid_argument.
  void SetValue(std::string_view name, DWORD type, std::vector<BYTE> data);
  bool RemoveValue(std::string_view name);
  // In creation order.
  const std::vector<RegistryValue>& Values() const { return values_; }

 private:
  std::string name_;
  std::vector<std::unique_ptr<RegistryKey>> subkeys_;  // sorted
  std::vector<RegistryValue> values_;
};

// A path names a key below the root by its names joined with single backslashes
// ("SYSTEM\\CurrentControlSet\\Services\\Kessrin"); "" names the root itself.
class RegistryTree {
 public:
  RegistryTree();

  RegistryKey& Root() { return root_; }
  const RegistryKey& Root() const { return root_; }
  // Null when the key does not exist or the path is malformed (an empty name in it).
  RegistryKey* Find(std::string_view path);
  const RegistryKey* Find(std::string_view path) const;
  // Creates the missing keys on the way. A malformed path, a name CreateSubkey refuses, or
  // a path deeper than kMaxRegistryKeyDepth is refused with std::invalid_argument.
  RegistryKey& Create(std::string_view path);
  // Removes the key with everything below it; the root cannot be removed.
  bool Remove(std::string_view path);

 private:
  RegistryKey root_;
};

// The names of a path, or nothing when one of them is empty.
std::optional<std::vector<std::string_view>> SplitRegistryPath(std::string_view path);

// Data of the common value forms, as the A calls give it: a string is its code page 1252
// bytes and a terminating NUL, a DWORD four bytes, least significant first.
std::vector<BYTE> RegistryStringData(std::string_view text);
std::vector<BYTE> RegistryDwordData(DWORD number);
// The text of a REG_SZ or REG_EXPAND_SZ value, up to its first NUL; nothing for other types.
std::optional<std::string> RegistryStringOf(const RegistryValue& value);
// The number of a REG_DWORD value of four bytes; nothing for anything else.
std::optional<DWORD> RegistryDwordOf(const RegistryValue& value);

}  // namespace ntsim
