// Faults of the machine the real program runs on, met through the console protocol: a
// machine folder it cannot write, machine files that are malformed, a program killed in the
// middle of its run, and programs that run on one machine folder at the same time. Saves of a
// list file onto a full disk and into a read-only folder are tested with the list file, in
// tests/app/list_file_program_test.cpp.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "ntsim/machine_folder.h"
#include "ntsim/reg_file.h"
#include "tests/app/box.h"
#include "tests/app/program_run.h"
#include "tests/support/running_program.h"
#include "tests/support/shell_command.h"

namespace {

namespace fs = std::filesystem;

using testing_support::Box;
using testing_support::BoxesIn;
using testing_support::Result;
using testing_support::RunningProgram;

const std::string kStopped = "quorvel: the simulated machine cannot go on: ";
const Box kInstallBox{"DriverControl: Cant install Kessrin !",
                      "The specified service already exists."};
// A run whose machine folder could not be mounted read-only.
constexpr int kCannotMount = 77;

class MachineFaults : public testing_support::ProgramRun {
 protected:
  void SetUp() override { LayOut(true); }

  std::string Folder() const { return machine_.folder().string(); }

  // The files of the machine folder and their content; the program's own folder and its
  // input lie there too and are left out.
  std::map<std::string, std::string> MachineFiles() const {
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::directory_iterator(machine_.folder())) {
      const std::string name = entry.path().filename().string();
      if (entry.is_regular_file() && name != "input.txt") files[name] = machine_.Read(name);
    }
    return files;
  }

  // The registry file as a program of the machine reads it, or a failure naming the fault.
  ::testing::AssertionResult RegistryIsWhole() const {
    const auto bytes = ntsim::ReadMachineFile("registry.reg");
    if (!bytes) return ::testing::AssertionSuccess() << "no registry file: the built-in profile";
    try {
      ntsim::ParseRegFile(*bytes, "registry.reg");
    } catch (const ntsim::MachineFault& fault) {
      return ::testing::AssertionFailure() << fault.what();
    }
    return ::testing::AssertionSuccess();
  }

  bool ServiceRegistered() const {
    return machine_.Read("registry.reg").find("\\Services\\Kessrin]") != std::string::npos;
  }

  std::unique_ptr<RunningProgram> Start() {
    return std::make_unique<RunningProgram>(folder() / "quorvel");
  }

  void FinishARun() { ASSERT_EQ(Run("").status, 0); }

  // Starts the program and kills it once its main window is printed: the service stays
  // registered and running.
  void StartAndKillWithTheWindowShown() {
    const auto program = Start();
    ASSERT_TRUE(program->WaitFor("=== window Quorvel\n"));
    ASSERT_TRUE(program->WaitFor("=== end\n"));
    ASSERT_TRUE(program->Kill());
  }

  // The program with the input, on the machine folder mounted read-only in a mount
  // namespace of the run's own.
  Result RunOnReadOnlyFolder(const std::string& input) {
    const fs::path inputFile = machine_.folder() / "input.txt";
    std::ofstream(inputFile, std::ios::binary) << input;
    const std::string m = "'" + Folder() + "'";
    const std::string script = "mount --bind " + m + " " + m + " && mount -o remount,bind,ro " +
                               m + " " + m + " || exit " + std::to_string(kCannotMount) + "\n" +
                               "QUORVEL_UI=console '" + (folder() / "quorvel").string() +
                               "' < '" + inputFile.string() + "' 2>&1\n";
    const fs::path scriptFile = machine_.folder() / "run.sh";
    std::ofstream(scriptFile, std::ios::binary) << script;
    const Result run = testing_support::RunShellCommand(
        "unshare -m --propagation private sh '" + scriptFile.string() + "' 2>&1");
    fs::remove(scriptFile);
    return run;
  }
};

