// What changed between two snapshots: gates, devices and the users of vectors, as a report
// of one line per change.
#pragma once

#include <string>

#include "listtool/ListSnapshot.h"

// Empty when the snapshots agree. Otherwise, in this order:
// - "gate Interrupt 2E/46: offset 08013A6C0 -> 0F1234560", one line per vector whose
//   selector, offset, type, size, DPL or present bit changed, naming the fields that did;
// - per device that disappeared, changed its resources or appeared: "device disappeared:",
//   "device changed:" or "device appeared:" and its name, then one line per resource it lost
//   ("  - ") or gained ("  + ");
// - "users of Interrupt 3B/59: NetCard -> NetCard, SoundCard", one line per vector whose
//   users changed, "none" for no users.
// Devices are matched by name, as their indices depend on the scan's order; of several
// devices of one name, the first in one snapshot matches the first in the other, and so on.
// Resources are compared as a whole descriptor each, without regard to their order.
std::string DiffSnapshots(const TListSnapshot& Old, const TListSnapshot& New);
