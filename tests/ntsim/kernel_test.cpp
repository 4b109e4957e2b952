// The kernel as the driver vir.uze meets it when the loader loads it directly: its device in
// the namespace, opens through the link, buffered requests, and the unload.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "ntsim/driver_loader.h"
#include "ntsim/handles.h"
#include "ntsim/io_manager.h"
#include "ntsim/profile_idt.h"
#include "tests/ntsim/machine_fixture.h"
#include "winapi/kernel32.h"
#include "winapi/kessrin.h"

namespace {

constexpr char kEntryLines[] =
    "Kessrin: Link: \\Device\\Kessrin - DosLink: \\DosDevices\\Kessrin\n"
    "Kessrin: Driver Entry erfolgreich abgearbeitet !\n";
constexpr char kUnloadLines[] =
    "Kessrin: Eintritt in Unload Routine !\nKessrin: Link entfernt !\nKessrin: Unload Ende !\n";

HANDLE OpenKessrin() {
  return CreateFileA(KESSRIN_WIN32_NAME, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                     FILE_ATTRIBUTE_NORMAL, nullptr);
}

class Kernel : public FreshMachine {
 protected:
  void Load() {
    ASSERT_EQ(ntsim::LoadDriver("Kessrin", QUORVEL_DRIVER_IMAGE, ntsim::Announce::Loud),
              ERROR_SUCCESS);
  }
};

TEST_F(Kernel, LoadedDriverHasItsDeviceAsItMadeIt) {
  Load();
  EXPECT_EQ(DebugLog(), kEntryLines);
  const PDEVICE_OBJECT device = ntsim::FindDevice(u"\\Device\\Kessrin");
  ASSERT_NE(device, nullptr);
  // The loader ended the device's initialisation; the driver added buffered I/O.
  EXPECT_EQ(device->Flags, DO_EXCLUSIVE | DO_BUFFERED_IO);
  EXPECT_EQ(device->DeviceType, FILE_DEVICE_UNKNOWN);
  EXPECT_EQ(device->Characteristics, 0u);
  EXPECT_EQ(device->DeviceExtension, nullptr);
  const PDRIVER_OBJECT driver = ntsim::FindDriverObject("Kessrin");
  ASSERT_NE(driver, nullptr);
  EXPECT_EQ(driver->DeviceObject, device);
  EXPECT_EQ(device->DriverObject, driver);
}

TEST_F(Kernel, DeviceServesOneOpenAndOnlyTheRequestsItRegistered) {
  Load();
  HANDLE device = OpenKessrin();
  ASSERT_NE(device, INVALID_HANDLE_VALUE);
  EXPECT_EQ(OpenKessrin(), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);

  char byte = 'x';
  DWORD count = 7;
  EXPECT_FALSE(ReadFile(device, &byte, 1, &count, nullptr));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_FUNCTION);
  EXPECT_EQ(count, 0u);
  EXPECT_FALSE(WriteFile(device, &byte, 1, &count, nullptr));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_FUNCTION);
  EXPECT_EQ(byte, 'x');

  EXPECT_TRUE(CloseHandle(device));
  EXPECT_EQ(DebugLog(), std::string(kEntryLines) + "Kessrin: Open / Close\nKessrin: Open / Close\n");
  device = OpenKessrin();
  EXPECT_NE(device, INVALID_HANDLE_VALUE);
  EXPECT_TRUE(CloseHandle(device));
  EXPECT_EQ(ntsim::Handles().Count(), 0u);
}

TEST_F(Kernel, ReadIdtRepliesWithTheProfilesTable) {
  Load();
  HANDLE device = OpenKessrin();
  ASSERT_NE(device, INVALID_HANDLE_VALUE);
  const std::vector<BYTE> idt = ntsim::BuiltInIdt();
  // The input buffer plays no part, whatever its length.
  for (const DWORD input_length : {0u, 1u, 6u, 16384u, 70000u}) {
    SCOPED_TRACE(input_length);
    std::vector<BYTE> input(input_length, 0x11);
    std::vector<BYTE> output(16384, 0xCC);
    DWORD returned = 0;
    ASSERT_TRUE(DeviceIoControl(device, IOCTL_READ_IDT, input.empty() ? nullptr : input.data(),
                                input_length, output.data(), 16384, &returned, nullptr));
    EXPECT_EQ(returned, 2048u);
    EXPECT_TRUE(std::equal(idt.begin(), idt.end(), output.begin()));
    EXPECT_EQ(output[2048], 0xCC);
  }
  CloseHandle(device);
}

