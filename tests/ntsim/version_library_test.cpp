// The version library over program files of this host: the version resource in a file's
// section .rsrc, the three calls a program makes on it, and files and blocks that are
// damaged or hostile, read in buffers of exactly the size the library asks for so that a
// read outside one shows.
#include <gtest/gtest.h>

#include <elf.h>
#include <link.h>

#include <cstring>
#include <optional>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "tests/support/elf_file.h"
#include "tests/support/scratch_machine.h"
#include "tools/version_resource.h"
#include "winapi/kernel32.h"
#include "winapi/winver.h"

namespace {

using testing_support::ElfFile;
using testing_support::MakeElf;

// The copyright's characters outside code page 1252 become '?', a surrogate pair one '?'.
const std::string kCopyright("Copyright \xA9 2026 \x80 ? ?\0", 23);

constexpr const char* kDescription = R"(Version = 1.0.1.10
[StringFileInfo 040704E4]
CompanyName = Quorvel Project
FileDescription = Quorvel
FileVersion = {Version}
LegalCopyright = Copyright © 2026 € Ω 𝄞
[VarFileInfo]
Translation = 0407 04E4
)";

std::string BlockOf(const char* description) {
  const auto bytes = version_resource::Serialize(
      version_resource::VersionInfoOf(version_resource::ParseDescription(description)));
  return std::string(bytes.begin(), bytes.end());
}

ElfFile ProgramWith(const std::string& block) {
  return MakeElf({{".text", std::string(64, '\x90')}, {".rsrc", block}, {".comment", "cc"}});
}

// The bytes of a value, checked to lie inside the buffer with the terminator of a text.
std::optional<std::string> Query(std::vector<char>& data, const char* path) {
  LPVOID value = nullptr;
  UINT length = 0;
  if (!VerQueryValueA(data.data(), path, &value, &length)) return std::nullopt;
  const char* at = static_cast<const char*>(value);
  EXPECT_GE(at, data.data()) << path;
  EXPECT_LE(at + length, data.data() + data.size()) << path;
  if (at < data.data() || at + length > data.data() + data.size()) return std::nullopt;
  return std::string(at, length);
}

class VersionLibrary : public ::testing::Test {
 protected:
  std::string Write(const std::string& content, const char* name = "program") {
    machine_.Write(name, content);
    return (machine_.folder() / name).string();
  }

  // The version data of a file, loaded as a program loads it, in a buffer of exactly the
  // size the library gives; empty when it gives none.
  std::vector<char> Load(const std::string& path) {
    const DWORD size = GetFileVersionInfoSizeA(path.c_str(), nullptr);
    std::vector<char> data(size);
    if (size > 0) {
      EXPECT_TRUE(GetFileVersionInfoA(path.c_str(), 0, size, data.data()));
    }
    return data;
  }

  testing_support::ScratchMachine machine_;
};

TEST_F(VersionLibrary, ReadsTheResourceOfAProgramFile) {
  const std::string block = BlockOf(kDescription);
  const std::string path = Write(ProgramWith(block).bytes);
  DWORD handle = 77;
  const DWORD size = GetFileVersionInfoSizeA(path.c_str(), &handle);
  EXPECT_EQ(handle, 0u);
  // The block, rounded up to 32 bits, then as much again and four bytes for the 8-bit texts.
  EXPECT_EQ(size, 2 * ((block.size() + 3) / 4 * 4) + 4);
  std::vector<char> data = Load(path);
  EXPECT_EQ(std::string(data.data(), block.size()), block);

  const auto fixed = Query(data, "\\");
  ASSERT_TRUE(fixed);
  ASSERT_EQ(fixed->size(), sizeof(VS_FIXEDFILEINFO));
  VS_FIXEDFILEINFO info;
  std::memcpy(&info, fixed->data(), sizeof info);
  EXPECT_EQ(info.dwSignature, VS_FFI_SIGNATURE);
  EXPECT_EQ(info.dwFileVersionMS, 0x00010000u);
  EXPECT_EQ(info.dwFileVersionLS, 0x0001000Au);
  EXPECT_EQ(info.dwProductVersionLS, 0x0001000Au);

  // The translation list's length is in bytes, a text's in characters with its zero.
  EXPECT_EQ(Query(data, "\\VarFileInfo\\Translation"), std::string("\x07\x04\xE4\x04", 4));
  EXPECT_EQ(Query(data, "\\StringFileInfo\\040704E4\\FileVersion"), std::string("1.0.1.10\0", 9));
  // Keys compare without regard to case, and empty path parts are skipped.
  EXPECT_EQ(Query(data, "\\stringfileinfo\\040704e4\\\\fileversion"),
            std::string("1.0.1.10\0", 9));
}

