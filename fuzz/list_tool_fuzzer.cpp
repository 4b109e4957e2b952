// A list file as quorvel-list reads it: the tool's own reader takes the bytes as the file's,
// in the blocks and pieces a host file gives them, and checks every count and index in them.
// A file it accepts is printed as the table, both forms of the export and a comparison with
// an empty snapshot both ways, so that what the checks let through is also what the printing
// can bear.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>

#include "listtool/Export.h"
#include "listtool/ListSnapshot.h"
#include "listtool/SnapshotDiff.h"
#include "listtool/TableText.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::size_t at = 0;
  const TListReading reading = ReadListSnapshot([&](void* block, int wanted) {
    const std::size_t moved = std::min(size - at, static_cast<std::size_t>(wanted));
    if (moved > 0) std::memcpy(block, data + at, moved);
    at += moved;
    return static_cast<int>(moved);
  });
  if (!reading.Snapshot) return 0;

  static const auto empty = std::make_unique<TListSnapshot>();
  const TListSnapshot& snapshot = *reading.Snapshot;
  AlignedTable(TableRows(snapshot));
  JsonExport(snapshot);
  CsvExport(snapshot);
  DiffSnapshots(snapshot, *empty);
  DiffSnapshots(*empty, snapshot);
  return 0;
}
