// The interrupt detail view in the real program, through the console protocol, on the
// built-in machine.
#include <gtest/gtest.h>

#include <string>

#include "tests/app/program_run.h"

namespace {

using testing_support::ProgramRun;
using testing_support::Result;

// The cells of one table row as the main window's first printing shows them.
std::string RowOf(const std::string& output, int vector) {
  const std::string grid = "--- grid StringGrid1 6x258\n";
  std::size_t at = output.find(grid) + grid.size();
  for (int row = 0; row <= vector; ++row) at = output.find('\n', at) + 1;
  return output.substr(at, output.find('\n', at) - at);
}

TEST_F(ProgramRun, ADoubleClickOnAVectorWithoutUsersAnswersWithItsTitle) {
  LayOut(true);
  const Result run = Run("dblclick StringGrid1 1\ndblclick StringGrid1 65\ndblclick StringGrid1 257\n");
  EXPECT_EQ(run.status, 0);
  const std::string afterwards = run.output.substr(run.output.find("=== end\n") + 8);
  EXPECT_EQ(afterwards,
            "=== box none Interrupt 0x00/0\nno details available ...\n=== end\n"
            "=== box none Interrupt 0x40/64\nno details available ...\n=== end\n");
}

// The network card shares IRQ 11 (vector 0x3B) with a SCSI adapter: the window lists both
// devices' resources, the card's among them.
TEST_F(ProgramRun, ADoubleClickOnTheNetworkCardsVectorListsItsResources) {
  LayOut(true);
  const Result run = Run("dblclick StringGrid1 60\n");
  EXPECT_EQ(run.status, 0);
  const std::string afterwards = run.output.substr(run.output.find("=== end\n") + 8);
  if (RowOf(run.output, 0x3B + 1).ends_with("\t")) {
    // A resource map scan that finds no device leaves the vector without users.
    EXPECT_EQ(afterwards, "=== box none Interrupt 0x3B/59\nno details available ...\n=== end\n");
    return;
  }
  ASSERT_EQ(afterwards.rfind("=== window ", 0), 0u) << afterwards;
  const std::string window = afterwards.substr(0, afterwards.find("=== end\n"));
  EXPECT_NE(window.find(" allocates:\n--- label PortLbl\nPorts ("), std::string::npos) << window;
  EXPECT_NE(window.find("\n0x0FCE0\t32\n"), std::string::npos) << window;
  EXPECT_NE(window.find("\n0x3B / 59\t"), std::string::npos) << window;
  EXPECT_NE(window.find("\nAddress:0x0FEBFF000 - 0x0FEC00000\n"), std::string::npos) << window;
  EXPECT_NE(window.find("\n--- label IntLbl\nInterrupts (2)\n"), std::string::npos) << window;
  EXPECT_EQ(afterwards.find("=== box"), std::string::npos);
}

}  // namespace
