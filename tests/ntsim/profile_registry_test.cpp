#include "ntsim/profile_registry.h"

#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "ntsim/reg_file.h"
#include "tests/ntsim/registry_test_files.h"
#include "winapi/winreg.h"

namespace {

using ntsim::RegistryKey;

// A resource list decoded on its own terms, to check what the builder and the profile made.
struct Partial {
  BYTE type;
  BYTE share;
  std::uint64_t start;  // bytes 4-11
  DWORD low;            // bytes 4-7
  DWORD middle;         // bytes 8-11
  DWORD high;           // bytes 12-15
  std::vector<BYTE> device_data;
};
struct Full {
  DWORD bus;
  std::vector<Partial> partials;
};

DWORD Read32(const std::vector<BYTE>& data, std::size_t at) {
  return data[at] | data[at + 1] << 8 | data[at + 2] << 16 | static_cast<DWORD>(data[at + 3]) << 24;
}

// Nothing when the data is not exactly one well-formed list with any device-specific
// descriptor last in its partial list.
std::optional<std::vector<Full>> Decode(const std::vector<BYTE>& data) {
  std::vector<Full> fulls;
  if (data.size() < 4) return std::nullopt;
  std::size_t at = 4;
  for (DWORD f = 0; f < Read32(data, 0); ++f) {
    if (at + 16 > data.size()) return std::nullopt;
    Full full{Read32(data, at), {}};
    const DWORD count = Read32(data, at + 12);
    at += 16;
    for (DWORD p = 0; p < count; ++p) {
      if (at + 16 > data.size()) return std::nullopt;
      Partial partial{data[at],
                      data[at + 1],
                      Read32(data, at + 4) | static_cast<std::uint64_t>(Read32(data, at + 8)) << 32,
                      Read32(data, at + 4),
                      Read32(data, at + 8),
                      Read32(data, at + 12),
                      {}};
      at += 16;
      if (partial.type == 5) {
        if (p + 1 != count || at + partial.low > data.size()) return std::nullopt;
        partial.device_data.assign(data.begin() + at, data.begin() + at + partial.low);
        at += partial.low;
      }
      full.partials.push_back(partial);
    }
    fulls.push_back(full);
  }
  if (at != data.size()) return std::nullopt;
  return fulls;
}

struct Device {
  std::string path;  // below HARDWARE\RESOURCEMAP
  const RegistryKey* key;
};

// The devices in the order in which a walk over the resource map meets them.
std::vector<Device> Devices(const ntsim::RegistryTree& tree) {
  std::vector<Device> devices;
  for (const RegistryKey* first : tree.Find("HARDWARE\\RESOURCEMAP")->Subkeys()) {
    for (const RegistryKey* second : first->Subkeys()) {
      devices.push_back({first->name() + "\\" + second->name(), second});
    }
  }
  return devices;
}

std::vector<Full> TranslatedList(const RegistryKey& key) {
  return *Decode(key.Values().at(1).data);
}

TEST(ProfileRegistry, EveryDeviceHasARawAndATranslatedResourceList) {
  const auto tree = ntsim::ProfileRegistry();
  for (const Device& device : Devices(tree)) {
    SCOPED_TRACE(device.path);
    const auto& values = device.key->Values();
    ASSERT_EQ(values.size(), 2u);
    const std::string& raw_name = values[0].name;
    ASSERT_GE(raw_name.size(), 4u);
    EXPECT_EQ(raw_name.substr(raw_name.size() - 4), ".Raw");
    EXPECT_EQ(values[1].name, raw_name.substr(0, raw_name.size() - 4) + ".Translated");
    EXPECT_EQ(values[0].type, REG_RESOURCE_LIST);
    EXPECT_EQ(values[1].type, REG_RESOURCE_LIST);

    const auto raw = Decode(values[0].data);
    const auto translated = Decode(values[1].data);
    ASSERT_TRUE(raw && translated) << "not a well-formed resource list";
    ASSERT_EQ(raw->size(), translated->size());
    for (std::size_t f = 0; f < raw->size(); ++f) {
      EXPECT_EQ((*raw)[f].bus, (*translated)[f].bus);
      ASSERT_EQ((*raw)[f].partials.size(), (*translated)[f].partials.size());
      for (std::size_t p = 0; p < (*raw)[f].partials.size(); ++p) {
        const Partial& r = (*raw)[f].partials[p];
        const Partial& t = (*translated)[f].partials[p];
        EXPECT_EQ(r.type, t.type);
        if (r.type != 2) {
          EXPECT_EQ(r.start, t.start);
          EXPECT_EQ(r.high, t.high);
          EXPECT_EQ(r.device_data, t.device_data);
          continue;
        }
        // The bus sees IRQ n, the processor vector 0x30 + n at level 27 - n.
        EXPECT_EQ(r.low, r.middle);
        EXPECT_LT(r.middle, 16u);
        EXPECT_EQ(t.middle, 0x30 + r.middle);
        EXPECT_EQ(t.low, 27 - r.middle);
        EXPECT_EQ(r.high, 1u);
        EXPECT_EQ(t.high, 1u);
      }
    }
  }
}

TEST(ProfileRegistry, ATypicalPcsDevicesAndTheirResources) {
  const struct {
    const char* path;
    std::vector<DWORD> vectors;
    std::vector<BYTE> types;  // the partial descriptors' types in order
  } expected[] = {
      {"Hardware Abstraction Layer\\PC Compatible Eisa/Isa HAL", {0x30, 0x38, 0x3D, 0x32},
       {2, 2, 2, 1, 1, 1, 1, 1, 1, 1, 1, 2}},
      {"KeyboardPort\\i8042prt", {0x31}, {1, 1, 2, 5}},
      {"LOADER MAP\\Parport", {0x37}, {1, 2}},
      {"LOADER MAP\\Serial0", {0x34}, {1, 2, 5}},
      {"LOADER MAP\\Serial1", {0x33}, {1, 2, 5}},
      {"OtherDrivers\\Floppy", {0x36}, {1, 1, 2, 4, 5}},
      {"OtherDrivers\\PciEther", {0x3B}, {1, 3, 2}},
      {"OtherDrivers\\Sound", {0x35}, {1, 1, 1, 2, 4, 4}},
      {"PointerPort\\i8042prt", {0x3C}, {1, 1, 2}},
      {"ScsiAdapter\\ScsiPort0", {0x3E}, {1, 1, 2}},
      {"ScsiAdapter\\ScsiPort1", {0x3F}, {1, 1, 2}},
      {"ScsiAdapter\\ScsiPort2", {0x3B}, {1, 3, 2, 5}},
      {"System Resources\\Physical Memory", {}, {3, 3}},
      {"VIDEO\\vga", {}, {1, 1, 3, 3}},
  };
  const auto tree = ntsim::ProfileRegistry();
  const auto devices = Devices(tree);
  ASSERT_EQ(devices.size(), std::size(expected));
  std::map<DWORD, int> users;
  for (std::size_t d = 0; d < devices.size(); ++d) {
    SCOPED_TRACE(devices[d].path);
    EXPECT_EQ(devices[d].path, expected[d].path);
    std::vector<DWORD> vectors;
    std::vector<BYTE> types;
    for (const Full& full : TranslatedList(*devices[d].key)) {
      for (const Partial& partial : full.partials) {
        types.push_back(partial.type);
        if (partial.type == 2) {
          vectors.push_back(partial.middle);
          ++users[partial.middle];
        }
      }
    }
    EXPECT_EQ(vectors, expected[d].vectors);
    EXPECT_EQ(types, expected[d].types);
  }
  // The network card and the SCSI adapter share IRQ 11, as PCI devices may.
  EXPECT_EQ(users[0x3B], 2);
}

TEST(ProfileRegistry, TheNetworkCardSitsOnThePciBusAndTheVgaHasItsMemory) {
  const auto tree = ntsim::ProfileRegistry();
  const auto nic = TranslatedList(*tree.Find("HARDWARE\\RESOURCEMAP\\OtherDrivers\\PciEther"));
  EXPECT_EQ(nic.at(0).bus, 5u);
  EXPECT_EQ(nic.at(0).partials.at(2).share, 3) << "a shared interrupt";

  const auto vga = TranslatedList(*tree.Find("HARDWARE\\RESOURCEMAP\\VIDEO\\vga"));
  EXPECT_EQ(vga.at(0).partials.at(2).start, 0xA0000u);
  EXPECT_EQ(vga.at(0).partials.at(2).high, 0x20000u);
  EXPECT_EQ(vga.at(0).partials.at(3).start, 0xC0000u);

  const auto floppy = TranslatedList(*tree.Find("HARDWARE\\RESOURCEMAP\\OtherDrivers\\Floppy"));
  EXPECT_EQ(floppy.at(0).partials.at(3).low, 2u) << "DMA channel 2";
  EXPECT_EQ(floppy.at(0).partials.at(4).device_data.size(), floppy.at(0).partials.at(4).low);
}

TEST(ProfileRegistry, HoldsOrdinaryServicesButNotKessrin) {
  const auto tree = ntsim::ProfileRegistry();
  const RegistryKey* services = tree.Find("SYSTEM\\CurrentControlSet\\Services");
  ASSERT_NE(services, nullptr);
  EXPECT_GE(services->SubkeyCount(), 5u);
  EXPECT_EQ(services->FindSubkey("Kessrin"), nullptr);
  for (const RegistryKey* service : services->Subkeys()) {
    SCOPED_TRACE(service->name());
    for (const char* number : {"Type", "Start", "ErrorControl"}) {
      ASSERT_NE(service->FindValue(number), nullptr) << number;
      EXPECT_TRUE(ntsim::RegistryDwordOf(*service->FindValue(number))) << number;
    }
    ASSERT_NE(service->FindValue("ImagePath"), nullptr);
    EXPECT_EQ(service->FindValue("ImagePath")->type, REG_EXPAND_SZ);
  }
}

TEST(ProfileRegistry, SurvivesBeingWrittenAndReadBack) {
  const auto tree = ntsim::ProfileRegistry();
  const std::string text = ntsim::WriteRegFile(tree, ntsim::RegFileFormat::Regedit4);
  EXPECT_EQ(registry_test::Dump(ntsim::ParseRegFile(text, "registry.reg").tree), text);
}

}  // namespace
