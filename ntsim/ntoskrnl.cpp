// The kernel routines a driver image imports. Every program that hosts the machine exports
// exactly these to the driver images it loads (kernel_exports.list).
#include <cstdarg>

#include "ntsim/io_manager.h"
#include "ntsim/kernel_debugger.h"
#include "ntsim/processor.h"
#include "winapi/ntddk.h"

extern "C" void RtlInitUnicodeString(PUNICODE_STRING DestinationString, PCWSTR SourceString) {
  // The kernel's counted strings hold at most 65,534 bytes; a longer text is cut there.
  constexpr std::size_t kLongest = 0xFFFC / 2;
  std::size_t units = 0;
  if (SourceString != nullptr) {
    while (SourceString[units] != u'\0' && units < kLongest) ++units;
  }
  DestinationString->Buffer = const_cast<PWSTR>(SourceString);
  DestinationString->Length = static_cast<USHORT>(units * 2);
  DestinationString->MaximumLength =
      static_cast<USHORT>(SourceString != nullptr ? units * 2 + 2 : 0);
}

extern "C" NTSTATUS IoCreateDevice(PDRIVER_OBJECT DriverObject, ULONG DeviceExtensionSize,
                                   PUNICODE_STRING DeviceName, DEVICE_TYPE DeviceType,
                                   ULONG DeviceCharacteristics, BOOLEAN Exclusive,
                                   PDEVICE_OBJECT* DeviceObject) {
  return ntsim::CreateDevice(DriverObject, DeviceExtensionSize, DeviceName, DeviceType,
                             DeviceCharacteristics, Exclusive != 0, DeviceObject);
}

extern "C" void IoDeleteDevice(PDEVICE_OBJECT DeviceObject) { ntsim::DeleteDevice(DeviceObject); }

extern "C" NTSTATUS IoCreateSymbolicLink(PUNICODE_STRING SymbolicLinkName,
                                         PUNICODE_STRING DeviceName) {
  return ntsim::CreateSymbolicLink(SymbolicLinkName, DeviceName);
}

extern "C" NTSTATUS IoDeleteSymbolicLink(PUNICODE_STRING SymbolicLinkName) {
  return ntsim::DeleteSymbolicLink(SymbolicLinkName);
}

// Requests complete synchronously, so the priority boost of a waiting thread has no effect.
extern "C" void IofCompleteRequest(PIRP Irp, CCHAR /*PriorityBoost*/) {
  ntsim::CompleteRequest(Irp);
}

extern "C" ULONG DbgPrint(const char* Format, ...) {
  std::va_list arguments;
  va_start(arguments, Format);
  const std::string text = ntsim::FormatDebugText(Format != nullptr ? Format : "", arguments);
  va_end(arguments);
  ntsim::PrintToDebugger(text);
  return static_cast<ULONG>(STATUS_SUCCESS);
}

extern "C" void SIDT(PVOID Destination) { ntsim::StoreIdtRegister(Destination); }