TEST_F(Kernel, ShortRepliesNeverWritePastTheCallersBuffer) {
  Load();
  HANDLE device = OpenKessrin();
  ASSERT_NE(device, INVALID_HANDLE_VALUE);
  const std::vector<BYTE> idt = ntsim::BuiltInIdt();
  const struct {
    DWORD code;
    DWORD output_length;
    DWORD returned;
  } cases[] = {
      {IOCTL_READ_IDT, 2048, 2048}, {IOCTL_READ_IDT, 2047, 2044}, {IOCTL_READ_IDT, 5, 4},
      {IOCTL_READ_IDT, 0, 0},       {0x222008, 64, 0},            {0x222000, 0, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << std::hex << c.code << " " << std::dec << c.output_length);
    // Exactly as long as the length says, so that a write past it is caught.
    std::unique_ptr<BYTE[]> output(c.output_length > 0 ? new BYTE[c.output_length] : nullptr);
    if (c.output_length > 0) std::memset(output.get(), 0xCC, c.output_length);
    DWORD returned = 99;
    ASSERT_TRUE(DeviceIoControl(device, c.code, nullptr, 0, output.get(), c.output_length,
                                &returned, nullptr));
    EXPECT_EQ(returned, c.returned);
    if (c.returned > 0) {
      EXPECT_EQ(std::memcmp(output.get(), idt.data(), c.returned), 0);
    }
    for (DWORD i = c.returned; i < c.output_length; ++i) ASSERT_EQ(output[i], 0xCC) << i;
  }
  CloseHandle(device);
}

TEST_F(Kernel, BadRequestArgumentsFailWithTheSystemsCodes) {
  Load();
  HANDLE device = OpenKessrin();
  BYTE buffer[16];
  DWORD returned = 5;
  EXPECT_FALSE(DeviceIoControl(device, IOCTL_READ_IDT, nullptr, 4, buffer, 16, &returned, nullptr));
  EXPECT_EQ(GetLastError(), ERROR_NOACCESS);
  EXPECT_FALSE(DeviceIoControl(device, IOCTL_READ_IDT, nullptr, 0, nullptr, 16, &returned, nullptr));
  EXPECT_EQ(GetLastError(), ERROR_NOACCESS);
  EXPECT_FALSE(DeviceIoControl(device, IOCTL_READ_IDT, nullptr, 0, buffer, 16, nullptr, nullptr));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
  // A request that needs write access on a handle opened for reading.
  EXPECT_FALSE(DeviceIoControl(device, CTL_CODE(0x22, 0x801, METHOD_BUFFERED, FILE_WRITE_ACCESS),
                               nullptr, 0, buffer, 16, &returned, nullptr));
  EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
  // The direct and neither transfers are not modelled: the machine says so on standard error
  // and fails the request before it reaches the driver.
  for (const ULONG method : {METHOD_IN_DIRECT, METHOD_OUT_DIRECT, METHOD_NEITHER}) {
    EXPECT_FALSE(DeviceIoControl(device, CTL_CODE(0x22, 0x801, method, FILE_ANY_ACCESS), buffer,
                                 16, buffer, 16, &returned, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_FUNCTION);
    EXPECT_EQ(returned, 0u);
  }
  CloseHandle(device);
  EXPECT_FALSE(DeviceIoControl(device, IOCTL_READ_IDT, nullptr, 0, buffer, 16, &returned, nullptr));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
}

TEST_F(Kernel, UnloadRemovesLinkAndDeviceAndWaitsForAnOpenFile) {
  Load();
  HANDLE device = OpenKessrin();
  ASSERT_NE(device, INVALID_HANDLE_VALUE);
  EXPECT_EQ(ntsim::UnloadDriver("Kessrin", ntsim::Announce::Loud), ntsim::UnloadResult::Pending);
  EXPECT_TRUE(ntsim::IsUnloadPending("Kessrin"));
  // No new open while the unload waits; the open file still works.
  EXPECT_EQ(OpenKessrin(), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
  BYTE buffer[2048];
  DWORD returned = 0;
  EXPECT_TRUE(DeviceIoControl(device, IOCTL_READ_IDT, nullptr, 0, buffer, 2048, &returned, nullptr));
  const std::string before_close = DebugLog();
  EXPECT_EQ(before_close.find("Unload"), std::string::npos);
  CloseHandle(device);
  EXPECT_FALSE(ntsim::IsDriverLoaded("Kessrin"));
  EXPECT_EQ(DebugLog(), before_close + "Kessrin: Open / Close\n" + kUnloadLines);
  EXPECT_EQ(ntsim::FindDevice(u"\\Device\\Kessrin"), nullptr);
  EXPECT_EQ(OpenKessrin(), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
}

TEST_F(Kernel, SecondDriverOnTheSameNamesFailsToLoadAndLeavesNothing) {
  Load();
  EXPECT_EQ(ntsim::LoadDriver("Kessrin2", QUORVEL_DRIVER_IMAGE, ntsim::Announce::Loud),
            ERROR_ALREADY_EXISTS);
  EXPECT_EQ(DebugLog(), std::string(kEntryLines) + "Kessrin: Kann DeviceObject nicht erstellen !\n");
  EXPECT_FALSE(ntsim::IsDriverLoaded("Kessrin2"));
  // The first driver is untouched.
  HANDLE device = OpenKessrin();
  EXPECT_NE(device, INVALID_HANDLE_VALUE);
  CloseHandle(device);
  EXPECT_EQ(ntsim::UnloadDriver("Kessrin", ntsim::Announce::Loud), ntsim::UnloadResult::Unloaded);
}

TEST_F(Kernel, NamesWithoutALinkAreNotFound) {
  for (const char* name : {"\\\\.\\Kessrin", "\\\\.\\Nothing", "\\\\.\\", "\\\\.\\Kessrin\\x"}) {
    SCOPED_TRACE(name);
    EXPECT_EQ(CreateFileA(name, GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr),
              INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
  }
}

}  // namespace
