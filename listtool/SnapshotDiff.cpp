#include "listtool/SnapshotDiff.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <utility>
#include <vector>

#include "app/IdtText.h"
#include "app/ResourceText.h"
#include "listtool/PlainText.h"
#include "listtool/ResourceLines.h"
#include "vcl/SysUtils.h"

namespace {

// A device as both snapshots know it: its name, and how many devices of that name come
// before it in its snapshot.
using TDeviceKey = std::pair<std::string, int>;

std::string KeyText(const TDeviceKey& Key) {
  const std::string Name = DisplayText(Key.first);
  return Key.second == 0 ? Name : Name + " [" + IntToStr(Key.second + 1) + "]";
}

std::string Trimmed(std::string Text) {
  const auto First = Text.find_first_not_of(' ');
  if (First == std::string::npos) return "";
  return Text.substr(First, Text.find_last_not_of(' ') - First + 1);
}

class TSnapshotKeys {
 public:
  explicit TSnapshotKeys(const TListSnapshot& Snapshot) {
    std::map<std::string, int> Seen;
    for (const LONG i : UsedDevices(Snapshot)) {
      const std::string Name = Snapshot.Devices[i].Name.Text();
      const TDeviceKey Key{Name, Seen[Name]++};
      KeyOf[i] = Key;
      IndexOf[Key] = i;
      Order.push_back(Key);
    }
  }

  std::map<LONG, TDeviceKey> KeyOf;
  std::map<TDeviceKey, LONG> IndexOf;
  std::vector<TDeviceKey> Order;
};

void DiffGate(DWORD v, const TGateDescriptor& Old, const TGateDescriptor& New,
              std::string& Report) {
  std::vector<std::string> Changes;
  const auto Compare = [&](const char* Field, const std::string& Before,
                           const std::string& After) {
    if (Before != After) Changes.push_back(std::string(Field) + Before + " -> " + After);
  };
  Compare("selector ", IntToHex(DWORD{Old.Selector}, 5), IntToHex(DWORD{New.Selector}, 5));
  Compare("offset ", IntToHex(GateOffset(Old), 9), IntToHex(GateOffset(New), 9));
  // " Unknown " stands for five types: the number tells them apart.
  const auto Type = [](BYTE Access) {
    return Trimmed(GateTypeText(Access)) + " (" + IntToStr(GateType(Access)) + ")";
  };
  Compare("type ", Type(Old.Access), Type(New.Access));
  Compare("size ", Trimmed(GateSizeText(Old.Access)), Trimmed(GateSizeText(New.Access)));
  Compare("DPL ", IntToStr(GateDpl(Old.Access)), IntToStr(GateDpl(New.Access)));
  const auto Presence = [](BYTE Access) { return GatePresent(Access) ? "present" : "not present"; };
  Compare("", Presence(Old.Access), Presence(New.Access));
  if (Changes.empty()) return;
  Report += "gate " + VectorText(v) + ": ";
  for (std::size_t n = 0; n < Changes.size(); ++n) Report += (n > 0 ? ", " : "") + Changes[n];
  Report += '\n';
}

std::vector<TPartialDescriptor> ListedResources(const TDeviceRecord& Device) {
  return {Device.Resources, Device.Resources + ListedResourceCount(Device)};
}

bool SameDescriptor(const TPartialDescriptor& A, const TPartialDescriptor& B) {
  return std::memcmp(&A, &B, sizeof A) == 0;
}

// The descriptors of From that To lacks, each taken once per time it stands there.
std::vector<TPartialDescriptor> Missing(const std::vector<TPartialDescriptor>& From,
                                        std::vector<TPartialDescriptor> To) {
  std::vector<TPartialDescriptor> Left;
  for (const TPartialDescriptor& Resource : From) {
    const auto Match = std::find_if(To.begin(), To.end(), [&](const TPartialDescriptor& Other) {
      return SameDescriptor(Resource, Other);
    });
    if (Match == To.end()) {
      Left.push_back(Resource);
    } else {
      To.erase(Match);
    }
  }
  return Left;
}

// The resource lines under a device's line. Two descriptors that differ only where the
// resources window shows nothing carry their share disposition and flags, so the two lines
// differ too.
void ResourceChanges(const std::vector<TPartialDescriptor>& Lost,
                     const std::vector<TPartialDescriptor>& Gained, std::string& Report) {
  std::vector<std::string> LostLines;
  std::vector<std::string> GainedLines;
  for (const auto& Resource : Lost) LostLines.push_back(DisplayText(ResourceLine(Resource)));
  for (const auto& Resource : Gained) GainedLines.push_back(DisplayText(ResourceLine(Resource)));
  const auto Write = [&](const char* Mark, const std::vector<TPartialDescriptor>& Resources,
                         const std::vector<std::string>& Lines,
                         const std::vector<std::string>& OtherLines) {
    for (std::size_t n = 0; n < Lines.size(); ++n) {
      Report += std::string("  ") + Mark + " " + Lines[n];
      if (std::find(OtherLines.begin(), OtherLines.end(), Lines[n]) != OtherLines.end()) {
        Report += " (share disposition " + IntToStr(Resources[n].ShareDisposition) +
                  ", flags 0x" + IntToHex(DWORD{Resources[n].Flags}, 4) + ")";
      }
      Report += '\n';
    }
  };
  Write("-", Lost, LostLines, GainedLines);
  Write("+", Gained, GainedLines, LostLines);
}

std::string UserList(const std::vector<TDeviceKey>& Users) {
  if (Users.empty()) return "none";
  std::string Text;
  for (std::size_t n = 0; n < Users.size(); ++n) Text += (n > 0 ? ", " : "") + KeyText(Users[n]);
  return Text;
}

std::vector<TDeviceKey> UserKeys(const TListSnapshot& Snapshot, const TSnapshotKeys& Keys,
                                 DWORD v) {
  std::vector<TDeviceKey> Users;
  for (const LONG Index : VectorUsers(Snapshot.VectorUsage[v])) {
    Users.push_back(Keys.KeyOf.at(Index));
  }
  return Users;
}

}  // namespace

