#include "tests/support/shell_command.h"

#include <sys/wait.h>

#include <cstdio>

namespace testing_support {

CommandResult RunShellCommand(const std::string& command) {
  CommandResult result{{}, -1};
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return result;
  char buffer[4096];
  for (std::size_t got; (got = fread(buffer, 1, sizeof buffer, pipe)) > 0;) {
    result.output.append(buffer, got);
  }
  const int status = pclose(pipe);
  result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}

}  // namespace testing_support
