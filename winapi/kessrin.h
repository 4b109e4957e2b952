// The contract between the driver vir.uze and the program: the names of the driver's device
// and its link, and the one request it serves. Both sides include this file, so the values
// cannot drift apart; the asserts pin them because a change breaks every installed copy.
#pragma once

#include <cstddef>

#include "ntddk.h"

// Counted strings of these names are 30 and 38 bytes long; the buffers hold 16 and 20 units.
inline constexpr WCHAR KESSRIN_DEVICE_NAME[] = u"\\Device\\Kessrin";
inline constexpr WCHAR KESSRIN_LINK_NAME[] = u"\\DosDevices\\Kessrin";
static_assert(sizeof KESSRIN_DEVICE_NAME == 32);
static_assert(sizeof KESSRIN_LINK_NAME == 40);

// The program opens the device through the link's Win32 name.
inline constexpr char KESSRIN_WIN32_NAME[] = "\\\\.\\Kessrin";

// Asks for a copy of the IDT of the processor that serves the request: no input; the output
// receives limit + 1 bytes of gate descriptors.
inline constexpr ULONG IOCTL_READ_IDT =
    CTL_CODE(FILE_DEVICE_UNKNOWN, 0x801, METHOD_BUFFERED, FILE_ANY_ACCESS);
static_assert(IOCTL_READ_IDT == 0x222004);

// The 6 bytes SIDT stores: the limit (size in bytes less one), then the 32-bit linear base.
#pragma pack(push, 1)
struct KESSRIN_IDT_REGISTER {
  USHORT Limit;
  ULONG Base;
};
#pragma pack(pop)
static_assert(sizeof(KESSRIN_IDT_REGISTER) == 6);
static_assert(offsetof(KESSRIN_IDT_REGISTER, Limit) == 0);
static_assert(offsetof(KESSRIN_IDT_REGISTER, Base) == 2);
