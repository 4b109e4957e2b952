// Resource lists as the registry's hardware resource map holds them: each piece of the input
// (pieces are separated by the four bytes "\n--\n") becomes the REG_RESOURCE_LIST value
// ".Translated" of one device of the machine's registry, the program's scan reads them all
// into its device table and vector users, the table is rendered, and the rows are
// double-clicked for their detail views.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "fuzz/program_windows.h"
#include "ntsim/machine_registry.h"
#include "winapi/winreg.h"

namespace {

constexpr std::string_view kSeparator = "\n--\n";
constexpr std::string_view kClassKey = "HARDWARE\\RESOURCEMAP\\Fuzzed Devices";
// Enough devices to share vectors and to follow one another in the device table.
constexpr std::size_t kMostDevices = 8;

std::vector<std::string_view> Pieces(std::string_view bytes) {
  std::vector<std::string_view> pieces;
  while (pieces.size() + 1 < kMostDevices) {
    const std::size_t end = bytes.find(kSeparator);
    if (end == std::string_view::npos) break;
    pieces.push_back(bytes.substr(0, end));
    bytes.remove_prefix(end + kSeparator.size());
  }
  pieces.push_back(bytes);
  return pieces;
}

}  // namespace

// The machine's registry holds the resource map and nothing else, so that writing it back
// after each change costs little.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz_support::WriteBytes(fuzz_support::ScratchMachine() / "registry.reg",
                           "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\HARDWARE\\RESOURCEMAP]\r\n");
  fuzz_support::Windows();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz_support::ProgramWindows& windows = fuzz_support::Windows();
  const std::vector<std::string_view> pieces = Pieces(fuzz_support::BytesOf(data, size));
  ntsim::ChangeMachineRegistry([&](ntsim::RegistryTree& tree) {
    tree.Remove(kClassKey);
    ntsim::RegistryKey& devices = tree.Create(kClassKey);
    for (std::size_t i = 0; i < pieces.size(); ++i) {
      devices.CreateSubkey("device" + std::to_string(i))
          .SetValue("\\Device\\Fuzzed.Translated", REG_RESOURCE_LIST,
                    std::vector<BYTE>(pieces[i].begin(), pieces[i].end()));
    }
    return true;
  });

  fuzz_support::ForgetShownThings();
  windows.main.Refresh1Click(nullptr);
  fuzz_support::DoubleClickEveryKindOfRow();
  return 0;
}
