// Resource maps for the scan's tests: resource-list bytes with whatever counts a test
// chooses, and the fixture machines that both the in-process tests and the runs of the real
// program scan.
#pragma once

#include <array>
#include <cstdio>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "ntsim/registry_tree.h"
#include "winapi/winreg.h"

namespace scan_fixtures {

// One partial descriptor as the test writes it, with the data that follow it when it is
// device-specific.
struct Partial {
  BYTE type;
  DWORD first = 0, second = 0, third = 0;  // bytes 4-7, 8-11 and 12-15
  std::vector<BYTE> data;
  BYTE share = 1;

  std::array<BYTE, 16> Bytes() const {
    std::array<BYTE, 16> bytes{type, share, 0, 0};
    for (int i = 0; i < 4; ++i) {
      bytes[4 + i] = static_cast<BYTE>(first >> (8 * i));
      bytes[8 + i] = static_cast<BYTE>(second >> (8 * i));
      bytes[12 + i] = static_cast<BYTE>(third >> (8 * i));
    }
    return bytes;
  }
};

inline Partial Port(DWORD start, DWORD length) { return {1, start, 0, length, {}}; }
inline Partial Interrupt(LONG vector) { return {2, 5, static_cast<DWORD>(vector), 1, {}}; }
inline Partial Memory(DWORD start, DWORD length) { return {3, start, 0, length, {}}; }
inline Partial Dma(DWORD channel) { return {4, channel, 0, 0, {}}; }
inline Partial DeviceSpecific(std::vector<BYTE> data) {
  return {5, static_cast<DWORD>(data.size()), 0, 0, data};
}
// A device-specific descriptor whose DataSize says something else than the data after it.
inline Partial DeviceSpecificClaiming(DWORD dataSize) { return {5, dataSize, 0, 0, {}}; }

// A full descriptor; its count is the number of its partial descriptors unless given.
struct Full {
  std::vector<Partial> partials;
  std::optional<LONG> count;
};

inline void AppendLong(std::vector<BYTE>& bytes, LONG number) {
  for (int i = 0; i < 4; ++i) {
    bytes.push_back(static_cast<BYTE>(static_cast<DWORD>(number) >> (8 * i)));
  }
}

// REG_RESOURCE_LIST data with the counts the test chooses, matching what follows or not.
inline std::vector<BYTE> ResourceList(const std::vector<Full>& fulls,
                                      std::optional<LONG> count = {}) {
  std::vector<BYTE> bytes;
  AppendLong(bytes, count.value_or(static_cast<LONG>(fulls.size())));
  for (const Full& full : fulls) {
    AppendLong(bytes, 1);  // Isa
    AppendLong(bytes, 0);  // bus number
    AppendLong(bytes, 0x00010001);  // version and revision
    AppendLong(bytes, full.count.value_or(static_cast<LONG>(full.partials.size())));
    for (const Partial& partial : full.partials) {
      const auto descriptor = partial.Bytes();
      bytes.insert(bytes.end(), descriptor.begin(), descriptor.end());
      bytes.insert(bytes.end(), partial.data.begin(), partial.data.end());
    }
  }
  return bytes;
}

inline std::vector<BYTE> ResourceList(const std::vector<Partial>& partials) {
  return ResourceList(std::vector<Full>{{partials, {}}});
}

// What one device's record must hold after the scan.
struct ExpectedDevice {
  std::string name;
  std::vector<std::array<BYTE, 16>> resources;
};

inline std::vector<std::array<BYTE, 16>> DescriptorsOf(const std::vector<Partial>& partials) {
  std::vector<std::array<BYTE, 16>> descriptors;
  for (const Partial& partial : partials) descriptors.push_back(partial.Bytes());
  return descriptors;
}

using VectorUsers = std::map<int, std::vector<LONG>>;

// A registry tree with a resource map, built key by key.
class ResourceMap {
 public:
  static constexpr const char* kPath = "HARDWARE\\RESOURCEMAP";

  ResourceMap() { tree.Create(kPath); }

