#include "ntsim/io_manager.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <set>
#include <vector>

#include "ntsim/machine_folder.h"
#include "ntsim/object_namespace.h"
#include "ntsim/status_codes.h"
#include "winapi/kernel32.h"

namespace ntsim {

namespace {

struct DriverRecord {
  DRIVER_OBJECT object{};
  std::u16string name;
  int open_files = 0;
  bool refuses_opens = false;
};

struct DeviceRecord {
  DEVICE_OBJECT object{};
  std::unique_ptr<std::max_align_t[]> extension;
  std::u16string name;
  DriverRecord* driver = nullptr;
  int open_files = 0;
  bool deleted = false;
};

std::map<PDRIVER_OBJECT, std::unique_ptr<DriverRecord>> drivers;
std::map<PDEVICE_OBJECT, std::shared_ptr<DeviceRecord>> devices;
std::set<PIRP> outstanding_requests;
void (*idle_handler)(PDRIVER_OBJECT) = nullptr;

void ReportDriverFault(const char* what) {
  std::fprintf(stderr, "ntsim: %s\n", what);
}

NTSTATUS InvalidDeviceRequest(PDEVICE_OBJECT /*device*/, PIRP irp) {
  irp->IoStatus.Status = STATUS_INVALID_DEVICE_REQUEST;
  irp->IoStatus.Information = 0;
  CompleteRequest(irp);
  return STATUS_INVALID_DEVICE_REQUEST;
}

// Holds an exclusive device for one open file across every program on the machine folder:
// a lock file per device, locked for as long as the file is open and released by the host
// when the program ends, however it ends.
class DeviceLock {
 public:
  static std::unique_ptr<DeviceLock> Take(std::u16string_view device_name, NTSTATUS& status) {
    std::string leaf;
    for (const char16_t unit : device_name.substr(device_name.rfind(u'\\') + 1)) {
      const bool plain = (unit >= u'a' && unit <= u'z') || (unit >= u'0' && unit <= u'9') ||
                         unit == u'-' || unit == u'_';
      const bool upper = unit >= u'A' && unit <= u'Z';
      leaf += plain ? static_cast<char>(unit) : upper ? static_cast<char>(unit - u'A' + u'a') : '_';
    }
    const std::string path = (MachineFolder() / ("device." + leaf + ".lock")).string();
    std::error_code error;
    std::filesystem::create_directories(MachineFolder(), error);
    const int descriptor = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (descriptor < 0) StopMachine(MachineFault("cannot open " + path + ": " + std::strerror(errno)));
    if (::flock(descriptor, LOCK_EX | LOCK_NB) != 0) {
      ::close(descriptor);
      status = STATUS_ACCESS_DENIED;
      return nullptr;
    }
    status = STATUS_SUCCESS;
    return std::unique_ptr<DeviceLock>(new DeviceLock(descriptor));
  }
  ~DeviceLock() { ::close(descriptor_); }
  DeviceLock(const DeviceLock&) = delete;
  DeviceLock& operator=(const DeviceLock&) = delete;

 private:
  explicit DeviceLock(int descriptor) : descriptor_(descriptor) {}
  int descriptor_;
};

// One request on its way to a driver: the IRP and its one stack location.
struct Request {
  IRP irp{};
  IO_STACK_LOCATION stack{};

  Request(UCHAR major, DeviceRecord& device) {
    irp.Tail.Overlay.CurrentStackLocation = &stack;
    irp.RequestorMode = 1;  // the request comes from user mode
    irp.IoStatus.Status = STATUS_PENDING;
    stack.MajorFunction = major;
    stack.DeviceObject = &device.object;
  }

  // Calls the driver's dispatch routine for the request. The machine serves requests
  // synchronously: a driver that does not complete a request in its dispatch routine has left
  // the model, and the request fails.
  NTSTATUS Send(DeviceRecord& device) {
    const PDRIVER_DISPATCH dispatch = device.driver->object.MajorFunction[stack.MajorFunction];
    outstanding_requests.insert(&irp);
    const NTSTATUS returned = dispatch(&device.object, &irp);
    if (outstanding_requests.erase(&irp) != 0 || returned == STATUS_PENDING) {
      ReportDriverFault("a driver left a request pending; pending requests are not modelled");
      return STATUS_NOT_IMPLEMENTED;
    }
    return irp.IoStatus.Status;
  }
};

}  // namespace

class DeviceFile : public KernelObject {
 public:
  DeviceFile(std::shared_ptr<DeviceRecord> device, DWORD access, std::unique_ptr<DeviceLock> lock)
      : device_(std::move(device)), access_(access), lock_(std::move(lock)) {}

