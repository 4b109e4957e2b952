// The registry calls as the program makes them: open a key below HKEY_LOCAL_MACHINE, ask
// for its counts and longest names, list subkeys and values by index, read a value.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "ntsim/handles.h"
#include "ntsim/machine_folder.h"
#include "ntsim/machine_registry.h"
#include "ntsim/registry_access.h"
#include "tests/support/scratch_machine.h"
#include "winapi/kernel32.h"
#include "winapi/winreg.h"

namespace {

// Keys created out of order and in mixed case, values in a chosen order.
constexpr const char* kFixture =
    "REGEDIT4\r\n"
    "\r\n"
    "[HKEY_LOCAL_MACHINE\\HARDWARE\\RESOURCEMAP\\VIDEO]\r\n"
    "[HKEY_LOCAL_MACHINE\\HARDWARE\\RESOURCEMAP\\scsiAdapter]\r\n"
    "[HKEY_LOCAL_MACHINE\\HARDWARE\\RESOURCEMAP\\_Last]\r\n"
    "[HKEY_LOCAL_MACHINE\\HARDWARE\\RESOURCEMAP\\Hardware Abstraction Layer]\r\n"
    "[HKEY_LOCAL_MACHINE\\HARDWARE\\RESOURCEMAP\\KeyboardPort\\i8042prt]\r\n"
    "\"Zulu\"=dword:0000002a\r\n"
    "\"\\\\Device\\\\KeyboardPort0.Translated\"=hex(8):01,00,00,00,05\r\n"
    "\"alpha\"=\"text\"\r\n"
    "@=\"default\"\r\n"
    "\"Blob\"=hex:01,02,03\r\n"
    "\r\n"
    "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\Beep]\r\n"
    "\"Start\"=dword:00000001\r\n";

constexpr const char* kKeyboard = "HARDWARE\\RESOURCEMAP\\KeyboardPort\\i8042prt";

class RegistryCallsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ntsim::testing::ForgetMachineRegistry();
    machine_.Write("registry.reg", kFixture);
    handles_before_ = ntsim::Handles().Count();
  }
  void TearDown() override {
    EXPECT_EQ(ntsim::Handles().Count(), handles_before_) << "a key handle was left open";
    ntsim::testing::ForgetMachineRegistry();
  }

  HKEY Open(const char* path, REGSAM access = KEY_ALL_ACCESS) {
    HKEY key = nullptr;
    EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, access, &key), ERROR_SUCCESS) << path;
    return key;
  }

  enum class Listing { Subkeys, Values };

  // The names of a key's subkeys or values, listed as the program lists them: the count and
  // the longest name first, then each index with room for the longest name, then one past
  // the last.
  std::vector<std::string> Names(HKEY key, Listing listing) {
    const bool subkeys = listing == Listing::Subkeys;
    DWORD count = 0, longest = 0;
    EXPECT_EQ(RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, subkeys ? &count : nullptr,
                               subkeys ? &longest : nullptr, nullptr, subkeys ? nullptr : &count,
                               subkeys ? nullptr : &longest, nullptr, nullptr, nullptr),
              ERROR_SUCCESS);
    const auto enumerate = [&](DWORD index, char* name, DWORD* size) {
      return subkeys ? RegEnumKeyExA(key, index, name, size, nullptr, nullptr, nullptr, nullptr)
                     : RegEnumValueA(key, index, name, size, nullptr, nullptr, nullptr, nullptr);
    };
    std::vector<std::string> names;
    for (DWORD i = 0; i < count; ++i) {
      std::string name(longest + 1, '\xCC');
      DWORD size = longest + 1;
      EXPECT_EQ(enumerate(i, name.data(), &size), ERROR_SUCCESS);
      EXPECT_EQ(name[size], '\0');
      names.push_back(name.substr(0, size));
    }
    char name[300];
    DWORD size = sizeof name;
    EXPECT_EQ(enumerate(count, name, &size), ERROR_NO_MORE_ITEMS);
    return names;
  }
  std::vector<std::string> Subkeys(HKEY key) { return Names(key, Listing::Subkeys); }
  std::vector<std::string> Values(HKEY key) { return Names(key, Listing::Values); }

  testing_support::ScratchMachine machine_;
  std::size_t handles_before_ = 0;
};

