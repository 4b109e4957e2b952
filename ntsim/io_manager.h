// The I/O manager: driver and device objects, the files a program opens on a device, and the
// requests that carry its calls to the driver's dispatch routines.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "ntsim/handles.h"
#include "winapi/ntddk.h"

namespace ntsim {

// Driver objects: the loader makes one per loaded driver. Every dispatch entry starts at the
// system's default, which fails the request as an invalid device request.
PDRIVER_OBJECT CreateDriverObject(std::u16string_view name);
bool IsDriverObject(PDRIVER_OBJECT driver);
// Deletes the devices still listed in the driver object and then the object itself.
void DeleteDriverObject(PDRIVER_OBJECT driver);
// Whether a program holds a file open on one of the driver's devices.
bool DriverHasOpenFiles(PDRIVER_OBJECT driver);
// Called when the last file on a driver's devices has been closed.
void SetDriverIdleHandler(void (*handler)(PDRIVER_OBJECT driver));
// Ends the initialisation of the devices the driver created while it was being loaded.
void FinishDeviceInitialization(PDRIVER_OBJECT driver);
// New opens of the driver's devices fail: its unload is on the way.
void RefuseNewOpens(PDRIVER_OBJECT driver);

// The kernel routines behind IoCreateDevice, IoDeleteDevice, IoCreateSymbolicLink,
// IoDeleteSymbolicLink and IofCompleteRequest.
NTSTATUS CreateDevice(PDRIVER_OBJECT driver, ULONG extension_size, PUNICODE_STRING name,
                      DEVICE_TYPE type, ULONG characteristics, bool exclusive,
                      PDEVICE_OBJECT* device);
void DeleteDevice(PDEVICE_OBJECT device);
NTSTATUS CreateSymbolicLink(PUNICODE_STRING link, PUNICODE_STRING target);
NTSTATUS DeleteSymbolicLink(PUNICODE_STRING link);
void CompleteRequest(PIRP irp);

// A program's open file on a device. Closing its handle sends the close request.
class DeviceFile;

// CreateFileA on \\.\NAME: the last error says why it failed.
HANDLE OpenDevice(std::string_view win32_name, DWORD desired_access);
bool IsDeviceFile(HANDLE handle);
// CloseHandle, ReadFile, WriteFile and DeviceIoControl on a device file; each sets the last
// error.
BOOL CloseDeviceFile(HANDLE handle);
BOOL ReadDevice(HANDLE handle, void* buffer, DWORD length, DWORD* transferred);
BOOL WriteDevice(HANDLE handle, const void* buffer, DWORD length, DWORD* transferred);
BOOL DeviceControl(HANDLE handle, DWORD code, const void* input, DWORD input_length,
                   void* output, DWORD output_length, DWORD* returned);

// A device object of this machine by its name, for tests that look at what a driver made.
PDEVICE_OBJECT FindDevice(std::u16string_view name);

namespace testing {
// Forgets every driver and device object without calling into a driver, as when the process
// that held them ends.
void ForgetDriversAndDevices();
}  // namespace testing

}  // namespace ntsim
