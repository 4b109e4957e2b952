// The detail view's texts: which devices use a vector, and each of their resources as the
// resources window lists it. The double-click on the main table fills the window from them,
// and the list tool exports the same texts from a list file.
#pragma once

#include <string>
#include <vector>

#include "app/SnapshotRecords.h"

// Where the resources window lists a descriptor: a row of one of its three grids, a line of
// one of its two memos, or nowhere (types 0 and above 5).
enum class TResourcePlace { None, Ports, Interrupts, Memory, Dma, DeviceSpecific };

struct TResourceEntry {
  TResourcePlace Place;
  // The cells of its grid row, column 0 first, or the one line of its memo; empty for None.
  std::vector<std::string> Texts;
};

TResourceEntry ResourceEntry(const TPartialDescriptor& Resource);

// The column headings of the grid a place's rows go into, column 0 first; none for the two
// memos and for None.
std::vector<const char*> ResourceHeadings(TResourcePlace Place);

// The device indices of the vector's users, in the order the scan found them. A list file is
// loaded without checks, so the tables' limits are enforced here: at most the 128 index slots
// are read, and a user that names no device record is left out.
std::vector<LONG> VectorUsers(const TVectorUsage& Usage);

// How many of the device's stored resources are listed: ResourceCount, held to 0 to 256.
LONG ListedResourceCount(const TDeviceRecord& Device);
