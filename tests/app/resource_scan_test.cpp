// The resource map scan of the main window against fixture machines: which keys are
// devices, what each device's record and each vector's user list hold afterwards, and that
// no count in a resource list, however hostile, makes the scan write or read out of bounds.
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/Unit1.h"
#include "ntsim/machine.h"
#include "ntsim/reg_file.h"
#include "ntsim/registry_resource_list.h"
#include "tests/app/resource_map_fixtures.h"
#include "tests/support/scratch_machine.h"
#include "winapi/winreg.h"

namespace {

using namespace scan_fixtures;

class ResourceScan : public ::testing::Test {
 protected:
  ResourceScan() : form_(std::make_unique<TForm1>(nullptr)) { ntsim::testing::ResetMachine(); }
  ~ResourceScan() override { ntsim::testing::ResetMachine(); }

  // Writes the tree as the machine's registry.reg and runs the scan as the main window runs
  // it, every vector's count set to 0 first. Returns the log's new line.
  std::string Scan(ntsim::RegFileFormat format = ntsim::RegFileFormat::Regedit4) {
    machine_.Write("registry.reg", ntsim::WriteRegFile(map_.tree, format));
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
  ResourceMap map_;
  std::unique_ptr<TForm1> form_;
};

TEST_F(ResourceScan, FindsTheDevicesOfTheMapAndRecordsTheirResourcesAndVectors) {
  const FixtureMachine machine = EdgeCaseMachine();
  map_ = machine.map;
  // Records from a scan before keep their place above the devices of this one.
  form_->Devices[9].Name.Assign("earlier");

  EXPECT_EQ(Scan(), "9 devices detected ...");
  ExpectDevices(machine.devices);
  EXPECT_EQ(form_->Devices[9].Name.Text(), "earlier");
  ExpectVectorUsers(machine.users);
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
  map_.Translated("Keyboard", "i8042prt", bytes);

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

TEST_F(ResourceScan, HostileCountsStayWithinTheValueAndTheTables) {
  for (const HostileCase& c : HostileCases()) {
    SCOPED_TRACE(c.name);
    map_ = ResourceMap();
    map_.Translated("Hostile", "Device", c.list);
    EXPECT_EQ(Scan(), "1 devices detected ...");
    ExpectDevices({{"Device", DescriptorsOf(c.stored)}});
    ExpectVectorUsers(c.users);
  }
}

TEST_F(ResourceScan, TheTablesBoundTheDevicesAndTheUsersOfAVector) {
  for (int d = 0; d < 300; ++d) {
    map_.Translated("Many", ManyDeviceName(d), ResourceList({Interrupt(0x50)}));
  }

  EXPECT_EQ(Scan(), "256 devices detected ...");
  EXPECT_EQ(form_->Devices[255].Name.Text(), ManyDeviceName(255));
  std::vector<LONG> first128(128);
  for (int d = 0; d < 128; ++d) first128[d] = d;
  ExpectVectorUsers({{0x50, first128}});
  EXPECT_EQ(LONG{form_->Devices[200].ResourceCount}, 1) << "a device past the vector's users";
}

TEST_F(ResourceScan, AnEmptyMissingOrForbiddenMapGivesNoDevices) {
  EXPECT_EQ(Scan(), "0 devices detected ...");
  ExpectVectorUsers({});

  map_.tree = ntsim::RegistryTree();
  map_.tree.Create("HARDWARE\\DESCRIPTION");
  EXPECT_EQ(Scan(), "0 devices detected ...");
  ExpectVectorUsers({});

  // The built-in machine's map, seen by a user without administrator rights.
  std::filesystem::remove(machine_.folder() / "registry.reg");
  machine_.Write("machine.ini", "administrator = false\n");
  EXPECT_EQ(ScanMachine(), "0 devices detected ...");
  ExpectVectorUsers({});
}

TEST_F(ResourceScan, AVersion5FileScansLikeItsRegedit4Twin) {
  FixtureMachine machine = EdgeCaseMachine();
  // A name outside ASCII: code page 1252 in the one file, UTF-16 in the other.
  machine.map.Translated("D Class", "Serial\xE9", ResourceList({Port(0x3F8, 8), Interrupt(0x34)}));
  machine.devices.push_back({"Serial\xE9", DescriptorsOf({Port(0x3F8, 8), Interrupt(0x34)})});
  machine.users[0x34] = {9};
  map_ = machine.map;

  EXPECT_EQ(Scan(ntsim::RegFileFormat::Regedit4), "10 devices detected ...");
  ASSERT_EQ(machine_.Read("registry.reg").rfind("REGEDIT4\r\n", 0), 0u);
  ExpectDevices(machine.devices);
  ExpectVectorUsers(machine.users);

  const auto regedit4 = std::move(form_);
  form_ = std::make_unique<TForm1>(nullptr);
  EXPECT_EQ(Scan(ntsim::RegFileFormat::Version5), "10 devices detected ...");
  ASSERT_EQ(machine_.Read("registry.reg").rfind("\xFF\xFE", 0), 0u);
  EXPECT_EQ(std::memcmp(regedit4->Devices, form_->Devices, sizeof form_->Devices), 0);
  EXPECT_EQ(std::memcmp(regedit4->VectorUsage, form_->VectorUsage, sizeof form_->VectorUsage), 0);
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
  EXPECT_EQ(LONG{form_->Devices[5].ResourceCount}, 5)
      << "the floppy's ports, IRQ, DMA and its data";
}

}  // namespace
