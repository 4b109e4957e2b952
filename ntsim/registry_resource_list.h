// Builds REG_RESOURCE_LIST data, the platform's record of the hardware resources a driver
// was given: a count of full descriptors, each naming its bus and holding a counted list of
// 16-byte partial descriptors (a port, an interrupt, a memory range, a DMA channel or a
// block of device-specific data). The built-in profile's resource map is written with it.
//
//   list:     Count (4) | full descriptors
//   full:     InterfaceType (4) | BusNumber (4) | Version (2) | Revision (2) | Count (4) |
//             Count partial descriptors
//   partial:  Type (1) | ShareDisposition (1) | Flags (2) | 12 bytes chosen by Type
//
// A device-specific descriptor's DataSize bytes of data follow it, so it stands last in
// its partial list. All numbers are little-endian.
#pragma once

#include <array>
#include <vector>

#include "winapi/windef.h"

namespace ntsim {

enum class InterfaceType : LONG {
  Internal = 0,
  Isa = 1,
  Eisa = 2,
  MicroChannel = 3,
  TurboChannel = 4,
  PCIBus = 5,
};

enum class ShareDisposition : UCHAR {
  Undetermined = 0,
  DeviceExclusive = 1,
  DriverExclusive = 2,
  Shared = 3,
};

inline constexpr UCHAR kResourcePort = 1;
inline constexpr UCHAR kResourceInterrupt = 2;
inline constexpr UCHAR kResourceMemory = 3;
inline constexpr UCHAR kResourceDma = 4;
inline constexpr UCHAR kResourceDeviceSpecific = 5;

inline constexpr USHORT kPortMemorySpace = 0x0;
inline constexpr USHORT kPortIoSpace = 0x1;
inline constexpr USHORT kInterruptLevelSensitive = 0x0;
inline constexpr USHORT kInterruptLatched = 0x1;
inline constexpr USHORT kMemoryReadWrite = 0x0;
inline constexpr USHORT kMemoryReadOnly = 0x1;

class ResourceListBuilder {
 public:
  // Starts the next full descriptor; the partial descriptors that follow belong to it.
  ResourceListBuilder& Full(InterfaceType bus, ULONG bus_number, USHORT version = 1,
                            USHORT revision = 1);
  ResourceListBuilder& Port(ULONGLONG start, ULONG length, ShareDisposition share,
                            USHORT flags = kPortIoSpace);
  ResourceListBuilder& Interrupt(ULONG level, ULONG vector, ULONG affinity, USHORT flags,
                                 ShareDisposition share);
  ResourceListBuilder& Memory(ULONGLONG start, ULONG length, ShareDisposition share,
                              USHORT flags = kMemoryReadWrite);
  ResourceListBuilder& Dma(ULONG channel, ULONG port, ShareDisposition share);
  // Ends the current full descriptor's list: nothing may be added to it afterwards.
  ResourceListBuilder& DeviceSpecific(std::vector<BYTE> data);

  std::vector<BYTE> Build() const;

 private:
  struct FullDescriptor {
    InterfaceType bus;
    ULONG bus_number;
    USHORT version;
    USHORT revision;
    std::vector<std::array<BYTE, 16>> partials;
    std::vector<BYTE> device_specific_data;
    bool closed = false;
  };

  // A new partial descriptor of the current full descriptor. Refused with std::logic_error
  // before the first Full or after a DeviceSpecific.
  std::array<BYTE, 16>& Partial(UCHAR type, ShareDisposition share, USHORT flags);
  // A port or memory range: a 64-bit start and a 32-bit length.
  ResourceListBuilder& Range(UCHAR type, ULONGLONG start, ULONG length, ShareDisposition share,
                             USHORT flags);

  std::vector<FullDescriptor> lists_;
};

}  // namespace ntsim
