#include "ntsim/registry_resource_list.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

namespace {

using ntsim::InterfaceType;
using ntsim::ResourceListBuilder;
using ntsim::ShareDisposition;

TEST(ResourceListBuilder, LaysOutFullAndPartialDescriptors) {
  const auto list = ResourceListBuilder()
                        .Full(InterfaceType::Isa, 2, 1, 3)
                        .Port(0x3F8, 8, ShareDisposition::DeviceExclusive)
                        .Interrupt(23, 0x34, 1, ntsim::kInterruptLatched,
                                   ShareDisposition::Shared)
                        .DeviceSpecific({0xAA, 0xBB, 0xCC})
                        .Full(InterfaceType::PCIBus, 0, 0, 0)
                        .Memory(0x1'FEBF'F000, 0x1000, ShareDisposition::DriverExclusive,
                                ntsim::kMemoryReadOnly)
                        .Dma(5, 0x12, ShareDisposition::Undetermined)
                        .Build();
  const std::vector<BYTE> expected = {
      2, 0, 0, 0,  // two full descriptors
      // The first: Isa, bus 2, version 1, revision 3, three partial descriptors.
      1, 0, 0, 0, 2, 0, 0, 0, 1, 0, 3, 0, 3, 0, 0, 0,
      // Port 0x3F8, 8 bytes, device-exclusive, in I/O space.
      1, 1, 1, 0, 0xF8, 0x03, 0, 0, 0, 0, 0, 0, 8, 0, 0, 0,
      // Interrupt at level 23, vector 0x34, processor 0, shared, latched.
      2, 3, 1, 0, 23, 0, 0, 0, 0x34, 0, 0, 0, 1, 0, 0, 0,
      // Device-specific data of 3 bytes, the bytes right after it.
      5, 0, 0, 0, 3, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xAA, 0xBB, 0xCC,
      // The second: PCI, bus 0, version 0, revision 0, two partial descriptors.
      5, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 0, 0, 0,
      // Memory at 0x1FEBFF000, 4 KB, read-only, driver-exclusive.
      3, 2, 1, 0, 0x00, 0xF0, 0xBF, 0xFE, 1, 0, 0, 0, 0x00, 0x10, 0, 0,
      // DMA channel 5, port 0x12.
      4, 0, 0, 0, 5, 0, 0, 0, 0x12, 0, 0, 0, 0, 0, 0, 0,
  };
  EXPECT_EQ(list, expected);
}

TEST(ResourceListBuilder, AnEmptyListHasACountOfZero) {
  EXPECT_EQ(ResourceListBuilder().Build(), (std::vector<BYTE>{0, 0, 0, 0}));
}

TEST(ResourceListBuilder, RefusesDescriptorsOutsideAList) {
  EXPECT_THROW(ResourceListBuilder().Port(0x60, 1, ShareDisposition::Shared), std::logic_error);
  ResourceListBuilder builder;
  builder.Full(InterfaceType::Isa, 0).DeviceSpecific({1});
  EXPECT_THROW(builder.Dma(2, 0, ShareDisposition::DeviceExclusive), std::logic_error);
  // The next full descriptor takes descriptors again.
  EXPECT_NO_THROW(builder.Full(InterfaceType::Isa, 0).Dma(2, 0, ShareDisposition::Shared));
}

}  // namespace
