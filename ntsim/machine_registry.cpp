#include "ntsim/machine_registry.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <optional>
#include <string>

#include "ntsim/machine_folder.h"
#include "ntsim/profile_registry.h"
#include "ntsim/reg_file.h"

namespace ntsim {

namespace {

constexpr const char* kFileName = "registry.reg";

// What tells one version of registry.reg from the next. Every write replaces the file by a
// new one, so its identity changes with each write, and its size and times almost always
// do as well.
struct FileStamp {
  dev_t device;
  ino_t inode;
  off_t size;
  long long modified_ns;
  long long changed_ns;
  bool operator==(const FileStamp&) const = default;
};

std::optional<FileStamp> StampOf(const std::string& path) {
  struct stat status {};
  if (::stat(path.c_str(), &status) != 0) {
    if (errno == ENOENT) return std::nullopt;
    throw MachineFault("cannot read " + path + ": " + std::strerror(errno));
  }
  const auto nanoseconds = [](const timespec& t) {
    return static_cast<long long>(t.tv_sec) * 1000000000LL + t.tv_nsec;
  };
  return FileStamp{status.st_dev, status.st_ino, status.st_size, nanoseconds(status.st_mtim),
                   nanoseconds(status.st_ctim)};
}

struct LoadedRegistry {
  bool loaded = false;
  std::string path;  // of the registry.reg it stands for
  std::optional<FileStamp> stamp;  // nothing when there was no file
  RegFileFormat format = RegFileFormat::Regedit4;
  RegistryTree tree;
};

LoadedRegistry& State() {
  static LoadedRegistry state;
  return state;
}

std::string CurrentPath() { return (MachineFolder() / kFileName).string(); }

// Reads registry.reg, or takes the built-in profile when there is none. The stamp is taken
// before the content, so a file replaced in between is read again next time.
void Load(LoadedRegistry& state) {
  const std::string path = CurrentPath();
  const auto stamp = StampOf(path);
  const auto bytes = ReadMachineFile(kFileName);
  if (!bytes) {
    state.tree = ProfileRegistry();
    state.format = RegFileFormat::Regedit4;
  } else {
    RegFile file = ParseRegFile(*bytes, path);
    state.tree = std::move(file.tree);
    state.format = file.format;
  }
  state.path = path;
  state.stamp = bytes ? stamp : std::nullopt;
  state.loaded = true;
}

void LoadIfChanged(LoadedRegistry& state) {
  const std::string path = CurrentPath();
  if (state.loaded && state.path == path && StampOf(path) == state.stamp) return;
  Load(state);
}

}  // namespace

const RegistryTree& MachineRegistry() {
  LoadedRegistry& state = State();
  if (!state.loaded) {
    try {
      Load(state);
    } catch (const MachineFault& fault) {
      StopMachine(fault);
    }
  }
  return state.tree;
}

void RefreshMachineRegistry() {
  try {
    LoadIfChanged(State());
  } catch (const MachineFault& fault) {
    StopMachine(fault);
  }
}

void ChangeMachineRegistry(const std::function<bool(RegistryTree&)>& change) {
  LoadedRegistry& state = State();
  MachineLock lock;
  RefreshMachineRegistry();
  RegistryTree changed = state.tree;
  if (!change(changed)) return;
  ReplaceMachineFile(kFileName, WriteRegFile(changed, state.format));
  state.tree = std::move(changed);
  // The file is this process's own writing now; under the lock nobody else can have
  // replaced it since.
  try {
    state.stamp = StampOf(state.path);
  } catch (const MachineFault&) {
    state.stamp.reset();  // re-read at the next refresh
  }
}

namespace testing {
void ForgetMachineRegistry() { State() = LoadedRegistry{}; }
}  // namespace testing

}  // namespace ntsim
