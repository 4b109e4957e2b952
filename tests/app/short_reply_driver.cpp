// A driver image for the table's tests: its device \Device\ShortReply (link
// \DosDevices\ShortReply) answers every request with the IDT less its last gate, so that an
// IDT of 8 to 15 bytes gives a reply shorter than one gate, which vir.uze never sends. It has
// no unload routine; a test's machine goes with the test.
#include "winapi/kessrin.h"
#include "winapi/ntddk.h"

namespace {

NTSTATUS Complete(PIRP Irp, ULONG_PTR Information) {
  Irp->IoStatus.Information = Information;
  Irp->IoStatus.Status = STATUS_SUCCESS;
  IoCompleteRequest(Irp, IO_NO_INCREMENT);
  return STATUS_SUCCESS;
}

NTSTATUS CreateClose(PDEVICE_OBJECT /*DeviceObject*/, PIRP Irp) { return Complete(Irp, 0); }

NTSTATUS DeviceControl(PDEVICE_OBJECT /*DeviceObject*/, PIRP Irp) {
  const ULONG output_length =
      IoGetCurrentIrpStackLocation(Irp)->Parameters.DeviceIoControl.OutputBufferLength;
  KESSRIN_IDT_REGISTER idtr;
  SIDT(&idtr);
  const ULONG size = static_cast<ULONG>(idtr.Limit) + 1 - 8;
  const ULONG count = size <= output_length ? size : output_length;
  const UCHAR* table = reinterpret_cast<const UCHAR*>(static_cast<ULONG_PTR>(idtr.Base));
  UCHAR* reply = static_cast<UCHAR*>(Irp->AssociatedIrp.SystemBuffer);
  for (ULONG i = 0; i < count; ++i) reply[i] = table[i];
  return Complete(Irp, count);
}

}  // namespace

extern "C" NTSTATUS DriverEntry(PDRIVER_OBJECT DriverObject, PUNICODE_STRING /*RegistryPath*/) {
  static WCHAR device_buffer[] = u"\\Device\\ShortReply";
  static WCHAR link_buffer[] = u"\\DosDevices\\ShortReply";
  UNICODE_STRING device_name;
  UNICODE_STRING link_name;
  RtlInitUnicodeString(&device_name, device_buffer);
  RtlInitUnicodeString(&link_name, link_buffer);
  DriverObject->MajorFunction[IRP_MJ_CREATE] = CreateClose;
  DriverObject->MajorFunction[IRP_MJ_CLOSE] = CreateClose;
  DriverObject->MajorFunction[IRP_MJ_DEVICE_CONTROL] = DeviceControl;
  PDEVICE_OBJECT device = nullptr;
  const NTSTATUS status =
      IoCreateDevice(DriverObject, 0, &device_name, FILE_DEVICE_UNKNOWN, 0, FALSE, &device);
  if (!NT_SUCCESS(status)) return status;
  device->Flags |= DO_BUFFERED_IO;
  return IoCreateSymbolicLink(&link_name, &device_name);
}
