#include "ntsim/registry_tree.h"

#include <algorithm>
#include <stdexcept>
#include <utility>

#include "ntsim/codepage_1252.h"
#include "winapi/winreg.h"

namespace ntsim {

namespace {

bool HasUnstorableCharacter(std::string_view name) {
  return name.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

bool Precedes(const std::unique_ptr<RegistryKey>& key, std::string_view name) {
  return CompareIgnoringCase1252(key->name(), name) < 0;
}

}  // namespace

RegistryKey::RegistryKey(std::string name) : name_(std::move(name)) {}

RegistryKey::RegistryKey(const RegistryKey& other) : name_(other.name_), values_(other.values_) {
  subkeys_.reserve(other.subkeys_.size());
  for (const auto& subkey : other.subkeys_) {
    subkeys_.push_back(std::make_unique<RegistryKey>(*subkey));
  }
}

RegistryKey& RegistryKey::operator=(const RegistryKey& other) {
  if (this != &other) *this = RegistryKey(other);
  return *this;
}

RegistryKey::~RegistryKey() = default;

RegistryKey* RegistryKey::FindSubkey(std::string_view name) {
  return const_cast<RegistryKey*>(std::as_const(*this).FindSubkey(name));
}

const RegistryKey* RegistryKey::FindSubkey(std::string_view name) const {
  const auto found = std::lower_bound(subkeys_.begin(), subkeys_.end(), name, Precedes);
  if (found == subkeys_.end() || !EqualIgnoringCase1252((*found)->name(), name)) return nullptr;
  return found->get();
}

RegistryKey& RegistryKey::CreateSubkey(std::string_view name) {
  if (name.empty() || name.find('\\') != std::string_view::npos || HasUnstorableCharacter(name)) {
    throw std::invalid_argument("not a registry key name: \"" + std::string(name) + "\"");
  }
  const auto place = std::lower_bound(subkeys_.begin(), subkeys_.end(), name, Precedes);
  if (place != subkeys_.end() && EqualIgnoringCase1252((*place)->name(), name)) return **place;
  return **subkeys_.insert(place, std::make_unique<RegistryKey>(std::string(name)));
}

bool RegistryKey::RemoveSubkey(std::string_view name) {
  const auto found = std::lower_bound(subkeys_.begin(), subkeys_.end(), name, Precedes);
  if (found == subkeys_.end() || !EqualIgnoringCase1252((*found)->name(), name)) return false;
  subkeys_.erase(found);
  return true;
}

std::vector<const RegistryKey*> RegistryKey::Subkeys() const {
  std::vector<const RegistryKey*> result;
  result.reserve(subkeys_.size());
  for (const auto& subkey : subkeys_) result.push_back(subkey.get());
  return result;
}

const RegistryKey* RegistryKey::SubkeyAt(std::size_t index) const {
  return index < subkeys_.size() ? subkeys_[index].get() : nullptr;
}

const RegistryValue* RegistryKey::FindValue(std::string_view name) const {
  const auto found = std::find_if(values_.begin(), values_.end(), [&](const RegistryValue& value) {
    return EqualIgnoringCase1252(value.name, name);
  });
  return found == values_.end() ? nullptr : &*found;
}

void RegistryKey::SetValue(std::string_view name, DWORD type, std::vector<BYTE> data) {
  if (HasUnstorableCharacter(name)) {
    throw std::invalid_argument("not a registry value name: \"" + std::string(name) + "\"");
  }
  if (auto* existing = const_cast<RegistryValue*>(FindValue(name))) {
    existing->type = type;
    existing->data = std::move(data);
    return;
  }
  values_.push_back(RegistryValue{std::string(name), type, std::move(data)});
}

bool RegistryKey::RemoveValue(std::string_view name) {
  const auto found = std::find_if(values_.begin(), values_.end(), [&](const RegistryValue& value) {
    return EqualIgnoringCase1252(value.name, name);
  });
  if (found == values_.end()) return false;
  values_.erase(found);
  return true;
}

RegistryTree::RegistryTree() : root_("HKEY_LOCAL_MACHINE") {}

RegistryKey* RegistryTree::Find(std::string_view path) {
  return const_cast<RegistryKey*>(std::as_const(*this).Find(path));
}

const RegistryKey* RegistryTree::Find(std::string_view path) const {
  const auto names = SplitRegistryPath(path);
  if (!names) return nullptr;
  const RegistryKey* key = &root_;
  for (const auto name : *names) {
    key = key->FindSubkey(name);
    if (key == nullptr) return nullptr;
  }
  return key;
}

RegistryKey& RegistryTree::Create(std::string_view path) {
  const auto names = SplitRegistryPath(path);
  if (!names) throw std::invalid_argument("not a registry path: \"" + std::string(path) + "\"");
  if (names->size() > kMaxRegistryKeyDepth) {
    throw std::invalid_argument("a registry path more than " +
                                std::to_string(kMaxRegistryKeyDepth) + " keys deep");
  }
  RegistryKey* key = &root_;
  for (const auto name : *names) key = &key->CreateSubkey(name);
  return *key;
}

bool RegistryTree::Remove(std::string_view path) {
  const auto names = SplitRegistryPath(path);
  if (!names || names->empty()) return false;
  RegistryKey* parent = &root_;
  for (std::size_t i = 0; i + 1 < names->size() && parent != nullptr; ++i) {
    parent = parent->FindSubkey((*names)[i]);
  }
  return parent != nullptr && parent->RemoveSubkey(names->back());
}

std::optional<std::vector<std::string_view>> SplitRegistryPath(std::string_view path) {
  std::vector<std::string_view> names;
  if (path.empty()) return names;
  for (;;) {
    const auto end = path.find('\\');
    const std::string_view name = path.substr(0, end);
    if (name.empty()) return std::nullopt;
    names.push_back(name);
    if (end == std::string_view::npos) return names;
    path.remove_prefix(end + 1);
  }
}

std::vector<BYTE> RegistryStringData(std::string_view text) {
  std::vector<BYTE> data(text.begin(), text.end());
  data.push_back(0);
  return data;
}

std::vector<BYTE> RegistryDwordData(DWORD number) {
  return {static_cast<BYTE>(number), static_cast<BYTE>(number >> 8),
          static_cast<BYTE>(number >> 16), static_cast<BYTE>(number >> 24)};
}

std::optional<std::string> RegistryStringOf(const RegistryValue& value) {
  if (value.type != REG_SZ && value.type != REG_EXPAND_SZ) return std::nullopt;
  const auto end = std::find(value.data.begin(), value.data.end(), BYTE{0});
  return std::string(value.data.begin(), end);
}

std::optional<DWORD> RegistryDwordOf(const RegistryValue& value) {
  if (value.type != REG_DWORD || value.data.size() != 4) return std::nullopt;
  return static_cast<DWORD>(value.data[0] | value.data[1] << 8 | value.data[2] << 16 |
                            static_cast<DWORD>(value.data[3]) << 24);
}

}  // namespace ntsim
