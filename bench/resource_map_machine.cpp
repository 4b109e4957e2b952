#include "bench/resource_map_machine.h"

#include <stdlib.h>

#include <cstdio>
#include <fstream>
#include <stdexcept>

#include "ntsim/profile_registry.h"
#include "ntsim/reg_file.h"
#include "ntsim/registry_resource_list.h"
#include "winapi/winreg.h"

namespace bench {

namespace {

constexpr int kResourcesPerDevice = 256;
// Real maps group drivers by kind below the map's key; sixteen drivers of each kind here.
constexpr int kDevicesPerClass = 16;

std::vector<BYTE> DeviceResources(int device) {
  ntsim::ResourceListBuilder list;
  list.Full(ntsim::InterfaceType::Isa, 0);
  const auto share = ntsim::ShareDisposition::DeviceExclusive;
  for (int k = 0; k < kResourcesPerDevice; ++k) {
    const auto n = static_cast<ULONG>(device * kResourcesPerDevice + k);
    switch (k % 4) {
      case 0: list.Port(0x1000 + 8ULL * n, 8, share); break;
      // The device vectors 32 to 255, spread so that no vector gets more than its 128 users.
      case 1: list.Interrupt(n % 16, 32 + n % 224, 1, ntsim::kInterruptLatched, share); break;
      case 2: list.Memory(0x100000000ULL + 0x1000ULL * n, 0x1000, share); break;
      default: list.Dma(n % 8, 0, share); break;
    }
  }
  return list.Build();
}

}  // namespace

void WriteResourceMapMachine(const std::filesystem::path& folder, int devices) {
  ntsim::RegistryTree tree = ntsim::ProfileRegistry();
  tree.Find("HARDWARE")->RemoveSubkey("RESOURCEMAP");
  for (int d = 0; d < devices; ++d) {
    char path[96];
    std::snprintf(path, sizeof path, "HARDWARE\\RESOURCEMAP\\Class%02d\\Driver%03d",
                  d / kDevicesPerClass, d);
    char stem[32];
    std::snprintf(stem, sizeof stem, "\\Device\\Bench%03d", d);
    ntsim::RegistryKey& key = tree.Create(path);
    const std::vector<BYTE> resources = DeviceResources(d);
    key.SetValue(std::string(stem) + ".Raw", REG_RESOURCE_LIST, resources);
    key.SetValue(std::string(stem) + ".Translated", REG_RESOURCE_LIST, resources);
  }
  std::ofstream out(folder / "registry.reg", std::ios::binary);
  out << ntsim::WriteRegFile(tree, ntsim::RegFileFormat::Regedit4);
  if (!out) throw std::runtime_error("cannot write " + (folder / "registry.reg").string());
}

std::filesystem::path NewTemporaryFolder(const std::string& stem) {
  std::string pattern = (std::filesystem::temp_directory_path() / (stem + "-XXXXXX")).string();
  if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  return pattern;
}

}  // namespace bench
