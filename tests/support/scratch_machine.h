// A fresh, empty machine folder for one test, named by QUORVEL_MACHINE while the test runs
// and removed afterwards.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace testing_support {

class ScratchMachine {
 public:
  ScratchMachine();
  ~ScratchMachine();
  ScratchMachine(const ScratchMachine&) = delete;
  ScratchMachine& operator=(const ScratchMachine&) = delete;

  const std::filesystem::path& folder() const { return folder_; }
  void Write(std::string_view name, std::string_view content) const;
  std::string Read(std::string_view name) const;

 private:
  std::filesystem::path folder_;
};

}  // namespace testing_support
