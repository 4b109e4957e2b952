// The driver's own logic against a kernel that records every call: what it registers, which
// names and arguments it passes, what it prints and in which order, and how each failure of
// the kernel is answered.
#include <gtest/gtest.h>
#include <sys/mman.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "winapi/kessrin.h"
#include "winapi/ntddk.h"

extern "C" NTSTATUS DriverEntry(PDRIVER_OBJECT DriverObject, PUNICODE_STRING RegistryPath);
extern "C" NTSTATUS Kessrin_DispatchCreateClose(PDEVICE_OBJECT DeviceObject, PIRP Irp);
extern "C" NTSTATUS Kessrin_DispatchDeviceControl(PDEVICE_OBJECT DeviceObject, PIRP Irp);
extern "C" void Kessrin_Unload(PDRIVER_OBJECT DriverObject);

namespace {

struct CountedName {
  std::u16string text;
  USHORT length;
  USHORT maximum;
};

CountedName Describe(PCUNICODE_STRING name) {
  return {std::u16string(name->Buffer, name->Length / 2), name->Length, name->MaximumLength};
}

// What the driver did to the recording kernel, in order.
struct Kernel {
  std::vector<std::string> calls;
  std::string debug_log;
  NTSTATUS create_device_status = STATUS_SUCCESS;
  NTSTATUS create_link_status = STATUS_SUCCESS;
  NTSTATUS delete_link_status = STATUS_SUCCESS;
  DEVICE_OBJECT device{};
  CountedName device_name;
  CountedName link_name;
  ULONG extension_size = 99;
  DEVICE_TYPE device_type = 0;
  ULONG characteristics = 99;
  BOOLEAN exclusive = 0;
  ULONG flags_when_link_made = 0;
  PDEVICE_OBJECT deleted_device = nullptr;
  int completions = 0;
  CCHAR boost = 99;
  KESSRIN_IDT_REGISTER idtr{};
  bool dispatch_registered_before_device = false;
  PDRIVER_OBJECT driver = nullptr;
};
Kernel* kernel = nullptr;

}  // namespace

extern "C" void RtlInitUnicodeString(PUNICODE_STRING DestinationString, PCWSTR SourceString) {
  std::size_t units = 0;
  while (SourceString[units] != u'\0') ++units;
  DestinationString->Buffer = const_cast<PWSTR>(SourceString);
  DestinationString->Length = static_cast<USHORT>(units * 2);
  DestinationString->MaximumLength = static_cast<USHORT>(units * 2 + 2);
}

extern "C" NTSTATUS IoCreateDevice(PDRIVER_OBJECT DriverObject, ULONG DeviceExtensionSize,
                                   PUNICODE_STRING DeviceName, DEVICE_TYPE DeviceType,
                                   ULONG DeviceCharacteristics, BOOLEAN Exclusive,
                                   PDEVICE_OBJECT* DeviceObject) {
  kernel->calls.push_back("IoCreateDevice");
  kernel->dispatch_registered_before_device =
      DriverObject->MajorFunction[IRP_MJ_CREATE] == Kessrin_DispatchCreateClose &&
      DriverObject->MajorFunction[IRP_MJ_CLOSE] == Kessrin_DispatchCreateClose &&
      DriverObject->MajorFunction[IRP_MJ_DEVICE_CONTROL] == Kessrin_DispatchDeviceControl &&
      DriverObject->DriverUnload == Kessrin_Unload;
  kernel->device_name = Describe(DeviceName);
  kernel->extension_size = DeviceExtensionSize;
  kernel->device_type = DeviceType;
  kernel->characteristics = DeviceCharacteristics;
  kernel->exclusive = Exclusive;
  if (!NT_SUCCESS(kernel->create_device_status)) return kernel->create_device_status;
  kernel->device.Flags = DO_DEVICE_INITIALIZING | DO_EXCLUSIVE;
  kernel->device.DriverObject = DriverObject;
  DriverObject->DeviceObject = &kernel->device;
  *DeviceObject = &kernel->device;
  return STATUS_SUCCESS;
}

extern "C" void IoDeleteDevice(PDEVICE_OBJECT DeviceObject) {
  kernel->calls.push_back("IoDeleteDevice");
  kernel->deleted_device = DeviceObject;
}

