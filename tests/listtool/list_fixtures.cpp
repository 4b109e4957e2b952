#include "tests/listtool/list_fixtures.h"

#include <cstring>

#include "app/ListFile.h"

namespace list_fixtures {

namespace {

TPartialDescriptor Descriptor(BYTE Type, BYTE Share, WORD Flags) {
  TPartialDescriptor Resource{};
  Resource.Type = Type;
  Resource.ShareDisposition = Share;
  Resource.Flags = Flags;
  return Resource;
}

TGateDescriptor Gate(WORD Selector, DWORD Offset, BYTE Access) {
  return {static_cast<WORD>(Offset & 0xFFFF), Selector, 0, Access,
          static_cast<WORD>(Offset >> 16)};
}

}  // namespace

TPartialDescriptor Port(LONGLONG Start, LONG Length) {
  TPartialDescriptor Resource = Descriptor(1, 1, 1);
  Resource.u.Port.Start = Start;
  Resource.u.Port.Length = Length;
  return Resource;
}

TPartialDescriptor Interrupt(LONG Level, LONG Vector) {
  TPartialDescriptor Resource = Descriptor(2, 1, 1);
  Resource.u.Interrupt.Level = Level;
  Resource.u.Interrupt.Vector = Vector;
  Resource.u.Interrupt.Affinity = 1;
  return Resource;
}

TPartialDescriptor Memory(LONGLONG Start, LONG Length) {
  TPartialDescriptor Resource = Descriptor(3, 1, 0);
  Resource.u.Memory.Start = Start;
  Resource.u.Memory.Length = Length;
  return Resource;
}

TPartialDescriptor Dma(LONG Channel, LONG Port) {
  TPartialDescriptor Resource = Descriptor(4, 1, 0);
  Resource.u.Dma.Channel = Channel;
  Resource.u.Dma.Port = Port;
  return Resource;
}

TPartialDescriptor DeviceSpecific(LONG DataSize) {
  TPartialDescriptor Resource = Descriptor(5, 0, 0);
  Resource.u.DeviceSpecificData.DataSize = DataSize;
  return Resource;
}

void AddDevice(TListSnapshot& Snapshot, LONG Index, const std::string& Name,
               std::initializer_list<TPartialDescriptor> Resources) {
  TDeviceRecord& Device = Snapshot.Devices[Index];
  Device.Name.Assign(Name);
  Device.ResourceCount = 0;
  for (const TPartialDescriptor& Resource : Resources) {
    Device.Resources[Device.ResourceCount++] = Resource;
    if (Resource.Type != 2) continue;
    TVectorUsage& Usage = Snapshot.VectorUsage[Resource.u.Interrupt.Vector];
    Usage.DeviceIndex[Usage.Count++] = Index;
  }
}

std::unique_ptr<TListSnapshot> Base() {
  auto Snapshot = std::make_unique<TListSnapshot>();
  for (DWORD v = 0; v < 256; ++v) {
    const bool User = v == 3 || v == 4 || (v >= 0x2A && v <= 0x2E);
    Snapshot->IdtBuffer[v] = Gate(8, 0x80462B10 + 8 * v, User ? 0xEE : 0x8E);
  }
  Snapshot->IdtBuffer[2] = Gate(0x58, 0, 0x85);
  Snapshot->IdtBuffer[8] = Gate(0x50, 0, 0x85);
  AddDevice(*Snapshot, 0, "Serial0", {Port(0x3F8, 8), Interrupt(4, 0x34), DeviceSpecific(8)});
  AddDevice(*Snapshot, 1, "Sound", {Port(0x220, 16), Interrupt(5, 0x35), Dma(1, 0)});
  AddDevice(*Snapshot, 2, "PciEther",
            {Port(0xE000, 32), Memory(0xFEBF0000, 0x1000), Interrupt(11, 0x3B)});
  AddDevice(*Snapshot, 3, "Ger\xE4t, \"neu\"", {Port(0x300, 4), Interrupt(11, 0x3B)});
  return Snapshot;
}

std::unique_ptr<TListSnapshot> Changed() {
  auto Snapshot = std::make_unique<TListSnapshot>();
  std::memcpy(Snapshot->IdtBuffer, Base()->IdtBuffer, sizeof Snapshot->IdtBuffer);
  Snapshot->IdtBuffer[0x2E] = Gate(8, 0xF8001000, 0xEE);
  Snapshot->IdtBuffer[0x3B] = Gate(0x10, 0x80462B10 + 8 * 0x3B, 0x0E);
  AddDevice(*Snapshot, 0, "ScsiPort0", {Port(0x1F0, 8), Interrupt(14, 0x3E)});
  AddDevice(*Snapshot, 1, "PciEther",
            {Port(0xE000, 32), Memory(0xFEBF0000, 0x1000), Interrupt(11, 0x3B)});
  AddDevice(*Snapshot, 2, "Ger\xE4t, \"neu\"", {Port(0x300, 4), Interrupt(11, 0x3B)});
  AddDevice(*Snapshot, 3, "Serial0", {Port(0x2F8, 8), Interrupt(4, 0x34), DeviceSpecific(8)});
  return Snapshot;
}

std::unique_ptr<TListSnapshot> Damaged() {
  auto Snapshot = Base();
  Snapshot->VectorUsage[0x40].Count = 200;
  Snapshot->VectorUsage[0x41].Count = 1;
  Snapshot->VectorUsage[0x41].DeviceIndex[0] = 300;
  Snapshot->Devices[2].Name.Length = 90;
  Snapshot->Devices[1].ResourceCount = 300;
  std::memset(&Snapshot->Devices[200], 0xFF, sizeof Snapshot->Devices[200]);
  return Snapshot;
}

std::string FileBytes(const TListSnapshot& Snapshot) {
  const auto Copy = std::make_unique<TListSnapshot>(Snapshot);
  std::string Bytes;
  TransferListFile(ListFileBlocks(Copy->IdtBuffer, Copy->VectorUsage, Copy->Devices),
                   [&Bytes](void* Data, int Size) {
                     Bytes.append(static_cast<const char*>(Data), static_cast<std::size_t>(Size));
                     return Size;
                   });
  return Bytes;
}

}  // namespace list_fixtures
