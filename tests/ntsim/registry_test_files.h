// Helpers for the registry tests: registry files as regedit writes them.
#pragma once

#include <string>
#include <string_view>

#include "ntsim/reg_file.h"

namespace registry_test {

// A Version 5.00 file: a byte-order mark and the text as UTF-16LE.
inline std::string Utf16File(std::u16string_view text) {
  std::string bytes = "\xFF\xFE";
  for (const char16_t unit : text) {
    bytes += static_cast<char>(unit & 0xFF);
    bytes += static_cast<char>(unit >> 8);
  }
  return bytes;
}

// A tree's content as text, to compare two trees in full.
inline std::string Dump(const ntsim::RegistryTree& tree) {
  return ntsim::WriteRegFile(tree, ntsim::RegFileFormat::Regedit4);
}

}  // namespace registry_test