extern "C" NTSTATUS IoCreateSymbolicLink(PUNICODE_STRING SymbolicLinkName,
                                         PUNICODE_STRING DeviceName) {
  kernel->calls.push_back("IoCreateSymbolicLink");
  kernel->link_name = Describe(SymbolicLinkName);
  EXPECT_EQ(Describe(DeviceName).text, u"\\Device\\Kessrin");
  kernel->flags_when_link_made = kernel->device.Flags;
  return kernel->create_link_status;
}

extern "C" NTSTATUS IoDeleteSymbolicLink(PUNICODE_STRING SymbolicLinkName) {
  kernel->calls.push_back("IoDeleteSymbolicLink");
  kernel->link_name = Describe(SymbolicLinkName);
  return kernel->delete_link_status;
}

extern "C" void IofCompleteRequest(PIRP /*Irp*/, CCHAR PriorityBoost) {
  ++kernel->completions;
  kernel->boost = PriorityBoost;
}

extern "C" ULONG DbgPrint(const char* Format, ...) {
  std::va_list arguments;
  va_start(arguments, Format);
  char text[512];
  std::vsnprintf(text, sizeof text, Format, arguments);
  va_end(arguments);
  kernel->debug_log += text;
  return 0;
}

extern "C" void SIDT(PVOID Destination) {
  std::memcpy(Destination, &kernel->idtr, sizeof kernel->idtr);
}

namespace {

class Driver : public ::testing::Test {
 protected:
  Driver() { kernel = &kernel_; }
  ~Driver() override { kernel = nullptr; }

  NTSTATUS Enter() {
    UNICODE_STRING registry_path{};
    return DriverEntry(&driver_, &registry_path);
  }

