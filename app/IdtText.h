// The main table's texts: its header row and the six cells of a vector's row, decoded from
// the vector's gate and the usage and device tables. The main window renders them, and the
// list tool prints the same texts from a list file.
#pragma once

#include <array>
#include <string>

#include "app/SnapshotRecords.h"

// The header row, columns 0 to 5. Column 0 has no heading: its cell is never written.
extern const std::array<const char*, 6> IdtHeaderTexts;

// Column 0 of vector v's row: "Interrupt 2F/47" for vector 47.
std::string VectorText(DWORD v);

// OffsetHigh times 65536 plus OffsetLow.
DWORD GateOffset(const TGateDescriptor& Gate);

// Bit 3 of the access byte is the gate's size (32 or 16 bits); bits 6-5 its privilege level;
// bits 2-0 its type; bit 7 says whether it is present. The table shows neither the present
// bit nor bit 4: a gate that is not present reads like one that is.
DWORD GateSize(BYTE Access);
DWORD GateDpl(BYTE Access);
DWORD GateType(BYTE Access);
bool GatePresent(BYTE Access);
const char* GateSizeText(BYTE Access);
const char* GateTypeText(BYTE Access);

// The device column: "reserved" for the processor's 32 vectors, else the first user's name.
std::string DeviceText(const TVectorUsage& Usage, const TDeviceRecord (&Devices)[256], DWORD v);

// The six cells of the row of vector v (0 to 255), column 0 first.
std::array<std::string, 6> IdtRowTexts(DWORD v, const TGateDescriptor& Gate,
                                       const TVectorUsage& Usage,
                                       const TDeviceRecord (&Devices)[256]);
