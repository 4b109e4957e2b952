#include "ntsim/profile_registry.h"

#include <string>

#include "ntsim/registry_resource_list.h"
#include "winapi/winreg.h"

namespace ntsim {

namespace {

constexpr ULONG kFirstDeviceVector = 0x30;
constexpr ULONG kHighestDeviceLevel = 27;
constexpr ULONG kProcessorZero = 1;

using Share = ShareDisposition;

struct Resource {
  UCHAR type;
  ULONGLONG start;  // an address, or the IRQ or DMA channel
  ULONG length;
  Share share;
  USHORT flags;
};

Resource Port(ULONGLONG start, ULONG length, Share share = Share::DeviceExclusive) {
  return {kResourcePort, start, length, share, kPortIoSpace};
}
Resource Irq(ULONG irq, USHORT flags = kInterruptLatched, Share share = Share::DeviceExclusive) {
  return {kResourceInterrupt, irq, 0, share, flags};
}
Resource Memory(ULONGLONG start, ULONG length, USHORT flags = kMemoryReadWrite,
                Share share = Share::DeviceExclusive) {
  return {kResourceMemory, start, length, share, flags};
}
Resource Dma(ULONG channel) { return {kResourceDma, channel, 0, Share::DeviceExclusive, 0}; }

struct Bus {
  InterfaceType type;
  std::vector<Resource> resources;
  std::vector<BYTE> device_specific;  // none when empty
};

struct Device {
  const char* class_name;
  const char* key_name;
  const char* value_stem;
  std::vector<Bus> buses;
};

enum class View { Raw, Translated };

std::vector<BYTE> ResourceList(const Device& device, View view) {
  ResourceListBuilder list;
  for (const Bus& bus : device.buses) {
    list.Full(bus.type, 0);
    for (const Resource& r : bus.resources) {
      switch (r.type) {
        case kResourcePort: list.Port(r.start, r.length, r.share, r.flags); break;
        case kResourceMemory: list.Memory(r.start, r.length, r.share, r.flags); break;
        case kResourceDma: list.Dma(static_cast<ULONG>(r.start), 0, r.share); break;
        case kResourceInterrupt: {
          const auto irq = static_cast<ULONG>(r.start);
          if (view == View::Raw) {
            list.Interrupt(irq, irq, kProcessorZero, r.flags, r.share);
          } else {
            list.Interrupt(kHighestDeviceLevel - irq, kFirstDeviceVector + irq, kProcessorZero,
                           r.flags, r.share);
          }
          break;
        }
      }
    }
    if (!bus.device_specific.empty()) list.DeviceSpecific(bus.device_specific);
  }
  return list.Build();
}

// The device-specific records the drivers report: each starts with a 16-bit version and
// revision.
std::vector<BYTE> KeyboardData() {
  // Type 4 is the enhanced 101- or 102-key keyboard; no subtype, no flags.
  return {1, 0, 1, 0, 4, 0, 0, 0};
}

std::vector<BYTE> SerialData() {
  // The UART's baud clock, 1.8432 MHz.
  return {1, 0, 1, 0, 0x00, 0x20, 0x1C, 0x00};
}

std::vector<BYTE> FloppyData() {
  std::vector<BYTE> data = {1, 0, 1, 0, '3', '.', '5', 0, 0, 0, 0, 0};
  const ULONG max_density = 1440;  // kilobytes
  for (int shift = 0; shift < 32; shift += 8) data.push_back(static_cast<BYTE>(max_density >> shift));
  for (int i = 0; i < 4; ++i) data.push_back(0);  // mount density
  // Step rate and head unload time, head load time, motor off time, sector length code,
  // sectors per track, read/write gap, data transfer length, format gap, format filler,
  // head settle time, motor settle time, last track, data transfer rate.
  const BYTE timing[] = {0xAF, 0x02, 0x25, 0x02, 18, 0x1B, 0xFF, 0x6C, 0xF6, 15, 8, 79, 0};
  data.insert(data.end(), std::begin(timing), std::end(timing));
  return data;
}

std::vector<BYTE> ScsiAdapterData() {
  // The adapter's own target identifier on its bus, padded to an even size.
  return {1, 0, 1, 0, 7, 0};
}

std::vector<Device> ResourceMapDevices() {
  const Share shared = Share::Shared;
  const Share driver = Share::DriverExclusive;
  return {
      {"Hardware Abstraction Layer", "PC Compatible Eisa/Isa HAL", "",
       {{InterfaceType::Internal, {Irq(0), Irq(8), Irq(13)}, {}},
        {InterfaceType::Isa,
         {Port(0x00, 0x10), Port(0x20, 2), Port(0x40, 4), Port(0x70, 2), Port(0x80, 0x10),
          Port(0xA0, 2), Port(0xC0, 0x20), Port(0xF0, 0x10), Irq(2)},
         {}}}},
      {"KeyboardPort", "i8042prt", "\\Device\\KeyboardPort0",
       {{InterfaceType::Isa, {Port(0x60, 1, driver), Port(0x64, 1, driver), Irq(1)},
         KeyboardData()}}},
      {"PointerPort", "i8042prt", "\\Device\\PointerPort0",
       {{InterfaceType::Isa, {Port(0x60, 1, driver), Port(0x64, 1, driver), Irq(12)}, {}}}},
      {"LOADER MAP", "Serial0", "\\Device\\Serial0",
       {{InterfaceType::Isa, {Port(0x3F8, 8), Irq(4)}, SerialData()}}},
      {"LOADER MAP", "Serial1", "\\Device\\Serial1",
       {{InterfaceType::Isa, {Port(0x2F8, 8), Irq(3)}, SerialData()}}},
      {"LOADER MAP", "Parport", "\\Device\\ParallelPort0",
       {{InterfaceType::Isa, {Port(0x378, 3), Irq(7)}, {}}}},
      {"OtherDrivers", "Floppy", "",
       {{InterfaceType::Isa, {Port(0x3F0, 6), Port(0x3F7, 1), Irq(6), Dma(2)}, FloppyData()}}},
      {"OtherDrivers", "Sound", "\\Device\\Sound0",
       {{InterfaceType::Isa,
         {Port(0x220, 0x10), Port(0x330, 2), Port(0x388, 4), Irq(5), Dma(1), Dma(5)},
         {}}}},
      {"OtherDrivers", "PciEther", "\\Device\\PciEther1",
       {{InterfaceType::PCIBus,
         {Port(0xFCE0, 0x20, shared), Memory(0xFEBFF000, 0x1000, kMemoryReadWrite, shared),
          Irq(11, kInterruptLevelSensitive, shared)},
         {}}}},
      {"ScsiAdapter", "ScsiPort0", "\\Device\\ScsiPort0",
       {{InterfaceType::Isa, {Port(0x1F0, 8), Port(0x3F6, 1), Irq(14)}, {}}}},
      {"ScsiAdapter", "ScsiPort1", "\\Device\\ScsiPort1",
       {{InterfaceType::Isa, {Port(0x170, 8), Port(0x376, 1), Irq(15)}, {}}}},
      {"ScsiAdapter", "ScsiPort2", "\\Device\\ScsiPort2",
       {{InterfaceType::PCIBus,
         {Port(0xF800, 0x100, shared), Memory(0xFEBFE000, 0x1000, kMemoryReadWrite, shared),
          Irq(11, kInterruptLevelSensitive, shared)},
         ScsiAdapterData()}}},
      {"System Resources", "Physical Memory", "",
       {{InterfaceType::Internal,
         {Memory(0x1000, 0x9E000, kMemoryReadWrite, Share::Undetermined),
          Memory(0x100000, 0x7F00000, kMemoryReadWrite, Share::Undetermined)},
         {}}}},
      {"VIDEO", "vga", "\\Device\\Video0",
       {{InterfaceType::Isa,
         {Port(0x3B0, 0x0C, shared), Port(0x3C0, 0x20, shared), Memory(0xA0000, 0x20000),
          Memory(0xC0000, 0x8000, kMemoryReadOnly)},
         {}}}},
  };
}

struct Service {
  const char* name;
  DWORD type;  // 1 kernel driver, 0x20 a process shared by several services
  DWORD start;  // 0 boot, 1 system, 2 automatic, 3 on demand
  const char* group;
  const char* image_path;
  const char* display_name;
};

constexpr Service kServices[] = {
    {"atapi", 1, 0, "SCSI miniport", "System32\\DRIVERS\\atapi.sys", "atapi"},
    {"Beep", 1, 1, "Base", "System32\\DRIVERS\\beep.sys", "Beep"},
    {"EventLog", 0x20, 2, "Event log", "%SystemRoot%\\system32\\services.exe", "EventLog"},
    {"Floppy", 1, 1, "Primary disk", "System32\\DRIVERS\\floppy.sys", "Floppy"},
    {"i8042prt", 1, 1, "Keyboard Port", "System32\\DRIVERS\\i8042prt.sys",
     "i8042 Keyboard and Mouse Port Driver"},
    {"Null", 1, 1, "Base", "System32\\DRIVERS\\null.sys", "Null"},
    {"Parport", 1, 1, "Parallel arbitrator", "System32\\DRIVERS\\parport.sys", "Parport"},
    {"PciEther", 1, 3, "NDIS", "System32\\DRIVERS\\pciether.sys", "PCI Ethernet Adapter Driver"},
    {"Serial", 1, 1, "Extended base", "System32\\DRIVERS\\serial.sys", "Serial"},
    {"Sound", 1, 2, "Base", "System32\\DRIVERS\\sound.sys", "Sound Card Driver"},
    {"vga", 1, 1, "Video Save", "System32\\DRIVERS\\vga.sys", "vga"},
};

}  // namespace

RegistryTree ProfileRegistry() {
  RegistryTree tree;
  RegistryKey& resource_map = tree.Create("HARDWARE\\RESOURCEMAP");
  for (const Device& device : ResourceMapDevices()) {
    RegistryKey& key = resource_map.CreateSubkey(device.class_name).CreateSubkey(device.key_name);
    const std::string stem = device.value_stem;
    key.SetValue(stem + ".Raw", REG_RESOURCE_LIST, ResourceList(device, View::Raw));
    key.SetValue(stem + ".Translated", REG_RESOURCE_LIST, ResourceList(device, View::Translated));
  }

  RegistryKey& services = tree.Create("SYSTEM\\CurrentControlSet\\Services");
  for (const Service& service : kServices) {
    RegistryKey& key = services.CreateSubkey(service.name);
    key.SetValue("Type", REG_DWORD, RegistryDwordData(service.type));
    key.SetValue("Start", REG_DWORD, RegistryDwordData(service.start));
    key.SetValue("ErrorControl", REG_DWORD, RegistryDwordData(1));  // normal
    key.SetValue("Group", REG_SZ, RegistryStringData(service.group));
    key.SetValue("ImagePath", REG_EXPAND_SZ, RegistryStringData(service.image_path));
    key.SetValue("DisplayName", REG_SZ, RegistryStringData(service.display_name));
  }
  return tree;
}

}  // namespace ntsim
