// A driver image for the loader's tests: it loads, makes a device without a link, and has no
// unload routine, so it cannot be stopped.
#include "winapi/ntddk.h"

extern "C" NTSTATUS DriverEntry(PDRIVER_OBJECT DriverObject, PUNICODE_STRING /*RegistryPath*/) {
  static WCHAR name[] = u"\\Device\\Stay";
  UNICODE_STRING device_name;
  RtlInitUnicodeString(&device_name, name);
  PDEVICE_OBJECT device = nullptr;
  DbgPrint("Stay: %s %d %5.2s|%-4x|%04X %c%%\n", "loaded", -3, "abc", 0x1Fu, 0xBEEFu, 'k');
  return IoCreateDevice(DriverObject, 24, &device_name, FILE_DEVICE_UNKNOWN, 0, 0, &device);
}
