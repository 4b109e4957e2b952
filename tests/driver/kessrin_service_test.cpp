// The driver vir.uze on the simulated machine, driven through the calls the program makes:
// install, start, open, the IDT request, stop and removal, and the faults a person meets.
#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "ntsim/handles.h"
#include "ntsim/machine_registry.h"
#include "ntsim/profile_idt.h"
#include "tests/ntsim/machine_fixture.h"
#include "winapi/kernel32.h"
#include "winapi/kessrin.h"
#include "winapi/winsvc.h"

namespace {

constexpr char kEntryLines[] =
    "Kessrin: Link: \\Device\\Kessrin - DosLink: \\DosDevices\\Kessrin\n"
    "Kessrin: Driver Entry erfolgreich abgearbeitet !\n";
constexpr char kOpenClose[] = "Kessrin: Open / Close\n";
constexpr char kUnloadLines[] =
    "Kessrin: Eintritt in Unload Routine !\nKessrin: Link entfernt !\nKessrin: Unload Ende !\n";

// The program's service steps: each opens its own manager and service handles and closes
// them before it returns; each gives the system error code, ERROR_SUCCESS when it worked.
DWORD WithService(const char* name, const std::function<BOOL(SC_HANDLE)>& step) {
  SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
  if (manager == nullptr) return GetLastError();
  SC_HANDLE service = OpenServiceA(manager, name, SERVICE_ALL_ACCESS);
  DWORD error = GetLastError();
  if (service != nullptr) {
    error = step(service) ? ERROR_SUCCESS : GetLastError();
    CloseServiceHandle(service);
  }
  CloseServiceHandle(manager);
  return error;
}

DWORD Install(const char* name, const std::string& path) {
  SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
  if (manager == nullptr) return GetLastError();
  SC_HANDLE service = CreateServiceA(manager, name, name, SERVICE_ALL_ACCESS,
                                     SERVICE_KERNEL_DRIVER, SERVICE_DEMAND_START,
                                     SERVICE_ERROR_NORMAL, path.c_str(), nullptr, nullptr,
                                     nullptr, nullptr, nullptr);
  const DWORD error = service != nullptr ? ERROR_SUCCESS : GetLastError();
  CloseServiceHandle(manager);
  if (service != nullptr) CloseServiceHandle(service);
  return error;
}

DWORD Start(const char* name = "Kessrin") {
  return WithService(name, [](SC_HANDLE service) { return StartServiceA(service, 0, nullptr); });
}

DWORD Stop(SERVICE_STATUS& status, const char* name = "Kessrin") {
  return WithService(name, [&](SC_HANDLE service) {
    return ControlService(service, SERVICE_CONTROL_STOP, &status);
  });
}

DWORD Stop(const char* name = "Kessrin") {
  SERVICE_STATUS status{};
  return Stop(status, name);
}

DWORD Remove(const char* name = "Kessrin") {
  return WithService(name, [](SC_HANDLE service) { return DeleteService(service); });
}

HANDLE OpenDevice() {
  SECURITY_ATTRIBUTES security{12, nullptr, FALSE};
  return CreateFileA(KESSRIN_WIN32_NAME, GENERIC_READ, FILE_SHARE_READ, &security, OPEN_EXISTING,
                     FILE_ATTRIBUTE_NORMAL, nullptr);
}

class KessrinService : public FreshMachine {
 protected:
  const std::string driver_ = QUORVEL_DRIVER_IMAGE;
};

TEST_F(KessrinService, RunsAsTheProgramUsesIt) {
  ASSERT_EQ(Install("Kessrin", driver_), ERROR_SUCCESS);
  const ntsim::RegistryKey* key =
      ntsim::MachineRegistry().Find("SYSTEM\\CurrentControlSet\\Services\\Kessrin");
  ASSERT_NE(key, nullptr);
  EXPECT_EQ(ntsim::RegistryDwordOf(*key->FindValue("Type")), SERVICE_KERNEL_DRIVER);
  EXPECT_EQ(ntsim::RegistryDwordOf(*key->FindValue("Start")), SERVICE_DEMAND_START);
  EXPECT_EQ(ntsim::RegistryDwordOf(*key->FindValue("ErrorControl")), SERVICE_ERROR_NORMAL);
  EXPECT_EQ(ntsim::RegistryStringOf(*key->FindValue("ImagePath")), driver_);
  EXPECT_EQ(ntsim::RegistryStringOf(*key->FindValue("DisplayName")), "Kessrin");
  EXPECT_NE(machine_.Read("registry.reg").find("Services\\Kessrin]"), std::string::npos);
  EXPECT_EQ(DebugLog(), "");

  ASSERT_EQ(Start(), ERROR_SUCCESS);
  EXPECT_EQ(DebugLog(), kEntryLines);

  HANDLE device = OpenDevice();
  ASSERT_NE(device, INVALID_HANDLE_VALUE);
  std::vector<BYTE> idt_buffer(16384, 0xCC);
  DWORD returned = 0;
  ASSERT_TRUE(DeviceIoControl(device, IOCTL_READ_IDT, nullptr, 0, idt_buffer.data(), 16384,
                              &returned, nullptr));
  EXPECT_EQ(returned, 2048u);
  const std::vector<BYTE> idt = ntsim::BuiltInIdt();
  EXPECT_TRUE(std::equal(idt.begin(), idt.end(), idt_buffer.begin()));
  EXPECT_EQ(idt_buffer[2048], 0xCC);

  std::vector<BYTE> untouched(64, 0x5A);
  EXPECT_TRUE(DeviceIoControl(device, 0x222008, nullptr, 0, untouched.data(), 64, &returned,
                              nullptr));
  EXPECT_EQ(returned, 0u);
  EXPECT_EQ(untouched, std::vector<BYTE>(64, 0x5A));

  EXPECT_EQ(OpenDevice(), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
  char byte = 0;
  EXPECT_FALSE(ReadFile(device, &byte, 1, &returned, nullptr));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_FUNCTION);
  EXPECT_FALSE(WriteFile(device, &byte, 1, &returned, nullptr));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_FUNCTION);
  EXPECT_TRUE(CloseHandle(device));