std::string DiffSnapshots(const TListSnapshot& Old, const TListSnapshot& New) {
  std::string Report;
  for (DWORD v = 0; v < 256; ++v) DiffGate(v, Old.IdtBuffer[v], New.IdtBuffer[v], Report);

  const TSnapshotKeys OldKeys(Old);
  const TSnapshotKeys NewKeys(New);
  for (const TDeviceKey& Key : OldKeys.Order) {
    const auto OldResources = ListedResources(Old.Devices[OldKeys.IndexOf.at(Key)]);
    const auto Match = NewKeys.IndexOf.find(Key);
    if (Match == NewKeys.IndexOf.end()) {
      Report += "device disappeared: " + KeyText(Key) + "\n";
      ResourceChanges(OldResources, {}, Report);
      continue;
    }
    const auto NewResources = ListedResources(New.Devices[Match->second]);
    const auto Lost = Missing(OldResources, NewResources);
    const auto Gained = Missing(NewResources, OldResources);
    if (Lost.empty() && Gained.empty()) continue;
    Report += "device changed: " + KeyText(Key) + "\n";
    ResourceChanges(Lost, Gained, Report);
  }
  for (const TDeviceKey& Key : NewKeys.Order) {
    if (OldKeys.IndexOf.contains(Key)) continue;
    Report += "device appeared: " + KeyText(Key) + "\n";
    ResourceChanges({}, ListedResources(New.Devices[NewKeys.IndexOf.at(Key)]), Report);
  }

  for (DWORD v = 0; v < 256; ++v) {
    const auto Before = UserKeys(Old, OldKeys, v);
    const auto After = UserKeys(New, NewKeys, v);
    if (Before != After) {
      Report +=
          "users of " + VectorText(v) + ": " + UserList(Before) + " -> " + UserList(After) + "\n";
    }
  }
  return Report;
}
