// A list file read by the list tool: the snapshot's three tables, taken from the file only
// when the file holds all of them and every count and index the readers follow stays inside
// the tables. The main window loads any file and guards each read; the tool refuses a file
// it cannot show whole, and says why.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "app/ListFile.h"
#include "app/SnapshotRecords.h"

struct TListSnapshot {
  TGateDescriptor IdtBuffer[2048];
  TVectorUsage VectorUsage[256];
  TDeviceRecord Devices[256];
};

// The snapshot, or what is wrong with the file: each problem is one line of text. Problems
// are either about the file's length or about values a reader would follow out of the
// tables; at most kMaxListedProblems are listed, then one line with the number left out.
struct TListReading {
  std::unique_ptr<TListSnapshot> Snapshot;
  std::vector<std::string> Problems;
};

inline constexpr std::size_t kMaxListedProblems = 10;

// Reads a list file through Read, which moves up to Size bytes from the file and returns how
// many it moved (0 at the end), in the order and blocks the main window loads them. A file
// that ends before the last block is full, or goes on after it, is not a list file.
TListReading ReadListSnapshot(const TListTransfer& Read);

// The counts and indices of a complete snapshot that would lead a reader out of its tables:
// a Count outside 0 to 128, a user's DeviceIndex outside 0 to 255, and, of the devices some
// vector uses, a Name length above 80 or a ResourceCount outside 0 to 256.
std::vector<std::string> SnapshotProblems(const TListSnapshot& Snapshot);

// The devices some vector uses, by ascending index, each once.
std::vector<LONG> UsedDevices(const TListSnapshot& Snapshot);