  const std::string before_stop = DebugLog();
  SERVICE_STATUS status;
  std::memset(&status, 0xFF, sizeof status);
  ASSERT_EQ(Stop(status), ERROR_SUCCESS);
  EXPECT_EQ(status.dwServiceType, SERVICE_KERNEL_DRIVER);
  EXPECT_EQ(status.dwCurrentState, SERVICE_STOPPED);
  EXPECT_EQ(status.dwControlsAccepted, 0u);
  EXPECT_EQ(status.dwWin32ExitCode, 0u);
  EXPECT_EQ(status.dwCheckPoint, 0u);
  EXPECT_EQ(DebugLog(), before_stop + kUnloadLines);
  EXPECT_EQ(OpenDevice(), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);

  ASSERT_EQ(Remove(), ERROR_SUCCESS);
  EXPECT_EQ(Start(), ERROR_SERVICE_DOES_NOT_EXIST);
  EXPECT_EQ(machine_.Read("registry.reg").find("Services\\Kessrin]"), std::string::npos);
  EXPECT_EQ(ntsim::Handles().Count(), 0u);
}

TEST_F(KessrinService, UserWithoutAdministratorRightsCannotReachTheManager) {
  ASSERT_EQ(Install("Kessrin", driver_), ERROR_SUCCESS);
  machine_.Write("machine.ini", "administrator = false\n");
  ntsim::testing::ResetMachine();
  EXPECT_EQ(Install("Other", driver_), ERROR_ACCESS_DENIED);
  EXPECT_EQ(Start(), ERROR_ACCESS_DENIED);
  EXPECT_EQ(Stop(), ERROR_ACCESS_DENIED);
  EXPECT_EQ(Remove(), ERROR_ACCESS_DENIED);
  // Looking is allowed, changing is not.
  SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT);
  ASSERT_NE(manager, nullptr);
  EXPECT_EQ(OpenServiceA(manager, "Kessrin", SERVICE_ALL_ACCESS), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
  SC_HANDLE service = OpenServiceA(manager, "Kessrin", SERVICE_QUERY_STATUS);
  ASSERT_NE(service, nullptr);
  EXPECT_FALSE(StartServiceA(service, 0, nullptr));
  EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
  EXPECT_TRUE(CloseServiceHandle(service));
  EXPECT_TRUE(CloseServiceHandle(manager));
  EXPECT_EQ(DebugLog(), "");
  EXPECT_EQ(ntsim::Handles().Count(), 0u);
}

