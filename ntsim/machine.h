// This process's view of the simulated machine: attached on first use, when the machine's
// lasting state is read back (a driver that was running when the last program ended is
// loaded again), and kept in step with what other programs on the same machine folder do.
#pragma once

namespace ntsim {

// Brings this process's machine up to date with the machine folder: drivers another program
// started are loaded here too, and drivers it stopped are unloaded. Called by every call that
// reaches the kernel or the Service Control Manager; the first call attaches the machine.
void AttachMachine();

namespace testing {
// Detaches this process from its machine as if the process had ended: every handle is
// dropped, no driver is called, and the next call attaches the machine of the folder that
// QUORVEL_MACHINE names then.
void ResetMachine();
}  // namespace testing

}  // namespace ntsim
