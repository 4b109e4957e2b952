// The NT kernel as a driver sees it: status codes, counted UTF-16 strings, driver and device
// objects, I/O requests and the kernel routines a driver calls. The records carry the fields
// a driver reads and writes; what only the kernel itself touches is left out.
#pragma once

#include "windef.h"

using NTSTATUS = LONG;
using CSHORT = std::int16_t;
using BOOLEAN = UCHAR;
using CCHAR = char;
using KPROCESSOR_MODE = CCHAR;
using DEVICE_TYPE = ULONG;

// Kernel text is UTF-16 on every host: the units are 16 bits wide, whatever the host's
// wchar_t is.
using WCHAR = char16_t;
using PWSTR = WCHAR*;
using PCWSTR = const WCHAR*;

inline constexpr bool NT_SUCCESS(NTSTATUS status) { return status >= 0; }

// Status values are 32-bit patterns; the failures have the top bit set.
inline constexpr NTSTATUS NtStatus(DWORD pattern) { return static_cast<NTSTATUS>(pattern); }

inline constexpr NTSTATUS STATUS_SUCCESS = NtStatus(0x00000000);
inline constexpr NTSTATUS STATUS_PENDING = NtStatus(0x00000103);
inline constexpr NTSTATUS STATUS_BUFFER_OVERFLOW = NtStatus(0x80000005);
inline constexpr NTSTATUS STATUS_UNSUCCESSFUL = NtStatus(0xC0000001);
inline constexpr NTSTATUS STATUS_NOT_IMPLEMENTED = NtStatus(0xC0000002);
inline constexpr NTSTATUS STATUS_INVALID_HANDLE = NtStatus(0xC0000008);
inline constexpr NTSTATUS STATUS_INVALID_PARAMETER = NtStatus(0xC000000D);
inline constexpr NTSTATUS STATUS_NO_SUCH_DEVICE = NtStatus(0xC000000E);
inline constexpr NTSTATUS STATUS_INVALID_DEVICE_REQUEST = NtStatus(0xC0000010);
inline constexpr NTSTATUS STATUS_NO_MEMORY = NtStatus(0xC0000017);
inline constexpr NTSTATUS STATUS_ACCESS_DENIED = NtStatus(0xC0000022);
inline constexpr NTSTATUS STATUS_BUFFER_TOO_SMALL = NtStatus(0xC0000023);
inline constexpr NTSTATUS STATUS_OBJECT_NAME_INVALID = NtStatus(0xC0000033);
inline constexpr NTSTATUS STATUS_OBJECT_NAME_NOT_FOUND = NtStatus(0xC0000034);
inline constexpr NTSTATUS STATUS_OBJECT_NAME_COLLISION = NtStatus(0xC0000035);
inline constexpr NTSTATUS STATUS_OBJECT_PATH_NOT_FOUND = NtStatus(0xC000003A);
inline constexpr NTSTATUS STATUS_DELETE_PENDING = NtStatus(0xC0000056);
inline constexpr NTSTATUS STATUS_INVALID_IMAGE_FORMAT = NtStatus(0xC000007B);
inline constexpr NTSTATUS STATUS_INSUFFICIENT_RESOURCES = NtStatus(0xC000009A);
inline constexpr NTSTATUS STATUS_DEVICE_BUSY = NtStatus(0x80000011);

struct UNICODE_STRING {
  USHORT Length;         // bytes of text, without a terminating zero
  USHORT MaximumLength;  // bytes of the buffer
  PWSTR Buffer;
};
using PUNICODE_STRING = UNICODE_STRING*;
using PCUNICODE_STRING = const UNICODE_STRING*;

struct DRIVER_OBJECT;
struct DEVICE_OBJECT;
struct IRP;
using PDRIVER_OBJECT = DRIVER_OBJECT*;
using PDEVICE_OBJECT = DEVICE_OBJECT*;
using PIRP = IRP*;

using PDRIVER_DISPATCH = NTSTATUS (*)(PDEVICE_OBJECT DeviceObject, PIRP Irp);
using PDRIVER_UNLOAD = void (*)(PDRIVER_OBJECT DriverObject);
using PDRIVER_INITIALIZE = NTSTATUS (*)(PDRIVER_OBJECT DriverObject,
                                        PUNICODE_STRING RegistryPath);

inline constexpr UCHAR IRP_MJ_CREATE = 0x00;
inline constexpr UCHAR IRP_MJ_CREATE_NAMED_PIPE = 0x01;
inline constexpr UCHAR IRP_MJ_CLOSE = 0x02;
inline constexpr UCHAR IRP_MJ_READ = 0x03;
inline constexpr UCHAR IRP_MJ_WRITE = 0x04;
inline constexpr UCHAR IRP_MJ_DEVICE_CONTROL = 0x0E;
inline constexpr UCHAR IRP_MJ_INTERNAL_DEVICE_CONTROL = 0x0F;
inline constexpr UCHAR IRP_MJ_SHUTDOWN = 0x10;
inline constexpr UCHAR IRP_MJ_CLEANUP = 0x12;
inline constexpr UCHAR IRP_MJ_MAXIMUM_FUNCTION = 0x1B;

