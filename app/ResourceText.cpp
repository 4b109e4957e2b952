#include "app/ResourceText.h"

#include <type_traits>

#include "vcl/SysUtils.h"

TResourceEntry ResourceEntry(const TPartialDescriptor& Resource) {
  switch (Resource.Type) {
    case 1:
      return {TResourcePlace::Ports,
              {"0x" + IntToHex(Resource.u.Port.Start, 5), IntToStr(Resource.u.Port.Length)}};
    case 2:
      return {TResourcePlace::Interrupts,
              {"0x" + IntToHex(Resource.u.Interrupt.Vector, 2) + " / " +
                   IntToStr(Resource.u.Interrupt.Vector),
               IntToStr(Resource.u.Interrupt.Level),
               "0x" + IntToHex(Resource.u.Interrupt.Affinity, 2)}};
    case 3: {
      // The end is the first address after the range. It is summed as a 64-bit pattern, so
      // that a damaged start near the top wraps instead of overflowing.
      const auto Start = static_cast<ULONGLONG>(Resource.u.Memory.Start);
      const auto End = Start + static_cast<ULONGLONG>(LONGLONG{Resource.u.Memory.Length});
      return {TResourcePlace::Memory,
              {"Address:0x" + IntToHex(Start, 9) + " - 0x" + IntToHex(End, 9)}};
    }
    case 4:
      return {TResourcePlace::Dma,
              {IntToStr(Resource.u.Dma.Channel), "0x" + IntToHex(Resource.u.Dma.Port, 3)}};
    case 5:
      return {TResourcePlace::DeviceSpecific,
              {"DataSize: " + IntToStr(Resource.u.DeviceSpecificData.DataSize)}};
    default:
      return {TResourcePlace::None, {}};
  }
}

std::vector<const char*> ResourceHeadings(TResourcePlace Place) {
  switch (Place) {
    case TResourcePlace::Ports:
      return {"Address", "Length"};
    case TResourcePlace::Interrupts:
      return {"Vector", "Level", "Affinity"};
    case TResourcePlace::Dma:
      return {"Channel", "Port"};
    case TResourcePlace::None:
    case TResourcePlace::Memory:
    case TResourcePlace::DeviceSpecific:
      break;
  }
  return {};
}

std::vector<LONG> VectorUsers(const TVectorUsage& Usage) {
  constexpr LONG kSlots = std::extent_v<decltype(TVectorUsage::DeviceIndex)>;
  const LONG Slots = Usage.Count < kSlots ? Usage.Count : kSlots;
  std::vector<LONG> Users;
  for (LONG j = 0; j < Slots; ++j) {
    const LONG Index = Usage.DeviceIndex[j];
    if (Index >= 0 && Index < 256) Users.push_back(Index);
  }
  return Users;
}

LONG ListedResourceCount(const TDeviceRecord& Device) {
  constexpr LONG kStored = std::extent_v<decltype(TDeviceRecord::Resources)>;
  if (Device.ResourceCount <= 0) return 0;
  return Device.ResourceCount < kStored ? Device.ResourceCount : kStored;
}
