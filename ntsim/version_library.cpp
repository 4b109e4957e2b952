// The version library: a file's version resource, read from the file itself. On this host
// a program file is ELF and keeps its version resource, one VS_VERSIONINFO block, as the
// whole content of its section .rsrc.
//
// GetFileVersionInfoA lays the resource out in the caller's buffer as
//   [0, A)          the block, its root length cut to the bytes the file holds;
//   [A, 2 * A + 4)  room for the 8-bit copies of its texts that VerQueryValueA makes,
// where A is the block's length rounded up to 32 bits. The copy of the text at offset o of
// the block goes to A + o: a text of n characters takes 2 * n bytes in the block and at most
// n + 1 in the room, so no two copies overlap and every copy stays inside the buffer. The
// four bytes at the end leave room for the terminator of an empty text at the block's end.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <string_view>

#include "ntsim/codepage_1252.h"
#include "ntsim/elf_sections.h"
#include "ntsim/host_errors.h"
#include "ntsim/version_block.h"
#include "winapi/kernel32.h"
#include "winapi/winver.h"

namespace ntsim {

namespace {

constexpr std::string_view kResourceSection = ".rsrc";
// The root's length is a 16-bit word: a version resource is never longer.
constexpr std::size_t kLongestBlock = 0xFFFF;

std::size_t Aligned(std::size_t offset) { return (offset + 3) & ~std::size_t{3}; }

std::size_t BufferSizeFor(std::size_t block_length) { return 2 * Aligned(block_length) + 4; }

std::size_t RootLength(const unsigned char* block) {
  return static_cast<std::size_t>(block[0] | block[1] << 8);
}

class Descriptor {
 public:
  explicit Descriptor(int descriptor) : descriptor_(descriptor) {}
  ~Descriptor() {
    if (descriptor_ >= 0) ::close(descriptor_);
  }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  int get() const { return descriptor_; }

 private:
  int descriptor_;
};

DWORD ErrorOf(const SectionContent& section) {
  switch (section.outcome) {
    case SectionLookup::Found: return ERROR_SUCCESS;
    case SectionLookup::NotElf: return ERROR_RESOURCE_DATA_NOT_FOUND;
    case SectionLookup::Malformed: return ERROR_BAD_FORMAT;
    case SectionLookup::NoSuchSection: return ERROR_RESOURCE_TYPE_NOT_FOUND;
    case SectionLookup::ReadFailed: return Win32ErrorFromErrno(section.errno_value, HostOperation::Read);
  }
  return ERROR_GEN_FAILURE;
}

// The file's version block with its root length cut to what the file holds, or the
// system's code for why there is none.
DWORD ReadVersionResource(LPCSTR path, std::string& block) {
  if (path == nullptr || *path == '\0') return ERROR_PATH_NOT_FOUND;
  // Without O_NONBLOCK, opening a named pipe would wait for a writer.
  const Descriptor file(::open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  if (file.get() < 0) return Win32ErrorFromErrno(errno, HostOperation::Open);
  struct stat status {};
  if (::fstat(file.get(), &status) != 0) return Win32ErrorFromErrno(errno, HostOperation::Read);
  if (S_ISDIR(status.st_mode)) return ERROR_ACCESS_DENIED;
  if (!S_ISREG(status.st_mode)) return ERROR_RESOURCE_DATA_NOT_FOUND;

  SectionContent section = ReadElfSection(file.get(), kResourceSection, kLongestBlock);
  if (const DWORD error = ErrorOf(section); error != ERROR_SUCCESS) return error;
  const std::string_view bytes(reinterpret_cast<const char*>(section.bytes.data()),
                               section.bytes.size());
  const auto length = VersionBlockLength(bytes);
  if (!length) return ERROR_INVALID_DATA;
  block.assign(bytes.substr(0, *length));
  block[0] = static_cast<char>(*length & 0xFF);
  block[1] = static_cast<char>(*length >> 8);
  return ERROR_SUCCESS;
}

}  // namespace

}  // namespace ntsim

using namespace ntsim;

extern "C" DWORD GetFileVersionInfoSizeA(LPCSTR lptstrFilename, LPDWORD lpdwHandle) {
  if (lpdwHandle != nullptr) *lpdwHandle = 0;
  std::string block;
  if (const DWORD error = ReadVersionResource(lptstrFilename, block); error != ERROR_SUCCESS) {
    SetLastError(error);
    return 0;
  }
  return static_cast<DWORD>(BufferSizeFor(block.size()));
}

// A failed call leaves an empty block in the buffer, so that a caller that does not look at
// the result finds nothing in it rather than whatever the buffer held before.
extern "C" BOOL GetFileVersionInfoA(LPCSTR lptstrFilename, DWORD /*dwHandle*/, DWORD dwLen,
                                    LPVOID lpData) {
  if (lpData == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  auto* buffer = static_cast<unsigned char*>(lpData);
  const auto fail = [&](DWORD error) {
    if (dwLen >= 2) buffer[0] = buffer[1] = 0;
    SetLastError(error);
    return FALSE;
  };
  std::string block;
  if (const DWORD error = ReadVersionResource(lptstrFilename, block); error != ERROR_SUCCESS) {
    return fail(error);
  }
  const std::size_t size = BufferSizeFor(block.size());
  if (dwLen < size) return fail(ERROR_INSUFFICIENT_BUFFER);
  std::memcpy(buffer, block.data(), block.size());
  std::memset(buffer + block.size(), 0, size - block.size());
  return TRUE;
}

// The block must be one GetFileVersionInfoA wrote, in a buffer of the size
// GetFileVersionInfoSizeA gave: only then is the room for the 8-bit copies there. A path
// that is not in the block fails with ERROR_RESOURCE_NAME_NOT_FOUND; the platform leaves
// the code of this failure open, and that one's text says what happened.
extern "C" BOOL VerQueryValueA(LPCVOID pBlock, LPCSTR lpSubBlock, LPVOID* lplpBuffer,
                               PUINT puLen) {
  if (pBlock == nullptr || lpSubBlock == nullptr || lplpBuffer == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  // The platform's call, too, takes the block as constant and still writes its 8-bit copies
  // into the room the block reserves for them.
  auto* buffer = static_cast<unsigned char*>(const_cast<void*>(pBlock));
  const std::size_t length = RootLength(buffer);
  const std::string_view block(reinterpret_cast<const char*>(buffer), length);
  const auto value = FindVersionValue(block, lpSubBlock);
  if (!value) {
    SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
    return FALSE;
  }
  if (value->type == VersionValueType::Binary) {
    *lplpBuffer = buffer + value->offset;
    if (puLen != nullptr) *puLen = static_cast<UINT>(value->bytes);
    return TRUE;
  }
  // A text is its characters up to its first zero; the zero counts when the text has one.
  std::u16string units;
  bool terminated = false;
  for (std::size_t at = value->offset; at + 2 <= value->offset + value->bytes; at += 2) {
    const auto unit = static_cast<char16_t>(buffer[at] | buffer[at + 1] << 8);
    if (unit == 0) {
      terminated = true;
      break;
    }
    units.push_back(unit);
  }
  const std::string text = CodePage1252FromUtf16(units);
  char* copy = reinterpret_cast<char*>(buffer + Aligned(length) + value->offset);
  std::memcpy(copy, text.data(), text.size());
  copy[text.size()] = '\0';
  *lplpBuffer = copy;
  if (puLen != nullptr) *puLen = static_cast<UINT>(text.size() + (terminated ? 1 : 0));
  return TRUE;
}
