// What the fuzz targets share: a machine folder of their own for the whole run, and the
// forms of the program built without their start-up, so that one run of a target costs only
// what that run changes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string_view>

namespace fuzz_support {

// A fresh, empty machine folder below the host's temporary folder (TMPDIR, else /dev/shm
// where there is one), named by QUORVEL_MACHINE from the first call on and removed when the
// process ends normally.
const std::filesystem::path& ScratchMachine();

// Replaces the file's content with the bytes.
void WriteBytes(const std::filesystem::path& file, std::string_view bytes);

inline std::string_view BytesOf(const std::uint8_t* data, std::size_t size) {
  return {reinterpret_cast<const char*>(data), size};
}

// The kernel debugger appends the driver's lines to debug.log on every request and every
// start; this empties the log every few thousand calls, so that a long run does not fill
// the disk.
void EmptyDebugLogNowAndThen();

// A fault of the target itself, not of the code it drives: it says why on standard error
// and aborts, which libFuzzer reports as a finding with its input.
[[noreturn]] void Broken(std::string_view why);

}  // namespace fuzz_support
