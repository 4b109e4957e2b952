// Program files of this host for the tests and fuzz targets of the version library: an ELF
// file of this host's class made of the sections a test gives, with helpers to damage its
// headers afterwards.
#pragma once

#include <elf.h>
#include <link.h>

#include <cstring>
#include <string>
#include <utility>
#include <vector>

namespace testing_support {

// A file of this host's ELF class with the given sections, after the null section and
// before the section name table, which is the last.
struct ElfFile {
  std::string bytes;

  template <class Edit>
  void EditHeader(Edit edit) {
    ElfW(Ehdr) header;
    std::memcpy(&header, bytes.data(), sizeof header);
    edit(header);
    std::memcpy(bytes.data(), &header, sizeof header);
  }
  template <class Edit>
  void EditSection(std::size_t index, Edit edit) {
    ElfW(Ehdr) header;
    std::memcpy(&header, bytes.data(), sizeof header);
    ElfW(Shdr) section;
    const std::size_t at = header.e_shoff + index * sizeof section;
    std::memcpy(&section, bytes.data() + at, sizeof section);
    edit(section);
    std::memcpy(bytes.data() + at, &section, sizeof section);
  }
};

inline ElfFile MakeElf(const std::vector<std::pair<std::string, std::string>>& sections) {
  ElfW(Ehdr) header{};
  std::memcpy(header.e_ident, ELFMAG, SELFMAG);
  header.e_ident[EI_CLASS] = sizeof(void*) == 8 ? ELFCLASS64 : ELFCLASS32;
  header.e_ident[EI_DATA] = ELFDATA2LSB;
  header.e_ident[EI_VERSION] = EV_CURRENT;
  header.e_type = ET_EXEC;
  header.e_version = EV_CURRENT;
  header.e_ehsize = sizeof header;
  header.e_shentsize = sizeof(ElfW(Shdr));

  std::string bytes(sizeof header, '\0');
  std::string names(1, '\0');
  std::vector<ElfW(Shdr)> table(1);
  const auto add = [&](const std::string& name, ElfW(Word) type) {
    ElfW(Shdr) section{};
    section.sh_name = static_cast<ElfW(Word)>(names.size());
    section.sh_type = type;
    section.sh_offset = bytes.size();
    names += name + '\0';
    table.push_back(section);
  };
  for (const auto& [name, content] : sections) {
    add(name, SHT_PROGBITS);
    table.back().sh_size = content.size();
    bytes += content;
  }
  add(".shstrtab", SHT_STRTAB);
  table.back().sh_offset = bytes.size();
  table.back().sh_size = names.size();
  bytes += names;

  header.e_shoff = bytes.size();
  header.e_shnum = static_cast<ElfW(Half)>(table.size());
  header.e_shstrndx = static_cast<ElfW(Half)>(table.size() - 1);
  for (const auto& section : table) {
    bytes.append(reinterpret_cast<const char*>(&section), sizeof section);
  }
  std::memcpy(bytes.data(), &header, sizeof header);
  return ElfFile{bytes};
}

}  // namespace testing_support
