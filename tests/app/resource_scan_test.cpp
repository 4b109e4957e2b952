// The resource map scan of the main window against fixture machines: which keys are
// devices, what each device's record and each vector's user list hold afterwards, and that
// no count in a resource list, however hostile, makes the scan write or read out of bounds.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/Unit1.h"
#include "ntsim/machine.h"
#include "ntsim/reg_file.h"
#include "ntsim/registry_resource_list.h"
#include "tests/support/scratch_machine.h"
#include "winapi/winreg.h"

namespace {

constexpr const char* kResourceMap = "HARDWARE\\RESOURCEMAP";

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

Partial Port(DWORD start, DWORD length) { return {1, start, 0, length, {}}; }
Partial Interrupt(LONG vector) { return {2, 5, static_cast<DWORD>(vector), 1, {}}; }
Partial Memory(DWORD start, DWORD length) { return {3, start, 0, length, {}}; }
Partial Dma(DWORD channel) { return {4, channel, 0, 0, {}}; }
Partial DeviceSpecific(std::vector<BYTE> data) {
  return {5, static_cast<DWORD>(data.size()), 0, 0, data};
}
// A device-specific descriptor whose DataSize says something else than the data after it.
Partial DeviceSpecificClaiming(DWORD dataSize) { return {5, dataSize, 0, 0, {}}; }

// A full descriptor; its count is the number of its partial descriptors unless given.
struct Full {
  std::vector<Partial> partials;
  std::optional<LONG> count;
};

void AppendLong(std::vector<BYTE>& bytes, LONG number) {
  for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<BYTE>(static_cast<DWORD>(number) >> (8 * i)));
}

