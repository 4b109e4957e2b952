// The driver's service control on the simulated machine: each operation in the states a
// person meets, with the boxes it shows, its result and the handles it leaves.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/driver_u1.h"
#include "ntsim/handles.h"
#include "ntsim/service_control_manager.h"
#include "tests/app/box.h"
#include "tests/app/program_fixture.h"
#include "vcl/SysUtils.h"

namespace {

using testing_support::Box;
using testing_support::ProgramInProcess;

enum class Step { Install, InstallMissingImage, Start, Stop, Remove };

class DriverControl : public ProgramInProcess {
 protected:
  static std::string DriverPath() { return ExtractFilePath(Application->ExeName()) + "vir.uze"; }

  static bool Do(Step step) {
    switch (step) {
      case Step::Install:
        return InstallDriverService("Kessrin", DriverPath());
      case Step::InstallMissingImage:
        return InstallDriverService("Kessrin", ExtractFilePath(Application->ExeName()) + "none.uze");
      case Step::Start:
        return StartDriverService("Kessrin");
      case Step::Stop:
        return StopDriverService("Kessrin");
      case Step::Remove:
        return RemoveDriverService("Kessrin");
    }
    return false;
  }

  std::vector<Box> Boxes() {
    std::vector<Box> boxes;
    for (const auto& box : script().Boxes) {
      EXPECT_EQ(box.Flags, MB_ICONERROR);
      boxes.push_back({box.Caption, box.Text});
    }
    return boxes;
  }
};

const Box kNoManager{"DriverControl: Cant open Service Control Manager !", "Access is denied."};
const Box kNoService{"DriverControl: Cant open Kessrin !",
                     "The specified service does not exist as an installed service."};

TEST_F(DriverControl, EachOperationReportsOnlyItsOwnFailuresAndClosesEveryHandle) {
  struct Case {
    const char* name;
    bool administrator;
    std::vector<Step> before;
    Step operation;
    bool result;
    std::vector<Box> boxes;
  };
  const Case cases[] = {
      {"install on a clean machine", true, {}, Step::Install, true, {}},
      {"install over a service left from an earlier run", true, {Step::Install}, Step::Install,
       false, {{"DriverControl: Cant install Kessrin !", "The specified service already exists."}}},
      {"install without administrator rights", false, {}, Step::Install, false, {kNoManager}},
      {"start", true, {Step::Install}, Step::Start, true, {}},
      {"start of a running service", true, {Step::Install, Step::Start}, Step::Start, false, {}},
      {"start of a missing driver file", true, {Step::InstallMissingImage}, Step::Start, false, {}},
      {"start of no service", true, {}, Step::Start, false, {kNoService}},
      {"start without administrator rights", false, {}, Step::Start, false, {kNoManager}},
      {"stop", true, {Step::Install, Step::Start}, Step::Stop, true, {}},
      {"stop of a service not started", true, {Step::Install}, Step::Stop, false,
       {{"DriverControl: Cant stop Kessrin !", "The service has not been started."}}},
      {"stop of no service", true, {}, Step::Stop, false, {kNoService}},
      {"stop without administrator rights", false, {}, Step::Stop, false, {kNoManager}},
      {"remove", true, {Step::Install}, Step::Remove, true, {}},
      {"remove of a service marked for deletion while running", true,
       {Step::Install, Step::Start, Step::Remove}, Step::Remove, false, {}},
      {"remove of no service", true, {}, Step::Remove, false, {kNoService}},
      {"remove without administrator rights", false, {}, Step::Remove, false, {kNoManager}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ntsim::testing::ResetMachine();
    testing_support::ScratchMachine machine;
    if (!c.administrator) machine.Write("machine.ini", "administrator = false\n");
    for (Step step : c.before) Do(step);
    script().Boxes.clear();
    LastErrorText.clear();
    LastErrorAction.clear();

    EXPECT_EQ(Do(c.operation), c.result);
    EXPECT_EQ(Boxes(), c.boxes);
    EXPECT_EQ(ntsim::Handles().Count(), 0u);
    if (!c.boxes.empty()) {
      EXPECT_EQ(LastErrorText, c.boxes.back().text);
      EXPECT_EQ("DriverControl: " + LastErrorAction, c.boxes.back().caption);
    }
    Do(Step::Stop);
    Do(Step::Remove);
  }
}

TEST_F(DriverControl, InstallRegistersADemandStartKernelDriverUnderTheNameItIsGiven) {
  ASSERT_TRUE(InstallDriverService("Kessrin Test", DriverPath()));
  const auto service = ntsim::FindService("Kessrin Test");
  ASSERT_TRUE(service.has_value());
  EXPECT_EQ(service->name, "Kessrin Test");
  EXPECT_EQ(service->config.display_name, "Kessrin Test");
  EXPECT_EQ(service->config.type, SERVICE_KERNEL_DRIVER);
  EXPECT_EQ(service->config.start, SERVICE_DEMAND_START);
  EXPECT_EQ(service->config.error_control, SERVICE_ERROR_NORMAL);
  EXPECT_EQ(service->config.image_path, DriverPath());
  EXPECT_TRUE(RemoveDriverService("Kessrin Test"));
  EXPECT_FALSE(ntsim::FindService("Kessrin Test").has_value());
}

TEST_F(DriverControl, StartLoadsTheDriverAndStopUnloadsIt) {
  Do(Step::Install);
  ASSERT_TRUE(Do(Step::Start));
  EXPECT_EQ(ntsim::StateOf(*ntsim::FindService("Kessrin")), ntsim::ServiceState::Running);
  ASSERT_TRUE(Do(Step::Stop));
  EXPECT_EQ(ntsim::StateOf(*ntsim::FindService("Kessrin")), ntsim::ServiceState::Stopped);
  EXPECT_NE(machine_.Read("debug.log").find("Kessrin: Unload Ende !\n"), std::string::npos);
}

TEST_F(DriverControl, WithErrorBoxesOffAFailureIsRecordedButNotShown) {
  ShowDriverErrors = false;
  EXPECT_FALSE(Do(Step::Stop));
  ShowDriverErrors = true;
  EXPECT_TRUE(script().Boxes.empty());
  EXPECT_EQ(LastErrorAction, "Cant open Kessrin !");
  EXPECT_EQ(LastErrorText, kNoService.text);
}

TEST_F(DriverControl, SystemTextsComeWithoutLineBreaksAndUnknownCodesHaveNone) {
  EXPECT_EQ(SystemErrorText(ERROR_SERVICE_EXISTS), "The specified service already exists.");
  EXPECT_EQ(SystemErrorText(ERROR_SUCCESS), "The operation completed successfully.");
  EXPECT_EQ(SystemErrorText(0xDEADBEEF), "");
  ReportDriverError("Cant stop Kessrin !", 0xDEADBEEF);
  ASSERT_EQ(script().Boxes.size(), 1u);
  EXPECT_EQ(script().Boxes[0].Text, "");
  EXPECT_EQ(script().Boxes[0].Caption, "DriverControl: Cant stop Kessrin !");
}

}  // namespace
