// The machine's processor: its IDT in memory at a 32-bit linear base, the IDT register that
// SIDT stores, and the selectors a user program sees in CS and DS.
#pragma once

#include <cstddef>

#include "winapi/windef.h"

namespace ntsim {

// The IDT comes from idt.bin of the machine folder (8 to 65,536 bytes), else from the built-in
// profile. It is placed on first use, below 4 GiB so that its base fits the register's 32
// bits and a driver's plain copy from that base reads it as on NT. A bad idt.bin, or no room
// below 4 GiB, stops the machine.
struct IdtRegister {
  WORD limit;
  DWORD base;
};
IdtRegister CurrentIdtRegister();

// Writes the 6-byte register image (limit, then base) at destination, unaligned.
void StoreIdtRegister(void* destination);

namespace testing {
// Drops the placed table, so that the next use reads the machine folder again.
void ForgetIdt();
}  // namespace testing

}  // namespace ntsim
