// The built-in profile's IDT: the 256 gates of a uniprocessor NT 4.0 PC with a PIC-based HAL,
// as the processor holds them (8 bytes a gate, little-endian).
#pragma once

#include <vector>

#include "winapi/windef.h"

namespace ntsim {

std::vector<BYTE> BuiltInIdt();

}  // namespace ntsim
