// The program's registry reader: how it opens a key, the two listings, and the outcome of
// every kind of value read into the 65,536-byte block.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/MyRegistry.h"
#include "ntsim/handles.h"
#include "ntsim/machine.h"
#include "ntsim/reg_file.h"
#include "tests/support/scratch_machine.h"

namespace {

constexpr const char* kDevice = "HARDWARE\\RESOURCEMAP\\Sample\\Device";
constexpr BYTE kGuard = 0xCC;

std::vector<BYTE> Pattern(std::size_t count) {
  std::vector<BYTE> bytes(count);
  for (std::size_t i = 0; i < count; ++i) bytes[i] = static_cast<BYTE>(i % 251 + 1);
  return bytes;
}

ntsim::RegistryTree SampleTree() {
  ntsim::RegistryTree tree;
  tree.Create("HARDWARE\\RESOURCEMAP\\Sample\\Other");
  ntsim::RegistryKey& device = tree.Create(kDevice);
  device.SetValue("Text", REG_SZ, ntsim::RegistryStringData("abc"));
  device.SetValue("Path", REG_EXPAND_SZ, ntsim::RegistryStringData("%SystemRoot%"));
  device.SetValue("Number", REG_DWORD, ntsim::RegistryDwordData(42));
  device.SetValue("Blob", REG_BINARY, Pattern(100));
  device.SetValue("List", REG_RESOURCE_LIST, Pattern(100));
  device.SetValue("Multi", REG_MULTI_SZ, {'a', 0, 0});
  device.SetValue("Empty", REG_RESOURCE_LIST, {});
  device.SetValue("Largest", REG_RESOURCE_LIST, Pattern(65535));
  device.SetValue("TooLarge", REG_RESOURCE_LIST, Pattern(65536));
  return tree;
}

class RegistryReader : public ::testing::Test {
 protected:
  RegistryReader() {
    ntsim::testing::ResetMachine();
    machine_.Write("registry.reg",
                   ntsim::WriteRegFile(SampleTree(), ntsim::RegFileFormat::Regedit4));
    handles_before_ = ntsim::Handles().Count();
  }
  ~RegistryReader() override {
    EXPECT_EQ(ntsim::Handles().Count(), handles_before_) << "a key was left open";
    ntsim::testing::ResetMachine();
  }

  void WithoutAdministratorRights() {
    machine_.Write("machine.ini", "administrator = false\n");
    ntsim::testing::ResetMachine();
  }

  std::vector<std::string> SubKeys(const std::string& path) {
    TStringList names;
    names.Add("untouched");
    ListSubKeys(HKEY_LOCAL_MACHINE, path, names);
    return LinesOf(names);
  }
  std::vector<std::string> ValueNames(const std::string& path) {
    TStringList names;
    names.Add("untouched");
    ListValueNames(HKEY_LOCAL_MACHINE, path, names);
    return LinesOf(names);
  }

  // The destination starts full of guard bytes, so that a byte the read leaves alone shows.
  static std::vector<BYTE> Read(const std::string& key, const std::string& value) {
    std::vector<BYTE> block(kValueBlockSize, kGuard);
    ReadBinaryValue(HKEY_LOCAL_MACHINE, key, value, *reinterpret_cast<TValueBlock*>(block.data()));
    return block;
  }

  static std::vector<std::string> LinesOf(const TStrings& strings) {
    std::vector<std::string> lines;
    for (int i = 0; i < strings.Count(); ++i) lines.push_back(strings[i]);
    return lines;
  }