TEST_F(KessrinService, ServiceStepsFailWithTheSystemsCodes) {
  EXPECT_EQ(Start(), ERROR_SERVICE_DOES_NOT_EXIST);
  ASSERT_EQ(Install("Kessrin", driver_), ERROR_SUCCESS);
  EXPECT_EQ(Install("Kessrin", driver_), ERROR_SERVICE_EXISTS);
  EXPECT_EQ(Install("KESSRIN", driver_), ERROR_SERVICE_EXISTS);
  EXPECT_EQ(Stop(), ERROR_SERVICE_NOT_ACTIVE);
  ASSERT_EQ(Start(), ERROR_SUCCESS);
  EXPECT_EQ(Start("kessrin"), ERROR_SERVICE_ALREADY_RUNNING);
  EXPECT_EQ(WithService("Kessrin",
                        [](SC_HANDLE service) {
                          SERVICE_STATUS status{};
                          return ControlService(service, SERVICE_CONTROL_PAUSE, &status);
                        }),
            ERROR_INVALID_SERVICE_CONTROL);
  ASSERT_EQ(Stop(), ERROR_SUCCESS);
  EXPECT_EQ(Stop(), ERROR_SERVICE_NOT_ACTIVE);
  ASSERT_EQ(Remove(), ERROR_SUCCESS);
  EXPECT_EQ(Remove(), ERROR_SERVICE_DOES_NOT_EXIST);
  EXPECT_EQ(ntsim::Handles().Count(), 0u);
}

TEST_F(KessrinService, DeletedServiceStaysMarkedUntilStoppedAndClosed) {
  ASSERT_EQ(Install("Kessrin", driver_), ERROR_SUCCESS);
  ASSERT_EQ(Start(), ERROR_SUCCESS);
  SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
  SC_HANDLE service = OpenServiceA(manager, "Kessrin", SERVICE_ALL_ACCESS);
  ASSERT_NE(service, nullptr);
  EXPECT_TRUE(DeleteService(service));
  EXPECT_FALSE(DeleteService(service));
  EXPECT_EQ(GetLastError(), ERROR_SERVICE_MARKED_FOR_DELETE);
  EXPECT_EQ(Install("Kessrin", driver_), ERROR_SERVICE_MARKED_FOR_DELETE);
  // Still running: the driver and its device stay.
  HANDLE device = OpenDevice();
  EXPECT_NE(device, INVALID_HANDLE_VALUE);
  CloseHandle(device);
  SERVICE_STATUS status{};
  EXPECT_TRUE(ControlService(service, SERVICE_CONTROL_STOP, &status));
  EXPECT_EQ(Start(), ERROR_SERVICE_MARKED_FOR_DELETE);
  CloseServiceHandle(service);
  CloseServiceHandle(manager);
  EXPECT_EQ(Start(), ERROR_SERVICE_DOES_NOT_EXIST);
  EXPECT_EQ(Install("Kessrin", driver_), ERROR_SUCCESS);
}

