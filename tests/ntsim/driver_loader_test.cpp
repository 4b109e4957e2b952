// The loader: which files it refuses before they run, what a driver image may import, a
// driver that cannot be stopped, and the kernel debugger's formatting.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <set>
#include <sstream>
#include <string>

#include "ntsim/driver_image.h"
#include "ntsim/driver_loader.h"
#include "ntsim/io_manager.h"
#include "tests/ntsim/machine_fixture.h"
#include "winapi/winerror.h"

namespace {

class Loader : public FreshMachine {};

TEST_F(Loader, RefusesWhatIsNotADriverImage) {
  machine_.Write("text.uze", "MZ this is no driver\n");
  machine_.Write("short.uze", "\x7f" "ELF");
  const std::string folder = machine_.folder().string();
  const struct {
    std::string path;
    DWORD error;
  } cases[] = {
      {folder + "/missing.uze", ERROR_FILE_NOT_FOUND},
      {folder + "/no-folder/vir.uze", ERROR_FILE_NOT_FOUND},
      {folder + "/text.uze/vir.uze", ERROR_PATH_NOT_FOUND},
      {folder, ERROR_ACCESS_DENIED},
      {folder + "/text.uze", ERROR_BAD_EXE_FORMAT},
      {folder + "/short.uze", ERROR_BAD_EXE_FORMAT},
      // A shared object of this host that exports no DriverEntry: this test program.
      {"/proc/self/exe", ERROR_BAD_EXE_FORMAT},
      // A driver image that calls the host's C library instead of the kernel.
      {QUORVEL_LIBC_DRIVER_IMAGE, ERROR_PROC_NOT_FOUND},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    EXPECT_EQ(ntsim::LoadDriver("Kessrin", c.path, ntsim::Announce::Loud), c.error);
    EXPECT_FALSE(ntsim::IsDriverLoaded("Kessrin"));
  }
  EXPECT_EQ(DebugLog(), "");
}

TEST_F(Loader, ReadsEveryTruncationOfARealImageWithoutHarm) {
  std::ifstream in(QUORVEL_DRIVER_IMAGE, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  const std::string image = content.str();
  ASSERT_GT(image.size(), 1000u);
  for (std::size_t length = 0; length < image.size(); length += 97) {
    machine_.Write("cut.uze", std::string_view(image).substr(0, length));
    ntsim::DriverImageSymbols symbols;
    EXPECT_EQ(ntsim::InspectDriverImage((machine_.folder() / "cut.uze").string(), symbols),
              ERROR_BAD_EXE_FORMAT)
        << length;
  }
}

// The image binds to nothing but the kernel's exports, the C library's memory routines and,
// in a sanitizer build, the sanitizers' run time.
TEST(DriverImage, ImportsOnlyTheKernel) {
  std::ifstream list(QUORVEL_KERNEL_EXPORTS);
  std::set<std::string> kernel;
  for (std::string line; std::getline(list, line);) {
    const auto start = line.find_first_not_of(" \t{}");
    const auto end = line.find(';');
    if (start != std::string::npos && end != std::string::npos && end > start) {
      kernel.insert(line.substr(start, end - start));
    }
  }
  ASSERT_EQ(kernel, std::set<std::string>(ntsim::KernelExports().begin(),
                                          ntsim::KernelExports().end()));
  ntsim::DriverImageSymbols symbols;
  ASSERT_EQ(ntsim::InspectDriverImage(QUORVEL_DRIVER_IMAGE, symbols), ERROR_SUCCESS);
  const std::set<std::string> memory = {"memcpy", "memset", "memmove", "memcmp"};
  const auto sanitizer = [](const std::string& name) {
    return name.rfind("__asan", 0) == 0 || name.rfind("__ubsan", 0) == 0 ||
           name.rfind("__sanitizer", 0) == 0;
  };
  for (const auto& name : symbols.imports) {
    EXPECT_TRUE(kernel.count(name) != 0 || memory.count(name) != 0 || sanitizer(name)) << name;
  }
  for (const auto& name : symbols.needed) {
    EXPECT_TRUE(name.rfind("libasan", 0) == 0 || name.rfind("libubsan", 0) == 0) << name;
  }
  for (const char* routine : {"DriverEntry", "Kessrin_DispatchCreateClose",
                              "Kessrin_DispatchDeviceControl", "Kessrin_Unload"}) {
    EXPECT_NE(std::find(symbols.exports.begin(), symbols.exports.end(), routine),
              symbols.exports.end())
        << routine;
  }
}

TEST_F(Loader, DriverWithoutUnloadRoutineCannotBeStopped) {
  ASSERT_EQ(ntsim::LoadDriver("Stay", QUORVEL_STAY_DRIVER_IMAGE, ntsim::Announce::Loud),
            ERROR_SUCCESS);
  EXPECT_EQ(ntsim::UnloadDriver("Stay", ntsim::Announce::Loud), ntsim::UnloadResult::NotUnloadable);
  EXPECT_TRUE(ntsim::IsDriverLoaded("Stay"));
  const PDEVICE_OBJECT device = ntsim::FindDevice(u"\\Device\\Stay");
  ASSERT_NE(device, nullptr);
  EXPECT_NE(device->DeviceExtension, nullptr);
  EXPECT_EQ(device->Flags, 0u);
  EXPECT_EQ(DebugLog(), "Stay: loaded -3    ab|1f  |BEEF k%\n");
}

TEST_F(Loader, QuietLoadPrintsNothing) {
  ASSERT_EQ(ntsim::LoadDriver("Kessrin", QUORVEL_DRIVER_IMAGE, ntsim::Announce::Quiet),
            ERROR_SUCCESS);
  EXPECT_EQ(ntsim::UnloadDriver("Kessrin", ntsim::Announce::Quiet), ntsim::UnloadResult::Unloaded);
  EXPECT_EQ(DebugLog(), "");
}

}  // namespace
