// The snapshot's records: an IDT gate, a resource descriptor, a device and the users of a
// vector. The main window holds its tables in them, and the list file and the list tool read
// them, so they need nothing of the window toolkit.
#pragma once

#include <cstddef>
#include <string>

#include "winapi/windef.h"

// The records of the snapshot. The list file stores the tables as raw bytes, so these
// layouts are also the file's format: packed, little-endian, and pinned by the asserts below.
// They must not move.
#pragma pack(push, 1)

// One IDT gate exactly as the processor stores it.
struct TGateDescriptor {
  WORD OffsetLow;
  WORD Selector;
  BYTE Reserved;
  BYTE Access;
  WORD OffsetHigh;
};

// A raw copy of one partial resource descriptor of a registry resource list; the variant
// part's meaning is chosen by Type (1 port, 2 interrupt, 3 memory, 4 DMA, 5 device-specific).
struct TPartialDescriptor {
  BYTE Type;
  BYTE ShareDisposition;
  WORD Flags;
  union {
    struct {
      LONGLONG Start;
      LONG Length;
    } Port;
    struct {
      LONG Level;
      LONG Vector;
      LONG Affinity;
    } Interrupt;
    struct {
      LONGLONG Start;
      LONG Length;
    } Memory;
    struct {
      LONG Channel;
      LONG Port;
      LONG Reserved1;
    } Dma;
    struct {
      LONG DataSize;
      LONG Reserved1;
      LONG Reserved2;
    } DeviceSpecificData;
  } u;
};

// A name of at most 80 characters behind its length byte. The bytes after the first Length
// characters are left-over content and not part of the name.
struct TShortString80 {
  BYTE Length;
  char Chars[80];

  // The name's text. A length byte above 80, as a damaged list file can hold, never reads
  // past the 80 characters.
  std::string Text() const { return std::string(Chars, Length <= 80 ? Length : 80); }
  void Assign(const std::string& text);
};

// One device found by the resource map scan.
struct TDeviceRecord {
  TShortString80 Name;
  LONG ResourceCount;
  TPartialDescriptor Resources[256];
};

// The devices that use one interrupt vector. DeviceIndex[0] to DeviceIndex[Count - 1] are
// 0-based indices into Devices, in the order the scan found them; DeviceIndex[0] is the
// first user.
struct TVectorUsage {
  LONG Count;
  LONG DeviceIndex[128];
};

#pragma pack(pop)

static_assert(sizeof(TGateDescriptor) == 8);
static_assert(offsetof(TGateDescriptor, Selector) == 2);
static_assert(offsetof(TGateDescriptor, Reserved) == 4);
static_assert(offsetof(TGateDescriptor, Access) == 5);
static_assert(offsetof(TGateDescriptor, OffsetHigh) == 6);

static_assert(sizeof(TPartialDescriptor) == 16);
static_assert(offsetof(TPartialDescriptor, ShareDisposition) == 1);
static_assert(offsetof(TPartialDescriptor, Flags) == 2);
static_assert(offsetof(TPartialDescriptor, u.Port.Start) == 4);
static_assert(offsetof(TPartialDescriptor, u.Port.Length) == 12);
static_assert(offsetof(TPartialDescriptor, u.Interrupt.Level) == 4);
static_assert(offsetof(TPartialDescriptor, u.Interrupt.Vector) == 8);
static_assert(offsetof(TPartialDescriptor, u.Interrupt.Affinity) == 12);
static_assert(offsetof(TPartialDescriptor, u.Memory.Start) == 4);
static_assert(offsetof(TPartialDescriptor, u.Memory.Length) == 12);
static_assert(offsetof(TPartialDescriptor, u.Dma.Channel) == 4);
static_assert(offsetof(TPartialDescriptor, u.Dma.Port) == 8);
static_assert(offsetof(TPartialDescriptor, u.DeviceSpecificData.DataSize) == 4);

static_assert(sizeof(TShortString80) == 81);
static_assert(sizeof(TDeviceRecord) == 4181);
static_assert(offsetof(TDeviceRecord, ResourceCount) == 81);
static_assert(offsetof(TDeviceRecord, Resources) == 85);

static_assert(sizeof(TVectorUsage) == 516);
static_assert(offsetof(TVectorUsage, DeviceIndex) == 4);
