#include "ntsim/reg_file.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ntsim/machine_folder.h"
#include "tests/ntsim/registry_test_files.h"
#include "winapi/winreg.h"

namespace {

using ntsim::MachineFault;
using ntsim::ParseRegFile;
using ntsim::RegFileFormat;
using ntsim::RegistryTree;
using registry_test::Dump;
using registry_test::Utf16File;

const ntsim::RegistryValue& ValueAt(const RegistryTree& tree, const char* path, const char* name) {
  const auto* key = tree.Find(path);
  if (key == nullptr) throw std::runtime_error(std::string("no key ") + path);
  const auto* value = key->FindValue(name);
  if (value == nullptr) throw std::runtime_error(std::string("no value ") + name);
  return *value;
}

// Every value form regedit writes, with a comment, blank lines and a continued list.
constexpr std::string_view kEveryForm =
    "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\Beep]\r\n"
    "; a comment\r\n"
    "\"Type\"=dword:00000001\r\n"
    "\"DisplayName\"=\"Beep \\\"tone\\\" C:\\\\x\"\r\n"
    "@=\"the default\"\r\n"
    "\"Blob\"=hex:00,ff,7F\r\n"
    "\"Empty\"=hex:\r\n"
    "\"ImagePath\"=hex(2):53,00,79,00,73,00,00,00\r\n"
    "\r\n"
    "[HKEY_LOCAL_MACHINE\\HARDWARE\\RESOURCEMAP\\VIDEO\\vga]\r\n"
    "\"\\\\Device\\\\Video0.Translated\"=hex(8):01,00,00,00,\\\r\n"
    "  02,00,\\\r\n"
    "  03\r\n"
    "\"Wide\"=hex(b):01,02,03,04,05,06,07,08\r\n";

TEST(RegFile, ReadsEveryValueFormOfAnAnsiFile) {
  const auto file = ParseRegFile("REGEDIT4\r\n\r\n" + std::string(kEveryForm), "registry.reg");
  EXPECT_EQ(file.format, RegFileFormat::Regedit4);
  const RegistryTree& tree = file.tree;
  const char* beep = "SYSTEM\\CurrentControlSet\\Services\\Beep";

  EXPECT_EQ(ValueAt(tree, beep, "Type").type, REG_DWORD);
  EXPECT_EQ(ntsim::RegistryDwordOf(ValueAt(tree, beep, "Type")), 1u);
  EXPECT_EQ(ntsim::RegistryStringOf(ValueAt(tree, beep, "DisplayName")), "Beep \"tone\" C:\\x");
  EXPECT_EQ(ntsim::RegistryStringOf(ValueAt(tree, beep, "")), "the default");
  EXPECT_EQ(ValueAt(tree, beep, "Blob").type, REG_BINARY);
  EXPECT_EQ(ValueAt(tree, beep, "Blob").data, (std::vector<BYTE>{0x00, 0xFF, 0x7F}));
  EXPECT_TRUE(ValueAt(tree, beep, "Empty").data.empty());
  // An ANSI file's REG_EXPAND_SZ bytes are the code page's, kept as they stand.
  EXPECT_EQ(ValueAt(tree, beep, "ImagePath").type, REG_EXPAND_SZ);
  EXPECT_EQ(ValueAt(tree, beep, "ImagePath").data,
            (std::vector<BYTE>{0x53, 0, 0x79, 0, 0x73, 0, 0, 0}));

  const char* vga = "HARDWARE\\RESOURCEMAP\\VIDEO\\vga";
  EXPECT_EQ(ValueAt(tree, vga, "\\Device\\Video0.Translated").type, REG_RESOURCE_LIST);
  EXPECT_EQ(ValueAt(tree, vga, "\\Device\\Video0.Translated").data,
            (std::vector<BYTE>{1, 0, 0, 0, 2, 0, 3}));
  EXPECT_EQ(ValueAt(tree, vga, "Wide").type, 11u);
  EXPECT_EQ(ValueAt(tree, vga, "Wide").data.size(), 8u);
  // The keys on the way exist, without values.
  EXPECT_TRUE(tree.Find("HARDWARE\\RESOURCEMAP")->Values().empty());
}

TEST(RegFile, ReadsAUtf16FileTheSameWayMappingItsTextToTheCodePage) {
  std::u16string text = u"Windows Registry Editor Version 5.00\r\n\r\n";
  for (const char c : kEveryForm) text += static_cast<char16_t>(static_cast<unsigned char>(c));
  text +=
      u"[HKEY_LOCAL_MACHINE\\HARDWARE\\Caf\u00E9 \u0100\u4E2D]\n"
      u"\"\u20AC\"=\"\u00FCber \U0001F600\"\n"
      u"\"Multi\"=hex(7):61,00,00,00,e9,00,00,00,00,00\n"
      u"\"Odd\"=hex(1):41,00,42\n";
  const auto file = ParseRegFile(Utf16File(text), "registry.reg");
  EXPECT_EQ(file.format, RegFileFormat::Version5);
  const RegistryTree& tree = file.tree;

  // The string types' UTF-16 data comes out as code page 1252, the rest byte for byte.
  const char* beep = "SYSTEM\\CurrentControlSet\\Services\\Beep";
  EXPECT_EQ(ValueAt(tree, beep, "ImagePath").data, (std::vector<BYTE>{'S', 'y', 's', 0}));
  EXPECT_EQ(ntsim::RegistryStringOf(ValueAt(tree, beep, "DisplayName")), "Beep \"tone\" C:\\x");
  EXPECT_EQ(ValueAt(tree, "HARDWARE\\RESOURCEMAP\\VIDEO\\vga", "\\Device\\Video0.Translated").data,
            (std::vector<BYTE>{1, 0, 0, 0, 2, 0, 3}));

  // Characters the code page lacks become '?'.
  const auto* cafe = tree.Find("HARDWARE\\CAF\xC9 ??");
  ASSERT_NE(cafe, nullptr);
  EXPECT_EQ(cafe->name(), "Caf\xE9 ??");
  EXPECT_EQ(ntsim::RegistryStringOf(ValueAt(tree, "HARDWARE\\Caf\xE9 ??", "\x80")), "\xFC" "ber ?");
  EXPECT_EQ(ValueAt(tree, "HARDWARE\\Caf\xE9 ??", "Multi").data,
            (std::vector<BYTE>{'a', 0, 0xE9, 0, 0}));
  EXPECT_EQ(ValueAt(tree, "HARDWARE\\Caf\xE9 ??", "Odd").data, (std::vector<BYTE>{'A'}));
}

TEST(RegFile, TakesAnyLineEnd) {
  const auto file = ParseRegFile(
      "REGEDIT4\n[HKEY_LOCAL_MACHINE\\A]\r\r\n\"x\"=\"s\"\r\r\n\"y\"=dword:2", "registry.reg");
  EXPECT_EQ(ntsim::RegistryStringOf(ValueAt(file.tree, "A", "x")), "s");
  EXPECT_EQ(ntsim::RegistryDwordOf(ValueAt(file.tree, "A", "y")), 2u);
}

TEST(RegFile, DeletionsRemoveWhatTheFileAddedBefore) {
  const auto file = ParseRegFile(
      "REGEDIT4\n"
      "[HKEY_LOCAL_MACHINE\\A\\B\\C]\n\"x\"=dword:1\n\"y\"=dword:2\n"
      "[HKEY_LOCAL_MACHINE\\A\\D]\n"
      "[-HKEY_LOCAL_MACHINE\\A\\B]\n"
      "[HKEY_LOCAL_MACHINE\\A\\D]\n\"z\"=\"1\"\n\"z\"=-\n\"w\"=-\n",
      "registry.reg");
  EXPECT_EQ(file.tree.Find("A\\B"), nullptr);
  ASSERT_NE(file.tree.Find("A\\D"), nullptr);
  EXPECT_TRUE(file.tree.Find("A\\D")->Values().empty());
}

TEST(RegFile, AMalformedFileIsRefusedNamingTheFileAndTheLine) {
  const std::string ok = "[HKEY_LOCAL_MACHINE\\A]\n";
  const struct {
    std::string bytes;
    const char* message;
  } cases[] = {
      {"", "m/registry.reg:1: not a registry file: the first line must be \"REGEDIT4\" or "
           "\"Windows Registry Editor Version 5.00\""},
      {"REGEDIT5\n", "m/registry.reg:1: not a registry file: the first line must be "
                     "\"REGEDIT4\" or \"Windows Registry Editor Version 5.00\""},
      {"Windows Registry Editor Version 5.00\r\n",
       "m/registry.reg:1: a Version 5.00 file is UTF-16LE with a byte-order mark, but this one "
       "is not"},
      {Utf16File(u"REGEDIT4\r\n"),
       "m/registry.reg:1: a REGEDIT4 file is ANSI text, but this one is UTF-16"},
      {"\xFE\xFF", "m/registry.reg:1: UTF-16 big-endian is not a format regedit writes"},
      {"\xEF\xBB\xBFREGEDIT4\n", "m/registry.reg:1: a UTF-8 byte-order mark: a registry file is "
                                 "ANSI text (REGEDIT4) or UTF-16LE (Version 5.00)"},
      {Utf16File(u"Windows Registry Editor Version 5.00\r\n\r\n[") + "x",
       "m/registry.reg:3: the file ends in the middle of a UTF-16 character"},
      {"REGEDIT4\n\n\"x\"=dword:1\n", "m/registry.reg:3: a value outside any key"},
      {"REGEDIT4\n" + ok + "[-HKEY_LOCAL_MACHINE\\A]\n\"x\"=dword:1\n",
       "m/registry.reg:4: a value outside any key"},
      {"REGEDIT4\n" + ok + "x=1\n",
       "m/registry.reg:3: expected a key, a value, a comment or a blank line"},
      {"REGEDIT4\n[HKEY_LOCAL_MACHINE\\A\n", "m/registry.reg:2: a key line must end with ']'"},
      {"REGEDIT4\n[HKEY_CURRENT_USER\\A]\n",
       "m/registry.reg:2: only HKEY_LOCAL_MACHINE is modelled, not \"HKEY_CURRENT_USER\""},
      {"REGEDIT4\n[HKEY_LOCAL_MACHINE\\A\\\\B]\n", "m/registry.reg:2: an empty key name in the path"},
      {"REGEDIT4\n[HKEY_LOCAL_MACHINE\\]\n", "m/registry.reg:2: an empty key name in the path"},
      {"REGEDIT4\n[-HKEY_LOCAL_MACHINE]\n",
       "m/registry.reg:2: HKEY_LOCAL_MACHINE itself cannot be removed"},
      {"REGEDIT4\n" + ok + "\"x\" dword:1\n", "m/registry.reg:3: expected '=' after the value name"},
      {"REGEDIT4\n" + ok + "\"x=dword:1\n", "m/registry.reg:3: a string without its closing quote"},
      {"REGEDIT4\n" + ok + "\"x\"=\"C:\\Windows\"\n",
       "m/registry.reg:3: an unknown escape \\W in a string"},
      {"REGEDIT4\n" + ok + "\"x\"=\"a\" b\n", "m/registry.reg:3: unexpected text after the string"},
      {"REGEDIT4\n" + ok + "\"x\"=dword:123456789\n",
       "m/registry.reg:3: a dword must be 1 to 8 hexadecimal digits"},
      {"REGEDIT4\n" + ok + "\"x\"=dword:\n",
       "m/registry.reg:3: a dword must be 1 to 8 hexadecimal digits"},
      {"REGEDIT4\n" + ok + "\"x\"=dword:12g\n",
       "m/registry.reg:3: a dword must be 1 to 8 hexadecimal digits"},
      {"REGEDIT4\n" + ok + "\"x\"=hex:01,2g\n",
       "m/registry.reg:3: bytes must be separated by ','"},
      {"REGEDIT4\n" + ok + "\"x\"=hex:01,123\n", "m/registry.reg:3: a byte must be 1 or 2 "
                                                  "hexadecimal digits"},
      {"REGEDIT4\n" + ok + "\"x\"=hex:01,\n", "m/registry.reg:3: a byte must follow ','"},
      {"REGEDIT4\n" + ok + "\"x\"=hex:01,\\\n  02,\\\n  zz\n",
       "m/registry.reg:5: a byte must be 1 or 2 hexadecimal digits"},
      {"REGEDIT4\n" + ok + "\"x\"=hex:01,\\\n", "m/registry.reg:3: the file ends inside a continued "
                                                "value"},
      {"REGEDIT4\n" + ok + "\"x\"=hex(8:01\n",
       "m/registry.reg:3: hex(N): needs a type N of 1 to 8 hexadecimal digits"},
      {"REGEDIT4\n" + ok + "\"x\"=hex():01\n",
       "m/registry.reg:3: hex(N): needs a type N of 1 to 8 hexadecimal digits"},
      {"REGEDIT4\n" + ok + "\"x\"=qword:1\n",
       "m/registry.reg:3: unknown value form: expected \"text\", dword:, hex: or hex(N):"},
      {"REGEDIT4\n" + ok + std::string("\"x\"=\"a\0b\"\n", 10), "m/registry.reg:3: a NUL character"},
      {"REGEDIT4\n[HKEY_LOCAL_MACHINE\\a\rb]\n",
       "m/registry.reg:2: not a registry key name: \"a\rb\""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.bytes);
    try {
      ParseRegFile(c.bytes, "m/registry.reg");
      ADD_FAILURE() << "accepted";
    } catch (const MachineFault& fault) {
      EXPECT_STREQ(fault.what(), c.message);
    }
  }
}

TEST(RegFile, AKeyMoreThan512DeepIsRefused) {
  std::string path = "HKEY_LOCAL_MACHINE";
  for (std::size_t depth = 0; depth <= ntsim::kMaxRegistryKeyDepth; ++depth) path += "\\k";
  EXPECT_THROW(ParseRegFile("REGEDIT4\n[" + path + "]\n", "registry.reg"), MachineFault);
}

RegistryTree SmallTree() {
  RegistryTree tree;
  auto& vga = tree.Create("HARDWARE\\RESOURCEMAP\\VIDEO\\vga");
  std::vector<BYTE> list(40);
  for (std::size_t i = 0; i < list.size(); ++i) list[i] = static_cast<BYTE>(i * 7);
  vga.SetValue("\\Device\\Video0.Translated", REG_RESOURCE_LIST, list);
  auto& beep = tree.Create("SYSTEM\\Services\\Beep");
  beep.SetValue("Start", REG_DWORD, ntsim::RegistryDwordData(0xA1));
  beep.SetValue("", REG_SZ, ntsim::RegistryStringData("say \"hi\" \\ \xE9"));
  beep.SetValue("ImagePath", REG_EXPAND_SZ, ntsim::RegistryStringData("%S%"));
  beep.SetValue("Lines", REG_SZ, ntsim::RegistryStringData("a\r\nb"));
  beep.SetValue("Short", REG_DWORD, {1, 2});
  beep.SetValue("Raw", REG_BINARY, {0xAB});
  tree.Create("SYSTEM\\Empty");
  return tree;
}

TEST(RegFile, WritesAnAnsiFileAsRegeditDoes) {
  EXPECT_EQ(ntsim::WriteRegFile(SmallTree(), RegFileFormat::Regedit4),
            "REGEDIT4\r\n"
            "\r\n"
            "[HKEY_LOCAL_MACHINE\\HARDWARE]\r\n"
            "\r\n"
            "[HKEY_LOCAL_MACHINE\\HARDWARE\\RESOURCEMAP]\r\n"
            "\r\n"
            "[HKEY_LOCAL_MACHINE\\HARDWARE\\RESOURCEMAP\\VIDEO]\r\n"
            "\r\n"
            "[HKEY_LOCAL_MACHINE\\HARDWARE\\RESOURCEMAP\\VIDEO\\vga]\r\n"
            "\"\\\\Device\\\\Video0.Translated\"=hex(8):00,07,0e,15,1c,23,2a,31,38,3f,46,4d,54,\\\r\n"
            "  5b,62,69,70,77,7e,85,8c,93,9a,a1,a8,af,b6,bd,c4,cb,d2,d9,e0,e7,ee,f5,fc,03,\\\r\n"
            "  0a,11\r\n"
            "\r\n"
            "[HKEY_LOCAL_MACHINE\\SYSTEM]\r\n"
            "\r\n"
            "[HKEY_LOCAL_MACHINE\\SYSTEM\\Empty]\r\n"
            "\r\n"
            "[HKEY_LOCAL_MACHINE\\SYSTEM\\Services]\r\n"
            "\r\n"
            "[HKEY_LOCAL_MACHINE\\SYSTEM\\Services\\Beep]\r\n"
            "\"Start\"=dword:000000a1\r\n"
            "@=\"say \\\"hi\\\" \\\\ \xE9\"\r\n"
            "\"ImagePath\"=hex(2):25,53,25,00\r\n"
            "\"Lines\"=hex(1):61,0d,0a,62,00\r\n"
            "\"Short\"=hex(4):01,02\r\n"
            "\"Raw\"=hex:ab\r\n"
            "\r\n");
}

TEST(RegFile, BothFormatsReadBackWhatTheyWrote) {
  RegistryTree tree = SmallTree();
  // Every byte value in a resource list, long enough for many continuation lines.
  std::vector<BYTE> every_byte;
  for (int i = 0; i < 1024; ++i) every_byte.push_back(static_cast<BYTE>(i * 37 + 11));
  tree.Create("HARDWARE\\RESOURCEMAP\\OtherDrivers\\Sound")
      .SetValue("\\Device\\Sound0.Translated", REG_RESOURCE_LIST, every_byte);
  tree.Find("SYSTEM")->SetValue(std::string(100, 'n'), REG_BINARY, {1, 2, 3});
  tree.Root().SetValue("AtTheRoot", REG_DWORD, ntsim::RegistryDwordData(5));

  for (const auto format : {RegFileFormat::Regedit4, RegFileFormat::Version5}) {
    SCOPED_TRACE(format == RegFileFormat::Regedit4 ? "REGEDIT4" : "Version 5.00");
    const std::string bytes = ntsim::WriteRegFile(tree, format);
    const auto file = ParseRegFile(bytes, "registry.reg");
    EXPECT_EQ(file.format, format);
    EXPECT_EQ(Dump(file.tree), Dump(tree));
    EXPECT_EQ(ntsim::WriteRegFile(file.tree, format), bytes);
  }
}

TEST(RegFile, AUtf16FileHoldsStringDataAsUtf16) {
  RegistryTree tree;
  tree.Create("S").SetValue("ImagePath", REG_EXPAND_SZ, ntsim::RegistryStringData("\xE9"));
  const std::string bytes = ntsim::WriteRegFile(tree, RegFileFormat::Version5);
  EXPECT_EQ(bytes, Utf16File(u"Windows Registry Editor Version 5.00\r\n\r\n"
                             u"[HKEY_LOCAL_MACHINE\\S]\r\n"
                             u"\"ImagePath\"=hex(2):e9,00,00,00\r\n\r\n"));
}

}  // namespace