TEST_F(KessrinService, StopWithTheDeviceOpenUnloadsAtItsClose) {
  ASSERT_EQ(Install("Kessrin", driver_), ERROR_SUCCESS);
  ASSERT_EQ(Start(), ERROR_SUCCESS);
  HANDLE device = OpenDevice();
  ASSERT_NE(device, INVALID_HANDLE_VALUE);
  SERVICE_STATUS status{};
  ASSERT_EQ(Stop(status), ERROR_SUCCESS);
  EXPECT_EQ(status.dwCurrentState, SERVICE_STOP_PENDING);
  EXPECT_EQ(Stop(status), ERROR_SERVICE_CANNOT_ACCEPT_CTRL);
  EXPECT_EQ(Start(), ERROR_SERVICE_ALREADY_RUNNING);
  EXPECT_EQ(OpenDevice(), INVALID_HANDLE_VALUE);
  EXPECT_EQ(DebugLog().find("Unload"), std::string::npos);
  CloseHandle(device);
  EXPECT_EQ(DebugLog(), std::string(kEntryLines) + kOpenClose + kOpenClose + kUnloadLines);
  EXPECT_EQ(Stop(status), ERROR_SERVICE_NOT_ACTIVE);
  EXPECT_EQ(status.dwCurrentState, SERVICE_STOPPED);
  EXPECT_EQ(Remove(), ERROR_SUCCESS);
}

TEST_F(KessrinService, DriverThatCannotLoadFailsTheStartOnly) {
  machine_.Write("text.uze", "not a driver\n");
  const struct {
    const char* name;
    std::string path;
    DWORD error;
  } cases[] = {
      {"Missing", (machine_.folder() / "missing.uze").string(), ERROR_FILE_NOT_FOUND},
      {"Text", (machine_.folder() / "text.uze").string(), ERROR_BAD_EXE_FORMAT},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_EQ(Install(c.name, c.path), ERROR_SUCCESS);
    EXPECT_EQ(Start(c.name), c.error);
    EXPECT_EQ(Stop(c.name), ERROR_SERVICE_NOT_ACTIVE);
    EXPECT_EQ(Remove(c.name), ERROR_SUCCESS);
    EXPECT_EQ(Start(c.name), ERROR_SERVICE_DOES_NOT_EXIST);
  }
  EXPECT_EQ(DebugLog(), "");
  EXPECT_EQ(ntsim::Handles().Count(), 0u);
}

TEST_F(KessrinService, DriverEntryFailsOnANameCollision) {
  ASSERT_EQ(Install("Kessrin", driver_), ERROR_SUCCESS);
  ASSERT_EQ(Install("Kessrin2", driver_), ERROR_SUCCESS);
  ASSERT_EQ(Start(), ERROR_SUCCESS);
  EXPECT_EQ(Start("Kessrin2"), ERROR_ALREADY_EXISTS);
  EXPECT_EQ(DebugLog(), std::string(kEntryLines) + "Kessrin: Kann DeviceObject nicht erstellen !\n");
  EXPECT_EQ(Stop("Kessrin2"), ERROR_SERVICE_NOT_ACTIVE);
  HANDLE device = OpenDevice();
  EXPECT_NE(device, INVALID_HANDLE_VALUE);
  CloseHandle(device);
  EXPECT_EQ(Stop(), ERROR_SUCCESS);
  // With the first driver gone the name is free again.
  EXPECT_EQ(Start("Kessrin2"), ERROR_SUCCESS);
  EXPECT_EQ(Stop("Kessrin2"), ERROR_SUCCESS);
}

TEST_F(KessrinService, MachineFolderThatCannotBeReachedStopsTheMachine) {
  machine_.Write("plain-file", "");
  ::setenv("QUORVEL_MACHINE", (machine_.folder() / "plain-file" / "machine").c_str(), 1);
  EXPECT_EXIT(Install("Kessrin", driver_), ::testing::ExitedWithCode(3),
              "the simulated machine cannot go on: .*plain-file/machine/machine.ini");
}