TEST_F(RegistryCallsTest, SubkeysListInCaseInsensitiveOrderAndValuesInCreationOrder) {
  HKEY map = Open("Hardware\\Resourcemap");
  EXPECT_EQ(Subkeys(map), (std::vector<std::string>{"Hardware Abstraction Layer", "KeyboardPort",
                                                     "scsiAdapter", "VIDEO", "_Last"}));
  HKEY keyboard = Open(kKeyboard);
  EXPECT_EQ(Values(keyboard), (std::vector<std::string>{"Zulu", "\\Device\\KeyboardPort0.Translated",
                                                        "alpha", "", "Blob"}));
  EXPECT_EQ(Subkeys(keyboard), std::vector<std::string>{});
  EXPECT_EQ(RegCloseKey(keyboard), ERROR_SUCCESS);
  EXPECT_EQ(RegCloseKey(map), ERROR_SUCCESS);
}

TEST_F(RegistryCallsTest, NamesMatchInAnyCaseAndKeepTheirOwn) {
  HKEY keyboard = Open("hardware\\RESOURCEMAP\\keyboardport\\I8042PRT\\");
  DWORD type = 0, size = 0;
  EXPECT_EQ(RegQueryValueExA(keyboard, "ZULU", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
  EXPECT_EQ(type, REG_DWORD);
  EXPECT_EQ(size, 4u);
  EXPECT_EQ(Values(keyboard)[0], "Zulu");

  HKEY map = Open("HARDWARE");
  HKEY relative = nullptr;
  EXPECT_EQ(RegOpenKeyExA(map, "resourcemap\\SCSIADAPTER", 0, KEY_READ, &relative), ERROR_SUCCESS);
  HKEY again = nullptr;
  EXPECT_EQ(RegOpenKeyExA(relative, nullptr, 0, KEY_READ, &again), ERROR_SUCCESS);
  EXPECT_NE(again, relative) << "a new handle to the same key";

  HKEY bad = reinterpret_cast<HKEY>(1);
  EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "\\HARDWARE", 0, KEY_READ, &bad),
            ERROR_BAD_PATHNAME);
  EXPECT_EQ(bad, nullptr);
  EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "HARDWARE\\\\RESOURCEMAP", 0, KEY_READ, &bad),
            ERROR_BAD_PATHNAME);
  for (HKEY key : {keyboard, map, relative, again}) EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
}

TEST_F(RegistryCallsTest, InfoGivesCountsAndLongestLengths) {
  HKEY keyboard = Open(kKeyboard);
  DWORD subkeys = 9, longest_subkey = 9, values = 0, longest_name = 0, longest_data = 0;
  DWORD class_length = 9, longest_class = 9;
  char class_name[4] = "xyz";
  FILETIME time{1, 1};
  EXPECT_EQ(RegQueryInfoKeyA(keyboard, class_name, &class_length, nullptr, &subkeys,
                             &longest_subkey, &longest_class, &values, &longest_name,
                             &longest_data, nullptr, &time),
            ERROR_SUCCESS);
  EXPECT_EQ(subkeys, 0u);
  EXPECT_EQ(longest_subkey, 0u);
  EXPECT_EQ(values, 5u);
  EXPECT_EQ(longest_name, std::strlen("\\Device\\KeyboardPort0.Translated"));
  EXPECT_EQ(longest_data, 8u);  // "default" and its terminator
  EXPECT_EQ(class_length, 0u);
  EXPECT_STREQ(class_name, "");

  HKEY map = Open("HARDWARE\\RESOURCEMAP");
  EXPECT_EQ(RegQueryInfoKeyA(map, nullptr, nullptr, nullptr, &subkeys, &longest_subkey, nullptr,
                             &values, nullptr, nullptr, nullptr, nullptr),
            ERROR_SUCCESS);
  EXPECT_EQ(subkeys, 5u);
  EXPECT_EQ(longest_subkey, std::strlen("Hardware Abstraction Layer"));
  EXPECT_EQ(values, 0u);
  RegCloseKey(map);
  RegCloseKey(keyboard);
}

