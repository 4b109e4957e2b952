// The folder that holds the simulated machine's lasting state: registry.reg, idt.bin,
// machine.ini and debug.log. A file missing there is taken from the built-in profile; the
// machine writes only what changes, and writes every file by atomic replace.
#pragma once

#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

#include "winapi/windef.h"

namespace ntsim {

// A state the machine cannot start or go on from: a malformed or unreadable file of the
// machine folder, or a folder it cannot write. The message names the file (and the line).
class MachineFault : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// QUORVEL_MACHINE, else ${XDG_STATE_HOME:-$HOME/.local/state}/quorvel/machine.
std::filesystem::path MachineFolder();

// machine.ini: whether the user has administrator rights, and the CS and DS selectors a
// user program sees.
struct MachineSettings {
  bool administrator = true;
  WORD cs = 0x1B;
  WORD ds = 0x23;
};

// Lines are "key = value"; blank lines and lines starting with ';' or '#' are comments.
// Unknown keys and bad values are refused with the file's name and the line's number.
MachineSettings ParseMachineSettings(std::string_view text, const std::string& file_name);

// The settings of this process's machine, read from machine.ini on first use (the defaults
// when it is missing). A malformed machine.ini stops the machine.
const MachineSettings& CurrentMachineSettings();

namespace testing {
// Drops the settings read for this process, so that the next use reads machine.ini again.
void ForgetMachineSettings();
}  // namespace testing

// The file's bytes, or nothing when the machine folder has no such file.
std::optional<std::string> ReadMachineFile(std::string_view name);

// Replaces the file atomically: a reader sees the old or the new content, never a part.
void ReplaceMachineFile(std::string_view name, std::string_view content);

void AppendToMachineFile(std::string_view name, std::string_view text);

// Holds the machine folder exclusively while a program reads, changes and writes back state
// that another program on the same folder may change too. Released when the process dies.
class MachineLock {
 public:
  MachineLock();
  ~MachineLock();
  MachineLock(const MachineLock&) = delete;
  MachineLock& operator=(const MachineLock&) = delete;

 private:
  int descriptor_;
};

// Ends the process because the machine cannot go on: says why on standard error and exits
// with status 3, before anything of the machine's state is overwritten.
[[noreturn]] void StopMachine(const MachineFault& fault);

}  // namespace ntsim
