#include "ntsim/elf_sections.h"

#include <elf.h>
#include <link.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <string>

namespace ntsim {

namespace {

constexpr unsigned char kHostClass = sizeof(void*) == 8 ? ELFCLASS64 : ELFCLASS32;

// Reads exactly `size` bytes at `offset`, which the caller has checked to lie inside the
// file. A short read means the file shrank meanwhile: its headers no longer describe it.
SectionLookup ReadAt(int descriptor, std::uint64_t offset, void* buffer, std::size_t size,
                     int& errno_value) {
  auto* bytes = static_cast<unsigned char*>(buffer);
  std::size_t done = 0;
  while (done < size) {
    const ssize_t got =
        ::pread(descriptor, bytes + done, size - done, static_cast<off_t>(offset + done));
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) {
      errno_value = errno;
      return SectionLookup::ReadFailed;
    }
    if (got == 0) return SectionLookup::Malformed;
    done += static_cast<std::size_t>(got);
  }
  return SectionLookup::Found;
}

bool Inside(std::uint64_t file_size, std::uint64_t offset, std::uint64_t length) {
  return offset <= file_size && file_size - offset >= length;
}

class SectionReader {
 public:
  SectionReader(int descriptor, std::uint64_t file_size)
      : descriptor_(descriptor), file_size_(file_size) {}

  SectionContent Read(std::string_view name, std::size_t limit) {
    unsigned char ident[EI_NIDENT] = {};
    if (file_size_ < sizeof ident) return Fail(SectionLookup::NotElf);
    if (!Ok(ReadAt(descriptor_, 0, ident, sizeof ident, result_.errno_value))) return result_;
    if (std::memcmp(ident, ELFMAG, SELFMAG) != 0 || ident[EI_CLASS] != kHostClass ||
        ident[EI_DATA] != ELFDATA2LSB) {
      return Fail(SectionLookup::NotElf);
    }
    ElfW(Ehdr) header{};
    if (file_size_ < sizeof header) return Fail(SectionLookup::Malformed);
    if (!Ok(ReadAt(descriptor_, 0, &header, sizeof header, result_.errno_value))) return result_;
    if (header.e_shoff == 0) return Fail(SectionLookup::NoSuchSection);
    if (header.e_shentsize != sizeof(ElfW(Shdr))) return Fail(SectionLookup::Malformed);

    // A file with more sections than its header's 16-bit fields can count keeps the count
    // and the index of the name table in the otherwise unused first section header.
    ElfW(Shdr) first{};
    if (!ReadHeader(header.e_shoff, first)) return result_;
    std::uint64_t count = header.e_shnum;
    std::uint64_t names_index = header.e_shstrndx;
    if (count == 0) count = first.sh_size;
    if (names_index == SHN_XINDEX) names_index = first.sh_link;
    if (count == 0) return Fail(SectionLookup::NoSuchSection);
    if ((file_size_ - header.e_shoff) / sizeof(ElfW(Shdr)) < count || names_index >= count) {
      return Fail(SectionLookup::Malformed);
    }

    ElfW(Shdr) names{};
    if (!ReadHeader(header.e_shoff + names_index * sizeof(ElfW(Shdr)), names)) return result_;
    if (names.sh_type == SHT_NOBITS || !Inside(file_size_, names.sh_offset, names.sh_size)) {
      return Fail(SectionLookup::Malformed);
    }
    for (std::uint64_t index = 1; index < count; ++index) {
      ElfW(Shdr) section{};
      if (!ReadHeader(header.e_shoff + index * sizeof(ElfW(Shdr)), section)) return result_;
      bool matches = false;
      if (!NameMatches(names, section.sh_name, name, matches)) return result_;
      if (matches) return ReadContent(section, limit);
    }
    return Fail(SectionLookup::NoSuchSection);
  }

 private:
  SectionContent Fail(SectionLookup outcome) {
    result_.outcome = outcome;
    return result_;
  }

  bool Ok(SectionLookup outcome) {
    result_.outcome = outcome;
    return outcome == SectionLookup::Found;
  }

  // The caller has checked that the section header table lies inside the file.
  bool ReadHeader(std::uint64_t offset, ElfW(Shdr) & section) {
    if (!Inside(file_size_, offset, sizeof section)) return Ok(SectionLookup::Malformed);
    return Ok(ReadAt(descriptor_, offset, &section, sizeof section, result_.errno_value));
  }

  // Compares the zero-terminated name at `offset` of the name table with `wanted`, reading
  // no more of the table than the wanted name and its terminator.
  bool NameMatches(const ElfW(Shdr) & names, std::uint64_t offset, std::string_view wanted,
                   bool& matches) {
    matches = false;
    if (offset >= names.sh_size) return Ok(SectionLookup::Malformed);
    const std::uint64_t room = std::min<std::uint64_t>(names.sh_size - offset, wanted.size() + 1);
    std::string candidate(room, '\0');
    if (!Ok(ReadAt(descriptor_, names.sh_offset + offset, candidate.data(), room,
                   result_.errno_value))) {
      return false;
    }
    matches = room == wanted.size() + 1 && candidate.back() == '\0' &&
              std::string_view(candidate.data(), wanted.size()) == wanted;
    return true;
  }

  SectionContent ReadContent(const ElfW(Shdr) & section, std::size_t limit) {
    // A section that takes no room in the file has no content to read.
    const std::uint64_t size = section.sh_type == SHT_NOBITS ? 0 : section.sh_size;
    if (!Inside(file_size_, section.sh_offset, size)) return Fail(SectionLookup::Malformed);
    result_.bytes.resize(static_cast<std::size_t>(std::min<std::uint64_t>(size, limit)));
    if (!Ok(ReadAt(descriptor_, section.sh_offset, result_.bytes.data(), result_.bytes.size(),
                   result_.errno_value))) {
      result_.bytes.clear();
    }
    return result_;
  }

  int descriptor_;
  std::uint64_t file_size_;
  SectionContent result_;
};

}  // namespace

SectionContent ReadElfSection(int descriptor, std::string_view name, std::size_t limit) {
  struct stat status {};
  if (::fstat(descriptor, &status) != 0) {
    SectionContent failed;
    failed.outcome = SectionLookup::ReadFailed;
    failed.errno_value = errno;
    return failed;
  }
  return SectionReader(descriptor, static_cast<std::uint64_t>(status.st_size)).Read(name, limit);
}

}  // namespace ntsim
