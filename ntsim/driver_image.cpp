#include "ntsim/driver_image.h"

#include <elf.h>
#include <fcntl.h>
#include <link.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <optional>
#include <string_view>

#include "ntsim/host_errors.h"
#include "winapi/winerror.h"

namespace ntsim {

namespace {

#if defined(__x86_64__)
constexpr int kHostMachine = EM_X86_64;
#elif defined(__aarch64__)
constexpr int kHostMachine = EM_AARCH64;
#elif defined(__i386__)
constexpr int kHostMachine = EM_386;
#else
#error "the driver loader knows no ELF machine for this host"
#endif

// A driver is small; a file beyond this is no driver and is not read into memory whole.
constexpr off_t kLargestImage = 64 * 1024 * 1024;

// Reads a record of type T at an offset of the file's bytes, if it lies inside them.
template <class T>
std::optional<T> RecordAt(std::string_view bytes, std::uint64_t offset) {
  if (offset > bytes.size() || bytes.size() - offset < sizeof(T)) return std::nullopt;
  T record;
  std::memcpy(&record, bytes.data() + offset, sizeof(T));
  return record;
}

// The zero-terminated name at an offset of a string table that lies inside the file.
std::optional<std::string> NameAt(std::string_view table, std::uint64_t offset) {
  if (offset >= table.size()) return std::nullopt;
  const auto end = table.find('\0', offset);
  if (end == std::string_view::npos) return std::nullopt;
  return std::string(table.substr(offset, end - offset));
}

std::optional<std::string_view> SectionBytes(std::string_view bytes, const ElfW(Shdr) & section) {
  if (section.sh_type == SHT_NOBITS || section.sh_offset > bytes.size() ||
      bytes.size() - section.sh_offset < section.sh_size) {
    return std::nullopt;
  }
  return bytes.substr(section.sh_offset, section.sh_size);
}

bool ReadSymbols(std::string_view bytes, DriverImageSymbols& symbols) {
  const auto header = RecordAt<ElfW(Ehdr)>(bytes, 0);
  if (!header || std::memcmp(header->e_ident, ELFMAG, SELFMAG) != 0 ||
      header->e_ident[EI_CLASS] != (sizeof(void*) == 8 ? ELFCLASS64 : ELFCLASS32) ||
      header->e_ident[EI_DATA] != ELFDATA2LSB || header->e_type != ET_DYN ||
      header->e_machine != kHostMachine || header->e_shentsize != sizeof(ElfW(Shdr))) {
    return false;
  }
  std::vector<ElfW(Shdr)> sections;
  for (std::uint64_t i = 0; i < header->e_shnum; ++i) {
    const auto section = RecordAt<ElfW(Shdr)>(bytes, header->e_shoff + i * sizeof(ElfW(Shdr)));
    if (!section) return false;
    sections.push_back(*section);
  }
  const auto linked_table = [&](const ElfW(Shdr) & section) -> std::optional<std::string_view> {
    if (section.sh_link >= sections.size()) return std::nullopt;
    return SectionBytes(bytes, sections[section.sh_link]);
  };
  bool has_symbols = false;
  for (const auto& section : sections) {
    if (section.sh_type == SHT_DYNSYM) {
      const auto table = SectionBytes(bytes, section);
      const auto names = linked_table(section);
      if (!table || !names || section.sh_entsize != sizeof(ElfW(Sym))) return false;
      has_symbols = true;
      // Entry 0 is the null symbol.
      for (std::size_t at = sizeof(ElfW(Sym)); at + sizeof(ElfW(Sym)) <= table->size();
           at += sizeof(ElfW(Sym))) {
        const auto symbol = RecordAt<ElfW(Sym)>(*table, at);
        const auto name = NameAt(*names, symbol->st_name);
        if (!name) return false;
        // A weak import may stay unresolved: it binds the image to nothing.
        const bool weak = ELF64_ST_BIND(symbol->st_info) == STB_WEAK;
        if (name->empty() || (symbol->st_shndx == SHN_UNDEF && weak)) continue;
        (symbol->st_shndx == SHN_UNDEF ? symbols.imports : symbols.exports).push_back(*name);
      }
    } else if (section.sh_type == SHT_DYNAMIC) {
      const auto table = SectionBytes(bytes, section);
      const auto names = linked_table(section);
      if (!table || !names) return false;
      for (std::size_t at = 0; at + sizeof(ElfW(Dyn)) <= table->size(); at += sizeof(ElfW(Dyn))) {
        const auto entry = RecordAt<ElfW(Dyn)>(*table, at);
        if (entry->d_tag == DT_NULL) break;
        if (entry->d_tag != DT_NEEDED) continue;
        const auto name = NameAt(*names, entry->d_un.d_val);
        if (!name) return false;
        symbols.needed.push_back(*name);
      }
    }
  }
  return has_symbols;
}

}  // namespace

DWORD InspectDriverImage(const std::string& path, DriverImageSymbols& symbols) {
  symbols = DriverImageSymbols{};
  const int descriptor = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (descriptor < 0) return Win32ErrorFromErrno(errno, HostOperation::Open);
  struct stat status {};
  if (::fstat(descriptor, &status) != 0 || S_ISDIR(status.st_mode)) {
    ::close(descriptor);
    return ERROR_ACCESS_DENIED;
  }
  if (!S_ISREG(status.st_mode) || status.st_size > kLargestImage) {
    ::close(descriptor);
    return ERROR_BAD_EXE_FORMAT;
  }
  std::string bytes(static_cast<std::size_t>(status.st_size), '\0');
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t got = ::read(descriptor, bytes.data() + done, bytes.size() - done);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;
    done += static_cast<std::size_t>(got);
  }
  ::close(descriptor);
  bytes.resize(done);
  if (!ReadSymbols(bytes, symbols) ||
      std::find(symbols.exports.begin(), symbols.exports.end(), "DriverEntry") ==
          symbols.exports.end()) {
    return ERROR_BAD_EXE_FORMAT;
  }
  return ERROR_SUCCESS;
}

}  // namespace ntsim
