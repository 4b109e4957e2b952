// The real program, run through the console protocol from a copy of its folder, on a machine
// folder of its own (QUORVEL_MACHINE) that a test may fill beforehand.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "tests/support/scratch_machine.h"
#include "tests/support/shell_command.h"

namespace testing_support {

using Result = CommandResult;

class ProgramRun : public ::testing::Test {
 protected:
  // A copy of the program's folder: the program and its driver, with or without the help
  // text.
  void LayOut(bool withHelp) {
    namespace fs = std::filesystem;
    fs::create_directories(folder());
    fs::copy_file(QUORVEL_PROGRAM, folder() / "quorvel");
    fs::permissions(folder() / "quorvel", fs::perms::owner_all);
    fs::copy_file(QUORVEL_DRIVER, folder() / "vir.uze");
    if (withHelp) fs::copy_file(QUORVEL_README, folder() / "readme.txt");
  }

  std::filesystem::path folder() const { return machine_.folder() / "bin"; }

  Result Run(const std::string& input, const std::string& ui = "console") {
    const std::filesystem::path inputFile = machine_.folder() / "input.txt";
    std::ofstream(inputFile, std::ios::binary) << input;
    const std::string command = "QUORVEL_UI=" + ui + " '" + (folder() / "quorvel").string() +
                                "' < '" + inputFile.string() + "' 2>&1";
    return RunShellCommand(command);
  }

  ScratchMachine machine_;
};

}  // namespace testing_support