TEST_F(RegistryCallsTest, ValuesKeepTheirTypesAndSizes) {
  HKEY keyboard = Open(kKeyboard);
  const struct {
    const char* name;
    DWORD type;
    std::vector<BYTE> data;
  } cases[] = {
      {"Zulu", REG_DWORD, {0x2A, 0, 0, 0}},
      {"\\Device\\KeyboardPort0.Translated", REG_RESOURCE_LIST, {1, 0, 0, 0, 5}},
      {"alpha", REG_SZ, {'t', 'e', 'x', 't', 0}},
      {"", REG_SZ, {'d', 'e', 'f', 'a', 'u', 'l', 't', 0}},
      {nullptr, REG_SZ, {'d', 'e', 'f', 'a', 'u', 'l', 't', 0}},
      {"Blob", REG_BINARY, {1, 2, 3}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name != nullptr ? c.name : "(null)");
    std::vector<BYTE> data(16, 0xEE);
    DWORD type = 0, size = static_cast<DWORD>(data.size());
    ASSERT_EQ(RegQueryValueExA(keyboard, c.name, nullptr, &type, data.data(), &size),
              ERROR_SUCCESS);
    EXPECT_EQ(type, c.type);
    ASSERT_EQ(size, c.data.size());
    EXPECT_EQ(std::vector<BYTE>(data.begin(), data.begin() + size), c.data);
    EXPECT_EQ(data[size], 0xEE) << "written past the value";

    // A buffer one byte short is left alone, and the size needed is reported.
    std::vector<BYTE> short_buffer(c.data.size() - 1, 0xEE);
    size = static_cast<DWORD>(short_buffer.size());
    EXPECT_EQ(RegQueryValueExA(keyboard, c.name, nullptr, &type, short_buffer.data(), &size),
              ERROR_MORE_DATA);
    EXPECT_EQ(size, c.data.size());
    EXPECT_EQ(short_buffer, std::vector<BYTE>(c.data.size() - 1, 0xEE));
  }
  RegCloseKey(keyboard);
}

TEST_F(RegistryCallsTest, ShortNameBuffersGetTheSizeTheyNeed) {
  HKEY keyboard = Open(kKeyboard);
  char name[4] = "abc";
  DWORD size = 4;  // "Zulu" needs 5 with its terminator
  DWORD type = 0;
  EXPECT_EQ(RegEnumValueA(keyboard, 0, name, &size, nullptr, &type, nullptr, nullptr),
            ERROR_MORE_DATA);
  EXPECT_EQ(size, 5u);
  EXPECT_STREQ(name, "abc");

  char big[64];
  BYTE data[2];
  size = sizeof big;
  DWORD data_size = sizeof data;
  EXPECT_EQ(RegEnumValueA(keyboard, 0, big, &size, nullptr, &type, data, &data_size),
            ERROR_MORE_DATA);
  EXPECT_EQ(data_size, 4u);
  size = sizeof big;
  data_size = 4;
  BYTE dword[4];
  EXPECT_EQ(RegEnumValueA(keyboard, 0, big, &size, nullptr, &type, dword, &data_size),
            ERROR_SUCCESS);
  EXPECT_EQ(size, 4u);
  EXPECT_STREQ(big, "Zulu");
  EXPECT_EQ(type, REG_DWORD);
  EXPECT_EQ(dword[0], 0x2A);

  HKEY map = Open("HARDWARE\\RESOURCEMAP");
  char subkey[5];
  size = sizeof subkey;
  EXPECT_EQ(RegEnumKeyExA(map, 1, subkey, &size, nullptr, nullptr, nullptr, nullptr),
            ERROR_MORE_DATA);
  EXPECT_EQ(size, std::strlen("KeyboardPort") + 1);
  RegCloseKey(map);
  RegCloseKey(keyboard);
}

