// The sections of a host program file: an ELF file of this host's class, little-endian,
// found through its section header table. Every offset and length the file gives is checked
// against the file before anything is read, so a damaged file is refused and never read
// outside.
#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

namespace ntsim {

enum class SectionLookup {
  Found,
  NotElf,         // the file does not start as an ELF file of this host's class
  Malformed,      // its headers point outside the file or contradict each other
  NoSuchSection,  // a well-formed file without a section of that name
  ReadFailed,     // the host could not read the file; see errno_value
};

struct SectionContent {
  SectionLookup outcome = SectionLookup::NotElf;
  int errno_value = 0;
  std::vector<unsigned char> bytes;  // at most the limit asked for, the rest is not read
};

// Reads the first section named `name` of the open file, up to `limit` bytes of it.
SectionContent ReadElfSection(int descriptor, std::string_view name, std::size_t limit);

}  // namespace ntsim
