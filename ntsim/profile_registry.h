// The registry of the built-in profile: a typical uniprocessor NT 4.0 PC with a PIC-based
// HAL, whose hardware resource map (HARDWARE\RESOURCEMAP) lists what each device was given
// and whose service database (SYSTEM\CurrentControlSet\Services) holds its drivers.
//
// Each device is a key below its driver class (HARDWARE\RESOURCEMAP\CLASS\DEVICE) with two
// REG_RESOURCE_LIST values, NAME.Raw as the bus sees the resources and NAME.Translated as
// the processor does; NAME is empty or the device object's name ("\Device\Video0"). The
// HAL connects IRQ n to interrupt vector 0x30 + n at level 27 - n, on processor 0 alone.
#pragma once

#include "ntsim/registry_tree.h"

namespace ntsim {

RegistryTree ProfileRegistry();

}  // namespace ntsim