TEST_F(VersionLibrary, GivesTextsInCodePage1252AndKeepsEachOne) {
  std::vector<char> data = Load(Write(ProgramWith(BlockOf(kDescription)).bytes));
  LPVOID copyright = nullptr;
  LPVOID company = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueA(data.data(), "\\StringFileInfo\\040704E4\\LegalCopyright",
                             &copyright, &length));
  EXPECT_EQ(length, kCopyright.size());
  ASSERT_TRUE(VerQueryValueA(data.data(), "\\StringFileInfo\\040704E4\\CompanyName", &company,
                             &length));
  EXPECT_EQ(static_cast<const char*>(copyright), kCopyright.substr(0, kCopyright.size() - 1));
  EXPECT_STREQ(static_cast<const char*>(company), "Quorvel Project");
}

TEST_F(VersionLibrary, APathNotInTheBlockFails) {
  std::vector<char> data = Load(Write(ProgramWith(BlockOf(kDescription)).bytes));
  for (const char* path : {"\\StringFileInfo\\040704E4\\Comments", "\\StringFileInfo\\040904B0",
                           "\\StringFileInfo\\040704E4\\FileVersion\\More", "\\VarFileInfo\\Trans",
                           "\\VS_VERSION_INFO"}) {
    SetLastError(0);
    EXPECT_FALSE(Query(data, path)) << path;
    EXPECT_EQ(GetLastError(), ERROR_RESOURCE_NAME_NOT_FOUND) << path;
  }
  LPVOID value = nullptr;
  UINT length = 0;
  SetLastError(0);
  EXPECT_FALSE(VerQueryValueA(data.data(), nullptr, &value, &length));
  EXPECT_FALSE(VerQueryValueA(nullptr, "\\", &value, &length));
  EXPECT_FALSE(VerQueryValueA(data.data(), "\\", nullptr, &length));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
}

TEST_F(VersionLibrary, AFileWithoutAResourceHasSizeZeroAndSaysWhy) {
  const std::string block = BlockOf(kDescription);
  ElfFile noResource = MakeElf({{".text", "code"}});
  ElfFile otherClass = ProgramWith(block);
  otherClass.bytes[EI_CLASS] = sizeof(void*) == 8 ? ELFCLASS32 : ELFCLASS64;
  ElfFile cutTable = ProgramWith(block);
  cutTable.bytes.resize(cutTable.bytes.size() - 10);
  ElfFile badNameIndex = ProgramWith(block);
  badNameIndex.EditHeader([](ElfW(Ehdr) & h) { h.e_shstrndx = h.e_shnum; });
  ElfFile nameOutside = ProgramWith(block);
  nameOutside.EditSection(2, [](ElfW(Shdr) & s) { s.sh_name = 0x7FFFFFFF; });
  ElfFile contentOutside = ProgramWith(block);
  contentOutside.EditSection(2, [](ElfW(Shdr) & s) { s.sh_offset = 0xFFFFFFFF; });
  ElfFile sizeOutside = ProgramWith(block);
  sizeOutside.EditSection(2, [](ElfW(Shdr) & s) { s.sh_size = ~ElfW(Xword){0}; });
  ElfFile tableOutside = ProgramWith(block);
  tableOutside.EditHeader([](ElfW(Ehdr) & h) { h.e_shoff = ~ElfW(Off){0} - 8; });
  ElfFile otherEntrySize = ProgramWith(block);
  otherEntrySize.EditHeader([](ElfW(Ehdr) & h) { h.e_shentsize = 1; });
  ElfFile notAVersionBlock = ProgramWith("VS_VERSION_INFO in ASCII");
  std::string wrongRootKey = block;
  wrongRootKey[6] = 'W';

  const struct {
    const char* name;
    std::string content;
    DWORD error;
  } cases[] = {
      {"a text", "MZ? no, just text\n", ERROR_RESOURCE_DATA_NOT_FOUND},
      {"an empty file", "", ERROR_RESOURCE_DATA_NOT_FOUND},
      {"the ELF magic only", "\x7F" "ELF", ERROR_RESOURCE_DATA_NOT_FOUND},
      {"another ELF class", otherClass.bytes, ERROR_RESOURCE_DATA_NOT_FOUND},
      {"no .rsrc section", noResource.bytes, ERROR_RESOURCE_TYPE_NOT_FOUND},
      {"a cut section table", cutTable.bytes, ERROR_BAD_FORMAT},
      {"a name table index past the table", badNameIndex.bytes, ERROR_BAD_FORMAT},
      {"a section name outside its table", nameOutside.bytes, ERROR_BAD_FORMAT},
      {"a section outside the file", contentOutside.bytes, ERROR_BAD_FORMAT},
      {"a section longer than the file", sizeOutside.bytes, ERROR_BAD_FORMAT},
      {"a section table outside the file", tableOutside.bytes, ERROR_BAD_FORMAT},
      {"section headers of another size", otherEntrySize.bytes, ERROR_BAD_FORMAT},
      {"a .rsrc that is no version block", notAVersionBlock.bytes, ERROR_INVALID_DATA},
      {"a root that is not VS_VERSION_INFO", ProgramWith(wrongRootKey).bytes, ERROR_INVALID_DATA},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    SetLastError(0);
    EXPECT_EQ(GetFileVersionInfoSizeA(Write(c.content).c_str(), nullptr), 0u);
    EXPECT_EQ(GetLastError(), c.error);
  }
  const struct {
    std::string path;
    DWORD error;
  } paths[] = {
      {"", ERROR_PATH_NOT_FOUND},
      {(machine_.folder() / "missing").string(), ERROR_FILE_NOT_FOUND},
      {machine_.folder().string(), ERROR_ACCESS_DENIED},
  };
  for (const auto& c : paths) {
    SetLastError(0);
    EXPECT_EQ(GetFileVersionInfoSizeA(c.path.c_str(), nullptr), 0u) << c.path;
    EXPECT_EQ(GetLastError(), c.error) << c.path;
  }
}

