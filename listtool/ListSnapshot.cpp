#include "listtool/ListSnapshot.h"

#include <type_traits>

#include "app/IdtText.h"
#include "app/ResourceText.h"
#include "vcl/SysUtils.h"

namespace {

constexpr LONG kUserSlots = std::extent_v<decltype(TVectorUsage::DeviceIndex)>;
constexpr LONG kDeviceCount = std::extent_v<decltype(TListSnapshot::Devices)>;
constexpr LONG kResourceSlots = std::extent_v<decltype(TDeviceRecord::Resources)>;
constexpr int kNameChars = sizeof(TShortString80::Chars);

}  // namespace

TListReading ReadListSnapshot(const TListTransfer& Read) {
  TListReading Reading;
  auto Snapshot = std::make_unique<TListSnapshot>();
  const int Moved = TransferListFile(
      ListFileBlocks(Snapshot->IdtBuffer, Snapshot->VectorUsage, Snapshot->Devices), Read);
  if (Moved < kListFileSize) {
    Reading.Problems.push_back("short list file: it ends after " + IntToStr(Moved) +
                               " bytes, a list file has " + IntToStr(kListFileSize));
    return Reading;
  }
  char Beyond = 0;
  if (Read(&Beyond, 1) > 0) {
    Reading.Problems.push_back("not a list file: it goes on after the " +
                               IntToStr(kListFileSize) + " bytes of a list file");
    return Reading;
  }
  Reading.Problems = SnapshotProblems(*Snapshot);
  if (Reading.Problems.empty()) Reading.Snapshot = std::move(Snapshot);
  return Reading;
}

std::vector<std::string> SnapshotProblems(const TListSnapshot& Snapshot) {
  std::vector<std::string> Problems;
  std::size_t Found = 0;
  const auto Report = [&](const std::string& Problem) {
    if (++Found <= kMaxListedProblems) Problems.push_back("damaged list file: " + Problem);
  };

  for (DWORD v = 0; v < 256; ++v) {
    const TVectorUsage& Usage = Snapshot.VectorUsage[v];
    if (Usage.Count < 0 || Usage.Count > kUserSlots) {
      Report(VectorText(v) + ": its user count is " + IntToStr(Usage.Count) + ", outside 0 to " +
             IntToStr(kUserSlots));
      continue;
    }
    for (LONG j = 0; j < Usage.Count; ++j) {
      const LONG Index = Usage.DeviceIndex[j];
      if (Index < 0 || Index >= kDeviceCount) {
        Report(VectorText(v) + ": user " + IntToStr(j + 1) + " is device " + IntToStr(Index) +
               ", outside 0 to " + IntToStr(kDeviceCount - 1));
      }
    }
  }
  // Device records that no vector uses hold left-over bytes the readers never reach.
  for (const LONG i : UsedDevices(Snapshot)) {
    const TDeviceRecord& Device = Snapshot.Devices[i];
    if (Device.Name.Length > kNameChars) {
      Report("device " + IntToStr(i) + ": its name length is " + IntToStr(Device.Name.Length) +
             ", above " + IntToStr(kNameChars));
    }
    if (Device.ResourceCount < 0 || Device.ResourceCount > kResourceSlots) {
      Report("device " + IntToStr(i) + ": its resource count is " +
             IntToStr(Device.ResourceCount) + ", outside 0 to " + IntToStr(kResourceSlots));
    }
  }
  if (Found > kMaxListedProblems) {
    Problems.push_back("damaged list file: " + IntToStr(Found - kMaxListedProblems) +
                       " more problems");
  }
  return Problems;
}

std::vector<LONG> UsedDevices(const TListSnapshot& Snapshot) {
  bool Used[kDeviceCount] = {};
  for (const TVectorUsage& Usage : Snapshot.VectorUsage) {
    for (const LONG Index : VectorUsers(Usage)) Used[Index] = true;
  }
  std::vector<LONG> Devices;
  for (LONG i = 0; i < kDeviceCount; ++i) {
    if (Used[i]) Devices.push_back(i);
  }
  return Devices;
}
