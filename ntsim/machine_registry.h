// This process's view of the machine's registry: registry.reg of the machine folder, else
// the built-in profile's registry. The registry calls and the Service Control Manager both
// work on this one tree. It is used from one thread at a time, as the machine is.
#pragma once

#include <functional>

#include "ntsim/registry_tree.h"

namespace ntsim {

// The registry, loaded on first use. A malformed registry.reg stops the machine
// (StopMachine) with the file's name and the line. The reference stays valid, but keys
// found in it are valid only until the next refresh or change.
const RegistryTree& MachineRegistry();

// Re-reads registry.reg if another program changed it since this process last read it
// (the file's identity, size and times tell). A malformed file stops the machine.
void RefreshMachineRegistry();

// Locks the machine folder (MachineLock), re-reads registry.reg if another program changed
// it, and runs `change` on a copy of the registry. When `change` returns true the copy is
// written back by atomic replace, in the format the file was read in (the built-in profile
// as REGEDIT4), and becomes the registry. When it returns false or throws, nothing changes.
// A file that cannot be written is a MachineFault thrown to the caller, the registry and
// the file left as they were. `change` must not call ChangeMachineRegistry itself.
void ChangeMachineRegistry(const std::function<bool(RegistryTree&)>& change);

namespace testing {
// Drops the loaded registry, so that the next use loads the current machine folder's.
void ForgetMachineRegistry();
}  // namespace testing

}  // namespace ntsim
