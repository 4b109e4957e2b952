// The real program, run through the console protocol as a person or a script would.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "tests/app/program_run.h"
#include "tests/app/scan_line.h"
#include "tools/version_resource.h"

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

// The Qt front-end is the module vcl_qt.so beside the program, loaded only when the program
// draws windows.
TEST_F(ProgramRun, ARunInTheTerminalLoadsNoQtLibrary) {
  LayOut(true);
  ::setenv("LD_DEBUG", "files", 1);
  const Result run = Run("");
  ::unsetenv("LD_DEBUG");
  EXPECT_EQ(run.status, 0);
  EXPECT_NE(run.output.find("=== window Quorvel"), std::string::npos);
  EXPECT_EQ(run.output.find("libQt6"), std::string::npos);
}

TEST_F(ProgramRun, QtWithoutItsModuleIsRefused) {
  LayOut(true);
  const Result run = Run("", "qt");
  EXPECT_EQ(run.status, 2);
  EXPECT_NE(run.output.find("QUORVEL_UI=qt, but this build has no Qt front-end"),
            std::string::npos);
}

TEST_F(ProgramRun, AQtModuleThatDoesNotLoadIsNamed) {
  LayOut(true);
  std::ofstream(folder() / "vcl_qt.so", std::ios::binary) << "not a shared object";
  const Result run = Run("", "qt");
  EXPECT_EQ(run.status, 2);
  EXPECT_NE(run.output.find("the Qt front-end " + (folder() / "vcl_qt.so").string() +
                            " cannot be loaded"),
            std::string::npos);
}

}  // namespace

namespace {

namespace fs = std::filesystem;

// The About box of a copy of the program whose version resource a case replaces or removes.
class AboutBox : public ProgramRun {
 protected:
  void SetUp() override { LayOut(true); }

  void UseResource(const std::string& description, bool cutTranslation = false) {
    auto block = version_resource::Serialize(
        version_resource::VersionInfoOf(version_resource::ParseDescription(description)));
    if (cutTranslation) {
      // The list's value length, the second word of the node before the key, says 2 bytes.
      const std::string key("T\0r\0a\0n\0s\0l\0a\0t\0i\0o\0n\0\0\0", 24);
      const auto at = std::search(block.begin(), block.end(), key.begin(), key.end());
      ASSERT_NE(at, block.end());
      *(at - 4) = 2;
    }
    const fs::path file = machine_.folder() / "resource.bin";
    std::ofstream(file, std::ios::binary)
        .write(reinterpret_cast<const char*>(block.data()), static_cast<std::streamsize>(block.size()));
    Objcopy("--update-section .rsrc='" + file.string() + "'");
  }

  void Objcopy(const std::string& arguments) {
    const std::string command = std::string("'") + QUORVEL_OBJCOPY + "' " + arguments + " '" +
                                (folder() / "quorvel").string() + "'";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
  }

  // The text of every box the program showed, captioned with its title, in order.
  std::vector<std::string> Abouts(const std::string& input) {
    const Result run = Run(input);
    EXPECT_EQ(run.status, 0);
    std::vector<std::string> boxes;
    const std::string start = "=== box none quorvel\n";
    for (auto at = run.output.find(start); at != std::string::npos;
         at = run.output.find(start, at + 1)) {
      const auto text = at + start.size();
      boxes.push_back(run.output.substr(text, run.output.find("=== end\n", text) - text));
    }
    return boxes;
  }
};

constexpr const char* kNoVersion = " - Build \n\n\nThis is Freeware !\n";

TEST_F(AboutBox, ShowsTheProgramsOwnVersionResourceEveryTime) {
  const std::string box =
      "Quorvel - Build 1.0.1.10\nCopyright © 2026 Quorvel Project\n\nThis is Freeware !\n";
  EXPECT_EQ(Abouts("menu Info/About\nmenu Info/About\n"), std::vector<std::string>(2, box));
}

TEST_F(AboutBox, WithoutAVersionResourceShowsTheFixedTextsEveryTime) {
  Objcopy("--remove-section .rsrc");
  EXPECT_EQ(Abouts("menu Info/About\nmenu Info/About\n"), std::vector<std::string>(2, kNoVersion));
}

TEST_F(AboutBox, ReadsTheStringTableOfTheFirstTranslation) {
  constexpr const char* kTables =
      "[StringFileInfo 040704E4]\n"
      "FileDescription = Deutsch\nFileVersion = 1.0\nLegalCopyright = (c) de\n"
      "[StringFileInfo 040904B0]\n"
      "FileDescription = English\nFileVersion = 2.0\nLegalCopyright = (c) en\n"
      "[StringFileInfo 040004E4]\n"
      "FileDescription = Neutral\nFileVersion = 3.0\n";
  const struct {
    const char* translation;
    bool cut;
    std::string box;
  } cases[] = {
      {"[VarFileInfo]\nTranslation = 0409 04B0, 0407 04E4\n", false,
       "English - Build 2.0\n(c) en\n\nThis is Freeware !\n"},
      // The low byte of the language is zero; the table lacks LegalCopyright.
      {"[VarFileInfo]\nTranslation = 0400 04E4\n", false,
       "Neutral - Build 3.0\n<not available>\n\nThis is Freeware !\n"},
      {"[VarFileInfo]\nTranslation = 0C07 04E4, 0407 04E4\n", false,
       "<not available> - Build <not available>\n<not available>\n\nThis is Freeware !\n"},
      {"[VarFileInfo]\nTranslation =\n", false, kNoVersion},
      {"[VarFileInfo]\nTranslation = 0407 04E4\n", true, kNoVersion},
      {"", false, kNoVersion},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.translation);
    UseResource(std::string("Version = 1.0.1.10\n") + kTables + c.translation, c.cut);
    EXPECT_EQ(Abouts("menu Info/About\n"), std::vector<std::string>{c.box});
  }
}

}  // namespace
