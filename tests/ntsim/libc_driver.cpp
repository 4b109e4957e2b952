// A driver image for the loader's tests that calls the host's C library, which a kernel does
// not export.
#include <cstdio>

#include "winapi/ntddk.h"

extern "C" NTSTATUS DriverEntry(PDRIVER_OBJECT /*DriverObject*/, PUNICODE_STRING /*RegistryPath*/) {
  std::puts("a driver has no standard output");
  return STATUS_SUCCESS;
}
