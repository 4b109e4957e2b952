// The list file in the real program, through the console protocol: a save and a load, loads
// of files that are short, long or missing, and saves onto disks that refuse them.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

#include "tests/app/program_run.h"
#include "tests/support/scratch_machine.h"
#include "tests/support/shell_command.h"

namespace {

namespace fs = std::filesystem;

using testing_support::RunShellCommand;
using Result = testing_support::CommandResult;

constexpr std::size_t kListFileSize = 1218816;

// What the program printed last of its main window.
std::string LastMainWindow(const std::string& output) {
  return output.substr(output.rfind("=== window Quorvel\n"));
}

class ListFileInTheProgram : public testing_support::ProgramRun {
 protected:
  void SetUp() override { LayOut(true); }
  std::string PathOf(const char* name) const { return (machine_.folder() / name).string(); }
};

TEST_F(ListFileInTheProgram, ASavedListLoadsAndIsShownFromTheFile) {
  const std::string path = PathOf("idtlist.idt");
  const Result run =
      Run("menu File/Save List\n" + path + "\nmenu File/Open List\n" + path + "\nshow\n");
  EXPECT_EQ(run.status, 0);
  EXPECT_NE(run.output.find("=== dialog save idtlist.idt\n"), std::string::npos);
  EXPECT_NE(run.output.find("=== dialog open idtlist.idt\n"), std::string::npos);
  EXPECT_EQ(run.output.find("=== box"), std::string::npos) << run.output;
  EXPECT_EQ(fs::file_size(path), kListFileSize);
  EXPECT_NE(LastMainWindow(run.output)
                .find("\nwriting list to " + path + "\nloading list from " + path +
                      "\nusing IDT from file ...\n256 entrys in IDT - (CS:0x0001B) (DS:0x00023)\n"
                      "--- grid StringGrid1 6x258\n"),
            std::string::npos)
      << LastMainWindow(run.output);
}

TEST_F(ListFileInTheProgram, ALoadAnswersAShortALongAndAMissingFileAsItShould) {
  // Gates that the driver never reports, so that a row shows where its gate came from.
  std::string idt;
  for (int v = 0; v < 2048; ++v) idt += std::string("\xEF\xCD\x23\x01\x00\x8E\xAB\x00", 8);
  const struct {
    const char* what;
    std::optional<std::string> content;
    const char* box;
  } cases[] = {
      {"a file of the IDT alone", idt, "=== box none quorvel\nError reading List !\n=== end\n"},
      {"a longer file", idt + std::string(kListFileSize - idt.size() + 100, '\0'), nullptr},
      {"a missing file", std::nullopt, "=== box error quorvel\nDatei nicht gefunden.\n=== end\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string path = PathOf("list.idt");
    fs::remove(path);
    if (c.content) std::ofstream(path, std::ios::binary) << *c.content;
    const Result run = Run("menu File/Open List\n" + path + "\nshow\n");
    EXPECT_EQ(run.status, 0);
    if (c.box != nullptr) {
      EXPECT_NE(run.output.find(c.box), std::string::npos) << run.output;
    } else {
      EXPECT_EQ(run.output.find("=== box"), std::string::npos) << run.output;
    }
    const std::string window = LastMainWindow(run.output);
    const std::string rendered =
        "using IDT from file ...\n256 entrys in IDT - (CS:0x0001B) (DS:0x00023)\n";
    const std::string after = c.content ? rendered : "";
    EXPECT_NE(window.find("\nloading list from " + path + "\n" + after + "--- grid"),
              std::string::npos)
        << window;
    EXPECT_EQ(window.find("\nInterrupt 00/0\t00123\t000ABCDEF\t 32 bit / DPL=0\t InterruptGate\t"
                          "reserved\n") != std::string::npos,
              c.content.has_value())
        << window;
  }
}

// Saves onto disks that refuse them. Each run mounts its disk in a mount namespace of its own,
// so nothing of it is seen outside the run and it is gone when the run ends.

// The exit status of a run whose disk could not be mounted.
constexpr int kCannotMount = 77;

class ListFileOnADisk : public ::testing::Test {
 protected:
  void SetUp() override {
    if (RunShellCommand("unshare -m --propagation private true 2>&1").status != 0) {
      GTEST_SKIP() << "this machine lets no process make a mount namespace of its own "
                      "(unshare -m), so no disk can be mounted for the run";
    }
    fs::create_directories(disk());
    std::string earlier(1218816, '\0');
    for (std::size_t b = 0; b < earlier.size(); ++b) earlier[b] = static_cast<char>(b * 7 + 3);
    std::ofstream(earlier_list(), std::ios::binary) << earlier;
  }

  fs::path disk() const { return machine_.folder() / "disk"; }
  fs::path earlier_list() const { return machine_.folder() / "earlier.idt"; }

  // Mounts a disk of `kilobytes` (read-only when asked), puts an earlier list on it when
  // asked, runs the program with `input` and then lists the disk and tells whether the
  // earlier list is still there unchanged.
  Result RunOnDisk(int kilobytes, bool earlierList, bool readOnly, const std::string& input) {
    const fs::path inputFile = machine_.folder() / "input.txt";
    std::ofstream(inputFile, std::ios::binary) << input;
    const std::string d = "'" + disk().string() + "'";
    std::string script = "mount -t tmpfs -o size=" + std::to_string(kilobytes) + "k quorvel " + d +
                         " || exit " + std::to_string(kCannotMount) + "\n";
    if (earlierList) script += "cp '" + earlier_list().string() + "' " + d + "/idtlist.idt\n";
    if (readOnly) script += "mount -o remount,ro " + d + " || exit 1\n";
    script += "QUORVEL_UI=console '" QUORVEL_PROGRAM "' < '" + inputFile.string() + "'\n";
    script += "echo \"=== status $?\"\necho '=== disk'\nls -A " + d + "\n";
    script += "cmp -s '" + earlier_list().string() + "' " + d +
              "/idtlist.idt && echo '=== earlier list intact'\n";
    const fs::path scriptFile = machine_.folder() / "run.sh";
    std::ofstream(scriptFile, std::ios::binary) << script;
    return RunShellCommand("unshare -m --propagation private sh '" + scriptFile.string() +
                           "' 2>&1");
  }

  testing_support::ScratchMachine machine_;
};

TEST_F(ListFileOnADisk, ASaveThatTheDiskRefusesShowsTheSystemsErrorAndKeepsTheEarlierList) {
  const struct {
    const char* what;
    int kilobytes;
    bool earlierList;
    bool readOnly;
    const char* text;
  } cases[] = {
      {"a disk too small for the list", 64, false, false, "E/A-Fehler 112."},
      {"a disk too small for a second list", 1400, true, false, "E/A-Fehler 112."},
      {"a read-only disk", 4096, true, true, "E/A-Fehler 19."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string path = (disk() / "idtlist.idt").string();
    const Result run = RunOnDisk(c.kilobytes, c.earlierList, c.readOnly,
                                 "menu File/Save List\n" + path + "\nshow\n");
    if (run.status == kCannotMount) GTEST_SKIP() << "mounting a disk is not permitted here";
    const std::string& out = run.output;
    EXPECT_NE(out.find("=== dialog save idtlist.idt\n"), std::string::npos) << out;
    EXPECT_NE(out.find(std::string("=== box error quorvel\n") + c.text + "\n=== end\n"),
              std::string::npos)
        << out;
    EXPECT_NE(out.find("\nwriting list to " + path + "\n"), std::string::npos) << out;
    EXPECT_NE(out.find("=== status 0\n"), std::string::npos) << out;
    // Nothing of the failed save is left on the disk.
    const std::string listing = out.substr(out.find("=== disk\n") + 9);
    if (c.earlierList) {
      EXPECT_EQ(listing, "idtlist.idt\n=== earlier list intact\n");
    } else {
      EXPECT_EQ(listing, "");
    }
  }
}

}  // namespace