  ntsim::RegistryKey& Device(const std::string& firstLevel, const std::string& secondLevel) {
    return tree.Create(std::string(kPath) + "\\" + firstLevel + "\\" + secondLevel);
  }
  void Translated(const std::string& firstLevel, const std::string& secondLevel,
                  std::vector<BYTE> list) {
    Device(firstLevel, secondLevel).SetValue(".Translated", REG_RESOURCE_LIST, std::move(list));
  }
  void Class(const std::string& firstLevel) {
    tree.Create(std::string(kPath) + "\\" + firstLevel);
  }

  ntsim::RegistryTree tree;
};

// A machine's resource map with the devices and vector users its scan must give.
struct FixtureMachine {
  ResourceMap map;
  std::vector<ExpectedDevice> devices;
  VectorUsers users;
};

// Keys that are devices and keys that are not, names to cut, lists of several full
// descriptors, shared vectors, vectors below 32, every descriptor type, an empty list, a
// value that cannot be read, and an empty first-level key.
inline FixtureMachine EdgeCaseMachine() {
  FixtureMachine machine;
  ResourceMap& map = machine.map;
  const std::string longName = "Long" + std::string(96, 'x');
  const std::vector<Partial> first = {Port(0x3F8, 8), Interrupt(0x45)};
  const std::vector<Partial> second = {Memory(0xA0000, 0x20000), Dma(2), Interrupt(0x45)};
  const std::vector<Partial> types = {
      Port(0x60, 1), Memory(0xC0000, 0x8000), Dma(5), {7, 0x45, 0x45, 0x45, {}},
      {0, 0x45, 0x45, 0x45, {}}, DeviceSpecific({1, 0, 1, 0, 4, 0, 0, 0})};

  map.Device("A Class", "NoTranslated")
      .SetValue(".Raw", REG_RESOURCE_LIST, ResourceList({Interrupt(0x40)}));
  ntsim::RegistryKey& two = map.Device("A Class", "TwoTranslated");
  two.SetValue("\\Device\\X.Raw", REG_RESOURCE_LIST, ResourceList({Interrupt(0x47)}));
  two.SetValue("\\Device\\X.Translated", REG_RESOURCE_LIST, ResourceList({Interrupt(0x41)}));
  two.SetValue("\\Device\\Y.Translated", REG_RESOURCE_LIST, ResourceList({Interrupt(0x42)}));
  map.Device("A Class", "LowerCase")
      .SetValue("\\Device\\Z.translated", REG_RESOURCE_LIST, ResourceList({Interrupt(0x43)}));
  map.Device("A Class", "Middle")
      .SetValue("Dev.Translated.Old", REG_RESOURCE_LIST, ResourceList({Interrupt(0x44)}));
  map.Translated("B Class", longName, ResourceList({{first, {}}, {second, {}}}));
  map.Translated("B Class", "Low", ResourceList({Interrupt(3), Interrupt(0x1F)}));
  map.Translated("B Class", "Shared1", ResourceList({Interrupt(0x46)}));
  map.Translated("B Class", "Shared2", ResourceList({Port(0x170, 8), Interrupt(0x46)}));
  map.Translated("B Class", "Types", ResourceList(types));
  map.Device("B Class", "Unreadable")
      .SetValue(".Translated", REG_BINARY, ResourceList({Interrupt(0x48)}));
  map.Translated("B Class", "ZeroCount",
                 ResourceList(std::vector<Full>{{{Interrupt(0x49)}, {}}}, 0));
  map.Class("C Empty Class");

  std::vector<Partial> both = first;
  both.insert(both.end(), second.begin(), second.end());
  machine.devices = {{"Middle", DescriptorsOf({Interrupt(0x44)})},
                     {"TwoTranslated", DescriptorsOf({Interrupt(0x41)})},
                     {longName.substr(0, 80), DescriptorsOf(both)},
                     {"Low", DescriptorsOf({Interrupt(3), Interrupt(0x1F)})},
                     {"Shared1", DescriptorsOf({Interrupt(0x46)})},
                     {"Shared2", DescriptorsOf({Port(0x170, 8), Interrupt(0x46)})},
                     {"Types", DescriptorsOf(types)},
                     {"Unreadable", {}},
                     {"ZeroCount", {}}};
  machine.users = {{3, {3}},    {0x1F, {3}},      {0x41, {1}},
                   {0x44, {0}}, {0x45, {2, 2}},   {0x46, {4, 5}}};
  return machine;
}

// Each case is one device on a machine of its own; the scan must stay within the value's
// bytes and the tables and go on to report its count.
struct HostileCase {
  const char* name;
  std::vector<BYTE> list;
  std::vector<Partial> stored;
  VectorUsers users;
};

inline std::vector<Partial> Interrupts(int count, LONG vector) {
  return std::vector<Partial>(count, Interrupt(vector));
}

inline std::vector<BYTE> Truncated(std::vector<BYTE> bytes, std::size_t cut) {
  bytes.resize(bytes.size() - cut);
  return bytes;
}

inline std::vector<BYTE> OfSize(std::vector<BYTE> bytes, std::size_t size) {
  bytes.resize(size, 0);
  return bytes;
}

inline std::vector<HostileCase> HostileCases() {
  const Partial port = Port(0x278, 3);
  std::vector<Partial> many;
  for (int i = 0; i < 300; ++i) many.push_back(i == 10 || i == 280 ? Interrupt(0x60) : Port(i, 1));
  const std::vector<Partial> firstOfMany(many.begin(), many.begin() + 256);
  return {
      {"ListCountFarBeyondTheBlock", ResourceList({{{Interrupt(0x50)}, {}}}, 0x7FFFFFFF),
       {Interrupt(0x50)}, {{0x50, {0}}}},
      {"FullCountFarBeyondTheBlock", ResourceList({{{port, Interrupt(0x50)}, 0x7FFFFFFF}}),
       {port, Interrupt(0x50)}, {{0x50, {0}}}},
      {"NegativeListCount", ResourceList({{{Interrupt(0x50)}, {}}}, -1), {}, {}},
      {"NegativeFullCountIsAnEmptyDescriptor",
       ResourceList({{{}, -5}, {{Interrupt(0x51)}, {}}}), {Interrupt(0x51)}, {{0x51, {0}}}},
      {"VectorsOutsideTheTable",
       ResourceList({Interrupt(300), Interrupt(-1), Interrupt(255), Interrupt(0)}),
       {Interrupt(300), Interrupt(-1), Interrupt(255), Interrupt(0)}, {{255, {0}}, {0, {0}}}},
      {"ThreeHundredDescriptors", ResourceList(many), firstOfMany, {{0x60, {0}}}},
      {"TwoHundredInterruptsOnOneVector", ResourceList(Interrupts(200, 0x52)),
       Interrupts(200, 0x52), {{0x52, std::vector<LONG>(128, 0)}}},
      {"ALastDescriptorCutShort", Truncated(ResourceList({port, Interrupt(0x53)}), 1), {port}, {}},
      {"AFullHeaderCutShort", Truncated(ResourceList({{{port}, {}}, {{Interrupt(0x53)}, {}}}), 17),
       {port}, {}},
      {"ThreeBytes", {1, 0, 0}, {}, {}},
      {"DeviceSpecificDataBeyondTheValue",
       ResourceList({DeviceSpecificClaiming(0xFFFFFFF0), Interrupt(0x54)}),
       {DeviceSpecificClaiming(0xFFFFFFF0)}, {}},
      {"TheLargestValueWithCountsBeyondIt",
       OfSize(ResourceList({{Interrupts(3, 0x55), 0x7FFFFFFF}}), 65535),
       [] {
         auto stored = Interrupts(3, 0x55);
         stored.resize(256, Partial{0, 0, 0, 0, {}, 0});
         return stored;
       }(),
       {{0x55, {0, 0, 0}}}},
      {"AValueOfTheBlocksSize", OfSize(ResourceList(Interrupts(3, 0x55)), 65536), {}, {}},
  };
}


// The name of the d-th of many devices; the names sort in the order of d.
inline std::string ManyDeviceName(int d) {
  char name[16];
  std::snprintf(name, sizeof name, "Device%03d", d);
  return name;
}

// Every hostile list as a device of one class, then more devices than the table holds, all
// of them on one vector.
inline ResourceMap HostileMachine() {
  ResourceMap map;
  for (const HostileCase& c : HostileCases()) map.Translated("Hostile", c.name, c.list);
  for (int d = 0; d < 300; ++d) {
    map.Translated("Many", ManyDeviceName(d), ResourceList({Interrupt(0x50)}));
  }
  return map;
}

}  // namespace scan_fixtures
