// The program's console front-end, in this process: each input is a person's input lines to
// the real program, from its start on its own machine (the driver installed and started,
// the resource map scanned, the table rendered) until the input ends, when the modal windows
// close. A run that closes the main window ends the program, and the driver's service is
// stopped and removed; the next input starts the program anew. A run that leaves the main
// window open leaves it for the next input, which finds the window as the start left it:
// the snapshot tables emptied, scanned and rendered again, the log emptied, the dialogs'
// names as the last input left them, the driver still running. Starting the program for every input would cost a
// registry write and a driver load each time.
//
// File dialogs are answered as the console answers them, except for where the chosen name
// leads: a name the fuzzer makes up must not reach the host's own files, and each save
// writes a list file of 1.2 MB. A name that is "." or ".." leads to a folder; every other
// name to one of four list files of a folder inside the machine folder.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <functional>
#include <filesystem>
#include <memory>
#include <optional>
#include <sstream>
#include <streambuf>
#include <string>

#include "app/Unit1.h"
#include "app/Unit2.h"
#include "app/resviewpas.h"
#include "fuzz/fuzz_support.h"
#include "vcl/ConsoleFrontEnd.h"
#include "vcl/Dialogs.h"
#include "vcl/Forms.h"

namespace {

// Takes the printed windows and boxes and keeps nothing of them.
class NullBuffer : public std::streambuf {
 protected:
  int_type overflow(int_type c) override { return traits_type::not_eof(c); }
  std::streamsize xsputn(const char*, std::streamsize count) override { return count; }
};

class ConfinedConsole : public vcl::ConsoleFrontEnd {
 public:
  using vcl::ConsoleFrontEnd::ConsoleFrontEnd;

  // Carries out the input's next line; false at its end.
  bool Step() { return NextAction(); }

  std::optional<std::string> ExecuteFileDialog(vcl::FileDialogKind kind,
                                               const TOpenDialog& dialog) override {
    const std::optional<std::string> answer =
        vcl::ConsoleFrontEnd::ExecuteFileDialog(kind, dialog);
    if (!answer) return answer;
    const std::filesystem::path files = fuzz_support::ScratchMachine() / "files";
    if (*answer == "." || *answer == "..") return files.string();
    return (files / ("list" + std::to_string(std::hash<std::string>{}(*answer) % 4) + ".idt"))
        .string();
  }
};

NullBuffer discarded;
std::ostream output(&discarded);
std::istringstream input;
ConfinedConsole* console = nullptr;

void StartProgram() {
  vcl::ResetApplication();
  auto frontEnd = std::make_unique<ConfinedConsole>(input, output);
  console = frontEnd.get();
  Application->UseFrontEnd(std::move(frontEnd));
  Application->CreateForm(Form1);
  Application->CreateForm(Form2);
  Application->CreateForm(ResView);
  Form1->Show();
}

// What the main window's start-up does after the driver is running.
void BackToTheStart() {
  Form1->FromFile = false;
  std::memset(Form1->VectorUsage, 0, sizeof Form1->VectorUsage);
  std::memset(Form1->Devices, 0, sizeof Form1->Devices);
  std::memset(Form1->IdtBuffer, 0, sizeof Form1->IdtBuffer);
  Form1->Memo1->Lines()->Clear();
  Form1->Button3Click(nullptr);
  Form1->Button1Click(nullptr);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  std::filesystem::create_directories(fuzz_support::ScratchMachine() / "files");
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz_support::EmptyDebugLogNowAndThen();
  input.clear();
  input.str(std::string(fuzz_support::BytesOf(data, size)));
  if (console == nullptr || Application->Terminated()) {
    StartProgram();
  } else {
    BackToTheStart();
  }
  while (!Application->Terminated() && console->Step()) {
  }
  return 0;
}
