// The registry class over the machine's registry: its root and current key, the listings,
// how it classes a value and when it reads one.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "ntsim/handles.h"
#include "ntsim/machine.h"
#include "ntsim/reg_file.h"
#include "tests/support/scratch_machine.h"
#include "vcl/Registry.h"

namespace {

constexpr const char* kSample = "SOFTWARE\\Sample";

std::vector<BYTE> Bytes(std::size_t count, BYTE first = 1) {
  std::vector<BYTE> bytes(count);
  for (std::size_t i = 0; i < count; ++i) bytes[i] = static_cast<BYTE>(first + i);
  return bytes;
}

ntsim::RegistryTree SampleTree() {
  ntsim::RegistryTree tree;
  ntsim::RegistryKey& sample = tree.Create(kSample);
  for (const char* name : {"beta", "Alpha", "gamma"}) sample.CreateSubkey(name);
  sample.SetValue("Text", REG_SZ, ntsim::RegistryStringData("abc"));
  sample.SetValue("Path", REG_EXPAND_SZ, ntsim::RegistryStringData("%SystemRoot%"));
  sample.SetValue("Number", REG_DWORD, ntsim::RegistryDwordData(42));
  sample.SetValue("Blob", REG_BINARY, Bytes(3));
  sample.SetValue("List", REG_RESOURCE_LIST, Bytes(8));
  sample.SetValue("Multi", REG_MULTI_SZ, {'a', 0, 0});
  sample.SetValue("", REG_NONE, {});
  sample.SetValue("Big", REG_RESOURCE_LIST, Bytes(1000));
  tree.Create("SOFTWARE\\Empty");
  return tree;
}

// The class lets a derived class make a key it opened the current one; the tests open keys
// the way the program's own registry class does, with the access they choose.
class OpeningRegistry : public TRegistry {
 public:
  bool Open(const std::string& path, REGSAM access) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(RootKey(), path.c_str(), 0, access, &key) != ERROR_SUCCESS) return false;
    ChangeKey(key, path);
    return true;
  }
};

class RegistryClass : public ::testing::Test {
 protected:
  RegistryClass() {
    ntsim::testing::ResetMachine();
    machine_.Write("registry.reg",
                   ntsim::WriteRegFile(SampleTree(), ntsim::RegFileFormat::Regedit4));
    registry_.SetRootKey(HKEY_LOCAL_MACHINE);
    handles_before_ = ntsim::Handles().Count();
  }
  ~RegistryClass() override { ntsim::testing::ResetMachine(); }

  std::size_t OpenHandles() const { return ntsim::Handles().Count() - handles_before_; }

  testing_support::ScratchMachine machine_;
  OpeningRegistry registry_;
  std::size_t handles_before_ = 0;
};

std::vector<std::string> LinesOf(const TStrings& strings) {
  std::vector<std::string> lines;
  for (int i = 0; i < strings.Count(); ++i) lines.push_back(strings[i]);
  return lines;
}

TEST(TRegistry, StartsWithTheCurrentUsersRootAndNoKeyOpen) {
  TRegistry registry;
  EXPECT_EQ(registry.RootKey(), HKEY_CURRENT_USER);
  EXPECT_EQ(registry.CurrentKey(), nullptr);
  EXPECT_EQ(registry.CurrentPath(), "");
}

TEST_F(RegistryClass, TheOpenedKeyIsClosedWhenTheObjectIsFreedOrTheRootChanges) {
  auto* registry = new OpeningRegistry;
  registry->SetRootKey(HKEY_LOCAL_MACHINE);
  ASSERT_TRUE(registry->Open(kSample, KEY_READ));
  EXPECT_EQ(registry->CurrentPath(), kSample);
  EXPECT_EQ(OpenHandles(), 1u);
  const HKEY key = registry->CurrentKey();
  delete registry;
  EXPECT_EQ(OpenHandles(), 0u);
  EXPECT_EQ(RegCloseKey(key), ERROR_INVALID_HANDLE) << "the handle was closed already";

  ASSERT_TRUE(registry_.Open(kSample, KEY_READ));
  registry_.SetRootKey(HKEY_CURRENT_USER);
  EXPECT_EQ(registry_.CurrentKey(), nullptr);
  EXPECT_EQ(registry_.CurrentPath(), "");
  EXPECT_EQ(OpenHandles(), 0u);
}

