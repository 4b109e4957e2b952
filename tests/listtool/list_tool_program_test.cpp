// quorvel-list run as a person runs it: its commands on list files that make_list_fixtures
// writes for the test suite, its help, its usage errors and its errors for files it cannot
// show; and its table of a list the main window saved, beside the main window's own.
#include <gtest/gtest.h>

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "tests/app/program_run.h"
#include "tests/support/shell_command.h"

namespace {

namespace fs = std::filesystem;

struct ToolResult {
  std::string out;
  std::string err;
  int status;
};

std::string Quoted(const std::string& text) { return "'" + text + "'"; }

// Runs the tool with the arguments of a shell command line, its errors kept apart in a file
// beside Folder.
ToolResult RunTool(const fs::path& folder, const std::string& arguments) {
  const fs::path errors = folder / "stderr.txt";
  const auto run = testing_support::RunShellCommand(std::string(QUORVEL_LIST_TOOL) + " " +
                                                    arguments + " 2> " + Quoted(errors.string()));
  std::ifstream file(errors, std::ios::binary);
  std::ostringstream err;
  err << file.rdbuf();
  return {run.output, err.str(), run.status};
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream stream(text);
  for (std::string line; std::getline(stream, line);) lines.push_back(line);
  return lines;
}

class ListTool : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    std::string name = (fs::temp_directory_path() / "quorvel-list-XXXXXX").string();
    ASSERT_NE(mkdtemp(name.data()), nullptr);
    folder_ = name;
    const auto made = testing_support::RunShellCommand(
        std::string(QUORVEL_MAKE_LIST_FIXTURES) + " " + Quoted(folder_.string()) + " 2>&1");
    ASSERT_EQ(made.status, 0) << made.output;
  }
  static void TearDownTestSuite() { fs::remove_all(folder_); }

  static std::string File(const char* name) { return Quoted((folder_ / name).string()); }
  static ToolResult Run(const std::string& arguments) { return RunTool(folder_, arguments); }

  static fs::path folder_;
};

fs::path ListTool::folder_;

TEST_F(ListTool, HelpAndVersionGoToStandardOutput) {
  for (const char* option : {"--help", "-h", "show --help"}) {
    SCOPED_TRACE(option);
    const ToolResult help = Run(option);
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.err, "");
    EXPECT_EQ(help.out.rfind("Usage: quorvel-list show FILE\n"
                             "       quorvel-list export --format json|csv FILE\n"
                             "       quorvel-list diff OLD NEW\n",
                             0),
              0u)
        << help.out;
    EXPECT_NE(help.out.find("\nExit status:\n"), std::string::npos);
  }
  const ToolResult version = Run("--version");
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.out.rfind("quorvel-list ", 0), 0u);
  EXPECT_EQ(Lines(version.out).size(), 1u);
}

TEST_F(ListTool, AnswersACommandLineItCannotCarryOutWithItsUsageAndStatus2) {
  const std::string base = File("base.idt");
  const struct {
    std::string arguments;
    std::string error;
  } cases[] = {
      {"", "missing command"},
      {"frob " + base, "unknown command 'frob'"},
      {"show", "show needs one FILE"},
      {"show " + base + " " + base,
       "show: unexpected argument '" + (folder_ / "base.idt").string() + "'"},
      {"export " + base, "export needs --format json or --format csv"},
      {"export --format xml " + base, "unknown format 'xml': json or csv"},
      {"export " + base + " --format", "option '--format' needs json or csv"},
      {"show --format json " + base, "option '--format' belongs to export"},
      {"diff " + base, "diff needs two files, OLD and NEW"},
      {"-x show " + base, "unknown option '-x'"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.arguments);
    const ToolResult run = Run(c.arguments);
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.out, "");
    const std::vector<std::string> lines = Lines(run.err);
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.front(), "quorvel-list: " + c.error);
    EXPECT_EQ(lines.back(), "Try 'quorvel-list --help' for more information.");
  }
}

