#include "tests/support/scratch_machine.h"

#include <stdlib.h>

#include <fstream>
#include <sstream>
#include <stdexcept>

namespace testing_support {

ScratchMachine::ScratchMachine() {
  std::string pattern = (std::filesystem::temp_directory_path() / "quorvel-test-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  folder_ = pattern;
  ::setenv("QUORVEL_MACHINE", folder_.c_str(), 1);
}

ScratchMachine::~ScratchMachine() {
  ::unsetenv("QUORVEL_MACHINE");
  std::error_code ignored;
  std::filesystem::permissions(folder_, std::filesystem::perms::owner_all,
                               std::filesystem::perm_options::add, ignored);
  std::filesystem::remove_all(folder_, ignored);
}

void ScratchMachine::Write(std::string_view name, std::string_view content) const {
  std::ofstream out(folder_ / name, std::ios::binary);
  out << content;
}

std::string ScratchMachine::Read(std::string_view name) const {
  std::ifstream in(folder_ / name, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  return std::move(content).str();
}

}  // namespace testing_support