  Kernel kernel_;
  DRIVER_OBJECT driver_{};
};

TEST_F(Driver, EntryMakesTheExclusiveDeviceAndItsLinkThenSetsBufferedIo) {
  EXPECT_EQ(Enter(), STATUS_SUCCESS);
  EXPECT_TRUE(kernel_.dispatch_registered_before_device);
  EXPECT_EQ(kernel_.calls, (std::vector<std::string>{"IoCreateDevice", "IoCreateSymbolicLink"}));
  EXPECT_EQ(kernel_.device_name.text, u"\\Device\\Kessrin");
  EXPECT_EQ(kernel_.device_name.length, 30);
  EXPECT_EQ(kernel_.device_name.maximum, 32);
  EXPECT_EQ(kernel_.link_name.text, u"\\DosDevices\\Kessrin");
  EXPECT_EQ(kernel_.link_name.length, 38);
  EXPECT_EQ(kernel_.link_name.maximum, 40);
  EXPECT_EQ(kernel_.extension_size, 0u);
  EXPECT_EQ(kernel_.device_type, 0x22u);
  EXPECT_EQ(kernel_.characteristics, 0u);
  EXPECT_EQ(kernel_.exclusive, 1);
  // The flag comes only once the link exists, and it is the only flag the driver touches.
  EXPECT_EQ(kernel_.flags_when_link_made, DO_DEVICE_INITIALIZING | DO_EXCLUSIVE);
  EXPECT_EQ(kernel_.device.Flags, DO_DEVICE_INITIALIZING | DO_EXCLUSIVE | DO_BUFFERED_IO);
  for (int major = 0; major <= IRP_MJ_MAXIMUM_FUNCTION; ++major) {
    if (major == IRP_MJ_CREATE || major == IRP_MJ_CLOSE || major == IRP_MJ_DEVICE_CONTROL) continue;
    EXPECT_EQ(driver_.MajorFunction[major], nullptr) << "entry " << major;
  }
  EXPECT_EQ(kernel_.debug_log,
            "Kessrin: Link: \\Device\\Kessrin - DosLink: \\DosDevices\\Kessrin\n"
            "Kessrin: Driver Entry erfolgreich abgearbeitet !\n");
}

TEST_F(Driver, EntryReturnsTheKernelsFailure) {
  const struct {
    NTSTATUS device_status;
    NTSTATUS link_status;
    std::vector<std::string> calls;
    const char* log;
  } cases[] = {
      {STATUS_OBJECT_NAME_COLLISION, STATUS_SUCCESS, {"IoCreateDevice"},
       "Kessrin: Kann DeviceObject nicht erstellen !\n"},
      // The device it made goes again, so that its name is free for the next start.
      {STATUS_SUCCESS, STATUS_OBJECT_NAME_COLLISION,
       {"IoCreateDevice", "IoCreateSymbolicLink", "IoDeleteDevice"},
       "Kessrin: Kann Link nicht erstellen !\n"},
  };
  for (const auto& c : cases) {
    kernel_ = Kernel{};
    kernel_.create_device_status = c.device_status;
    kernel_.create_link_status = c.link_status;
    EXPECT_EQ(Enter(), STATUS_OBJECT_NAME_COLLISION);
    EXPECT_EQ(kernel_.calls, c.calls);
    EXPECT_EQ(kernel_.debug_log, c.log);
    if (c.calls.size() == 3) {
      EXPECT_EQ(kernel_.deleted_device, &kernel_.device);
    }
  }
}

TEST_F(Driver, OpenAndCloseSucceedAndComplete) {
  IRP irp{};
  irp.IoStatus.Status = STATUS_PENDING;
  irp.IoStatus.Information = 77;
  EXPECT_EQ(Kessrin_DispatchCreateClose(&kernel_.device, &irp), STATUS_SUCCESS);
  EXPECT_EQ(irp.IoStatus.Status, STATUS_SUCCESS);
  EXPECT_EQ(irp.IoStatus.Information, 0u);
  EXPECT_EQ(kernel_.completions, 1);
  EXPECT_EQ(kernel_.boost, IO_NO_INCREMENT);
  EXPECT_EQ(kernel_.debug_log, "Kessrin: Open / Close\n");
}

// A table of 256 gates where the processor keeps it, at an address that fits 32 bits.
class DriverRequests : public Driver {
 protected:
  DriverRequests() {
    mapping_ = ::mmap(nullptr, 65536, PROT_READ | PROT_WRITE,
                      MAP_PRIVATE | MAP_ANONYMOUS | MAP_32BIT, -1, 0);
    EXPECT_NE(mapping_, MAP_FAILED);
    auto* table = static_cast<BYTE*>(mapping_);
    for (int i = 0; i < 2048; ++i) table[i] = static_cast<BYTE>(i * 7 + 0xA5);
    kernel_.idtr.Limit = 2047;
    kernel_.idtr.Base = static_cast<ULONG>(reinterpret_cast<std::uintptr_t>(mapping_));
  }
  ~DriverRequests() override { ::munmap(mapping_, 65536); }

  const BYTE* table() const { return static_cast<const BYTE*>(mapping_); }

  // Sends a device control with a system buffer of exactly max(input, output) bytes.
  NTSTATUS Control(ULONG code, ULONG input_length, ULONG output_length,
                   std::vector<BYTE>& system_buffer, IRP& irp) {
    const ULONG size = input_length > output_length ? input_length : output_length;
    std::unique_ptr<BYTE[]> exact(size > 0 ? new BYTE[size] : nullptr);
    if (size > 0) std::memset(exact.get(), 0xEE, size);
    IO_STACK_LOCATION stack{};
    stack.MajorFunction = IRP_MJ_DEVICE_CONTROL;
    stack.Parameters.DeviceIoControl.IoControlCode = code;
    stack.Parameters.DeviceIoControl.InputBufferLength = input_length;
    stack.Parameters.DeviceIoControl.OutputBufferLength = output_length;
    irp = IRP{};
    irp.IoStatus.Status = STATUS_PENDING;
    irp.IoStatus.Information = 0x5A5A;
    irp.AssociatedIrp.SystemBuffer = exact.get();
    irp.Tail.Overlay.CurrentStackLocation = &stack;
    const NTSTATUS status = Kessrin_DispatchDeviceControl(&kernel_.device, &irp);
    system_buffer.assign(exact.get(), exact.get() + size);
    return status;
  }