  testing_support::ScratchMachine machine_;
  std::size_t handles_before_ = 0;
};

const std::vector<std::string> kUntouched = {"untouched"};

TEST_F(RegistryReader, OpenKeyDropsOneLeadingBackslashAndNeverCreatesAKey) {
  const struct {
    std::string path;
    bool opens;
  } cases[] = {{kDevice, true},
               {std::string("\\") + kDevice, true},
               {std::string("\\\\") + kDevice, false},
               {"hardware\\resourcemap\\sample\\DEVICE", true},
               {"HARDWARE\\RESOURCEMAP\\Sample\\Missing", false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    TMyRegistry registry;
    registry.SetRootKey(HKEY_LOCAL_MACHINE);
    EXPECT_EQ(registry.OpenKey(c.path), c.opens);
    EXPECT_EQ(registry.CurrentKey() != nullptr, c.opens);
  }
  EXPECT_EQ(SubKeys("HARDWARE\\RESOURCEMAP\\Sample"),
            (std::vector<std::string>{"Device", "Other"}));
}

TEST_F(RegistryReader, ListingsReplaceTheListWhenTheKeyOpensAndLeaveItOtherwise) {
  EXPECT_EQ(SubKeys("HARDWARE\\RESOURCEMAP\\Sample"),
            (std::vector<std::string>{"Device", "Other"}));
  EXPECT_EQ(SubKeys("\\HARDWARE\\RESOURCEMAP\\Sample"), SubKeys("HARDWARE\\RESOURCEMAP\\Sample"));
  EXPECT_EQ(SubKeys(kDevice), std::vector<std::string>{});
  EXPECT_EQ(SubKeys("HARDWARE\\Missing"), kUntouched);
  EXPECT_EQ(ValueNames(kDevice),
            (std::vector<std::string>{"Text", "Path", "Number", "Blob", "List", "Multi", "Empty",
                                      "Largest", "TooLarge"}));
  EXPECT_EQ(ValueNames("HARDWARE\\RESOURCEMAP\\Sample\\Other"), std::vector<std::string>{});
  EXPECT_EQ(ValueNames("HARDWARE\\Missing"), kUntouched);
}

TEST_F(RegistryReader, AUserWhoMayNotOpenAKeyWithEveryRightGetsTheEmptyResults) {
  WithoutAdministratorRights();
  EXPECT_EQ(SubKeys("HARDWARE\\RESOURCEMAP\\Sample"), kUntouched);
  EXPECT_EQ(ValueNames(kDevice), kUntouched);
  TMyRegistry registry;
  registry.SetRootKey(HKEY_LOCAL_MACHINE);
  EXPECT_FALSE(registry.OpenKey(kDevice));
  LastReadSize = 7;
  EXPECT_EQ(Read(kDevice, "List"), std::vector<BYTE>(kValueBlockSize, 0));
  EXPECT_EQ(LastReadSize, 0);
}

TEST_F(RegistryReader, ReadBinaryValueWritesTheWholeBlockInEveryOutcome) {
  const struct {
    const char* key;
    const char* value;
    std::size_t read;  // 0: the zero block
  } cases[] = {
      {"HARDWARE\\Missing", "List", 0},
      {kDevice, "Missing", 0},
      {kDevice, "Text", 0},
      {kDevice, "Path", 0},
      {kDevice, "Number", 0},
      {kDevice, "Blob", 0},
      {kDevice, "Empty", 0},
      {kDevice, "TooLarge", 0},
      {kDevice, "List", 100},
      {kDevice, "Multi", 3},
      {kDevice, "Largest", 65535},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.key) + " " + c.value);
    // Each read follows one that read 100 bytes, so that a stale size or stale bytes show.
    Read(kDevice, "List");
    ASSERT_EQ(LastReadSize, 100);

    const std::vector<BYTE> block = Read(c.key, c.value);
    EXPECT_EQ(LastReadSize, static_cast<LONG>(c.read));
    std::vector<BYTE> expected = std::string(c.value) == "Multi" ? std::vector<BYTE>{'a', 0, 0}
                                                                 : Pattern(c.read);
    expected.resize(kValueBlockSize, 0);
    EXPECT_TRUE(block == expected)
        << "first difference at byte "
        << std::mismatch(block.begin(), block.end(), expected.begin()).first - block.begin();
  }
}

}  // namespace