TEST_F(RegistryClass, ARootKeyOfTheCallersIsLeftOpen) {
  HKEY software = nullptr;
  ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE", 0, KEY_READ, &software), ERROR_SUCCESS);
  {
    OpeningRegistry registry;
    registry.SetRootKey(software);
    ASSERT_TRUE(registry.Open("Sample", KEY_READ));
    registry.SetRootKey(HKEY_LOCAL_MACHINE);
  }
  EXPECT_EQ(OpenHandles(), 1u);
  EXPECT_EQ(RegCloseKey(software), ERROR_SUCCESS);
}

TEST_F(RegistryClass, ListsReplaceTheirContentWithTheNamesInEnumerationOrder) {
  ASSERT_TRUE(registry_.Open(kSample, KEY_READ));
  TStringList names;
  names.Add("stale");
  registry_.GetKeyNames(names);
  EXPECT_EQ(LinesOf(names), (std::vector<std::string>{"Alpha", "beta", "gamma"}));
  registry_.GetValueNames(names);
  EXPECT_EQ(LinesOf(names), (std::vector<std::string>{"Text", "Path", "Number", "Blob", "List",
                                                      "Multi", "", "Big"}));

  ASSERT_TRUE(registry_.Open("SOFTWARE\\Empty", KEY_READ));
  registry_.GetKeyNames(names);
  EXPECT_EQ(names.Count(), 0);
}

TEST_F(RegistryClass, AListStaysEmptyWhenTheKeysCountsCannotBeHad) {
  // Counting needs the right to query values, which this handle lacks.
  ASSERT_TRUE(registry_.Open(kSample, KEY_ENUMERATE_SUB_KEYS));
  TRegKeyInfo info;
  EXPECT_FALSE(registry_.GetKeyInfo(info));
  TStringList names;
  names.Add("stale");
  registry_.GetKeyNames(names);
  EXPECT_EQ(names.Count(), 0);

  registry_.CloseKey();
  names.Add("stale");
  registry_.GetValueNames(names);
  EXPECT_EQ(names.Count(), 0) << "no key open";
}

TEST_F(RegistryClass, ClassesAValueByItsType) {
  ASSERT_TRUE(registry_.Open(kSample, KEY_READ));
  const struct {
    const char* name;
    TRegDataType type;
  } cases[] = {{"Text", rdString},  {"Path", rdExpandString}, {"Number", rdInteger},
               {"Blob", rdBinary},  {"List", rdUnknown},      {"Multi", rdUnknown},
               {"", rdUnknown},     {"Missing", rdUnknown}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(registry_.GetDataType(c.name), c.type);
  }
  TRegDataInfo info;
  EXPECT_FALSE(registry_.GetDataInfo("Missing", info));
  ASSERT_TRUE(registry_.GetDataInfo("Big", info));
  EXPECT_EQ(info.DataSize, 1000u);
}

TEST_F(RegistryClass, ReadsBinaryAndUnknownValuesWithinTheLimitAndRefusesTheRest) {
  ASSERT_TRUE(registry_.Open(kSample, KEY_READ));
  constexpr BYTE kGuard = 0xCC;
  const struct {
    const char* name;
    int limit;
    std::optional<int> size;  // nothing: the read is refused
  } cases[] = {
      {"List", 100, 8},         {"Blob", 100, 3},          {"Multi", 100, 3},
      {"", 100, 0},             {"Missing", 100, 0},       {"Big", 1000, 1000},
      {"Big", 999, {}},         {"Text", 100, {}},         {"Path", 100, {}},
      {"Number", 100, {}},      {"List", 0, {}},           {"List", -1, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.name) + " limit " + std::to_string(c.limit));
    std::vector<BYTE> buffer(1100, kGuard);
    if (!c.size) {
      EXPECT_THROW(registry_.ReadBinaryData(c.name, buffer.data(), c.limit), ERegistryException);
      EXPECT_EQ(buffer, std::vector<BYTE>(1100, kGuard)) << "nothing may be read";
      continue;
    }
    EXPECT_EQ(registry_.ReadBinaryData(c.name, buffer.data(), c.limit), *c.size);
    std::vector<BYTE> expected = Bytes(*c.size);
    if (std::string(c.name) == "Multi") expected = {'a', 0, 0};
    expected.resize(1100, kGuard);
    EXPECT_EQ(buffer, expected);
  }
}

}  // namespace
