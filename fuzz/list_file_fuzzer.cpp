// A list file as a person opens it: the bytes are written to a file, File/Open List loads it
// (the scripting front-end answers the dialog with its name), the table is rendered from it,
// and the rows are double-clicked for their detail views. A list file is loaded without
// checks, so every count and index in it is the fuzzer's.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "fuzz/fuzz_support.h"
#include "fuzz/program_windows.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz_support::ProgramWindows& windows = fuzz_support::Windows();
  static const std::string path = (fuzz_support::ScratchMachine() / "idtlist.idt").string();
  fuzz_support::WriteBytes(path, fuzz_support::BytesOf(data, size));

  // A short file leaves the rest of each table as it was: they start empty, as in a program
  // that has just started, so that a run does not depend on the one before.
  TForm1& main = windows.main;
  std::memset(main.IdtBuffer, 0, sizeof main.IdtBuffer);
  std::memset(main.VectorUsage, 0, sizeof main.VectorUsage);
  std::memset(main.Devices, 0, sizeof main.Devices);
  fuzz_support::ForgetShownThings();
  windows.script.AnswerDialog(path);
  vcl::RunEvent([&main] { main.OpenList1Click(nullptr); });
  fuzz_support::DoubleClickEveryKindOfRow();
  return 0;
}
