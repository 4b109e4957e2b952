// The writer of version resources: the platform's layout of a VS_VERSIONINFO block, byte
// for byte, the description file it is written from, and the complaints about a
// description that cannot be one.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "tests/support/scratch_machine.h"
#include "tools/version_resource.h"

namespace {

using version_resource::DescriptionError;
using version_resource::ParseDescription;

std::vector<std::uint8_t> BlockOf(const char* description) {
  return version_resource::Serialize(version_resource::VersionInfoOf(ParseDescription(description)));
}

unsigned WordAt(const std::vector<std::uint8_t>& block, std::size_t at) {
  return block.at(at) | block.at(at + 1) << 8;
}

std::u16string KeyAt(const std::vector<std::uint8_t>& block, std::size_t at) {
  std::u16string key;
  for (; WordAt(block, at) != 0; at += 2) key.push_back(static_cast<char16_t>(WordAt(block, at)));
  return key;
}

TEST(VersionResource, LaysOutTheBlockAsThePlatformDoes) {
  const auto block = BlockOf(
      "Version = 1.2.3.4\n"
      "[StringFileInfo 040904B0]\n"
      "A = b\n"
      "[VarFileInfo]\n"
      "Translation = 0409 04B0\n");
  // Offsets by the platform's rules: a header of three words, the key with its zero, then
  // the value and each child on a 32-bit boundary; a node's length ends with its last byte.
  const struct {
    std::size_t at;
    unsigned length, valueLength, type;
    std::u16string key;
  } nodes[] = {
      {0, 236, 52, 0, u"VS_VERSION_INFO"},
      {92, 76, 0, 1, u"StringFileInfo"},
      {128, 40, 0, 1, u"040904B0"},
      {152, 16, 2, 1, u"A"},
      {168, 68, 0, 1, u"VarFileInfo"},
      {200, 36, 4, 0, u"Translation"},
  };
  ASSERT_EQ(block.size(), 236u);
  for (const auto& node : nodes) {
    SCOPED_TRACE(node.at);
    EXPECT_EQ(WordAt(block, node.at), node.length);
    EXPECT_EQ(WordAt(block, node.at + 2), node.valueLength);
    EXPECT_EQ(WordAt(block, node.at + 4), node.type);
    EXPECT_EQ(KeyAt(block, node.at + 6), node.key);
  }
  const std::vector<std::uint8_t> fixedFileInfo(block.begin() + 40, block.begin() + 92);
  const std::vector<std::uint8_t> expectedFixed = {
      0xBD, 0x04, 0xEF, 0xFE, 0x00, 0x00, 0x01, 0x00,  // signature, structure version 1.0
      0x02, 0x00, 0x01, 0x00, 0x04, 0x00, 0x03, 0x00,  // file version 1.2, 3.4
      0x02, 0x00, 0x01, 0x00, 0x04, 0x00, 0x03, 0x00,  // product version 1.2, 3.4
      0x3F, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,  // flags mask, flags
      0x04, 0x00, 0x04, 0x00, 0x01, 0x00, 0x00, 0x00,  // Windows NT 32-bit, an application
      0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,  // subtype, date
      0x00, 0x00, 0x00, 0x00};
  EXPECT_EQ(fixedFileInfo, expectedFixed);
  EXPECT_EQ(KeyAt(block, 164), u"b");
  EXPECT_EQ(WordAt(block, 232), 0x0409u);
  EXPECT_EQ(WordAt(block, 234), 0x04B0u);
}

TEST(VersionResource, ReadsTheDescription) {
  const auto description = ParseDescription(
      "# comments and blank lines are skipped\r\n"
      "\r\n"
      "  Version = 1.0.1.10  \r\n"
      "[StringFileInfo 040704E4]\r\n"
      "FileVersion = {Version} (build {Version})\r\n"
      "LegalCopyright = © 2026 € 𝄞 # not a comment\r\n"
      "Comments =\r\n"
      "[StringFileInfo 040004e4]\r\n"
      "[VarFileInfo]\r\n"
      "Translation = 0400 04E4, 0409 04b0\r\n");
  EXPECT_EQ(description.version, (std::array<std::uint16_t, 4>{1, 0, 1, 10}));
  ASSERT_EQ(description.tables.size(), 2u);
  EXPECT_EQ(description.tables[1].name, "040004e4");
  const std::vector<std::pair<std::string, std::string>> values = {
      {"FileVersion", "1.0.1.10 (build 1.0.1.10)"},
      {"LegalCopyright", "© 2026 € 𝄞 # not a comment"},
      {"Comments", ""}};
  EXPECT_EQ(description.tables[0].values, values);
  const std::vector<std::pair<std::uint16_t, std::uint16_t>> translations = {{0x0400, 0x04E4},
                                                                             {0x0409, 0x04B0}};
  EXPECT_EQ(description.translations, translations);
  EXPECT_EQ(version_resource::Utf16FromUtf8("© € 𝄞"), u"© € 𝄞");
}

TEST(VersionResource, WritesOnlyTheGroupsItIsGiven) {
  // Without string tables and translation list the root holds its fixed file info only.
  EXPECT_EQ(BlockOf("Version = 1.0.1.10\n").size(), 92u);
  const auto block = BlockOf("Version = 1.0.1.10\n[VarFileInfo]\nTranslation = 0407 04E4\n");
  EXPECT_EQ(KeyAt(block, 92 + 6), u"VarFileInfo");
  EXPECT_EQ(block.size(), 92u + 68u);
}

TEST(VersionResource, RefusesADescriptionThatIsNoneAndNamesTheLine) {
  const struct {
    const char* text;
    const char* message;
  } cases[] = {
      {"", "the description gives no Version"},
      {"[VarFileInfo]\n", "the description gives no Version"},
      {"Version 1.0.1.10\n", "line 1: a line must be"},
      {"Version = 1.0.1\n", "line 1: a version is four numbers"},
      {"Version = 1.0.1.65536\n", "line 1: a version is four numbers"},
      {"Version = 1.0.1.x\n", "line 1: a version is four numbers"},
      {"Version = 1.0.1.10\nVersion = 1.0.1.10\n", "line 2: Version is given twice"},
      {"FileVersion = 1\n", "line 1: only Version belongs before the first section"},
      {"Version = 1.0.1.10\n= x\n", "line 2: a value needs a name"},
      {"Version = 1.0.1.10\n[VarFileInfo\n", "line 2: a section line ends with \"]\""},
      {"Version = 1.0.1.10\n[Strings]\n", "line 2: the sections are"},
      {"Version = 1.0.1.10\n[StringFileInfo 0407]\n", "line 2: a string table is named"},
      {"Version = 1.0.1.10\n[StringFileInfo 0407O4E4]\n", "line 2: a string table is named"},
      {"Version = 1.0.1.10\n[StringFileInfo 040704E4]\n[StringFileInfo 040704E4]\n",
       "line 3: the string table 040704E4 is given twice"},
      {"Version = 1.0.1.10\n[StringFileInfo 040704E4]\nA = 1\nA = 2\n",
       "line 4: A is given twice in this string table"},
      {"Version = 1.0.1.10\n[StringFileInfo 040704E4]\nA = \xC3\n", "line 3: the text is not UTF-8"},
      {"Version = 1.0.1.10\n[StringFileInfo 040704E4]\nA = \xED\xA0\x80\n",
       "line 3: the text is not UTF-8"},
      {"Version = 1.0.1.10\n[StringFileInfo 040704E4]\nA = \xC0\xAF\n",
       "line 3: the text is not UTF-8"},
      {"Version = 1.0.1.10\n[VarFileInfo]\n[VarFileInfo]\n", "line 3: [VarFileInfo] is given twice"},
      {"Version = 1.0.1.10\n[VarFileInfo]\nLanguage = 0407\n", "line 3: [VarFileInfo] holds only"},
      {"Version = 1.0.1.10\n[VarFileInfo]\nTranslation = 0407\n", "line 3: a translation is"},
      {"Version = 1.0.1.10\n[VarFileInfo]\nTranslation = 0407 10000\n", "line 3: a translation is"},
      {"Version = 1.0.1.10\n[VarFileInfo]\nTranslation = 0407 04E4\nTranslation = 0407 04E4\n",
       "line 4: Translation is given twice"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    try {
      ParseDescription(c.text);
      ADD_FAILURE() << "accepted";
    } catch (const DescriptionError& error) {
      EXPECT_EQ(std::string(error.what()).rfind(c.message, 0), 0u) << error.what();
    }
  }
  // A block the 16-bit lengths cannot describe is refused rather than written wrong.
  const std::string longValue = "Version = 1.0.1.10\n[StringFileInfo 040704E4]\nA = " +
                                std::string(40000, 'x') + "\n";
  EXPECT_THROW(BlockOf(longValue.c_str()), DescriptionError);
}

TEST(VersionResource, TheToolNamesTheFileAndLineAndWritesNothingOnABadDescription) {
  testing_support::ScratchMachine scratch;
  const auto description = scratch.folder() / "bad.version";
  const auto output = scratch.folder() / "bad.block";
  std::ofstream(description) << "Version = 1.0.1.10\n[VarFileInfo]\nTranslation = 7\n";
  const std::string command = std::string("'") + QUORVEL_MAKE_VERSION_RESOURCE + "' '" +
                              description.string() + "' '" + output.string() + "' 2>&1";
  FILE* pipe = popen(command.c_str(), "r");
  ASSERT_NE(pipe, nullptr);
  std::string said;
  char buffer[512];
  for (std::size_t got; (got = fread(buffer, 1, sizeof buffer, pipe)) > 0;) said.append(buffer, got);
  EXPECT_NE(pclose(pipe), 0);
  EXPECT_EQ(said, description.string() +
                      ": line 3: a translation is a language and a code page in hexadecimal, "
                      "such as 0407 04E4\n");
  EXPECT_FALSE(std::filesystem::exists(output));
}

}  // namespace
