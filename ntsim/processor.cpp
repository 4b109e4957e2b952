#include "ntsim/processor.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "ntsim/machine_folder.h"
#include "ntsim/profile_idt.h"
#include "winapi/segment_registers.h"

namespace ntsim {

namespace {

constexpr std::size_t kSmallestIdt = 8;
constexpr std::size_t kLargestIdt = 65536;

struct PlacedIdt {
  void* mapping = nullptr;
  std::size_t mapping_size = 0;
  IdtRegister reg{};
};

PlacedIdt placed;

std::vector<BYTE> LoadIdt() {
  const auto file = ReadMachineFile("idt.bin");
  if (!file) return BuiltInIdt();
  if (file->size() < kSmallestIdt || file->size() > kLargestIdt) {
    throw MachineFault((MachineFolder() / "idt.bin").string() + ": " +
                       std::to_string(file->size()) +
                       " bytes; an IDT holds 8 to 65,536 bytes");
  }
  return std::vector<BYTE>(file->begin(), file->end());
}

// Maps memory whose every address fits in 32 bits.
void* MapBelow4GiB(std::size_t size) {
  void* mapping = ::mmap(nullptr, size, PROT_READ | PROT_WRITE,
                         MAP_PRIVATE | MAP_ANONYMOUS | MAP_32BIT, -1, 0);
  if (mapping != MAP_FAILED) return mapping;
  // Hosts without MAP_32BIT placement get a hint inside the low 4 GiB and a check.
  mapping = ::mmap(reinterpret_cast<void*>(std::uintptr_t{0x40000000}), size,
                   PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (mapping == MAP_FAILED) return nullptr;
  if (reinterpret_cast<std::uintptr_t>(mapping) + size > std::uintptr_t{0xFFFFFFFF}) {
    ::munmap(mapping, size);
    return nullptr;
  }
  return mapping;
}

const PlacedIdt& Placed() {
  if (placed.mapping != nullptr) return placed;
  try {
    const std::vector<BYTE> table = LoadIdt();
    // The table ends just before a page that may not be touched, so that a copy that reads
    // beyond the limit faults; its start stays 8-byte aligned, as the gates are.
    const auto page = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
    const std::size_t padded = (table.size() + 7) / 8 * 8;
    const std::size_t data_pages = (padded + page - 1) / page;
    const std::size_t size = (data_pages + 1) * page;
    void* mapping = MapBelow4GiB(size);
    if (mapping == nullptr) {
      throw MachineFault("cannot place the IDT of " + (MachineFolder() / "idt.bin").string() +
                         " below 4 GiB");
    }
    auto* bytes = static_cast<BYTE*>(mapping);
    ::mprotect(bytes + data_pages * page, page, PROT_NONE);
    BYTE* start = bytes + data_pages * page - padded;
    std::memcpy(start, table.data(), table.size());
    placed.mapping = mapping;
    placed.mapping_size = size;
    placed.reg.limit = static_cast<WORD>(table.size() - 1);
    placed.reg.base = static_cast<DWORD>(reinterpret_cast<std::uintptr_t>(start));
  } catch (const MachineFault& fault) {
    StopMachine(fault);
  }
  return placed;
}

}  // namespace

IdtRegister CurrentIdtRegister() { return Placed().reg; }

void StoreIdtRegister(void* destination) {
  const IdtRegister reg = CurrentIdtRegister();
  auto* bytes = static_cast<BYTE*>(destination);
  const BYTE image[6] = {
      static_cast<BYTE>(reg.limit),      static_cast<BYTE>(reg.limit >> 8),
      static_cast<BYTE>(reg.base),       static_cast<BYTE>(reg.base >> 8),
      static_cast<BYTE>(reg.base >> 16), static_cast<BYTE>(reg.base >> 24),
  };
  std::memcpy(bytes, image, sizeof image);
}

namespace testing {

void ForgetIdt() {
  if (placed.mapping != nullptr) ::munmap(placed.mapping, placed.mapping_size);
  placed = PlacedIdt{};
}

}  // namespace testing

}  // namespace ntsim

extern "C" WORD ReadCS() { return ntsim::CurrentMachineSettings().cs; }

extern "C" WORD ReadDS() { return ntsim::CurrentMachineSettings().ds; }