TEST_F(RegistryCallsTest, MissingKeysValuesAndHandlesFailWithTheSystemsCodes) {
  HKEY key = reinterpret_cast<HKEY>(1);
  EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "HARDWARE\\NOWHERE\\vga", 0, KEY_READ, &key),
            ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(key, nullptr);
  EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "HARDWARE", 0, KEY_READ, nullptr),
            ERROR_INVALID_PARAMETER);
  EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "HARDWARE", 8, KEY_READ, &key),
            ERROR_INVALID_PARAMETER);
  // Another predefined root, HKEY_CURRENT_USER, is not modelled.
  const auto current_user = reinterpret_cast<HKEY>(
      static_cast<ULONG_PTR>(static_cast<std::intptr_t>(static_cast<LONG>(0x80000001u))));
  EXPECT_EQ(RegOpenKeyExA(current_user, "Software", 0, KEY_READ, &key), ERROR_INVALID_HANDLE);

  HKEY keyboard = Open(kKeyboard);
  DWORD size = 0;
  EXPECT_EQ(RegQueryValueExA(keyboard, "missing", nullptr, nullptr, nullptr, &size),
            ERROR_FILE_NOT_FOUND);
  BYTE data[4];
  EXPECT_EQ(RegQueryValueExA(keyboard, "Zulu", nullptr, nullptr, data, nullptr),
            ERROR_INVALID_PARAMETER);
  EXPECT_EQ(RegCloseKey(keyboard), ERROR_SUCCESS);

  // A closed handle, a handle that was never open, and a file's handle are no keys.
  EXPECT_EQ(RegCloseKey(keyboard), ERROR_INVALID_HANDLE);
  EXPECT_EQ(RegQueryValueExA(keyboard, "Zulu", nullptr, nullptr, nullptr, &size),
            ERROR_INVALID_HANDLE);
  EXPECT_EQ(RegOpenKeyExA(reinterpret_cast<HKEY>(0x1000), "A", 0, KEY_READ, &key),
            ERROR_INVALID_HANDLE);
  const HANDLE file = CreateFileA((machine_.folder() / "registry.reg").c_str(), GENERIC_READ, 0,
                                  nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  EXPECT_EQ(RegCloseKey(reinterpret_cast<HKEY>(file)), ERROR_INVALID_HANDLE);
  EXPECT_EQ(CloseHandle(file), TRUE) << "the file stayed open";

  // The predefined root is never closed.
  EXPECT_EQ(RegCloseKey(HKEY_LOCAL_MACHINE), ERROR_SUCCESS);
  EXPECT_EQ(Subkeys(HKEY_LOCAL_MACHINE), (std::vector<std::string>{"HARDWARE", "SYSTEM"}));
}

TEST_F(RegistryCallsTest, AHandleServesOnlyTheRightsItWasOpenedWith) {
  HKEY listing = Open(kKeyboard, KEY_ENUMERATE_SUB_KEYS);
  DWORD size = 0;
  EXPECT_EQ(RegQueryValueExA(listing, "Zulu", nullptr, nullptr, nullptr, &size),
            ERROR_ACCESS_DENIED);
  char name[64];
  size = sizeof name;
  EXPECT_EQ(RegEnumValueA(listing, 0, name, &size, nullptr, nullptr, nullptr, nullptr),
            ERROR_ACCESS_DENIED);
  EXPECT_EQ(RegEnumKeyExA(listing, 0, name, &size, nullptr, nullptr, nullptr, nullptr),
            ERROR_NO_MORE_ITEMS);
  RegCloseKey(listing);
}

TEST_F(RegistryCallsTest, AHandleKeepsItsKeyAcrossAnotherProgramsChange) {
  HKEY beep = Open("SYSTEM\\CurrentControlSet\\Services\\Beep");
  ntsim::ReplaceMachineFile(
      "registry.reg",
      "REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\SYSTEM\\Added]\r\n"
      "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\Beep]\r\n"
      "\"Start\"=dword:00000004\r\n");
  DWORD start = 0, size = sizeof start;
  EXPECT_EQ(RegQueryValueExA(beep, "Start", nullptr, nullptr, reinterpret_cast<BYTE*>(&start),
                             &size),
            ERROR_SUCCESS);
  EXPECT_EQ(start, 4u);

  ntsim::ReplaceMachineFile("registry.reg", "REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\SYSTEM]\r\n");
  EXPECT_EQ(RegQueryValueExA(beep, "Start", nullptr, nullptr, nullptr, &size), ERROR_KEY_DELETED);
  EXPECT_EQ(RegCloseKey(beep), ERROR_SUCCESS);
}

