#include "ntsim/machine_registry.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "ntsim/machine_folder.h"
#include "ntsim/reg_file.h"
#include "tests/ntsim/registry_test_files.h"
#include "tests/support/scratch_machine.h"
#include "winapi/winreg.h"

namespace {

using ntsim::ChangeMachineRegistry;
using ntsim::MachineRegistry;
using ntsim::RegistryTree;

constexpr const char* kSmallFile =
    "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\Beep]\r\n"
    "\"Start\"=dword:00000001\r\n\r\n";

// Another program on the same machine folder writing the registry its own way.
void AnotherProgramWrites(const std::string& content) {
  ntsim::ReplaceMachineFile("registry.reg", content);
}

class MachineRegistryTest : public ::testing::Test {
 protected:
  void SetUp() override { ntsim::testing::ForgetMachineRegistry(); }
  void TearDown() override { ntsim::testing::ForgetMachineRegistry(); }

  testing_support::ScratchMachine machine_;
};

TEST_F(MachineRegistryTest, WithoutAFileItIsTheBuiltInProfileAndWritesNothing) {
  EXPECT_NE(MachineRegistry().Find("HARDWARE\\RESOURCEMAP\\VIDEO\\vga"), nullptr);
  EXPECT_NE(MachineRegistry().Find("SYSTEM\\CurrentControlSet\\Services"), nullptr);
  ntsim::RefreshMachineRegistry();
  EXPECT_FALSE(std::filesystem::exists(machine_.folder() / "registry.reg"));
}

TEST_F(MachineRegistryTest, AChangeOfTheProfileIsWrittenAsRegedit4) {
  ChangeMachineRegistry([](RegistryTree& tree) {
    tree.Create("SYSTEM\\CurrentControlSet\\Services\\Kessrin");
    return true;
  });
  const std::string written = machine_.Read("registry.reg");
  EXPECT_EQ(written.substr(0, 10), "REGEDIT4\r\n");
  const auto file = ntsim::ParseRegFile(written, "registry.reg");
  EXPECT_NE(file.tree.Find("SYSTEM\\CurrentControlSet\\Services\\Kessrin"), nullptr);
  EXPECT_NE(file.tree.Find("HARDWARE\\RESOURCEMAP\\VIDEO\\vga"), nullptr);
  EXPECT_NE(MachineRegistry().Find("SYSTEM\\CurrentControlSet\\Services\\Kessrin"), nullptr);
  EXPECT_FALSE(std::filesystem::exists(machine_.folder() / "registry.reg.new"));
}

TEST_F(MachineRegistryTest, AChangeKeepsTheFormatTheFileWasReadIn) {
  machine_.Write("registry.reg",
                 registry_test::Utf16File(u"Windows Registry Editor Version 5.00\r\n\r\n"
                                          u"[HKEY_LOCAL_MACHINE\\SYSTEM\\Caf\u00E9]\r\n"));
  EXPECT_NE(MachineRegistry().Find("SYSTEM\\CAF\xC9"), nullptr);
  ChangeMachineRegistry([](RegistryTree& tree) {
    tree.Create("SYSTEM\\New");
    return true;
  });
  const auto file = ntsim::ParseRegFile(machine_.Read("registry.reg"), "registry.reg");
  EXPECT_EQ(file.format, ntsim::RegFileFormat::Version5);
  EXPECT_NE(file.tree.Find("SYSTEM\\Caf\xE9"), nullptr);
  EXPECT_NE(file.tree.Find("SYSTEM\\New"), nullptr);
}

TEST_F(MachineRegistryTest, AChangeThatDeclinesOrFailsLeavesRegistryAndFileAsTheyWere) {
  machine_.Write("registry.reg", kSmallFile);
  const std::string before = registry_test::Dump(MachineRegistry());

  ChangeMachineRegistry([](RegistryTree& tree) {
    tree.Create("SYSTEM\\Declined");
    return false;
  });
  EXPECT_THROW(ChangeMachineRegistry([](RegistryTree& tree) -> bool {
                 tree.Create("SYSTEM\\Thrown");
                 throw std::runtime_error("out of memory");
               }),
               std::runtime_error);
  // A file that cannot be written: its temporary name is taken by a folder.
  std::filesystem::create_directory(machine_.folder() / "registry.reg.new");
  EXPECT_THROW(ChangeMachineRegistry([](RegistryTree& tree) {
                 tree.Create("SYSTEM\\Unwritten");
                 return true;
               }),
               ntsim::MachineFault);

  EXPECT_EQ(registry_test::Dump(MachineRegistry()), before);
  EXPECT_EQ(machine_.Read("registry.reg"), kSmallFile);
}

TEST_F(MachineRegistryTest, AnotherProgramsChangeIsSeenAfterARefresh) {
  machine_.Write("registry.reg", kSmallFile);
  EXPECT_EQ(MachineRegistry().Find("SYSTEM\\Other"), nullptr);
  AnotherProgramWrites("REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\SYSTEM\\Other]\r\n");
  EXPECT_EQ(MachineRegistry().Find("SYSTEM\\Other"), nullptr) << "read again before a refresh";
  ntsim::RefreshMachineRegistry();
  EXPECT_NE(MachineRegistry().Find("SYSTEM\\Other"), nullptr);
  EXPECT_EQ(MachineRegistry().Find("SYSTEM\\CurrentControlSet"), nullptr);
}

TEST_F(MachineRegistryTest, AChangeBuildsOnAnotherProgramsChange) {
  machine_.Write("registry.reg", kSmallFile);
  MachineRegistry();
  AnotherProgramWrites(std::string(kSmallFile) + "[HKEY_LOCAL_MACHINE\\SYSTEM\\Theirs]\r\n");
  ChangeMachineRegistry([](RegistryTree& tree) {
    tree.Create("SYSTEM\\Ours");
    return true;
  });
  const auto file = ntsim::ParseRegFile(machine_.Read("registry.reg"), "registry.reg");
  EXPECT_NE(file.tree.Find("SYSTEM\\Theirs"), nullptr);
  EXPECT_NE(file.tree.Find("SYSTEM\\Ours"), nullptr);
}

TEST_F(MachineRegistryTest, TwoProgramsChangingAtOnceLoseNothing) {
  machine_.Write("registry.reg", kSmallFile);
  constexpr int kChanges = 25;
  const auto add_values = [](const char* prefix) {
    for (int i = 0; i < kChanges; ++i) {
      ChangeMachineRegistry([&](RegistryTree& tree) {
        tree.Create("SYSTEM\\Shared").SetValue(prefix + std::to_string(i), REG_DWORD,
                                               ntsim::RegistryDwordData(static_cast<DWORD>(i)));
        return true;
      });
    }
  };
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    add_values("child");
    std::_Exit(0);
  }
  add_values("parent");
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);

  const auto file = ntsim::ParseRegFile(machine_.Read("registry.reg"), "registry.reg");
  ASSERT_NE(file.tree.Find("SYSTEM\\Shared"), nullptr);
  EXPECT_EQ(file.tree.Find("SYSTEM\\Shared")->Values().size(), 2u * kChanges);
}

TEST_F(MachineRegistryTest, AMalformedFileStopsTheMachineNamingFileAndLine) {
  machine_.Write("registry.reg", "REGEDIT4\r\n\r\n\"orphan\"=dword:1\r\n");
  const std::string path = (machine_.folder() / "registry.reg").string();
  EXPECT_EXIT(MachineRegistry(), ::testing::ExitedWithCode(3),
              "cannot go on: " + path + ":3: a value outside any key");
}

TEST_F(MachineRegistryTest, AMalformedFileWrittenByAnotherProgramStopsTheMachineToo) {
  machine_.Write("registry.reg", kSmallFile);
  MachineRegistry();
  AnotherProgramWrites("REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\A]\r\n\"x\"=hex:zz\r\n");
  const std::string path = (machine_.folder() / "registry.reg").string();
  EXPECT_EXIT(ntsim::RefreshMachineRegistry(), ::testing::ExitedWithCode(3),
              path + ":3: a byte must be 1 or 2 hexadecimal digits");
  EXPECT_EXIT(ChangeMachineRegistry([](RegistryTree&) { return true; }),
              ::testing::ExitedWithCode(3), path + ":3:");
}

}  // namespace