// Runs a step as another program on the same machine folder: a child process that starts
// from a machine of its own and reports through its exit status.
int AsAnotherProgram(const std::function<int()>& step, bool killed = false) {
  const pid_t child = ::fork();
  if (child == 0) {
    ntsim::testing::ResetMachine();
    const int result = step();
    if (killed) ::kill(::getpid(), SIGKILL);
    ::_exit(result);
  }
  int status = 0;
  ::waitpid(child, &status, 0);
  if (killed) return WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL ? 0 : 100;
  return WIFEXITED(status) ? WEXITSTATUS(status) : 101;
}

TEST_F(KessrinService, KilledProgramLeavesTheDriverRunningForTheNext) {
  const std::string driver = driver_;
  ASSERT_EQ(AsAnotherProgram(
                [&] {
                  if (Install("Kessrin", driver) != ERROR_SUCCESS) return 1;
                  if (Start() != ERROR_SUCCESS) return 2;
                  return OpenDevice() == INVALID_HANDLE_VALUE ? 3 : 0;
                },
                true),
            0);
  // The next program finds the service registered and running, and its device ready.
  EXPECT_EQ(Install("Kessrin", driver_), ERROR_SERVICE_EXISTS);
  EXPECT_EQ(Start(), ERROR_SERVICE_ALREADY_RUNNING);
  HANDLE device = OpenDevice();
  ASSERT_NE(device, INVALID_HANDLE_VALUE);
  std::vector<BYTE> idt_buffer(16384);
  DWORD returned = 0;
  EXPECT_TRUE(DeviceIoControl(device, IOCTL_READ_IDT, nullptr, 0, idt_buffer.data(), 16384,
                              &returned, nullptr));
  EXPECT_EQ(returned, 2048u);
  CloseHandle(device);
  EXPECT_EQ(Stop(), ERROR_SUCCESS);
  EXPECT_EQ(Remove(), ERROR_SUCCESS);
  // The machine stayed up: the driver's entry ran once, when it was first started.
  const std::string request =
      "Kessrin: InputBufferLength = 0\nKessrin: OutputBufferLength = 4000\n"
      "Kessrin: FunctionCode = 222004\nKessrin: Adresse 800 - Gelesen 20\n";
  EXPECT_EQ(DebugLog(), std::string(kEntryLines) + kOpenClose + kOpenClose + request +
                            kOpenClose + kUnloadLines);
}

TEST_F(KessrinService, TwoProgramsShareOneMachine) {
  ASSERT_EQ(Install("Kessrin", driver_), ERROR_SUCCESS);
  ASSERT_EQ(Start(), ERROR_SUCCESS);
  HANDLE device = OpenDevice();
  ASSERT_NE(device, INVALID_HANDLE_VALUE);
  // The other program sees the service running, and the device is exclusive across both.
  EXPECT_EQ(AsAnotherProgram([] {
              if (Start() != ERROR_SERVICE_ALREADY_RUNNING) return 1;
              if (OpenDevice() != INVALID_HANDLE_VALUE) return 2;
              return GetLastError() == ERROR_ACCESS_DENIED ? 0 : 3;
            }),
            0);
  CloseHandle(device);
  EXPECT_EQ(AsAnotherProgram([] {
              HANDLE other = OpenDevice();
              if (other == INVALID_HANDLE_VALUE) return 1;
              CloseHandle(other);
              return Stop() == ERROR_SUCCESS ? 0 : 2;
            }),
            0);
  // This program sees the stop: its copy of the driver went quietly.
  EXPECT_EQ(Stop(), ERROR_SERVICE_NOT_ACTIVE);
  EXPECT_EQ(OpenDevice(), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
  ASSERT_EQ(Remove(), ERROR_SUCCESS);
  EXPECT_EQ(AsAnotherProgram([] { return Start() == ERROR_SERVICE_DOES_NOT_EXIST ? 0 : 1; }), 0);
  EXPECT_EQ(DebugLog(), std::string(kEntryLines) + kOpenClose + kOpenClose + kOpenClose +
                            kOpenClose + kUnloadLines);
  EXPECT_EQ(ntsim::Handles().Count(), 0u);
}

}  // namespace