TEST_F(RegistryCallsTest, AResourceListOfAnySizeReadsBackWhole) {
  std::string file = "REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\HARDWARE\\Big]\r\n\"v\"=hex(8):";
  for (int i = 0; i < 65536; ++i) {
    char byte[16];
    std::snprintf(byte, sizeof byte, i == 0 ? "%02x" : ",\\\r\n  %02x", i & 0xFF);
    file += byte;
  }
  machine_.Write("registry.reg", file + "\r\n");
  ntsim::testing::ForgetMachineRegistry();

  HKEY big = Open("HARDWARE\\Big");
  std::vector<BYTE> data(70000);
  DWORD type = 0, size = static_cast<DWORD>(data.size());
  EXPECT_EQ(RegQueryValueExA(big, "v", nullptr, &type, data.data(), &size), ERROR_SUCCESS);
  EXPECT_EQ(type, REG_RESOURCE_LIST);
  ASSERT_EQ(size, 65536u);
  EXPECT_EQ(data[65535], 0xFF);
  EXPECT_EQ(data[256], 0x00);
  RegCloseKey(big);
}

TEST(RegistryAccess, AnAdministratorMayHaveEveryRightAUserOnlyReading) {
  const struct {
    REGSAM desired;
    std::optional<REGSAM> administrator;
    std::optional<REGSAM> user;
  } cases[] = {
      {KEY_ALL_ACCESS, KEY_ALL_ACCESS, std::nullopt},
      {KEY_READ, KEY_READ, KEY_READ},
      {KEY_QUERY_VALUE, KEY_QUERY_VALUE, KEY_QUERY_VALUE},
      {KEY_SET_VALUE, KEY_SET_VALUE, std::nullopt},
      {KEY_WRITE, KEY_WRITE, std::nullopt},
      {DELETE, DELETE, std::nullopt},
      {GENERIC_READ, KEY_READ, KEY_READ},
      {GENERIC_ALL, KEY_ALL_ACCESS, std::nullopt},
      {MAXIMUM_ALLOWED, KEY_ALL_ACCESS, KEY_READ},
      {0, 0, 0},
      // Rights a key does not have are never granted.
      {SYNCHRONIZE, std::nullopt, std::nullopt},
      {ACCESS_SYSTEM_SECURITY, std::nullopt, std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.desired);
    EXPECT_EQ(ntsim::GrantedKeyAccess(c.desired, true), c.administrator);
    EXPECT_EQ(ntsim::GrantedKeyAccess(c.desired, false), c.user);
  }
}

// Opens the key, closes it again and ends this process with the call's error code.
[[noreturn]] void ExitWithOpenResult(const char* path, REGSAM access,
                                     const std::filesystem::path& folder) {
  HKEY key = nullptr;
  const LONG error = RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, access, &key);
  if (error == ERROR_SUCCESS) RegCloseKey(key);
  std::error_code ignored;
  std::filesystem::remove_all(folder, ignored);
  std::_Exit(static_cast<int>(error));
}

// The machine reads its settings once per process, so a user without administrator rights
// is tried in fresh processes of this test program.
TEST(RegistryAccess, AUserWithoutAdministratorRightsMayOnlyReadBelowHardware) {
  const std::string style = GTEST_FLAG_GET(death_test_style);
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  testing_support::ScratchMachine machine;
  machine.Write("machine.ini", "administrator = false\n");
  machine.Write("registry.reg", kFixture);
  const auto& folder = machine.folder();
  const struct {
    const char* path;
    REGSAM access;
    DWORD error;
  } cases[] = {
      {"Hardware\\Resourcemap", KEY_ALL_ACCESS, ERROR_ACCESS_DENIED},
      {"HARDWARE", KEY_SET_VALUE, ERROR_ACCESS_DENIED},
      {"SYSTEM\\CurrentControlSet\\Services\\Beep", KEY_ALL_ACCESS, ERROR_ACCESS_DENIED},
      {"Hardware\\Resourcemap", KEY_READ, ERROR_SUCCESS},
      {"Hardware\\Resourcemap", MAXIMUM_ALLOWED, ERROR_SUCCESS},
      {"Hardware\\Nowhere", KEY_ALL_ACCESS, ERROR_FILE_NOT_FOUND},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    EXPECT_EXIT(ExitWithOpenResult(c.path, c.access, folder),
                ::testing::ExitedWithCode(static_cast<int>(c.error)), "");
  }
  GTEST_FLAG_SET(death_test_style, style);
}

}  // namespace