  void* mapping_;
};

TEST_F(DriverRequests, ReadIdtCopiesLimitPlusOneBytesOrTheWholeDoubleWordsThatFit) {
  const struct {
    ULONG input_length;
    ULONG output_length;
    ULONG copied;
    const char* log;
  } cases[] = {
      {0, 16384, 2048,
       "Kessrin: InputBufferLength = 0\nKessrin: OutputBufferLength = 4000\n"
       "Kessrin: FunctionCode = 222004\nKessrin: Adresse 800 - Gelesen a5\n"},
      {0, 2048, 2048, nullptr},
      {0, 2047, 2044, nullptr},
      {0, 10, 8, nullptr},
      {0, 5, 4, nullptr},
      {0, 0, 0,
       "Kessrin: InputBufferLength = 0\nKessrin: OutputBufferLength = 0\n"
       "Kessrin: FunctionCode = 222004\nKessrin: Adresse 0 - Gelesen a5\n"},
      // An input buffer longer than the output makes the system buffer longer, not the reply.
      {16384, 3, 0, nullptr},
      {100, 16384, 2048, nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "input " << c.input_length << " output " << c.output_length);
    kernel_.debug_log.clear();
    kernel_.completions = 0;
    std::vector<BYTE> system_buffer;
    IRP irp;
    EXPECT_EQ(Control(IOCTL_READ_IDT, c.input_length, c.output_length, system_buffer, irp),
              STATUS_SUCCESS);
    EXPECT_EQ(irp.IoStatus.Status, STATUS_SUCCESS);
    EXPECT_EQ(irp.IoStatus.Information, c.copied);
    EXPECT_EQ(kernel_.completions, 1);
    ASSERT_GE(system_buffer.size(), c.copied);
    EXPECT_TRUE(std::equal(system_buffer.begin(), system_buffer.begin() + c.copied, table()));
    for (std::size_t i = c.copied; i < system_buffer.size(); ++i) {
      ASSERT_EQ(system_buffer[i], 0xEE) << "byte " << i << " beyond the reply was written";
    }
    if (c.log != nullptr) {
      EXPECT_EQ(kernel_.debug_log, c.log);
    }
  }
}

TEST_F(DriverRequests, OtherCodesSucceedWithNothing) {
  for (const ULONG code : {0x222008u, 0x222000u, 0u, 0xFFFFFFFFu}) {
    kernel_.debug_log.clear();
    std::vector<BYTE> system_buffer;
    IRP irp;
    EXPECT_EQ(Control(code, 4, 64, system_buffer, irp), STATUS_SUCCESS);
    EXPECT_EQ(irp.IoStatus.Status, STATUS_SUCCESS);
    EXPECT_EQ(irp.IoStatus.Information, 0u);
    EXPECT_EQ(system_buffer, std::vector<BYTE>(64, 0xEE));
    char expected[200];
    std::snprintf(expected, sizeof expected,
                  "Kessrin: InputBufferLength = 4\nKessrin: OutputBufferLength = 40\n"
                  "Kessrin: FunctionCode = %x\n",
                  code);
    EXPECT_EQ(kernel_.debug_log, expected);
  }
}

TEST_F(Driver, UnloadRemovesTheLinkThenTheDevice) {
  driver_.DeviceObject = &kernel_.device;
  Kessrin_Unload(&driver_);
  EXPECT_EQ(kernel_.calls, (std::vector<std::string>{"IoDeleteSymbolicLink", "IoDeleteDevice"}));
  EXPECT_EQ(kernel_.link_name.text, u"\\DosDevices\\Kessrin");
  EXPECT_EQ(kernel_.link_name.length, 38);
  EXPECT_EQ(kernel_.deleted_device, &kernel_.device);
  EXPECT_EQ(kernel_.debug_log,
            "Kessrin: Eintritt in Unload Routine !\nKessrin: Link entfernt !\n"
            "Kessrin: Unload Ende !\n");
}

TEST_F(Driver, UnloadKeepsTheDeviceWhenTheLinkStays) {
  driver_.DeviceObject = &kernel_.device;
  kernel_.delete_link_status = STATUS_OBJECT_NAME_NOT_FOUND;
  Kessrin_Unload(&driver_);
  EXPECT_EQ(kernel_.calls, (std::vector<std::string>{"IoDeleteSymbolicLink"}));
  EXPECT_EQ(kernel_.debug_log,
            "Kessrin: Eintritt in Unload Routine !\nKessrin: Kann Link nicht entfernen !\n");
}

}  // namespace