TEST_F(MachineFaults, AnUnwritableMachineFolderStopsTheProgramNamingTheFileAndChangesNothing) {
  if (testing_support::RunShellCommand("unshare -m --propagation private true 2>&1").status != 0) {
    GTEST_SKIP() << "this machine lets no process make a mount namespace of its own "
                    "(unshare -m), so the machine folder cannot be mounted read-only for a run";
  }
  const struct {
    const char* what;
    std::function<void()> prepare;
    const char* file;
  } cases[] = {
      {"an empty folder", [] {}, "registry.reg"},
      {"the folder a finished run left", [this] { FinishARun(); }, "registry.reg"},
      {"the folder a killed run left", [this] { StartAndKillWithTheWindowShown(); },
       "device.kessrin.lock"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    for (const auto& [name, content] : MachineFiles()) fs::remove(machine_.folder() / name);
    c.prepare();
    const auto before = MachineFiles();

    const Result run = RunOnReadOnlyFolder("show\n");
    if (run.status == kCannotMount) GTEST_SKIP() << "mounting is not permitted here: " << run.output;
    EXPECT_EQ(run.status, 3) << run.output;
    EXPECT_NE(run.output.find(kStopped + "cannot "), std::string::npos) << run.output;
    EXPECT_NE(run.output.find(" " + Folder() + "/" + c.file + ": Read-only file system\n"),
              std::string::npos)
        << run.output;
    EXPECT_EQ(MachineFiles(), before);
  }
}

TEST_F(MachineFaults, AMalformedMachineFileStopsTheProgramNamingItBeforeAnythingIsWritten) {
  const struct {
    const char* file;
    std::string content;
    const char* why;
  } cases[] = {
      {"registry.reg", "REGEDIT5\r\n",
       ":1: not a registry file: the first line must be \"REGEDIT4\" or \"Windows Registry "
       "Editor Version 5.00\""},
      {"registry.reg", "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE]\r\n\"a\"=dword:zz\r\n",
       ":4: a dword must be 1 to 8 hexadecimal digits"},
      {"registry.reg", std::string("\xFF\xFEW\0i", 5),
       ":1: the file ends in the middle of a UTF-16 character"},
      {"registry.reg", "REGEDIT4\r\n[HKEY_CURRENT_USER\\Software]\r\n",
       ":2: only HKEY_LOCAL_MACHINE is modelled, not \"HKEY_CURRENT_USER\""},
      {"machine.ini", "cs = 0x1B\nadministrator = maybe\n", ":2: administrator must be true or false"},
      {"machine.ini", "colour = blue\n", ":1: unknown key \"colour\""},
      {"idt.bin", "abc", ": 3 bytes; an IDT holds 8 to 65,536 bytes"},
      {"idt.bin", std::string(65544, '\0'), ": 65544 bytes; an IDT holds 8 to 65,536 bytes"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.file) + c.why);
    for (const auto& [name, content] : MachineFiles()) fs::remove(machine_.folder() / name);
    machine_.Write(c.file, c.content);

    const Result run = Run("show\n");
    EXPECT_EQ(run.status, 3);
    EXPECT_EQ(run.output, kStopped + Folder() + "/" + c.file + c.why + "\n");
    EXPECT_EQ(MachineFiles(), (std::map<std::string, std::string>{{c.file, c.content}}));
  }
}

// A running state may name a service the registry lacks, as when a registry file of another
// machine was dropped in after a run was killed. The machine cannot load its driver, says so
// once, and the program runs as on a clean machine.
TEST_F(MachineFaults, ARunningServiceTheRegistryLacksIsReportedOnceAndTheProgramGoesOn) {
  machine_.Write("running.ini", "Vanished\n");
  const Result run = Run("key F5\n");
  EXPECT_EQ(run.status, 0);
  const std::string report =
      "ntsim: the running service Vanished cannot be loaded into this program: The specified "
      "service does not exist as an installed service.\r\n";
  const std::size_t first = run.output.find(report);
  EXPECT_NE(first, std::string::npos) << run.output;
  EXPECT_EQ(run.output.find(report, first + 1), std::string::npos) << run.output;
  EXPECT_EQ(run.output.find("=== box"), std::string::npos) << run.output;
  EXPECT_NE(run.output.find("256 entrys in IDT"), std::string::npos);
  EXPECT_FALSE(ServiceRegistered());
}

