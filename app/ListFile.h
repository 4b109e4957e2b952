// The list file: the snapshot's three tables written back to back as raw bytes, IdtBuffer,
// then VectorUsage, then Devices, with nothing before, between or after them. The main
// window saves and loads it through the run-time's file variables; the list tool reads it
// with the host's own file calls. Both move the same blocks in the same order through
// TransferListFile.
#pragma once

#include <array>
#include <functional>

#include "app/SnapshotRecords.h"

inline constexpr int kListFileSize = 2048 * sizeof(TGateDescriptor) +
                                     256 * sizeof(TVectorUsage) + 256 * sizeof(TDeviceRecord);
static_assert(kListFileSize == 1218816);

// One table's bytes in the file.
struct TListBlock {
  void* Data;
  int Size;
};

// The three blocks in the order the file holds them.
std::array<TListBlock, 3> ListFileBlocks(TGateDescriptor (&IdtBuffer)[2048],
                                         TVectorUsage (&VectorUsage)[256],
                                         TDeviceRecord (&Devices)[256]);

// Moves up to Size bytes between Data and the file and returns how many it moved; a failure
// of the file raises.
using TListTransfer = std::function<int(void* Data, int Size)>;

// Moves the blocks one after the other, each in one transfer, and returns the sum of the
// bytes moved; a whole list file moves kListFileSize. A read at the end of the file moves
// fewer bytes or none, which is no error here: each table takes the bytes the file has for
// it from its start and keeps the rest.
int TransferListFile(const std::array<TListBlock, 3>& Blocks, const TListTransfer& Transfer);