  DeviceRecord& device() const { return *device_; }
  DWORD access() const { return access_; }

 private:
  std::shared_ptr<DeviceRecord> device_;
  DWORD access_;
  std::unique_ptr<DeviceLock> lock_;
};

namespace {

std::shared_ptr<DeviceFile> FileOf(HANDLE handle) {
  return Handles().Lookup<DeviceFile>(handle);
}

BOOL Fail(NTSTATUS status) {
  SetLastError(Win32ErrorFromStatus(status));
  return FALSE;
}

void Unlink(DeviceRecord& device) {
  PDEVICE_OBJECT* link = &device.driver->object.DeviceObject;
  while (*link != nullptr && *link != &device.object) link = &(*link)->NextDevice;
  if (*link != nullptr) *link = device.object.NextDevice;
  device.object.NextDevice = nullptr;
}

// A buffered transfer: the system buffer of the request, exactly as long as asked, so that a
// driver's write past it is caught.
class SystemBuffer {
 public:
  explicit SystemBuffer(DWORD size) : size_(size) {
    if (size > 0) bytes_.reset(new BYTE[size]());
  }
  BYTE* data() const { return bytes_.get(); }
  DWORD size() const { return size_; }

 private:
  std::unique_ptr<BYTE[]> bytes_;
  DWORD size_;
};

// Sends a read, write or device control on a file and copies the reply back.
BOOL Transfer(HANDLE handle, UCHAR major, ULONG code, const void* input, DWORD input_length,
              void* output, DWORD output_length, DWORD* transferred) {
  if (transferred != nullptr) *transferred = 0;
  const auto file = FileOf(handle);
  if (!file) return Fail(STATUS_INVALID_HANDLE);
  if ((input == nullptr && input_length > 0) || (output == nullptr && output_length > 0)) {
    SetLastError(ERROR_NOACCESS);
    return FALSE;
  }
  DeviceRecord& device = file->device();
  if (device.deleted) return Fail(STATUS_DELETE_PENDING);
  if (major == IRP_MJ_DEVICE_CONTROL) {
    if ((code & 3) != METHOD_BUFFERED) {
      ReportDriverFault("only buffered device-control requests are modelled");
      return Fail(STATUS_NOT_IMPLEMENTED);
    }
    const ULONG required = (code >> 14) & 3;
    if (((required & FILE_READ_ACCESS) != 0 && (file->access() & GENERIC_READ) == 0) ||
        ((required & FILE_WRITE_ACCESS) != 0 && (file->access() & GENERIC_WRITE) == 0)) {
      return Fail(STATUS_ACCESS_DENIED);
    }
  }

  SystemBuffer buffer(input_length > output_length ? input_length : output_length);
  if (input_length > 0) std::memcpy(buffer.data(), input, input_length);
  Request request(major, device);
  request.irp.AssociatedIrp.SystemBuffer = buffer.data();
  request.irp.UserBuffer = output;
  switch (major) {
    case IRP_MJ_READ: request.stack.Parameters.Read.Length = output_length; break;
    case IRP_MJ_WRITE: request.stack.Parameters.Write.Length = input_length; break;
    default:
      request.stack.Parameters.DeviceIoControl.IoControlCode = code;
      request.stack.Parameters.DeviceIoControl.InputBufferLength = input_length;
      request.stack.Parameters.DeviceIoControl.OutputBufferLength = output_length;
      break;
  }
  const NTSTATUS status = request.Send(device);
  // A warning still delivers its data, an error none.
  const bool is_error = (static_cast<DWORD>(status) >> 30) == 3;
  // The driver's count is trusted no further than the caller's buffer reaches.
  const DWORD limit = major == IRP_MJ_WRITE ? input_length : output_length;
  ULONG_PTR count = 0;
  if (!is_error) {
    count = request.irp.IoStatus.Information < limit ? request.irp.IoStatus.Information : limit;
    if (major != IRP_MJ_WRITE && count > 0) std::memcpy(output, buffer.data(), count);
  }
  if (transferred != nullptr) *transferred = static_cast<DWORD>(count);
  if (!NT_SUCCESS(status)) return Fail(status);
  SetLastError(ERROR_SUCCESS);
  return TRUE;
}

}  // namespace

PDRIVER_OBJECT CreateDriverObject(std::u16string_view name) {
  auto record = std::make_unique<DriverRecord>();
  record->name = name;
  DRIVER_OBJECT& object = record->object;
  object.Type = 4;
  object.Size = static_cast<CSHORT>(sizeof(DRIVER_OBJECT));
  object.DriverName.Buffer = record->name.data();
  object.DriverName.Length = static_cast<USHORT>(record->name.size() * 2);
  object.DriverName.MaximumLength = static_cast<USHORT>(record->name.size() * 2);
  for (auto& entry : object.MajorFunction) entry = InvalidDeviceRequest;
  const PDRIVER_OBJECT pointer = &record->object;
  drivers[pointer] = std::move(record);
  return pointer;
}

bool IsDriverObject(PDRIVER_OBJECT driver) { return drivers.count(driver) != 0; }

void DeleteDriverObject(PDRIVER_OBJECT driver) {
  if (!IsDriverObject(driver)) return;
  while (driver->DeviceObject != nullptr) DeleteDevice(driver->DeviceObject);
  drivers.erase(driver);
}

bool DriverHasOpenFiles(PDRIVER_OBJECT driver) {
  const auto found = drivers.find(driver);
  return found != drivers.end() && found->second->open_files > 0;
}

void SetDriverIdleHandler(void (*handler)(PDRIVER_OBJECT driver)) { idle_handler = handler; }

void FinishDeviceInitialization(PDRIVER_OBJECT driver) {
  for (PDEVICE_OBJECT device = driver->DeviceObject; device != nullptr;
       device = device->NextDevice) {
    device->Flags &= ~DO_DEVICE_INITIALIZING;
  }
}

void RefuseNewOpens(PDRIVER_OBJECT driver) {
  if (const auto found = drivers.find(driver); found != drivers.end()) {
    found->second->refuses_opens = true;
  }
}

NTSTATUS CreateDevice(PDRIVER_OBJECT driver, ULONG extension_size, PUNICODE_STRING name,
                      DEVICE_TYPE type, ULONG characteristics, bool exclusive,
                      PDEVICE_OBJECT* device) {
  const auto owner = drivers.find(driver);
  if (owner == drivers.end() || device == nullptr) return STATUS_INVALID_PARAMETER;
  *device = nullptr;
  std::u16string text;
  if (name != nullptr && !ReadCountedString(name, text)) return STATUS_OBJECT_NAME_INVALID;
  // A driver's extension is kernel pool; anything that large is beyond the pool of a PC.
  constexpr ULONG kLargestExtension = 16 * 1024 * 1024;
  if (extension_size > kLargestExtension) return STATUS_INSUFFICIENT_RESOURCES;

  auto record = std::make_shared<DeviceRecord>();
  record->name = text;
  record->driver = owner->second.get();
  DEVICE_OBJECT& object = record->object;
  if (!text.empty()) {
    if (const NTSTATUS status = Objects().InsertDevice(text, &object); !NT_SUCCESS(status)) {
      return status;
    }
  }
  if (extension_size > 0) {
    const std::size_t units = (extension_size + sizeof(std::max_align_t) - 1) / sizeof(std::max_align_t);
    record->extension.reset(new std::max_align_t[units]());
  }
  object.Type = 3;
  object.Size = static_cast<USHORT>(sizeof(DEVICE_OBJECT) + (extension_size & 0xFFFF));
  object.ReferenceCount = 0;
  object.DriverObject = driver;
  object.Flags = DO_DEVICE_INITIALIZING | (exclusive ? DO_EXCLUSIVE : 0);
  object.Characteristics = characteristics;
  object.DeviceExtension = record->extension.get();
  object.DeviceType = type;
  object.StackSize = 1;
  // The newest device heads the driver's list, as on NT.
  object.NextDevice = driver->DeviceObject;
  driver->DeviceObject = &object;
  *device = &object;
  devices[&object] = std::move(record);
  return STATUS_SUCCESS;
}

void DeleteDevice(PDEVICE_OBJECT device) {
  const auto found = devices.find(device);
  if (found == devices.end()) {
    ReportDriverFault("IoDeleteDevice on something that is not a device object");
    return;
  }
  DeviceRecord& record = *found->second;
  if (!record.name.empty()) Objects().RemoveDevice(record.name);
  Unlink(record);
  record.deleted = true;
  // A file still open on the device keeps the record until it is closed.
  devices.erase(found);
}

NTSTATUS CreateSymbolicLink(PUNICODE_STRING link, PUNICODE_STRING target) {
  std::u16string link_text;
  std::u16string target_text;
  if (!ReadCountedString(link, link_text) || !ReadCountedString(target, target_text)) {
    return STATUS_OBJECT_NAME_INVALID;
  }
  return Objects().InsertLink(link_text, target_text);
}

NTSTATUS DeleteSymbolicLink(PUNICODE_STRING link) {
  std::u16string text;
  if (!ReadCountedString(link, text)) return STATUS_OBJECT_NAME_INVALID;
  return Objects().RemoveLink(text);
}

void CompleteRequest(PIRP irp) {
  if (outstanding_requests.erase(irp) == 0) {
    ReportDriverFault("a driver completed a request that was not outstanding");
  }
}

HANDLE OpenDevice(std::string_view win32_name, DWORD desired_access) {
  constexpr std::string_view kPrefix = "\\\\.\\";
  std::u16string name = u"\\DosDevices\\";
  for (const char c : win32_name.substr(kPrefix.size())) {
    name += static_cast<char16_t>(static_cast<unsigned char>(c));
  }
  PDEVICE_OBJECT object = nullptr;
  NTSTATUS status = Objects().Resolve(name, object);
  if (!NT_SUCCESS(status)) {
    // A name the namespace cannot hold names nothing: the file is not there.
    Fail(status == STATUS_OBJECT_PATH_NOT_FOUND || status == STATUS_OBJECT_NAME_INVALID
             ? STATUS_OBJECT_NAME_NOT_FOUND
             : status);
    return INVALID_HANDLE_VALUE;
  }
  const auto found = devices.find(object);
  if (found == devices.end()) {
    Fail(STATUS_OBJECT_NAME_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  const std::shared_ptr<DeviceRecord> device = found->second;
  if (device->driver->refuses_opens || (device->object.Flags & DO_DEVICE_INITIALIZING) != 0) {
    Fail(STATUS_NO_SUCH_DEVICE);
    return INVALID_HANDLE_VALUE;
  }
  std::unique_ptr<DeviceLock> lock;
  if ((device->object.Flags & DO_EXCLUSIVE) != 0) {
    if (device->open_files > 0) {
      Fail(STATUS_ACCESS_DENIED);
      return INVALID_HANDLE_VALUE;
    }
    lock = DeviceLock::Take(device->name, status);
    if (!lock) {
      Fail(status);
      return INVALID_HANDLE_VALUE;
    }
  }
  Request request(IRP_MJ_CREATE, *device);
  status = request.Send(*device);
  if (!NT_SUCCESS(status)) {
    Fail(status);
    return INVALID_HANDLE_VALUE;
  }
  ++device->open_files;
  ++device->driver->open_files;
  ++device->object.ReferenceCount;
  SetLastError(ERROR_SUCCESS);
  return Handles().Insert(std::make_shared<DeviceFile>(device, desired_access, std::move(lock)));
}

bool IsDeviceFile(HANDLE handle) { return FileOf(handle) != nullptr; }

BOOL CloseDeviceFile(HANDLE handle) {
  const auto object = Handles().Remove(handle);
  const auto file = std::dynamic_pointer_cast<DeviceFile>(object);
  if (!file) return Fail(STATUS_INVALID_HANDLE);
  DeviceRecord& device = file->device();
  // The close reaches the driver unless its device was deleted meanwhile; its status does
  // not matter, as a close cannot fail.
  if (!device.deleted) {
    Request request(IRP_MJ_CLOSE, device);
    request.Send(device);
  }
  --device.open_files;
  --device.object.ReferenceCount;
  DriverRecord* driver = device.driver;
  const bool driver_known = std::any_of(drivers.begin(), drivers.end(),
                                        [&](const auto& entry) { return entry.second.get() == driver; });
  if (driver_known && --driver->open_files == 0 && idle_handler != nullptr) {
    idle_handler(&driver->object);
  }
  SetLastError(ERROR_SUCCESS);
  return TRUE;
}

BOOL ReadDevice(HANDLE handle, void* buffer, DWORD length, DWORD* transferred) {
  return Transfer(handle, IRP_MJ_READ, 0, nullptr, 0, buffer, length, transferred);
}

BOOL WriteDevice(HANDLE handle, const void* buffer, DWORD length, DWORD* transferred) {
  return Transfer(handle, IRP_MJ_WRITE, 0, buffer, length, nullptr, 0, transferred);
}

BOOL DeviceControl(HANDLE handle, DWORD code, const void* input, DWORD input_length,
                   void* output, DWORD output_length, DWORD* returned) {
  return Transfer(handle, IRP_MJ_DEVICE_CONTROL, code, input, input_length, output,
                  output_length, returned);
}

PDEVICE_OBJECT FindDevice(std::u16string_view name) {
  for (const auto& [object, record] : devices) {
    if (record->name == name) return object;
  }
  return nullptr;
}

namespace testing {

void ForgetDriversAndDevices() {
  outstanding_requests.clear();
  devices.clear();
  drivers.clear();
  Objects().Clear();
}

}  // namespace testing

}  // namespace ntsim
