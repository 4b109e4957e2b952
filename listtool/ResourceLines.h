// How the list tool names a resource: the place the resources window lists it in, and one
// line that carries its texts under the window's headings.
#pragma once

#include <string>

#include "app/ResourceText.h"

// "ports", "interrupts", "memory", "dma", "device-specific" or "none": the names the export
// and the comparison use for the resources window's grids and memos.
const char* PlaceName(TResourcePlace Place);

// The place, then the texts, each behind its grid's heading: "ports: Address 0x003F8,
// Length 8", "memory: Address:0x0000A0000 - 0x0000C0000", and for a descriptor the window
// leaves out "none: type 7".
std::string ResourceLine(const TPartialDescriptor& Resource);
