// The kernel's object namespace as far as drivers and programs reach it: device objects in
// \Device and symbolic links in \DosDevices (also named \??), where the Win32 name \\.\NAME
// of a program's CreateFileA is looked up. Names compare without regard to case.
#pragma once

#include <map>
#include <string>
#include <string_view>

#include "winapi/ntddk.h"

namespace ntsim {

class ObjectNamespace {
 public:
  NTSTATUS InsertDevice(std::u16string_view name, PDEVICE_OBJECT device);
  void RemoveDevice(std::u16string_view name);
  NTSTATUS InsertLink(std::u16string_view link, std::u16string_view target);
  NTSTATUS RemoveLink(std::u16string_view link);

  // The device a name leads to, following links; STATUS_OBJECT_NAME_NOT_FOUND or
  // STATUS_OBJECT_PATH_NOT_FOUND when there is none.
  NTSTATUS Resolve(std::u16string_view name, PDEVICE_OBJECT& device) const;

  void Clear();

 private:
  struct Entry {
    PDEVICE_OBJECT device = nullptr;  // a device, or
    std::u16string target;            // the name a link points to
  };
  std::map<std::u16string, Entry> entries_;  // by folded name
};

// The namespace of this process's machine.
ObjectNamespace& Objects();

// The UTF-16 text a counted string holds, or nothing when the string is malformed (odd
// length, length beyond its maximum, no buffer).
bool ReadCountedString(PCUNICODE_STRING string, std::u16string& text);

// Text for messages on the host: ASCII as it is, anything else as '?'.
std::string NarrowForMessage(std::u16string_view text);

}  // namespace ntsim