TEST_F(VersionLibrary, FindsTheSectionsOfAFileWithMoreThanTheHeaderCounts) {
  ElfFile file = ProgramWith(BlockOf(kDescription));
  std::size_t count = 0;
  std::size_t names = 0;
  file.EditHeader([&](ElfW(Ehdr) & h) {
    count = h.e_shnum;
    names = h.e_shstrndx;
    h.e_shnum = 0;
    h.e_shstrndx = SHN_XINDEX;
  });
  file.EditSection(0, [&](ElfW(Shdr) & s) {
    s.sh_size = count;
    s.sh_link = static_cast<ElfW(Word)>(names);
  });
  std::vector<char> data = Load(Write(file.bytes));
  EXPECT_EQ(Query(data, "\\StringFileInfo\\040704E4\\FileDescription"), std::string("Quorvel\0", 8));
}

TEST_F(VersionLibrary, AShortOrMissingBufferFailsAndLeavesAnEmptyBlock) {
  const std::string path = Write(ProgramWith(BlockOf(kDescription)).bytes);
  const DWORD size = GetFileVersionInfoSizeA(path.c_str(), nullptr);
  std::vector<char> data(size, 'x');
  SetLastError(0);
  EXPECT_FALSE(GetFileVersionInfoA(path.c_str(), 0, size - 1, data.data()));
  EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
  EXPECT_FALSE(Query(data, "\\"));
  EXPECT_FALSE(GetFileVersionInfoA(path.c_str(), 0, size, nullptr));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
  // A file without a resource, too, leaves an empty block rather than the bytes before.
  data.assign(size, 'x');
  EXPECT_FALSE(GetFileVersionInfoA(Write("text", "other").c_str(), 0, size, data.data()));
  EXPECT_FALSE(Query(data, "\\"));
}

// The offset of the node with this key: its header comes just before the key.
std::size_t NodeOffset(const std::string& block, std::u16string_view key) {
  std::string units;
  for (const char16_t unit : key) units += {static_cast<char>(unit), static_cast<char>(unit >> 8)};
  units += std::string(2, '\0');
  const std::size_t at = block.find(units);
  EXPECT_NE(at, std::string::npos);
  return at - 6;
}

void PutWord(std::string& block, std::size_t at, unsigned value) {
  block[at] = static_cast<char>(value);
  block[at + 1] = static_cast<char>(value >> 8);
}

constexpr const char* kFileVersion = "\\StringFileInfo\\040704E4\\FileVersion";
constexpr const char* kTranslation = "\\VarFileInfo\\Translation";

