// Runs a command of the shell, as the tests run the real program.
#pragma once

#include <string>

namespace testing_support {

struct CommandResult {
  std::string output;  // what the command wrote to its standard output
  int status;          // its exit status, or -1 when it did not exit
};

CommandResult RunShellCommand(const std::string& command);

}  // namespace testing_support