// A run after a killed one finds the service as the killed run left it: registered or not,
// running or not, and the registry file whole whatever the moment of the kill. It shows at
// most the one box of an installation that finds the service there, and leaves the machine
// clean.
TEST_F(MachineFaults, ARunAfterAProgramKilledAtAnyMomentShowsOneBoxAtMostAndEndsClean) {
  const std::string list = (machine_.folder() / "idtlist.idt").string();
  const struct {
    const char* what;
    std::string input;
    const char* waitFor;  // the output after which the kill comes, or none
    std::chrono::microseconds delay;
  } cases[] = {
      {"at once", "", nullptr, std::chrono::microseconds(0)},
      {"early in the start-up", "", nullptr, std::chrono::microseconds(3000)},
      {"late in the start-up", "", nullptr, std::chrono::microseconds(15000)},
      {"with the help window open", "menu Info/Help\n", "=== window Help\n",
       std::chrono::microseconds(0)},
      {"with the resources window open", "dblclick StringGrid1 60\n",
       " allocates:\n", std::chrono::microseconds(0)},
      {"in the middle of a list-file save", "menu File/Save List\n" + list + "\n",
       "=== dialog save", std::chrono::microseconds(500)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    {
      const auto program = Start();
      ASSERT_TRUE(program->Started());
      if (c.waitFor != nullptr) {
        ASSERT_TRUE(program->WaitFor("=== window Quorvel\n"));
        program->Send(c.input);
        ASSERT_TRUE(program->WaitFor(c.waitFor)) << program->output;
      }
      program->KillAfter(c.delay);
    }
    EXPECT_TRUE(RegistryIsWhole());
    // A save is written to a file of its own and renamed: the list is whole or not there.
    if (fs::exists(list)) {
      EXPECT_EQ(fs::file_size(list), 1218816u);
    }

    const Result run = Run("");
    EXPECT_EQ(run.status, 0) << run.output;
    const std::size_t window = run.output.find("=== window Quorvel\n");
    ASSERT_NE(window, std::string::npos) << run.output;
    // A kill after the main window was shown leaves the service registered; one in the
    // start-up may come before the installation.
    const std::vector<Box> startUp = BoxesIn(run.output.substr(0, window));
    if (c.waitFor != nullptr) {
      EXPECT_EQ(startUp, std::vector<Box>{kInstallBox}) << run.output;
    } else {
      EXPECT_TRUE(startUp.empty() || startUp == std::vector<Box>{kInstallBox}) << run.output;
    }
    EXPECT_EQ(BoxesIn(run.output.substr(window)), std::vector<Box>{}) << run.output;
    EXPECT_NE(run.output.find("256 entrys in IDT"), std::string::npos);
    EXPECT_TRUE(RegistryIsWhole());
    EXPECT_FALSE(ServiceRegistered());
    fs::remove(list);
  }
}

// The first program holds the driver's device, which opens for one program at a time; the
// second finds the service installed, says so, and has no table. Its close stops and removes
// the service, so the first program's close finds no service to stop or remove.
TEST_F(MachineFaults, ASecondProgramOnTheMachineSeesTheServiceAndSaysSoInItsBox) {
  const auto first = Start();
  ASSERT_TRUE(first->WaitFor("=== window Quorvel\n"));
  ASSERT_TRUE(first->WaitFor("=== end\n"));

  const Result second = Run("show\n");
  EXPECT_EQ(second.status, 0);
  const std::size_t window = second.output.find("=== window Quorvel\n");
  ASSERT_NE(window, std::string::npos) << second.output;
  EXPECT_EQ(BoxesIn(second.output.substr(0, window)), std::vector<Box>{kInstallBox});
  EXPECT_EQ(second.output.find("entrys in IDT"), std::string::npos) << second.output;
  EXPECT_EQ(BoxesIn(second.output.substr(window)), std::vector<Box>{});
  EXPECT_TRUE(RegistryIsWhole());

  first->Send("show\n");
  EXPECT_EQ(first->End(), 0);
  EXPECT_NE(first->output.find("256 entrys in IDT"), std::string::npos);
  const Box noService{"DriverControl: Cant open Kessrin !",
                      "The specified service does not exist as an installed service."};
  EXPECT_EQ(BoxesIn(first->output), (std::vector<Box>{noService, noService}));
  EXPECT_TRUE(RegistryIsWhole());
  EXPECT_FALSE(ServiceRegistered());
}

// Programs that start and end at the same moment change the registry file one at a time:
// whichever order their steps take, the file stays whole, every box is one a person can
// meet when another program holds the service, and the last close leaves no service.
TEST_F(MachineFaults, ProgramsStartedTogetherLeaveAWholeRegistryAndNoService) {
  const std::vector<Box> possible = {
      kInstallBox,
      // Another program deleted the service while a third still held it.
      {"DriverControl: Cant install Kessrin !",
       "The specified service has been marked for deletion."},
      {"DriverControl: Cant open Kessrin !",
       "The specified service does not exist as an installed service."},
      {"DriverControl: Cant stop Kessrin !", "The service has not been started."},
  };
  for (int round = 0; round < 3; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    std::vector<std::unique_ptr<RunningProgram>> programs;
    for (int i = 0; i < 4; ++i) programs.push_back(Start());
    for (const auto& program : programs) program->Send("key F5\n");
    for (const auto& program : programs) {
      EXPECT_EQ(program->End(), 0) << program->output;
      for (const Box& box : BoxesIn(program->output)) {
        EXPECT_NE(std::find(possible.begin(), possible.end(), box), possible.end())
            << box << "\n" << program->output;
      }
    }
    EXPECT_TRUE(RegistryIsWhole());
    EXPECT_FALSE(ServiceRegistered());
  }
}

}  // namespace