// Every query a program makes of the resource; Query checks that each result lies inside
// the buffer.
void QueryEverything(std::vector<char>& data) {
  for (const char* path :
       {"\\", kTranslation, "\\StringFileInfo\\040704E4\\CompanyName",
        "\\StringFileInfo\\040704E4\\FileDescription", kFileVersion,
        "\\StringFileInfo\\040704E4\\LegalCopyright", "\\StringFileInfo\\040704E4",
        "\\VarFileInfo"}) {
    Query(data, path);
  }
}

TEST_F(VersionLibrary, NodesWithHostileLengthsAreReadOnlyInsideTheirParents) {
  constexpr std::size_t kLength = 0;
  constexpr std::size_t kValueLength = 2;
  constexpr std::size_t kType = 4;
  const std::string block = BlockOf(kDescription);
  const std::optional<std::string> version = std::string("1.0.1.10\0", 9);
  const std::optional<std::string> translation = std::string("\x07\x04\xE4\x04", 4);
  const std::optional<std::string> none;
  const struct {
    const char* name;
    std::u16string_view key;
    std::size_t field;
    unsigned word;
    std::optional<std::string> fileVersion;
    std::optional<std::string> copyright;
    std::optional<std::string> translation;
  } cases[] = {
      // A node that claims more than its parent holds ends with its parent, and no sibling
      // can follow it.
      {"a text longer than its table", u"FileVersion", kLength, 0xFFFF, version, none, translation},
      {"a value longer than its node", u"FileVersion", kValueLength, 0xFFFF, version,
       kCopyright, translation},
      {"a node shorter than its header", u"FileVersion", kLength, 5, none, none, translation},
      {"a node of no length", u"FileVersion", kLength, 0, none, none, translation},
      {"a group longer than the block", u"StringFileInfo", kLength, 0xFFFF, version,
       kCopyright, none},
      // A text node marked binary gives its UTF-16 bytes, as many as its value length says.
      {"a text given as binary", u"FileVersion", kType, 0, std::string("1\0.\0" "0\0.\0" "1", 9),
       kCopyright, translation},
      // The key "Translation" fills the node without its terminator.
      {"a key without its end", u"Translation", kLength, 6 + 22, version,
       kCopyright, none},
      {"a list cut to one word", u"Translation", kLength, 34, version,
       kCopyright, std::string("\x07\x04", 2)},
      {"a list longer than its node", u"Translation", kValueLength, 0xFFFF, version,
       kCopyright, translation},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::string hostile = block;
    PutWord(hostile, NodeOffset(hostile, c.key) + c.field, c.word);
    std::vector<char> data = Load(Write(ProgramWith(hostile).bytes));
    ASSERT_FALSE(data.empty());
    QueryEverything(data);
    EXPECT_EQ(Query(data, kFileVersion), c.fileVersion);
    EXPECT_EQ(Query(data, "\\StringFileInfo\\040704E4\\LegalCopyright"), c.copyright);
    EXPECT_EQ(Query(data, kTranslation), c.translation);
  }
}

TEST_F(VersionLibrary, EveryCutOfTheResourceIsReadInsideItsBuffer) {
  const std::string block = BlockOf(kDescription);
  for (std::size_t length = 0; length <= block.size(); ++length) {
    SCOPED_TRACE(length);
    std::vector<char> data = Load(Write(ProgramWith(block.substr(0, length)).bytes));
    if (!data.empty()) QueryEverything(data);
  }
  // Cut within the translation list, the texts before it are all there.
  std::vector<char> data = Load(Write(ProgramWith(block.substr(0, block.size() - 2)).bytes));
  EXPECT_EQ(Query(data, kFileVersion), std::string("1.0.1.10\0", 9));
  EXPECT_EQ(Query(data, kTranslation), std::string("\x07\x04", 2));
}

TEST_F(VersionLibrary, ScrambledResourcesAreReadInsideTheirBuffers) {
  const std::string block = BlockOf(kDescription);
  std::mt19937 random(8);
  for (int round = 0; round < 1000; ++round) {
    std::string scrambled = block;
    for (int flips = 1 + round % 8; flips > 0; --flips) {
      scrambled[random() % scrambled.size()] = static_cast<char>(random());
    }
    std::vector<char> data = Load(Write(ProgramWith(scrambled).bytes));
    if (!data.empty()) QueryEverything(data);
  }
}

}  // namespace
