#include "ntsim/profile_idt.h"

#include <array>

namespace ntsim {

namespace {

// Access bytes: present, privilege level, and the gate's type.
constexpr BYTE kInterruptGate = 0x8E;      // 32-bit interrupt gate, DPL 0
constexpr BYTE kTrapGate = 0x8F;           // 32-bit trap gate, DPL 0
constexpr BYTE kUserInterruptGate = 0xEE;  // 32-bit interrupt gate, DPL 3
constexpr BYTE kUserTrapGate = 0xEF;       // 32-bit trap gate, DPL 3
constexpr BYTE kTaskGate = 0x85;           // task gate, DPL 0

constexpr WORD kKernelCode = 0x0008;
// The task-state segments the processor switches to for an NMI and a double fault.
constexpr WORD kNmiTss = 0x0058;
constexpr WORD kDoubleFaultTss = 0x0050;

struct Gate {
  DWORD offset;
  WORD selector;
  BYTE access;
};

// The handlers of the processor's exceptions, in vector order 0x00-0x13; the kernel's image
// lies at 0x80400000, its trap handlers in the 0x8046xxxx range.
constexpr std::array<Gate, 0x14> kExceptions = {{
    {0x80465A20, kKernelCode, kInterruptGate},      // divide error
    {0x80465B84, kKernelCode, kInterruptGate},      // debug
    {0x00000000, kNmiTss, kTaskGate},               // non-maskable interrupt
    {0x80465E4C, kKernelCode, kUserInterruptGate},  // breakpoint
    {0x80465FB8, kKernelCode, kUserInterruptGate},  // overflow
    {0x80466114, kKernelCode, kInterruptGate},      // bound range
    {0x8046626C, kKernelCode, kInterruptGate},      // invalid opcode
    {0x80466604, kKernelCode, kInterruptGate},      // coprocessor not available
    {0x00000000, kDoubleFaultTss, kTaskGate},       // double fault
    {0x80466A10, kKernelCode, kInterruptGate},      // coprocessor segment overrun
    {0x80466B54, kKernelCode, kInterruptGate},      // invalid TSS
    {0x80466C90, kKernelCode, kInterruptGate},      // segment not present
    {0x80466EB4, kKernelCode, kInterruptGate},      // stack fault
    {0x80467118, kKernelCode, kInterruptGate},      // general protection
    {0x80467A5C, kKernelCode, kInterruptGate},      // page fault
    {0x80467E98, kKernelCode, kInterruptGate},      // reserved
    {0x80467FC0, kKernelCode, kTrapGate},           // coprocessor error
    {0x804680E8, kKernelCode, kTrapGate},           // alignment check
    {0x80467E98, kKernelCode, kInterruptGate},      // machine check, unhandled
    {0x80467E98, kKernelCode, kInterruptGate},      // SIMD exception, unhandled
}};

// The gates user mode may call: tick count, callback return, wait-pair, debug service and
// the system service call.
constexpr std::array<Gate, 5> kSystemServices = {{
    {0x804647E6, kKernelCode, kUserTrapGate},
    {0x80464A80, kKernelCode, kUserTrapGate},
    {0x80464B74, kKernelCode, kUserTrapGate},
    {0x80465990, kKernelCode, kUserInterruptGate},
    {0x804645B0, kKernelCode, kUserInterruptGate},
}};

// The HAL's handlers of the sixteen PIC lines, vectors 0x30-0x3F: the clock on IRQ 0, the
// cascade on IRQ 2, the profile interrupt on IRQ 8, and the kernel's dispatch stubs of the
// devices' interrupt objects elsewhere.
constexpr std::array<DWORD, 16> kDeviceHandlers = {
    0x80468C7C, 0x80463E20, 0x80468D4C, 0x80463E60, 0x80463E80, 0x80463EA0,
    0x80463EC0, 0x80463EE0, 0x80468E18, 0x80463F20, 0x80463F40, 0x80463F60,
    0x80463F80, 0x80463FA0, 0x80463FC0, 0x80463FE0,
};

// Every other vector reaches its own unexpected-interrupt stub: the stubs are 8 bytes apart.
constexpr DWORD kUnexpectedStubs = 0x80462A10;

void Put(std::vector<BYTE>& table, std::size_t vector, const Gate& gate) {
  BYTE* descriptor = &table[vector * 8];
  descriptor[0] = static_cast<BYTE>(gate.offset);
  descriptor[1] = static_cast<BYTE>(gate.offset >> 8);
  descriptor[2] = static_cast<BYTE>(gate.selector);
  descriptor[3] = static_cast<BYTE>(gate.selector >> 8);
  descriptor[4] = 0;
  descriptor[5] = gate.access;
  descriptor[6] = static_cast<BYTE>(gate.offset >> 16);
  descriptor[7] = static_cast<BYTE>(gate.offset >> 24);
}

}  // namespace

std::vector<BYTE> BuiltInIdt() {
  std::vector<BYTE> table(256 * 8);
  for (std::size_t vector = 0; vector < 256; ++vector) {
    const auto stub = static_cast<DWORD>(kUnexpectedStubs + vector * 8);
    Put(table, vector, {stub, kKernelCode, kInterruptGate});
  }
  for (std::size_t i = 0; i < kExceptions.size(); ++i) Put(table, i, kExceptions[i]);
  for (std::size_t i = 0; i < kSystemServices.size(); ++i) Put(table, 0x2A + i, kSystemServices[i]);
  for (std::size_t i = 0; i < kDeviceHandlers.size(); ++i) {
    Put(table, 0x30 + i, {kDeviceHandlers[i], kKernelCode, kInterruptGate});
  }
  return table;
}

}  // namespace ntsim
