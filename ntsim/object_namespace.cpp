#include "ntsim/object_namespace.h"

namespace ntsim {

namespace {

constexpr std::u16string_view kDevices = u"\\device\\";
constexpr std::u16string_view kDosDevices = u"\\dosdevices\\";
constexpr std::u16string_view kDosDevicesShort = u"\\??\\";

std::u16string Folded(std::u16string_view name) {
  std::u16string folded(name);
  for (auto& unit : folded) {
    if (unit >= u'A' && unit <= u'Z') unit = static_cast<char16_t>(unit - u'A' + u'a');
  }
  return folded;
}

bool StartsWith(std::u16string_view text, std::u16string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

// The folded name with \?? spelled \DosDevices; STATUS_SUCCESS when it names an object of a
// directory the namespace has.
NTSTATUS Key(std::u16string_view name, std::u16string& key) {
  key = Folded(name);
  if (StartsWith(key, kDosDevicesShort)) {
    key = std::u16string(kDosDevices) + key.substr(kDosDevicesShort.size());
  }
  if (key.empty() || key[0] != u'\\') return STATUS_OBJECT_NAME_INVALID;
  for (const auto directory : {kDevices, kDosDevices}) {
    if (!StartsWith(key, directory)) continue;
    const std::u16string_view leaf = std::u16string_view(key).substr(directory.size());
    if (leaf.empty() || leaf.find(u'\\') != std::u16string_view::npos) {
      return leaf.empty() ? STATUS_OBJECT_NAME_INVALID : STATUS_OBJECT_PATH_NOT_FOUND;
    }
    return STATUS_SUCCESS;
  }
  return STATUS_OBJECT_PATH_NOT_FOUND;
}

}  // namespace

NTSTATUS ObjectNamespace::InsertDevice(std::u16string_view name, PDEVICE_OBJECT device) {
  std::u16string key;
  if (const NTSTATUS status = Key(name, key); !NT_SUCCESS(status)) return status;
  if (entries_.count(key) != 0) return STATUS_OBJECT_NAME_COLLISION;
  entries_[key] = Entry{device, {}};
  return STATUS_SUCCESS;
}

void ObjectNamespace::RemoveDevice(std::u16string_view name) {
  std::u16string key;
  if (NT_SUCCESS(Key(name, key))) entries_.erase(key);
}

NTSTATUS ObjectNamespace::InsertLink(std::u16string_view link, std::u16string_view target) {
  std::u16string key;
  if (const NTSTATUS status = Key(link, key); !NT_SUCCESS(status)) return status;
  if (entries_.count(key) != 0) return STATUS_OBJECT_NAME_COLLISION;
  // A link may point at a name that does not exist yet: it is followed when it is used.
  entries_[key] = Entry{nullptr, std::u16string(target)};
  return STATUS_SUCCESS;
}

NTSTATUS ObjectNamespace::RemoveLink(std::u16string_view link) {
  std::u16string key;
  if (const NTSTATUS status = Key(link, key); !NT_SUCCESS(status)) return status;
  const auto found = entries_.find(key);
  if (found == entries_.end() || found->second.device != nullptr) {
    return STATUS_OBJECT_NAME_NOT_FOUND;
  }
  entries_.erase(found);
  return STATUS_SUCCESS;
}

NTSTATUS ObjectNamespace::Resolve(std::u16string_view name, PDEVICE_OBJECT& device) const {
  device = nullptr;
  std::u16string current(name);
  // Links that lead to links end somewhere: a cycle is cut after a few steps.
  for (int step = 0; step < 8; ++step) {
    std::u16string key;
    if (const NTSTATUS status = Key(current, key); !NT_SUCCESS(status)) return status;
    const auto found = entries_.find(key);
    if (found == entries_.end()) return STATUS_OBJECT_NAME_NOT_FOUND;
    if (found->second.device != nullptr) {
      device = found->second.device;
      return STATUS_SUCCESS;
    }
    current = found->second.target;
  }
  return STATUS_OBJECT_NAME_NOT_FOUND;
}

void ObjectNamespace::Clear() { entries_.clear(); }

ObjectNamespace& Objects() {
  static ObjectNamespace objects;
  return objects;
}

bool ReadCountedString(PCUNICODE_STRING string, std::u16string& text) {
  if (string == nullptr || string->Length % 2 != 0 || string->Length > string->MaximumLength ||
      (string->Length > 0 && string->Buffer == nullptr)) {
    return false;
  }
  text.assign(string->Buffer, string->Length / 2);
  return true;
}

std::string NarrowForMessage(std::u16string_view text) {
  std::string narrow;
  for (const char16_t unit : text) narrow += unit < 0x80 ? static_cast<char>(unit) : '?';
  return narrow;
}

}  // namespace ntsim
