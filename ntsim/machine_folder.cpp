#include "ntsim/machine_folder.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace ntsim {

namespace fs = std::filesystem;

namespace {

std::string Describe(const fs::path& path, int error_number) {
  return path.string() + ": " + std::strerror(error_number);
}

std::string_view Trim(std::string_view text) {
  const auto first = text.find_first_not_of(" \t\r");
  if (first == std::string_view::npos) return {};
  const auto last = text.find_last_not_of(" \t\r");
  return text.substr(first, last - first + 1);
}

bool ParseSelector(std::string_view text, WORD& selector) {
  int base = 10;
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    text.remove_prefix(2);
    base = 16;
  }
  if (text.empty()) return false;
  unsigned long value = 0;
  for (const char c : text) {
    int digit;
    if (c >= '0' && c <= '9') digit = c - '0';
    else if (base == 16 && c >= 'a' && c <= 'f') digit = c - 'a' + 10;
    else if (base == 16 && c >= 'A' && c <= 'F') digit = c - 'A' + 10;
    else return false;
    value = value * static_cast<unsigned long>(base) + static_cast<unsigned long>(digit);
    if (value > 0xFFFF) return false;
  }
  selector = static_cast<WORD>(value);
  return true;
}

// Writes all of the text to the descriptor, or says why not.
bool WriteAll(int descriptor, std::string_view text) {
  while (!text.empty()) {
    const ssize_t put = ::write(descriptor, text.data(), text.size());
    if (put < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    text.remove_prefix(static_cast<std::size_t>(put));
  }
  return true;
}

void CreateFolder() {
  std::error_code error;
  fs::create_directories(MachineFolder(), error);
  if (error) {
    throw MachineFault("cannot create the machine folder " + MachineFolder().string() + ": " +
                       error.message());
  }
}

}  // namespace

fs::path MachineFolder() {
  if (const char* named = std::getenv("QUORVEL_MACHINE"); named != nullptr && *named != '\0') {
    return fs::path(named);
  }
  fs::path state;
  if (const char* xdg = std::getenv("XDG_STATE_HOME"); xdg != nullptr && *xdg != '\0') {
    state = xdg;
  } else {
    const char* home = std::getenv("HOME");
    state = fs::path(home != nullptr ? home : ".") / ".local" / "state";
  }
  return state / "quorvel" / "machine";
}

MachineSettings ParseMachineSettings(std::string_view text, const std::string& file_name) {
  MachineSettings settings;
  int line_number = 0;
  while (!text.empty()) {
    const auto end = text.find('\n');
    const std::string_view raw = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
    ++line_number;
    const std::string_view line = Trim(raw);
    if (line.empty() || line[0] == ';' || line[0] == '#') continue;

    const auto fail = [&](const std::string& why) {
      throw MachineFault(file_name + ":" + std::to_string(line_number) + ": " + why);
    };
    const auto equals = line.find('=');
    if (equals == std::string_view::npos) fail("expected \"key = value\"");
    const std::string_view key = Trim(line.substr(0, equals));
    const std::string_view value = Trim(line.substr(equals + 1));
    if (key == "administrator") {
      if (value == "true") settings.administrator = true;
      else if (value == "false") settings.administrator = false;
      else fail("administrator must be true or false");
    } else if (key == "cs" || key == "ds") {
      WORD& selector = key == "cs" ? settings.cs : settings.ds;
      if (!ParseSelector(value, selector)) fail(std::string(key) + " must be a 16-bit number");
    } else {
      fail("unknown key \"" + std::string(key) + "\"");
    }
  }
  return settings;
}

namespace {
std::optional<MachineSettings> current_settings;
}  // namespace

const MachineSettings& CurrentMachineSettings() {
  if (!current_settings) {
    try {
      const auto text = ReadMachineFile("machine.ini");
      current_settings = text ? ParseMachineSettings(*text, (MachineFolder() / "machine.ini").string())
                              : MachineSettings{};
    } catch (const MachineFault& fault) {
      StopMachine(fault);
    }
  }
  return *current_settings;
}

namespace testing {
void ForgetMachineSettings() { current_settings.reset(); }
}  // namespace testing

std::optional<std::string> ReadMachineFile(std::string_view name) {
  const fs::path path = MachineFolder() / name;
  const int descriptor = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (descriptor < 0) {
    if (errno == ENOENT) return std::nullopt;
    throw MachineFault("cannot read " + Describe(path, errno));
  }
  std::string content;
  char chunk[65536];
  for (;;) {
    const ssize_t got = ::read(descriptor, chunk, sizeof chunk);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) {
      const int error = errno;
      ::close(descriptor);
      throw MachineFault("cannot read " + Describe(path, error));
    }
    if (got == 0) break;
    content.append(chunk, static_cast<std::size_t>(got));
  }
  ::close(descriptor);
  return content;
}

void ReplaceMachineFile(std::string_view name, std::string_view content) {
  CreateFolder();
  const fs::path path = MachineFolder() / name;
  const fs::path temporary = MachineFolder() / (std::string(name) + ".new");
  const int descriptor = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (descriptor < 0) throw MachineFault("cannot write " + Describe(path, errno));
  // The new content is renamed over the old, so another program on the machine, or the next
  // start after one was killed, finds the one or the other whole. It is not flushed to the
  // disk first: like the registry's own lazy writer, the machine keeps its state for programs
  // that end or die, not for a host that loses power, and a flush for each of the five
  // changes of a run (the driver's service created, started, stopped, marked and removed)
  // made a run wait on the disk several times longer than it computes.
  const bool written = WriteAll(descriptor, content);
  const int write_error = errno;
  ::close(descriptor);
  if (!written || ::rename(temporary.c_str(), path.c_str()) != 0) {
    const int error = written ? errno : write_error;
    ::unlink(temporary.c_str());
    throw MachineFault("cannot write " + Describe(path, error));
  }
}

void AppendToMachineFile(std::string_view name, std::string_view text) {
  CreateFolder();
  const fs::path path = MachineFolder() / name;
  const int descriptor = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
  if (descriptor < 0) throw MachineFault("cannot write " + Describe(path, errno));
  const bool written = WriteAll(descriptor, text);
  const int error = errno;
  ::close(descriptor);
  if (!written) throw MachineFault("cannot write " + Describe(path, error));
}

MachineLock::MachineLock() {
  CreateFolder();
  // The lock is taken on the folder itself, so it needs no file of its own and works on a
  // folder the user may only read.
  descriptor_ = ::open(MachineFolder().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (descriptor_ < 0) throw MachineFault("cannot open " + Describe(MachineFolder(), errno));
  while (::flock(descriptor_, LOCK_EX) != 0) {
    if (errno != EINTR) {
      const int error = errno;
      ::close(descriptor_);
      throw MachineFault("cannot lock " + Describe(MachineFolder(), error));
    }
  }
}

MachineLock::~MachineLock() {
  ::flock(descriptor_, LOCK_UN);
  ::close(descriptor_);
}

void StopMachine(const MachineFault& fault) {
  std::fprintf(stderr, "quorvel: the simulated machine cannot go on: %s\n", fault.what());
  std::fflush(stderr);
  std::_Exit(3);
}

}  // namespace ntsim