TEST_F(ListTool, RefusesAFileItCannotShowWholeAndSaysWhy) {
  const auto Error = [](const char* name, const std::string& problem) {
    return "quorvel-list: " + (folder_ / name).string() + ": " + problem + "\n";
  };
  const struct {
    const char* name;
    std::string errors;
  } cases[] = {
      {"missing.idt", Error("missing.idt", "No such file or directory")},
      {"", Error("", "Is a directory")},
      {"empty.idt",
       Error("empty.idt", "short list file: it ends after 0 bytes, a list file has 1218816")},
      {"short.idt",
       Error("short.idt", "short list file: it ends after 16384 bytes, a list file has 1218816")},
      {"long.idt",
       Error("long.idt", "not a list file: it goes on after the 1218816 bytes of a list file")},
      {"damaged.idt",
       Error("damaged.idt",
             "damaged list file: Interrupt 40/64: its user count is 200, outside 0 to 128") +
           Error("damaged.idt",
                 "damaged list file: Interrupt 41/65: user 1 is device 300, outside 0 to 255") +
           Error("damaged.idt",
                 "damaged list file: device 1: its resource count is 300, outside 0 to 256") +
           Error("damaged.idt", "damaged list file: device 2: its name length is 90, above 80")},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    for (const std::string& command : {std::string("show"), std::string("export --format csv")}) {
      const ToolResult run = Run(command + " " + File(c.name));
      EXPECT_EQ(run.status, 2);
      EXPECT_EQ(run.out, "");
      EXPECT_EQ(run.err, c.errors);
    }
    // A comparison reads both files and reports the problems of each.
    const ToolResult diff = Run("diff " + File(c.name) + " " + File(c.name));
    EXPECT_EQ(diff.status, 2);
    EXPECT_EQ(diff.out, "");
    EXPECT_EQ(diff.err, c.errors + c.errors);
  }
}

TEST_F(ListTool, ComparesTwoListsWithStatus0WhenTheyAgreeAnd1WhenTheyDiffer) {
  const ToolResult same = Run("diff " + File("base.idt") + " " + File("base.idt"));
  EXPECT_EQ(same.status, 0);
  EXPECT_EQ(same.out, "");
  EXPECT_EQ(same.err, "");

  const ToolResult changed = Run("diff -- " + File("base.idt") + " " + File("changed.idt"));
  EXPECT_EQ(changed.status, 1);
  EXPECT_EQ(changed.err, "");
  EXPECT_EQ(changed.out.rfind("gate Interrupt 2E/46: offset 080462C80 -> 0F8001000\n", 0), 0u)
      << changed.out;
  EXPECT_NE(changed.out.find("\nusers of Interrupt 3E/62: none -> ScsiPort0\n"),
            std::string::npos);
}

TEST_F(ListTool, ExportsInEitherFormAndFailsWhenItsOutputIsLost) {
  for (const char* format : {"--format json", "--format=json", "--format csv"}) {
    SCOPED_TRACE(format);
    const ToolResult run = Run(std::string("export ") + format + " " + File("base.idt"));
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.out.substr(0, 1), std::string(format).ends_with("csv") ? "v" : "{");
  }
  const ToolResult full = Run("show " + File("base.idt") + " > /dev/full");
  EXPECT_EQ(full.status, 2);
  EXPECT_EQ(full.err, "quorvel-list: write error\n");
}

// The main window, run through the console, saves the built-in machine's snapshot and loads
// it again; the tool's table of that file holds the same cells, row by row, apart only by
// blanks.
class ListToolBesideTheProgram : public testing_support::ProgramRun {
 protected:
  void SetUp() override { LayOut(true); }
};

TEST_F(ListToolBesideTheProgram, ShowsTheTableTheMainWindowRendersFromTheSameFile) {
  const std::string path = (machine_.folder() / "idtlist.idt").string();
  const auto program =
      Run("menu File/Save List\n" + path + "\nmenu File/Open List\n" + path + "\nshow\n");
  ASSERT_EQ(program.status, 0) << program.output;
  const std::string grid = "--- grid StringGrid1 6x258\n";
  const auto start = program.output.rfind(grid);
  ASSERT_NE(start, std::string::npos);
  const std::vector<std::string> rows = Lines(program.output.substr(start + grid.size()));

  const ToolResult tool = RunTool(machine_.folder(), "show " + Quoted(path));
  ASSERT_EQ(tool.status, 0) << tool.err;
  const std::vector<std::string> lines = Lines(tool.out);
  ASSERT_EQ(lines.size(), 257u);
  ASSERT_GE(rows.size(), 258u);
  EXPECT_NE(rows[0x3B + 1].find("\tPciEther"), std::string::npos);
  for (std::size_t r = 0; r < lines.size(); ++r) {
    SCOPED_TRACE(rows[r]);
    std::size_t at = 0;
    std::string cells = rows[r] + "\t";
    for (std::size_t tab; (tab = cells.find('\t')) != std::string::npos; cells.erase(0, tab + 1)) {
      const std::string cell = cells.substr(0, tab);
      if (cell.empty()) continue;
      const std::size_t found = lines[r].find(cell, at);
      ASSERT_NE(found, std::string::npos) << lines[r];
      EXPECT_EQ(lines[r].substr(at, found - at).find_first_not_of(' '), std::string::npos)
          << lines[r];
      at = found + cell.size();
    }
    EXPECT_EQ(at, lines[r].size()) << lines[r];
  }
}

}  // namespace
