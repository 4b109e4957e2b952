// The resource map scan in the real program, through the console protocol: the count line
// and the table's device column as a person sees them at start-up, on the built-in machine
// and on fixture machines.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "ntsim/reg_file.h"
#include "tests/app/program_run.h"
#include "tests/app/resource_map_fixtures.h"

namespace {

using testing_support::ProgramRun;
using testing_support::Result;
using namespace scan_fixtures;

// The lines of the main window's first printing: its log, and the device cell of the rows of
// vectors 0 to 255.
struct MainWindow {
  std::vector<std::string> log;
  std::vector<std::string> devices;
};

MainWindow FirstPrinting(const std::string& output) {
  MainWindow window;
  const std::size_t start = output.find("=== window Quorvel\n");
  const std::size_t end = output.find("=== end\n", start);
  if (start == std::string::npos || end == std::string::npos) return window;
  std::vector<std::string> lines;
  for (std::size_t at = start; at < end; at = output.find('\n', at) + 1) {
    lines.push_back(output.substr(at, output.find('\n', at) - at));
  }
  std::size_t i = 0;
  while (i < lines.size() && lines[i] != "--- memo Memo1") ++i;
  for (++i; i < lines.size() && lines[i].rfind("--- ", 0) != 0; ++i) window.log.push_back(lines[i]);
  while (i < lines.size() && lines[i] != "--- grid StringGrid1 6x258") ++i;
  // The header row comes first; the device cell is the last of six.
  for (std::size_t row = i + 2; row < i + 2 + 256 && row < lines.size(); ++row) {
    window.devices.push_back(lines[row].substr(lines[row].rfind('\t') + 1));
  }
  return window;
}

// The device column of a machine: "reserved" below vector 32, the given first users, and
// empty cells elsewhere.
std::vector<std::string> DeviceColumn(const std::map<int, std::string>& firstUsers) {
  std::vector<std::string> column(256);
  for (int v = 0; v < 32; ++v) column[v] = "reserved";
  for (const auto& [vector, name] : firstUsers) {
    if (vector >= 32) column[vector] = name;
  }
  return column;
}

bool Logged(const MainWindow& window, const std::string& line) {
  return std::find(window.log.begin(), window.log.end(), line) != window.log.end();
}

class ScanProgram : public ProgramRun {
 protected:
  ScanProgram() { LayOut(true); }

  // Runs the program on a machine whose registry is the map, written in the given format.
  Result RunOn(const ResourceMap& map, const std::string& input,
               ntsim::RegFileFormat format = ntsim::RegFileFormat::Regedit4) {
    machine_.Write("registry.reg", ntsim::WriteRegFile(map.tree, format));
    const Result run = Run(input);
    EXPECT_EQ(run.status, 0);
    return run;
  }
};

TEST_F(ScanProgram, TheBuiltInMachineNamesTheFirstDeviceOfEachDeviceVector) {
  const Result run = Run("");
  EXPECT_EQ(run.status, 0);
  const MainWindow window = FirstPrinting(run.output);
  EXPECT_TRUE(Logged(window, "14 devices detected ...")) << run.output.substr(0, 600);
  const std::string hal = "PC Compatible Eisa/Isa HAL";
  EXPECT_EQ(window.devices,
            DeviceColumn({{0x30, hal}, {0x31, "i8042prt"}, {0x32, hal}, {0x33, "Serial1"},
                          {0x34, "Serial0"}, {0x35, "Sound"}, {0x36, "Floppy"},
                          {0x37, "Parport"}, {0x38, hal}, {0x3B, "PciEther"},
                          {0x3C, "i8042prt"}, {0x3D, hal}, {0x3E, "ScsiPort0"},
                          {0x3F, "ScsiPort1"}}));
}

TEST_F(ScanProgram, TheEdgeCaseMachineShowsTheFirstUserOfEachVector) {
  const Result run = RunOn(EdgeCaseMachine().map, "");
  const MainWindow window = FirstPrinting(run.output);
  EXPECT_TRUE(Logged(window, "9 devices detected ...")) << run.output.substr(0, 600);
  EXPECT_EQ(window.devices, DeviceColumn({{0x41, "TwoTranslated"},
                                          {0x44, "Middle"},
                                          {0x45, "Long" + std::string(76, 'x')},
                                          {0x46, "Shared1"}}));
}

TEST_F(ScanProgram, HostileListsLeaveTheProgramGoingOn) {
  // The vector of 0x50 has 128 users; refreshing scans everything again.
  const Result run = RunOn(HostileMachine(), "dblclick StringGrid1 81\nclose\nkey F5\nshow\n");
  const MainWindow window = FirstPrinting(run.output);
  EXPECT_TRUE(Logged(window, "256 devices detected ...")) << run.output.substr(0, 600);
  EXPECT_EQ(window.devices, DeviceColumn({{0x50, "FullCountFarBeyondTheBlock"},
                                          {0x51, "NegativeFullCountIsAnEmptyDescriptor"},
                                          {0x52, "TwoHundredInterruptsOnOneVector"},
                                          {0x55, "TheLargestValueWithCountsBeyondIt"},
                                          {0x60, "ThreeHundredDescriptors"},
                                          {0xFF, "VectorsOutsideTheTable"}}));
  const MainWindow again =
      FirstPrinting(run.output.substr(run.output.rfind("=== window Quorvel\n")));
  EXPECT_EQ(std::count(again.log.begin(), again.log.end(), "256 devices detected ..."), 2);
  EXPECT_EQ(again.devices, window.devices);
}

TEST_F(ScanProgram, WithoutAdministratorRightsNoDeviceIsFound) {
  machine_.Write("machine.ini", "administrator = false\n");
  const Result run = Run("dblclick StringGrid1 60\n");
  EXPECT_EQ(run.status, 0);
  const MainWindow window = FirstPrinting(run.output);
  EXPECT_TRUE(Logged(window, "0 devices detected ...")) << run.output.substr(0, 600);
  for (const std::string& cell : window.devices) EXPECT_TRUE(cell == "" || cell == "reserved");
  // The network card's vector has no users.
  EXPECT_NE(run.output.find("=== box none Interrupt 0x3B/59\nno details available ...\n"),
            std::string::npos);
}

TEST_F(ScanProgram, AVersion5FileShowsWhatItsRegedit4TwinShows) {
  FixtureMachine machine = EdgeCaseMachine();
  machine.map.Translated("D Class", "Serial\xE9", ResourceList({Interrupt(0x34)}));
  // Vector 0x46 has two users, whose resources the double-click lists.
  const Result regedit4 = RunOn(machine.map, "dblclick StringGrid1 71\n");
  const Result version5 =
      RunOn(machine.map, "dblclick StringGrid1 71\n", ntsim::RegFileFormat::Version5);
  ASSERT_NE(version5.output.find("Shared2 allocates:"), std::string::npos) << version5.output;
  EXPECT_EQ(version5.output, regedit4.output);
  EXPECT_EQ(FirstPrinting(version5.output).devices[0x34], "Serial\xC3\xA9") << "in UTF-8";
}

}  // namespace