// REG_RESOURCE_LIST data with the counts the test chooses, matching what follows or not.
std::vector<BYTE> ResourceList(const std::vector<Full>& fulls, std::optional<LONG> count = {}) {
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

std::vector<BYTE> ResourceList(const std::vector<Partial>& partials) {
  return ResourceList(std::vector<Full>{{partials, {}}});
}

// What one device's record must hold after the scan.
struct ExpectedDevice {
  std::string name;
  std::vector<std::array<BYTE, 16>> resources;
};

std::vector<std::array<BYTE, 16>> DescriptorsOf(const std::vector<Partial>& partials) {
  std::vector<std::array<BYTE, 16>> descriptors;
  for (const Partial& partial : partials) descriptors.push_back(partial.Bytes());
  return descriptors;
}

using VectorUsers = std::map<int, std::vector<LONG>>;

class ResourceScan : public ::testing::Test {
 protected:
  ResourceScan() : form_(std::make_unique<TForm1>(nullptr)) { ntsim::testing::ResetMachine(); }
  ~ResourceScan() override { ntsim::testing::ResetMachine(); }

  ntsim::RegistryKey& Device(const std::string& firstLevel, const std::string& secondLevel) {
    return tree_.Create(std::string(kResourceMap) + "\\" + firstLevel + "\\" + secondLevel);
  }
  void Translated(const std::string& firstLevel, const std::string& secondLevel,
                  std::vector<BYTE> list) {
    Device(firstLevel, secondLevel).SetValue(".Translated", REG_RESOURCE_LIST, std::move(list));
  }

  // Writes the tree as the machine's registry.reg and runs the scan as the main window runs
  // it, every vector's count set to 0 first. Returns the log's new line.
  std::string Scan(ntsim::RegFileFormat format = ntsim::RegFileFormat::Regedit4) {
    machine_.Write("registry.reg", ntsim::WriteRegFile(tree_, format));
    return ScanMachine();
  }
  std::string ScanMachine() {
    ntsim::testing::ResetMachine();
    for (TVectorUsage& usage : form_->VectorUsage) usage.Count = 0;
    const int lines = form_->Memo1->Lines()->Count();
    form_->Button3Click(nullptr);
    EXPECT_EQ(form_->Memo1->Lines()->Count(), lines + 1) << "one line per scan";
    return form_->Memo1->Lines()->Strings(form_->Memo1->Lines()->Count() - 1);
  }

  void ExpectDevices(const std::vector<ExpectedDevice>& devices) const {
    for (std::size_t d = 0; d < devices.size(); ++d) {
      SCOPED_TRACE("device " + std::to_string(d) + " " + devices[d].name);
      const TDeviceRecord& record = form_->Devices[d];
      EXPECT_EQ(record.Name.Text(), devices[d].name);
      // The records are packed: their fields are copied out before a check takes them by
      // reference.
      ASSERT_EQ(LONG{record.ResourceCount}, static_cast<LONG>(devices[d].resources.size()));
      for (std::size_t r = 0; r < devices[d].resources.size(); ++r) {
        EXPECT_EQ(std::memcmp(&record.Resources[r], devices[d].resources[r].data(), 16), 0)
            << "descriptor " << r << " of type " << int{record.Resources[r].Type};
      }
    }
  }

  // Every vector of the table, those without users included.
  void ExpectVectorUsers(const VectorUsers& users) const {
    for (int v = 0; v < 256; ++v) {
      SCOPED_TRACE("vector " + std::to_string(v));
      const auto expected = users.count(v) ? users.at(v) : std::vector<LONG>{};
      const TVectorUsage& usage = form_->VectorUsage[v];
      ASSERT_EQ(LONG{usage.Count}, static_cast<LONG>(expected.size()));
      EXPECT_EQ(std::vector<LONG>(usage.DeviceIndex, usage.DeviceIndex + usage.Count), expected);
    }
  }

  testing_support::ScratchMachine machine_;
  ntsim::RegistryTree tree_;
  std::unique_ptr<TForm1> form_;
};

TEST_F(ResourceScan, FindsTheDevicesOfTheMapAndRecordsTheirResourcesAndVectors) {
  const std::string longName = "Long" + std::string(96, 'x');
  const std::vector<Partial> first = {Port(0x3F8, 8), Interrupt(0x45)};
  const std::vector<Partial> second = {Memory(0xA0000, 0x20000), Dma(2), Interrupt(0x45)};
  const std::vector<Partial> types = {Port(0x60, 1),     Memory(0xC0000, 0x8000),
                                      Dma(5),            {7, 0x45, 0x45, 0x45, {}},
                                      {0, 0x45, 0x45, 0x45, {}}, DeviceSpecific({1, 0, 1, 0, 4, 0, 0, 0})};

  Device("A Class", "NoTranslated").SetValue(".Raw", REG_RESOURCE_LIST, ResourceList({Interrupt(0x40)}));
  ntsim::RegistryKey& two = Device("A Class", "TwoTranslated");
  two.SetValue("\\Device\\X.Raw", REG_RESOURCE_LIST, ResourceList({Interrupt(0x47)}));
  two.SetValue("\\Device\\X.Translated", REG_RESOURCE_LIST, ResourceList({Interrupt(0x41)}));
  two.SetValue("\\Device\\Y.Translated", REG_RESOURCE_LIST, ResourceList({Interrupt(0x42)}));
  Device("A Class", "LowerCase").SetValue("\\Device\\Z.translated", REG_RESOURCE_LIST,
                                          ResourceList({Interrupt(0x43)}));
  Device("A Class", "Middle").SetValue("Dev.Translated.Old", REG_RESOURCE_LIST,
                                       ResourceList({Interrupt(0x44)}));
  Translated("B Class", longName, ResourceList({{first, {}}, {second, {}}}));
  Translated("B Class", "Low", ResourceList({Interrupt(3), Interrupt(0x1F)}));
  Translated("B Class", "Shared1", ResourceList({Interrupt(0x46)}));
  Translated("B Class", "Shared2", ResourceList({Port(0x170, 8), Interrupt(0x46)}));
  Translated("B Class", "Types", ResourceList(types));
  Device("B Class", "Unreadable").SetValue(".Translated", REG_BINARY, ResourceList({Interrupt(0x48)}));
  Translated("B Class", "ZeroCount", ResourceList(std::vector<Full>{{{Interrupt(0x49)}, {}}}, 0));
  tree_.Create(std::string(kResourceMap) + "\\C Empty Class");

  // Records from a scan before keep their place above the devices of this one.
  form_->Devices[9].Name.Assign("earlier");

  EXPECT_EQ(Scan(), "9 devices detected ...");
  std::vector<Partial> both = first;
  both.insert(both.end(), second.begin(), second.end());
  ExpectDevices({{"Middle", DescriptorsOf({Interrupt(0x44)})},
                 {"TwoTranslated", DescriptorsOf({Interrupt(0x41)})},
                 {longName.substr(0, 80), DescriptorsOf(both)},
                 {"Low", DescriptorsOf({Interrupt(3), Interrupt(0x1F)})},
                 {"Shared1", DescriptorsOf({Interrupt(0x46)})},
                 {"Shared2", DescriptorsOf({Port(0x170, 8), Interrupt(0x46)})},
                 {"Types", DescriptorsOf(types)},
                 {"Unreadable", {}},
                 {"ZeroCount", {}}});
  EXPECT_EQ(form_->Devices[9].Name.Text(), "earlier");
  ExpectVectorUsers({{3, {3}}, {0x1F, {3}}, {0x41, {1}}, {0x44, {0}}, {0x45, {2, 2}}, {0x46, {4, 5}}});
}

TEST_F(ResourceScan, DeviceSpecificDataBeforeAnotherFullDescriptorAreSteppedOver) {
  using Share = ntsim::ShareDisposition;
  ntsim::ResourceListBuilder list;
  list.Full(ntsim::InterfaceType::Isa, 0)
      .Port(0x60, 1, Share::DriverExclusive)
      .DeviceSpecific({1, 0, 1, 0, 4, 0, 0, 0, 9, 9})
      .Full(ntsim::InterfaceType::Internal, 0)
      .Interrupt(26, 0x31, 1, ntsim::kInterruptLatched, Share::DeviceExclusive)
      .DeviceSpecific({})
      .Full(ntsim::InterfaceType::Isa, 0)
      .Dma(2, 0, Share::DeviceExclusive);
  const std::vector<BYTE> bytes = list.Build();
  Translated("Keyboard", "i8042prt", bytes);

  EXPECT_EQ(Scan(), "1 devices detected ...");
  // The descriptors as they stand in the value: after the first full descriptor's header,
  // its port and its device-specific descriptor, ten bytes of data, the second header, ...
  const auto at = [&](std::size_t offset) {
    std::array<BYTE, 16> descriptor;
    std::memcpy(descriptor.data(), &bytes[offset], 16);
    return descriptor;
  };
  ExpectDevices({{"i8042prt", {at(20), at(36), at(78), at(94), at(126)}}});
  EXPECT_EQ(LONG{form_->Devices[0].Resources[2].u.Interrupt.Vector}, 0x31);
  EXPECT_EQ(LONG{form_->Devices[0].Resources[4].u.Dma.Channel}, 2);
  ExpectVectorUsers({{0x31, {0}}});
}

// Each case is one device on a machine of its own; the scan must stay within the value's
// bytes and the tables and go on to report its count.
struct HostileCase {
  const char* name;
  std::vector<BYTE> list;
  std::vector<Partial> stored;
  VectorUsers users;
};

std::vector<Partial> Interrupts(int count, LONG vector) {
  return std::vector<Partial>(count, Interrupt(vector));
}

std::vector<BYTE> Truncated(std::vector<BYTE> bytes, std::size_t cut) {
  bytes.resize(bytes.size() - cut);
  return bytes;
}

std::vector<BYTE> OfSize(std::vector<BYTE> bytes, std::size_t size) {
  bytes.resize(size, 0);
  return bytes;
}

std::vector<HostileCase> HostileCases() {
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

TEST_F(ResourceScan, HostileCountsStayWithinTheValueAndTheTables) {
  for (const HostileCase& c : HostileCases()) {
    SCOPED_TRACE(c.name);
    tree_ = ntsim::RegistryTree();
    Translated("Hostile", "Device", c.list);
    EXPECT_EQ(Scan(), "1 devices detected ...");
    ExpectDevices({{"Device", DescriptorsOf(c.stored)}});
    ExpectVectorUsers(c.users);
  }
}

TEST_F(ResourceScan, TheTablesBoundTheDevicesAndTheUsersOfAVector) {
  // Names sort in the order they are made, so device d is key d.
  const auto keyName = [](int d) {
    char name[16];
    std::snprintf(name, sizeof name, "Device%03d", d);
    return std::string(name);
  };
  for (int d = 0; d < 300; ++d) Translated("Many", keyName(d), ResourceList({Interrupt(0x50)}));

  EXPECT_EQ(Scan(), "256 devices detected ...");
  EXPECT_EQ(form_->Devices[255].Name.Text(), keyName(255));
  std::vector<LONG> first128(128);
  for (int d = 0; d < 128; ++d) first128[d] = d;
  ExpectVectorUsers({{0x50, first128}});
  EXPECT_EQ(LONG{form_->Devices[200].ResourceCount}, 1) << "a device past the vector's users";
}

TEST_F(ResourceScan, AnEmptyMissingOrForbiddenMapGivesNoDevices) {
  tree_.Create(kResourceMap);
  EXPECT_EQ(Scan(), "0 devices detected ...");
  ExpectVectorUsers({});

  tree_ = ntsim::RegistryTree();
  tree_.Create("HARDWARE\\DESCRIPTION");
  EXPECT_EQ(Scan(), "0 devices detected ...");
  ExpectVectorUsers({});

  // The built-in machine's map, seen by a user without administrator rights.
  std::filesystem::remove(machine_.folder() / "registry.reg");
  machine_.Write("machine.ini", "administrator = false\n");
  EXPECT_EQ(ScanMachine(), "0 devices detected ...");
  ExpectVectorUsers({});
}

TEST_F(ResourceScan, AVersion5FileScansLikeItsRegedit4Twin) {
  const std::vector<Partial> keyboard = {Port(0x60, 1), Port(0x64, 1), Interrupt(0x31),
                                         DeviceSpecific({1, 0, 1, 0, 4, 0, 0, 0})};
  Translated("KeyboardPort", "i8042prt", ResourceList(keyboard));
  Device("LOADER MAP", "Serial\xE9").SetValue("\\Device\\Serial0.Translated", REG_RESOURCE_LIST,
                                              ResourceList({Port(0x3F8, 8), Interrupt(0x34)}));
  Device("LOADER MAP", "Serial\xE9").SetValue("\\Device\\Serial0.Raw", REG_RESOURCE_LIST,
                                              ResourceList({Interrupt(4)}));
  Translated("OtherDrivers", "Sound", ResourceList({{{Interrupt(0x35)}, {}}, {{Dma(1)}, {}}}));

  EXPECT_EQ(Scan(ntsim::RegFileFormat::Regedit4), "3 devices detected ...");
  ASSERT_EQ(machine_.Read("registry.reg").rfind("REGEDIT4", 0), 0u);
  const std::vector<ExpectedDevice> devices = {
      {"i8042prt", DescriptorsOf(keyboard)},
      {"Serial\xE9", DescriptorsOf({Port(0x3F8, 8), Interrupt(0x34)})},
      {"Sound", DescriptorsOf({Interrupt(0x35), Dma(1)})}};
  const VectorUsers users = {{0x31, {0}}, {0x34, {1}}, {0x35, {2}}};
  ExpectDevices(devices);
  ExpectVectorUsers(users);

  form_ = std::make_unique<TForm1>(nullptr);
  EXPECT_EQ(Scan(ntsim::RegFileFormat::Version5), "3 devices detected ...");
  ASSERT_EQ(machine_.Read("registry.reg").rfind("\xFF\xFE", 0), 0u);
  ExpectDevices(devices);
  ExpectVectorUsers(users);
}

TEST_F(ResourceScan, TheBuiltInMachineHasFourteenDevicesAndTwoOnTheNetworkCardsVector) {
  EXPECT_EQ(ScanMachine(), "14 devices detected ...");
  const char* const names[] = {"PC Compatible Eisa/Isa HAL", "i8042prt", "Parport", "Serial0",
                               "Serial1", "Floppy", "PciEther", "Sound", "i8042prt",
                               "ScsiPort0", "ScsiPort1", "ScsiPort2", "Physical Memory", "vga"};
  for (int d = 0; d < 14; ++d) EXPECT_EQ(form_->Devices[d].Name.Text(), names[d]) << d;
  // Device interrupt vectors are 0x30 + IRQ.
  ExpectVectorUsers({{0x30, {0}}, {0x31, {1}}, {0x32, {0}}, {0x33, {4}}, {0x34, {3}},
                     {0x35, {7}}, {0x36, {5}}, {0x37, {2}}, {0x38, {0}}, {0x3B, {6, 11}},
                     {0x3C, {8}}, {0x3D, {0}}, {0x3E, {9}}, {0x3F, {10}}});
  EXPECT_EQ(LONG{form_->Devices[5].ResourceCount}, 5) << "the floppy's ports, IRQ, DMA and its data";
}

}  // namespace
