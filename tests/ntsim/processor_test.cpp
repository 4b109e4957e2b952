// The processor: the IDT from idt.bin or the built-in profile at a 32-bit base, the register
// image SIDT stores, and the selectors a program reads.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "ntsim/processor.h"
#include "ntsim/profile_idt.h"
#include "tests/ntsim/machine_fixture.h"
#include "winapi/kessrin.h"
#include "winapi/segment_registers.h"

namespace {

// Task gates for NMI and double fault; DPL 3 for breakpoint, overflow and the system service
// gates (trap gates below the system call); trap gates for the coprocessor and alignment
// errors; interrupt gates elsewhere.
BYTE ExpectedAccess(int vector) {
  if (vector == 2 || vector == 8) return 0x85;
  if (vector >= 0x2A && vector <= 0x2C) return 0xEF;
  if (vector == 3 || vector == 4 || vector == 0x2D || vector == 0x2E) return 0xEE;
  if (vector == 0x10 || vector == 0x11) return 0x8F;
  return 0x8E;
}

class Processor : public FreshMachine {
 protected:
  // What a driver reads: the register image, then limit + 1 bytes from the base.
  std::string TableAtBase() {
    BYTE image[6];
    SIDT(image);
    const WORD limit = static_cast<WORD>(image[0] | image[1] << 8);
    const DWORD base = static_cast<DWORD>(image[2] | image[3] << 8 | image[4] << 16 |
                                          static_cast<DWORD>(image[5]) << 24);
    return std::string(reinterpret_cast<const char*>(static_cast<std::uintptr_t>(base)),
                       std::size_t{limit} + 1);
  }
};

TEST_F(Processor, BuiltInIdtIsNt4Laid) {
  const std::vector<BYTE> idt = ntsim::BuiltInIdt();
  ASSERT_EQ(idt.size(), 2048u);
  EXPECT_EQ(TableAtBase(), std::string(idt.begin(), idt.end()));
  const auto access = [&](int vector) { return idt[vector * 8 + 5]; };
  const auto selector = [&](int vector) { return idt[vector * 8 + 2] | idt[vector * 8 + 3] << 8; };
  const auto offset = [&](int vector) {
    const BYTE* gate = &idt[vector * 8];
    return static_cast<DWORD>(gate[0] | gate[1] << 8 | gate[6] << 16 | static_cast<DWORD>(gate[7]) << 24);
  };
  EXPECT_EQ(offset(0), 0x80465A20u);
  for (int vector = 0; vector < 256; ++vector) {
    SCOPED_TRACE(vector);
    const bool task = vector == 2 || vector == 8;
    EXPECT_EQ(access(vector), ExpectedAccess(vector));
    if (!task) {
      EXPECT_EQ(selector(vector), 0x0008);
      EXPECT_EQ(offset(vector) >> 16, 0x8046u);
    }
  }
  EXPECT_EQ(selector(2), 0x0058);
  EXPECT_EQ(selector(8), 0x0050);
}

TEST_F(Processor, IdtComesFromIdtBin) {
  std::string table(24, '\0');
  for (std::size_t i = 0; i < table.size(); ++i) table[i] = static_cast<char>(i + 1);
  machine_.Write("idt.bin", table);
  EXPECT_EQ(TableAtBase(), table);
  EXPECT_EQ(ntsim::CurrentIdtRegister().limit, 23);
  EXPECT_EQ(ntsim::CurrentIdtRegister().base % 8, 0u);
}

TEST_F(Processor, LargestIdtFitsAndIsReadWhole) {
  std::string table(65536, '\0');
  for (std::size_t i = 0; i < table.size(); ++i) table[i] = static_cast<char>(i * 31);
  machine_.Write("idt.bin", table);
  EXPECT_EQ(ntsim::CurrentIdtRegister().limit, 0xFFFF);
  EXPECT_EQ(TableAtBase(), table);
}

TEST_F(Processor, IdtBinOfAWrongSizeStopsTheMachine) {
  for (const std::size_t size : {std::size_t{0}, std::size_t{7}, std::size_t{65537}}) {
    machine_.Write("idt.bin", std::string(size, 'g'));
    ntsim::testing::ForgetIdt();
    EXPECT_EXIT(ntsim::CurrentIdtRegister(), ::testing::ExitedWithCode(3),
                "idt.bin: " + std::to_string(size) + " bytes; an IDT holds 8 to 65,536 bytes");
  }
}

TEST_F(Processor, SelectorsComeFromMachineIni) {
  EXPECT_EQ(ReadCS(), 0x1B);
  EXPECT_EQ(ReadDS(), 0x23);
  machine_.Write("machine.ini", "cs = 0x08\nds = 0x10\n");
  ntsim::testing::ResetMachine();
  EXPECT_EQ(ReadCS(), 0x08);
  EXPECT_EQ(ReadDS(), 0x10);
  machine_.Write("machine.ini", "cs = 0x1000000\n");
  ntsim::testing::ResetMachine();
  EXPECT_EXIT(ReadCS(), ::testing::ExitedWithCode(3), "machine.ini:1: cs must be a 16-bit number");
}

}  // namespace
