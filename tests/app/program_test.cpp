// The real program, run through the console protocol as a person or a script would.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <sstream>
#include <string>

#include "tests/app/program_run.h"
#include "tests/app/scan_line.h"

namespace {

using testing_support::ProgramRun;
using testing_support::Result;

std::string ReadmeAsPrinted() {
  std::ifstream file(QUORVEL_README, std::ios::binary);
  std::stringstream text;
  text << file.rdbuf();
  std::string printed;
  std::string line;
  while (std::getline(text, line)) printed += line + "\n";
  return printed;
}

TEST_F(ProgramRun, ShowsTheMainWindowThenTheHelpTextAndEnds) {
  LayOut(true);
  const Result run = Run("show\nmenu Info/Help\nclose\n");
  EXPECT_EQ(run.status, 0);
  const std::string& out = run.output;
  ASSERT_EQ(out.rfind("=== window Quorvel\n", 0), 0u) << out.substr(0, 400);
  EXPECT_NE(out.find("--- grid StringGrid1 6x258\n"), std::string::npos);
  EXPECT_NE(out.find("--- memo Memo1\n"), std::string::npos);
  // One row per line: the window is the caption, the memo with the start's three log lines,
  // the grid's 258 rows and the end.
  const std::string mainWindow = out.substr(0, out.find("=== end\n") + 8);
  EXPECT_EQ(std::count(mainWindow.begin(), mainWindow.end(), '\n'), 1 + 1 + 3 + 1 + 258 + 1);
  const std::string help = "=== window Help\n--- memo Memo1\n" + ReadmeAsPrinted() + "=== end\n";
  EXPECT_NE(out.find(help), std::string::npos) << out.substr(out.find("=== window Help"));
  EXPECT_EQ(out.find("=== box"), std::string::npos);
}

TEST_F(ProgramRun, WithoutTheHelpTextOneErrorBoxNamesTheFileAndTheProgramGoesOn) {
  LayOut(false);
  const Result run = Run("menu Info/Help\n");
  EXPECT_EQ(run.status, 0);
  const std::string box = "=== box error quorvel\n";
  ASSERT_EQ(run.output.rfind(box, 0), 0u) << run.output.substr(0, 400);
  const std::string text = run.output.substr(box.size(), run.output.find('\n', box.size()) - box.size());
  EXPECT_NE(text.find((folder() / "readme.txt").string()), std::string::npos) << text;
  EXPECT_EQ(text.back(), '.');
  EXPECT_NE(run.output.find("=== end\n=== window Quorvel\n"), std::string::npos);
  EXPECT_NE(run.output.find("=== window Help\n--- memo Memo1\n=== end\n"), std::string::npos);
  EXPECT_EQ(run.output.find("=== box", box.size()), std::string::npos);
}

TEST_F(ProgramRun, ALineThatIsNoActionIsAnErrorAndTheProgramGoesOn) {
  LayOut(true);
  const Result run = Run("open sesame\nkey F5\nshow\n");
  EXPECT_EQ(run.status, 0);
  EXPECT_NE(run.output.find("=== error not an action: open sesame\n"), std::string::npos);
  EXPECT_NE(testing_support::WithDeviceCountAsN(run.output).find("\nRefresh ...\nN devices detected ...\n"),
            std::string::npos);
}

TEST_F(ProgramRun, AnUnknownFrontEndIsRefused) {
  LayOut(true);
  const Result run = Run("", "curses");
  EXPECT_EQ(run.status, 2);
  EXPECT_NE(run.output.find("QUORVEL_UI must be console or qt"), std::string::npos);
}

}  // namespace
