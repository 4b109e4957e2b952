// A program file's version resource, read as the About box reads it: the file's size for
// the version block, the block itself, and every key queried: the root, the translation
// list, and the eight texts of the program's string table for every translation the list
// names. Input that starts as an ELF file is the whole program file; any other input is
// the content of the .rsrc section of a well-formed one.
#include <elf.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "app/myvers.h"
#include "fuzz/fuzz_support.h"
#include "ntsim/version_block.h"
#include "tests/support/elf_file.h"
#include "winapi/winver.h"

namespace {

using fuzz_support::Broken;

// A program file of this host with one section .rsrc that holds the bytes.
std::string ProgramFileWith(std::string_view resource) {
  return testing_support::MakeElf({{".rsrc", std::string(resource)}}).bytes;
}

// A value the library hands out lies inside the buffer it was given.
void CheckInside(const std::vector<char>& buffer, const void* value, std::size_t bytes) {
  const auto* at = static_cast<const char*>(value);
  if (at < buffer.data() || at > buffer.data() + buffer.size() ||
      bytes > static_cast<std::size_t>(buffer.data() + buffer.size() - at)) {
    Broken("a queried value lies outside the version buffer");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes = fuzz_support::BytesOf(data, size);
  static const std::string path = (fuzz_support::ScratchMachine() / "program").string();
  fuzz_support::WriteBytes(path, bytes.rfind(ELFMAG, 0) == 0 ? std::string(bytes)
                                                               : ProgramFileWith(bytes));

  DWORD handle = 1;
  const DWORD length = GetFileVersionInfoSizeA(path.c_str(), &handle);
  if (length == 0) return 0;
  // Exactly as long as asked for, so that a write or a value past it is caught.
  std::vector<char> buffer(length);
  if (!GetFileVersionInfoA(path.c_str(), 0, length, buffer.data())) {
    Broken("the version block does not fit the size the library gave for it");
  }
  // The walk on the block alone must agree with the library on what it holds.
  (void)ntsim::VersionBlockLength(std::string_view(buffer.data(), buffer.size()));

  LPVOID value = nullptr;
  UINT units = 0;
  if (VerQueryValueA(buffer.data(), "\\", &value, &units)) CheckInside(buffer, value, units);
  LPVOID translations = nullptr;
  UINT translationBytes = 0;
  if (!VerQueryValueA(buffer.data(), "\\VarFileInfo\\Translation", &translations,
                      &translationBytes)) {
    return 0;
  }
  CheckInside(buffer, translations, translationBytes);
  // The list is copied first: the queries below write their 8-bit copies into the buffer.
  const std::string list(static_cast<const char*>(translations), translationBytes);
  for (std::size_t at = 0; at + 4 <= list.size(); at += 4) {
    WORD words[2];
    std::memcpy(words, list.data() + at, sizeof words);
    char translation[9];
    std::snprintf(translation, sizeof translation, "%04X%04X", words[0], words[1]);
    for (const char* key : VersionKeys) {
      const std::string query = std::string("\\StringFileInfo\\") + translation + "\\" + key;
      if (!VerQueryValueA(buffer.data(), query.c_str(), &value, &units)) continue;
      // A text's length counts its characters, which are 8-bit copies here.
      CheckInside(buffer, value, units);
      (void)strnlen(static_cast<const char*>(value), units);
    }
  }
  return 0;
}
