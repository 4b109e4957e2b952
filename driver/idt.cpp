// The driver vir.uze: one exclusive device, \Device\Kessrin, reachable from user mode through
// the link \DosDevices\Kessrin, that answers IOCTL_READ_IDT with a copy of the IDT of the
// processor serving the request. It keeps no state of its own besides the device and the
// link, and completes every request in its dispatch routine.
#include "winapi/kessrin.h"
#include "winapi/ntddk.h"

namespace {

// Names are printed from the counted strings the driver made of them; the kernel debugger
// takes 8-bit text, and the names are plain ASCII.
struct NameText {
  char text[64];
};

NameText Printable(const UNICODE_STRING& name) {
  NameText printable{};
  const USHORT units = static_cast<USHORT>(name.Length / 2);
  USHORT i = 0;
  for (; i < units && i + 1 < static_cast<USHORT>(sizeof printable.text); ++i) {
    const WCHAR unit = name.Buffer[i];
    printable.text[i] = unit < 0x80 ? static_cast<char>(unit) : '?';
  }
  printable.text[i] = '\0';
  return printable;
}

template <unsigned N>
void CopyName(WCHAR (&buffer)[N], const WCHAR (&literal)[N]) {
  for (unsigned i = 0; i < N; ++i) buffer[i] = literal[i];
}

}  // namespace

extern "C" {

NTSTATUS Kessrin_DispatchCreateClose(PDEVICE_OBJECT DeviceObject, PIRP Irp);
NTSTATUS Kessrin_DispatchDeviceControl(PDEVICE_OBJECT DeviceObject, PIRP Irp);
void Kessrin_Unload(PDRIVER_OBJECT DriverObject);

NTSTATUS DriverEntry(PDRIVER_OBJECT DriverObject, PUNICODE_STRING /*RegistryPath*/) {
  WCHAR device_buffer[16];
  WCHAR link_buffer[20];
  CopyName(device_buffer, KESSRIN_DEVICE_NAME);
  CopyName(link_buffer, KESSRIN_LINK_NAME);
  UNICODE_STRING device_name;
  UNICODE_STRING link_name;
  RtlInitUnicodeString(&device_name, device_buffer);
  RtlInitUnicodeString(&link_name, link_buffer);

  DriverObject->MajorFunction[IRP_MJ_CREATE] = Kessrin_DispatchCreateClose;
  DriverObject->MajorFunction[IRP_MJ_CLOSE] = Kessrin_DispatchCreateClose;
  DriverObject->MajorFunction[IRP_MJ_DEVICE_CONTROL] = Kessrin_DispatchDeviceControl;
  DriverObject->DriverUnload = Kessrin_Unload;

  PDEVICE_OBJECT device = nullptr;
  NTSTATUS status = IoCreateDevice(DriverObject, 0, &device_name, FILE_DEVICE_UNKNOWN, 0,
                                   TRUE, &device);
  if (!NT_SUCCESS(status)) {
    DbgPrint("Kessrin: Kann DeviceObject nicht erstellen !\n");
    return status;
  }
  status = IoCreateSymbolicLink(&link_name, &device_name);
  if (!NT_SUCCESS(status)) {
    DbgPrint("Kessrin: Kann Link nicht erstellen !\n");
    // A driver that does not load must not leave its device behind: the name would stay
    // taken and the next start would fail on it.
    IoDeleteDevice(device);
    return status;
  }
  DbgPrint("Kessrin: Link: %s - DosLink: %s\n", Printable(device_name).text,
           Printable(link_name).text);
  device->Flags |= DO_BUFFERED_IO;
  DbgPrint("Kessrin: Driver Entry erfolgreich abgearbeitet !\n");
  return STATUS_SUCCESS;
}

NTSTATUS Kessrin_DispatchCreateClose(PDEVICE_OBJECT /*DeviceObject*/, PIRP Irp) {
  DbgPrint("Kessrin: Open / Close\n");
  Irp->IoStatus.Information = 0;
  Irp->IoStatus.Status = STATUS_SUCCESS;
  IoCompleteRequest(Irp, IO_NO_INCREMENT);
  return STATUS_SUCCESS;
}

NTSTATUS Kessrin_DispatchDeviceControl(PDEVICE_OBJECT /*DeviceObject*/, PIRP Irp) {
  const PIO_STACK_LOCATION stack = IoGetCurrentIrpStackLocation(Irp);
  const ULONG code = stack->Parameters.DeviceIoControl.IoControlCode;
  const ULONG input_length = stack->Parameters.DeviceIoControl.InputBufferLength;
  const ULONG output_length = stack->Parameters.DeviceIoControl.OutputBufferLength;
  DbgPrint("Kessrin: InputBufferLength = %x\n", input_length);
  DbgPrint("Kessrin: OutputBufferLength = %x\n", output_length);
  DbgPrint("Kessrin: FunctionCode = %x\n", code);

  if (code == IOCTL_READ_IDT) {
    // The register image goes to a local, not to the system buffer, which may be shorter
    // than 6 bytes.
    KESSRIN_IDT_REGISTER idtr;
    SIDT(&idtr);
    const ULONG count = static_cast<ULONG>(idtr.Limit) + 1;
    // The system buffer is at least as long as the output buffer; a table that does not fit
    // is cut to the whole double-words that do, and the reply says how many bytes came.
    const ULONG copied = count <= output_length ? count : output_length & ~3u;
    const ULONG* table = reinterpret_cast<const ULONG*>(static_cast<ULONG_PTR>(idtr.Base));
    ULONG* reply = static_cast<ULONG*>(Irp->AssociatedIrp.SystemBuffer);
    for (ULONG i = 0; i < copied / 4; ++i) reply[i] = table[i];
    Irp->IoStatus.Information = copied;
    DbgPrint("Kessrin: Adresse %x - Gelesen %x\n", copied,
             static_cast<ULONG>(*reinterpret_cast<const UCHAR*>(table)));
  } else {
    Irp->IoStatus.Information = 0;
  }
  Irp->IoStatus.Status = STATUS_SUCCESS;
  IoCompleteRequest(Irp, IO_NO_INCREMENT);
  return STATUS_SUCCESS;
}

void Kessrin_Unload(PDRIVER_OBJECT DriverObject) {
  WCHAR link_buffer[20];
  CopyName(link_buffer, KESSRIN_LINK_NAME);
  DbgPrint("Kessrin: Eintritt in Unload Routine !\n");
  UNICODE_STRING link_name;
  RtlInitUnicodeString(&link_name, link_buffer);
  if (!NT_SUCCESS(IoDeleteSymbolicLink(&link_name))) {
    DbgPrint("Kessrin: Kann Link nicht entfernen !\n");
    return;
  }
  DbgPrint("Kessrin: Link entfernt !\n");
  IoDeleteDevice(DriverObject->DeviceObject);
  DbgPrint("Kessrin: Unload Ende !\n");
}

}  // extern "C"
