#include "app/ListFile.h"

std::array<TListBlock, 3> ListFileBlocks(TGateDescriptor (&IdtBuffer)[2048],
                                         TVectorUsage (&VectorUsage)[256],
                                         TDeviceRecord (&Devices)[256]) {
  return {TListBlock{IdtBuffer, static_cast<int>(sizeof IdtBuffer)},
          TListBlock{VectorUsage, static_cast<int>(sizeof VectorUsage)},
          TListBlock{Devices, static_cast<int>(sizeof Devices)}};
}

int TransferListFile(const std::array<TListBlock, 3>& Blocks, const TListTransfer& Transfer) {
  int Moved = 0;
  for (const TListBlock& Block : Blocks) Moved += Transfer(Block.Data, Block.Size);
  return Moved;
}
