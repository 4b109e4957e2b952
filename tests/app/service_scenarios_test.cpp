// The program's whole life on a machine: start-up, refresh and close through the console
// protocol, on the built-in machine and on machines in the states a person meets, with every
// DriverControl box in the order it is shown.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/app/box.h"
#include "tests/app/program_run.h"
#include "tests/app/scan_line.h"
#include "tests/support/running_program.h"

namespace {

using testing_support::Box;
using testing_support::BoxesIn;
using testing_support::ProgramRun;
using testing_support::Result;

// The output split at the main window's first printing: what start-up showed before it, the
// window itself, and what came after it up to the end.
struct Phases {
  std::string startUp;
  std::string window;
  std::string afterwards;
};

Phases PhasesOf(const std::string& output) {
  const std::size_t window = output.find("=== window Quorvel\n");
  if (window == std::string::npos) return {output, "", ""};
  const std::size_t end = output.find("=== end\n", window) + 8;
  return {output.substr(0, window), output.substr(window, end - window), output.substr(end)};
}

std::vector<std::string> LinesOf(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
    lines.push_back(text.substr(start, end - start));
  }
  return lines;
}

// The printed window's log lines, the scan's device count written as N, and table rows.
struct MainWindow {
  std::vector<std::string> log;
  std::vector<std::string> rows;
};

MainWindow Parse(const std::string& window) {
  MainWindow parsed;
  std::vector<std::string>* section = nullptr;
  for (const std::string& line : LinesOf(window)) {
    if (line == "--- memo Memo1") {
      section = &parsed.log;
    } else if (line.rfind("--- grid StringGrid1 ", 0) == 0) {
      section = &parsed.rows;
    } else if (line.rfind("===", 0) == 0 || line.rfind("---", 0) == 0) {
      section = nullptr;
    } else if (section != nullptr) {
      section->push_back(line);
    }
  }
  parsed.log = testing_support::WithDeviceCountAsN(parsed.log);
  return parsed;
}

const std::string kHeader = "\tSegm.Descriptor\tOffset\tGateSize/DPL\tGateType\tDevice";
const std::string kEmptyRow = "\t\t\t\t\t";
const std::vector<std::string> kStartLog = {"N devices detected ...", "reading IDT from driver ...",
                                            "256 entrys in IDT - (CS:0x0001B) (DS:0x00023)"};
const std::string kUnloadLines =
    "Kessrin: Eintritt in Unload Routine !\nKessrin: Link entfernt !\nKessrin: Unload Ende !\n";

class ProgramLife : public ProgramRun {
 protected:
  // Starts the program, waits until its main window is printed and kills it, as a run that
  // ended abnormally: the service stays registered and running.
  void RunAndKill() {
    testing_support::RunningProgram program(folder() / "quorvel");
    ASSERT_TRUE(program.WaitFor("=== end\n"));
    ASSERT_TRUE(program.Kill()) << program.output;
    ASSERT_NE(program.output.find("=== window Quorvel\n"), std::string::npos) << program.output;
  }

  bool ServiceRegistered() const {
    return machine_.Read("registry.reg").find("Kessrin") != std::string::npos;
  }
};

TEST_F(ProgramLife, OnTheBuiltInMachineItRendersTheGatesRefreshesAndRemovesTheServiceAtTheEnd) {
  LayOut(true);
  const Result run = Run("key F5\nshow\n");
  EXPECT_EQ(run.status, 0);
  const Phases phases = PhasesOf(run.output);
  EXPECT_EQ(phases.startUp, "");
  const MainWindow first = Parse(phases.window);
  EXPECT_EQ(first.log, kStartLog);
  ASSERT_EQ(first.rows.size(), 258u);
  EXPECT_EQ(first.rows[0], kHeader);
  // Gates of the built-in NT 4.0 layout: a trap or interrupt gate, the NMI task gate, the
  // breakpoint and system service gates of DPL 3, a device vector and the last vector.
  EXPECT_EQ(first.rows[1], "Interrupt 00/0\t00008\t080465A20\t 32 bit / DPL=0\t InterruptGate\treserved");
  EXPECT_EQ(first.rows[3], "Interrupt 02/2\t00058\t000000000\t 16 Bit / DPL=0\t TaskGate\treserved");
  EXPECT_EQ(first.rows[4], "Interrupt 03/3\t00008\t080465E4C\t 32 bit / DPL=3\t InterruptGate\treserved");
  EXPECT_NE(first.rows[0x2E + 1].find("\t 32 bit / DPL=3\t"), std::string::npos);
  EXPECT_EQ(first.rows[0x3B + 1].rfind("Interrupt 3B/59\t00008\t", 0), 0u);
  EXPECT_EQ(first.rows[256].rfind("Interrupt FF/255\t", 0), 0u);
  EXPECT_EQ(first.rows[257], kEmptyRow);

  const MainWindow again = Parse(phases.afterwards);
  std::vector<std::string> log = kStartLog;
  log.push_back("Refresh ...");
  log.insert(log.end(), kStartLog.begin(), kStartLog.end());
  EXPECT_EQ(again.log, log);
  EXPECT_EQ(again.rows, first.rows);

  EXPECT_EQ(run.output.find("=== box"), std::string::npos);
  EXPECT_FALSE(ServiceRegistered());
  const std::string debugLog = machine_.Read("debug.log");
  EXPECT_NE(debugLog.find("Kessrin: Open / Close\n" + kUnloadLines), std::string::npos) << debugLog;
}