struct DRIVER_OBJECT {
  CSHORT Type;
  CSHORT Size;
  PDEVICE_OBJECT DeviceObject;  // the driver's devices, newest first, through NextDevice
  ULONG Flags;
  PVOID DriverStart;
  ULONG DriverSize;
  UNICODE_STRING DriverName;
  PDRIVER_INITIALIZE DriverInit;
  PDRIVER_UNLOAD DriverUnload;
  PDRIVER_DISPATCH MajorFunction[IRP_MJ_MAXIMUM_FUNCTION + 1];
};

inline constexpr ULONG DO_VERIFY_VOLUME = 0x00000002;
inline constexpr ULONG DO_BUFFERED_IO = 0x00000004;
inline constexpr ULONG DO_EXCLUSIVE = 0x00000008;
inline constexpr ULONG DO_DIRECT_IO = 0x00000010;
inline constexpr ULONG DO_DEVICE_INITIALIZING = 0x00000080;

inline constexpr DEVICE_TYPE FILE_DEVICE_UNKNOWN = 0x00000022;

struct DEVICE_OBJECT {
  CSHORT Type;
  USHORT Size;
  LONG ReferenceCount;
  PDRIVER_OBJECT DriverObject;
  PDEVICE_OBJECT NextDevice;
  ULONG Flags;
  ULONG Characteristics;
  PVOID DeviceExtension;
  DEVICE_TYPE DeviceType;
  CCHAR StackSize;
};

struct IO_STATUS_BLOCK {
  union {
    NTSTATUS Status;
    PVOID Pointer;
  };
  ULONG_PTR Information;
};
using PIO_STATUS_BLOCK = IO_STATUS_BLOCK*;

struct IO_STACK_LOCATION {
  UCHAR MajorFunction;
  UCHAR MinorFunction;
  UCHAR Flags;
  UCHAR Control;
  union {
    struct {
      ULONG Length;
      ULONG Key;
      LONGLONG ByteOffset;
    } Read;
    struct {
      ULONG Length;
      ULONG Key;
      LONGLONG ByteOffset;
    } Write;
    struct {
      ULONG OutputBufferLength;
      ULONG InputBufferLength;
      ULONG IoControlCode;
      PVOID Type3InputBuffer;
    } DeviceIoControl;
  } Parameters;
  PDEVICE_OBJECT DeviceObject;
  PVOID FileObject;
};
using PIO_STACK_LOCATION = IO_STACK_LOCATION*;

struct IRP {
  CSHORT Type;
  USHORT Size;
  ULONG Flags;
  union {
    PVOID SystemBuffer;  // the buffered transfer's buffer
  } AssociatedIrp;
  IO_STATUS_BLOCK IoStatus;
  KPROCESSOR_MODE RequestorMode;
  PVOID UserBuffer;
  struct {
    struct {
      PIO_STACK_LOCATION CurrentStackLocation;
    } Overlay;
  } Tail;
};

inline PIO_STACK_LOCATION IoGetCurrentIrpStackLocation(PIRP Irp) {
  return Irp->Tail.Overlay.CurrentStackLocation;
}

// Device-control codes: device type in bits 16-31, required access in bits 14-15, function
// number in bits 2-13 and transfer method in bits 0-1.
inline constexpr ULONG CTL_CODE(DEVICE_TYPE device_type, ULONG function, ULONG method,
                                ULONG access) {
  return (device_type << 16) | (access << 14) | (function << 2) | method;
}
inline constexpr ULONG METHOD_BUFFERED = 0;
inline constexpr ULONG METHOD_IN_DIRECT = 1;
inline constexpr ULONG METHOD_OUT_DIRECT = 2;
inline constexpr ULONG METHOD_NEITHER = 3;
inline constexpr ULONG FILE_ANY_ACCESS = 0;
inline constexpr ULONG FILE_READ_ACCESS = 1;
inline constexpr ULONG FILE_WRITE_ACCESS = 2;

inline constexpr CCHAR IO_NO_INCREMENT = 0;

extern "C" {

void RtlInitUnicodeString(PUNICODE_STRING DestinationString, PCWSTR SourceString);

NTSTATUS IoCreateDevice(PDRIVER_OBJECT DriverObject, ULONG DeviceExtensionSize,
                        PUNICODE_STRING DeviceName, DEVICE_TYPE DeviceType,
                        ULONG DeviceCharacteristics, BOOLEAN Exclusive,
                        PDEVICE_OBJECT* DeviceObject);
void IoDeleteDevice(PDEVICE_OBJECT DeviceObject);
NTSTATUS IoCreateSymbolicLink(PUNICODE_STRING SymbolicLinkName, PUNICODE_STRING DeviceName);
NTSTATUS IoDeleteSymbolicLink(PUNICODE_STRING SymbolicLinkName);

void IofCompleteRequest(PIRP Irp, CCHAR PriorityBoost);

// printf-style text for the kernel debugger.
ULONG DbgPrint(const char* Format, ...);

// The store-IDT-register instruction: writes the table's limit (16 bits) and its linear base
// (32 bits) into the 6 bytes at Destination, unaligned, as the processor does.
void SIDT(PVOID Destination);

}  // extern "C"

// The platform's completion call is a macro over the exported routine.
#define IoCompleteRequest(Irp, PriorityBoost) IofCompleteRequest((Irp), (PriorityBoost))
