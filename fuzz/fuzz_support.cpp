#include "fuzz/fuzz_support.h"

#include <stdlib.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <system_error>

namespace fuzz_support {

namespace {

// The machine writes its files thousands of times a second under a fuzzer, each by atomic
// replace: a folder in memory keeps the disk out of it where the host has one.
std::filesystem::path TemporaryFolder() {
  if (getenv("TMPDIR") == nullptr && std::filesystem::is_directory("/dev/shm")) return "/dev/shm";
  return std::filesystem::temp_directory_path();
}

std::filesystem::path MakeFolder() {
  std::string pattern = (TemporaryFolder() / "quorvel-fuzz-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) Broken("no scratch machine folder could be made");
  setenv("QUORVEL_MACHINE", pattern.c_str(), 1);
  return pattern;
}

}  // namespace

const std::filesystem::path& ScratchMachine() {
  static const std::filesystem::path folder = MakeFolder();
  static const bool removal = [] {
    std::atexit([] {
      std::error_code ignored;
      std::filesystem::remove_all(folder, ignored);
    });
    return true;
  }();
  (void)removal;
  return folder;
}

void WriteBytes(const std::filesystem::path& file, std::string_view bytes) {
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) Broken("the scratch file " + file.string() + " could not be written");
}

void EmptyDebugLogNowAndThen() {
  static int calls = 0;
  if (++calls % 5000 != 0) return;
  std::error_code ignored;
  std::filesystem::resize_file(ScratchMachine() / "debug.log", 0, ignored);
}

void Broken(std::string_view why) {
  std::fprintf(stderr, "fuzz target: %.*s\n", static_cast<int>(why.size()), why.data());
  std::abort();
}

}  // namespace fuzz_support