TEST_F(ProgramLife, EveryWayOfClosingStopsAndRemovesTheService) {
  // A "show" after the close would print the window again: nothing runs after it. The end
  // of input closes the window too.
  for (const char* input : {"close\nshow\n", "menu File/Exit\nshow\n", "key Ctrl+X\nshow\n", ""}) {
    SCOPED_TRACE(input);
    LayOut(true);
    const Result run = Run(input);
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.output.find("=== window", 1), std::string::npos);
    EXPECT_FALSE(ServiceRegistered());
    EXPECT_NE(machine_.Read("debug.log").rfind(kUnloadLines), std::string::npos);
    std::filesystem::remove_all(folder());
  }
}

// The machine's states a person meets, each with the boxes of start-up and of the close.
struct Scenario {
  const char* what;
  bool administrator;
  bool driverFile;
  bool leftRunning;
  std::vector<Box> startUpBoxes;
  std::vector<Box> closeBoxes;
  bool tableFilled;
};

void PrintTo(const Scenario& scenario, std::ostream* out) { *out << scenario.what; }

class ServiceScenario : public ProgramLife, public testing::WithParamInterface<Scenario> {};

TEST_P(ServiceScenario, ShowsItsBoxesInOrderAndLeavesNoServiceBehind) {
  const Scenario& scenario = GetParam();
  LayOut(true);
  if (!scenario.administrator) machine_.Write("machine.ini", "administrator = false\n");
  if (!scenario.driverFile) std::filesystem::remove(folder() / "vir.uze");
  if (scenario.leftRunning) {
    RunAndKill();
    ASSERT_TRUE(ServiceRegistered());
  }

  const Result run = Run("");
  EXPECT_EQ(run.status, 0);
  const Phases phases = PhasesOf(run.output);
  EXPECT_EQ(BoxesIn(phases.startUp), scenario.startUpBoxes);
  EXPECT_EQ(BoxesIn(phases.afterwards), scenario.closeBoxes);
  EXPECT_EQ(run.output.find("=== box "), run.output.find("=== box error DriverControl: "));

  const MainWindow window = Parse(phases.window);
  ASSERT_EQ(window.rows.size(), 258u);
  EXPECT_EQ(window.rows[0], kHeader);
  if (scenario.tableFilled) {
    EXPECT_EQ(window.log, kStartLog);
    EXPECT_EQ(window.rows[1].rfind("Interrupt 00/0\t00008\t", 0), 0u);
  } else {
    EXPECT_EQ(window.log, (std::vector<std::string>{kStartLog[0], kStartLog[1]}));
    EXPECT_EQ(std::vector<std::string>(window.rows.begin() + 1, window.rows.end()),
              std::vector<std::string>(257, kEmptyRow));
  }
  EXPECT_FALSE(ServiceRegistered());
}

const Box kNoManager{"DriverControl: Cant open Service Control Manager !", "Access is denied."};

INSTANTIATE_TEST_SUITE_P(
    Machines, ServiceScenario,
    testing::Values(
        Scenario{"Clean", true, true, false, {}, {}, true},
        Scenario{"NoAdministratorRights", false, true, false, {kNoManager, kNoManager},
                 {kNoManager, kNoManager}, false},
        Scenario{"LeftRunningByAKilledRun", true, true, true,
                 {{"DriverControl: Cant install Kessrin !", "The specified service already exists."}},
                 {}, true},
        Scenario{"DriverFileMissing", true, false, false, {},
                 {{"DriverControl: Cant stop Kessrin !", "The service has not been started."}}, false}),
    [](const testing::TestParamInfo<Scenario>& param) { return std::string(param.param.what); });

}  // namespace
