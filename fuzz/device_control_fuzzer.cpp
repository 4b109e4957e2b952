// The driver's device-control request with any code and any input and output lengths: the
// driver runs as the program runs it, installed and started as a kernel service on a machine
// of its own, and every request goes through DeviceIoControl on the program's open device.
// The caller's buffers are exactly as long as the lengths say, so that a copy past them is
// caught; a flag byte also passes no buffer at all where a length asks for one.
#include <fuzzer/FuzzedDataProvider.h>

#include <fcntl.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "app/driver_u1.h"
#include "fuzz/fuzz_support.h"
#include "vcl/Forms.h"
#include "vcl/ScriptFrontEnd.h"
#include "vcl/SysUtils.h"
#include "winapi/kernel32.h"
#include "winapi/kessrin.h"

namespace {

using fuzz_support::Broken;

// Longer buffers add nothing the driver could treat differently: its table is at most
// 65,536 bytes.
constexpr DWORD kLongestBuffer = 70000;

HANDLE OpenDriver() {
  fuzz_support::ScratchMachine();
  vcl::UseScriptFrontEnd();
  const std::string driver = ExtractFilePath(Application->ExeName()) + "vir.uze";
  if (!InstallDriverService("Kessrin", driver) || !StartDriverService("Kessrin")) {
    Broken("the driver " + driver + " did not start: " + LastErrorText);
  }
  const HANDLE device = CreateFileA(KESSRIN_WIN32_NAME, GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (device == INVALID_HANDLE_VALUE) Broken("the driver's device did not open");
  return device;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const HANDLE device = OpenDriver();
  fuzz_support::EmptyDebugLogNowAndThen();

  FuzzedDataProvider provider(data, size);
  const auto code = provider.ConsumeIntegral<DWORD>();
  const auto inputLength = provider.ConsumeIntegralInRange<DWORD>(0, kLongestBuffer);
  const auto outputLength = provider.ConsumeIntegralInRange<DWORD>(0, kLongestBuffer);
  const auto flags = provider.ConsumeIntegral<std::uint8_t>();
  std::vector<std::uint8_t> input = provider.ConsumeRemainingBytes<std::uint8_t>();
  input.resize(inputLength);
  const std::unique_ptr<std::uint8_t[]> output(new std::uint8_t[outputLength]);

  DWORD returned = 0xFFFFFFFF;
  const bool noInput = (flags & 1) != 0;
  const bool noOutput = (flags & 2) != 0;
  const bool noCount = (flags & 4) != 0;
  // Requests the machine does not model it reports on standard error; those lines are
  // dropped here, because the fuzzer sends them by the million.
  const bool unmodelled = (code & 3) != METHOD_BUFFERED;
  int savedError = -1;
  if (unmodelled) {
    savedError = dup(2);
    const int null = open("/dev/null", O_WRONLY);
    dup2(null, 2);
    close(null);
  }
  const BOOL done = DeviceIoControl(device, code, noInput ? nullptr : input.data(), inputLength,
                                    noOutput ? nullptr : output.get(), outputLength,
                                    noCount ? nullptr : &returned, nullptr);
  if (unmodelled) {
    dup2(savedError, 2);
    close(savedError);
  }
  if (!noCount && returned > outputLength) Broken("the reply is longer than the output buffer");
  if (done && code == IOCTL_READ_IDT && !noCount && returned % 4 != 0) {
    Broken("the IDT reply is not whole double-words");
  }
  return 0;
}
