#include "ntsim/machine_folder.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include "tests/support/scratch_machine.h"

namespace {

using ntsim::MachineFault;
using ntsim::ParseMachineSettings;

TEST(MachineSettings, DefaultsWhenEmpty) {
  const auto settings = ParseMachineSettings("", "machine.ini");
  EXPECT_TRUE(settings.administrator);
  EXPECT_EQ(settings.cs, 0x1B);
  EXPECT_EQ(settings.ds, 0x23);
}

TEST(MachineSettings, ReadsEveryKey) {
  const auto settings = ParseMachineSettings(
      "; a user without rights\r\nadministrator = false\ncs=0x0008\n\n# data\nds = 16\n",
      "machine.ini");
  EXPECT_FALSE(settings.administrator);
  EXPECT_EQ(settings.cs, 0x08);
  EXPECT_EQ(settings.ds, 16);
}

TEST(MachineSettings, RefusesBadLinesNamingFileAndLine) {
  const struct {
    const char* text;
    const char* message;
  } cases[] = {
      {"administrator = yes", "machine.ini:1: administrator must be true or false"},
      {"\ncs = 0x10000", "machine.ini:2: cs must be a 16-bit number"},
      {"ds = 0x", "machine.ini:1: ds must be a 16-bit number"},
      {"ds = -1", "machine.ini:1: ds must be a 16-bit number"},
      {"colour = blue", "machine.ini:1: unknown key \"colour\""},
      {"administrator", "machine.ini:1: expected \"key = value\""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    try {
      ParseMachineSettings(c.text, "machine.ini");
      ADD_FAILURE() << "accepted";
    } catch (const MachineFault& fault) {
      EXPECT_STREQ(fault.what(), c.message);
    }
  }
}

TEST(MachineFolder, NamedByTheEnvironment) {
  ::setenv("QUORVEL_MACHINE", "/somewhere/machine", 1);
  EXPECT_EQ(ntsim::MachineFolder(), "/somewhere/machine");
  ::unsetenv("QUORVEL_MACHINE");
  ::setenv("XDG_STATE_HOME", "/state", 1);
  EXPECT_EQ(ntsim::MachineFolder(), "/state/quorvel/machine");
  ::unsetenv("XDG_STATE_HOME");
  ::setenv("HOME", "/home/user", 1);
  EXPECT_EQ(ntsim::MachineFolder(), "/home/user/.local/state/quorvel/machine");
}

TEST(MachineFiles, MissingFileIsNothingAndWritesReplaceWhole) {
  testing_support::ScratchMachine machine;
  EXPECT_FALSE(ntsim::ReadMachineFile("registry.reg").has_value());

  ntsim::ReplaceMachineFile("registry.reg", "first");
  ntsim::ReplaceMachineFile("registry.reg", "second");
  EXPECT_EQ(ntsim::ReadMachineFile("registry.reg"), "second");
  EXPECT_FALSE(std::filesystem::exists(machine.folder() / "registry.reg.new"));

  ntsim::AppendToMachineFile("debug.log", "a\n");
  ntsim::AppendToMachineFile("debug.log", "b\n");
  EXPECT_EQ(machine.Read("debug.log"), "a\nb\n");
}

TEST(MachineFiles, FolderThatCannotBeMadeIsAFaultNamingIt) {
  testing_support::ScratchMachine machine;
  machine.Write("plain-file", "");
  ::setenv("QUORVEL_MACHINE", (machine.folder() / "plain-file" / "machine").c_str(), 1);
  try {
    ntsim::ReplaceMachineFile("registry.reg", "new");
    ADD_FAILURE() << "wrote below a plain file";
  } catch (const MachineFault& fault) {
    EXPECT_NE(std::string(fault.what()).find("plain-file/machine"), std::string::npos)
        << fault.what();
  }
}

}  // namespace
