#include "ntsim/registry_tree.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "winapi/winreg.h"

namespace {

using ntsim::RegistryKey;
using ntsim::RegistryTree;

std::vector<std::string> SubkeyNames(const RegistryKey& key) {
  std::vector<std::string> names;
  for (const RegistryKey* subkey : key.Subkeys()) names.push_back(subkey->name());
  return names;
}

std::vector<std::string> ValueNames(const RegistryKey& key) {
  std::vector<std::string> names;
  for (const auto& value : key.Values()) names.push_back(value.name);
  return names;
}

TEST(RegistryKey, SubkeysStandInCaseInsensitiveOrderAndKeepTheirCase) {
  RegistryKey key("RESOURCEMAP");
  for (const char* name : {"VIDEO", "_Last", "keyboardPort", "Hardware Abstraction Layer",
                           "Zeta", "alpha", "\xC9t\xE9"}) {
    key.CreateSubkey(name);
  }
  EXPECT_EQ(SubkeyNames(key),
            (std::vector<std::string>{"alpha", "Hardware Abstraction Layer", "keyboardPort",
                                      "VIDEO", "Zeta", "_Last", "\xC9t\xE9"}));

  // Another spelling finds the same key, which keeps the case it was created with.
  RegistryKey& video = key.CreateSubkey("video");
  EXPECT_EQ(video.name(), "VIDEO");
  EXPECT_EQ(key.SubkeyCount(), 7u);
  EXPECT_EQ(key.FindSubkey("KEYBOARDPORT"), key.SubkeyAt(2));
  EXPECT_EQ(key.FindSubkey("\xE9T\xC9"), key.SubkeyAt(6));
  EXPECT_EQ(key.FindSubkey("keyboard"), nullptr);
  EXPECT_EQ(key.SubkeyAt(7), nullptr);
}

TEST(RegistryKey, RemovingASubkeyTakesEverythingBelowIt) {
  RegistryTree tree;
  tree.Create("HARDWARE\\RESOURCEMAP\\VIDEO\\vga").SetValue("x", REG_DWORD,
                                                           ntsim::RegistryDwordData(1));
  EXPECT_TRUE(tree.Find("hardware\\resourcemap")->RemoveSubkey("Video"));
  EXPECT_EQ(tree.Find("HARDWARE\\RESOURCEMAP\\VIDEO\\vga"), nullptr);
  EXPECT_NE(tree.Find("HARDWARE\\RESOURCEMAP"), nullptr);
  EXPECT_FALSE(tree.Find("HARDWARE\\RESOURCEMAP")->RemoveSubkey("VIDEO"));
}

TEST(RegistryKey, ValuesKeepCreationOrderAndTheirPlaceWhenSetAgain) {
  RegistryKey key("vga");
  key.SetValue("\\Device\\Video0.Raw", REG_RESOURCE_LIST, {1});
  key.SetValue("Zulu", REG_DWORD, ntsim::RegistryDwordData(7));
  key.SetValue("", REG_SZ, ntsim::RegistryStringData("default"));
  key.SetValue("alpha", REG_BINARY, {});
  EXPECT_EQ(ValueNames(key),
            (std::vector<std::string>{"\\Device\\Video0.Raw", "Zulu", "", "alpha"}));

  key.SetValue("ZULU", REG_SZ, ntsim::RegistryStringData("now text"));
  EXPECT_EQ(ValueNames(key),
            (std::vector<std::string>{"\\Device\\Video0.Raw", "Zulu", "", "alpha"}));
  const auto* zulu = key.FindValue("zulu");
  ASSERT_NE(zulu, nullptr);
  EXPECT_EQ(zulu->type, REG_SZ);
  EXPECT_EQ(ntsim::RegistryStringOf(*zulu), "now text");
  EXPECT_EQ(ntsim::RegistryStringOf(*key.FindValue("")), "default");

  EXPECT_TRUE(key.RemoveValue("\\DEVICE\\video0.raw"));
  EXPECT_FALSE(key.RemoveValue("\\Device\\Video0.Raw"));
  EXPECT_EQ(ValueNames(key), (std::vector<std::string>{"Zulu", "", "alpha"}));
}

TEST(RegistryTree, PathsNameKeysFromTheRoot) {
  RegistryTree tree;
  RegistryKey& kessrin = tree.Create("SYSTEM\\CurrentControlSet\\Services\\Kessrin");
  EXPECT_EQ(tree.Find("system\\currentcontrolset\\SERVICES\\kessrin"), &kessrin);
  EXPECT_EQ(&tree.Create("SYSTEM\\CurrentControlSet"), tree.Find("SYSTEM\\CurrentControlSet"));
  EXPECT_EQ(tree.Find(""), &tree.Root());
  EXPECT_EQ(tree.Find("SYSTEM\\Missing"), nullptr);

  EXPECT_TRUE(tree.Remove("SYSTEM\\CurrentControlSet\\Services\\KESSRIN"));
  EXPECT_EQ(tree.Find("SYSTEM\\CurrentControlSet\\Services\\Kessrin"), nullptr);
  EXPECT_NE(tree.Find("SYSTEM\\CurrentControlSet\\Services"), nullptr);
  EXPECT_FALSE(tree.Remove("SYSTEM\\CurrentControlSet\\Services\\Kessrin"));
  EXPECT_FALSE(tree.Remove("NOWHERE\\Services"));
  EXPECT_FALSE(tree.Remove(""));
  EXPECT_NE(tree.Find("SYSTEM"), nullptr);
}

TEST(RegistryTree, MalformedPathsAndNamesAreRefused) {
  RegistryTree tree;
  tree.Create("A\\B");
  for (const char* path : {"\\A", "A\\", "A\\\\B", "\\"}) {
    SCOPED_TRACE(path);
    EXPECT_EQ(tree.Find(path), nullptr);
    EXPECT_THROW(tree.Create(path), std::invalid_argument);
    EXPECT_FALSE(tree.Remove(path));
  }
  RegistryKey& key = tree.Root();
  for (const std::string& name : std::vector<std::string>{"", "a\\b", "line\nbreak",
                                                          "carriage\rreturn",
                                                          std::string("nul\0", 4)}) {
    EXPECT_THROW(key.CreateSubkey(name), std::invalid_argument);
  }
  EXPECT_THROW(key.SetValue("line\nbreak", REG_SZ, {}), std::invalid_argument);
  EXPECT_EQ(key.SubkeyCount(), 1u);
  EXPECT_TRUE(key.Values().empty());
}

TEST(RegistryTree, KeysNestAtMost512Deep) {
  std::string path = "k";
  for (std::size_t depth = 1; depth < ntsim::kMaxRegistryKeyDepth; ++depth) path += "\\k";
  RegistryTree tree;
  EXPECT_NO_THROW(tree.Create(path));
  EXPECT_THROW(tree.Create(path + "\\k"), std::invalid_argument);
}

TEST(RegistryTree, ACopyIsIndependentOfItsOriginal) {
  RegistryTree original;
  original.Create("SYSTEM\\Services\\Beep").SetValue("Start", REG_DWORD,
                                                     ntsim::RegistryDwordData(1));
  RegistryTree copy = original;
  copy.Create("SYSTEM\\Services\\Kessrin");
  copy.Find("SYSTEM\\Services\\Beep")->SetValue("Start", REG_DWORD, ntsim::RegistryDwordData(4));

  EXPECT_EQ(original.Find("SYSTEM\\Services\\Kessrin"), nullptr);
  EXPECT_EQ(ntsim::RegistryDwordOf(*original.Find("SYSTEM\\Services\\Beep")->FindValue("Start")),
            1u);
  EXPECT_EQ(ntsim::RegistryDwordOf(*copy.Find("SYSTEM\\Services\\Beep")->FindValue("Start")), 4u);
}

TEST(RegistryValueData, StringsAndNumbersAsTheACallsGiveThem) {
  EXPECT_EQ(ntsim::RegistryStringData("vga"), (std::vector<BYTE>{'v', 'g', 'a', 0}));
  EXPECT_EQ(ntsim::RegistryDwordData(0x12345678), (std::vector<BYTE>{0x78, 0x56, 0x34, 0x12}));
  const ntsim::RegistryValue expand{"ImagePath", REG_EXPAND_SZ, {'a', 0, 'b', 0}};
  EXPECT_EQ(ntsim::RegistryStringOf(expand), "a");
  EXPECT_EQ(ntsim::RegistryStringOf({"x", REG_BINARY, {'a', 0}}), std::nullopt);
  EXPECT_EQ(ntsim::RegistryDwordOf({"x", REG_DWORD, {1, 0, 0, 0x80}}), 0x80000001u);
  EXPECT_EQ(ntsim::RegistryDwordOf({"x", REG_DWORD, {1, 0, 0}}), std::nullopt);
  EXPECT_EQ(ntsim::RegistryDwordOf({"x", REG_BINARY, {1, 0, 0, 0}}), std::nullopt);
}

}  // namespace
