// The main window's IDT table: each gate decoded into its row, the device column, the log
// lines, and replies of every length, in-process on a machine of the test's own.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "app/driver_u1.h"
#include "tests/app/program_fixture.h"
#include "tests/app/scan_line.h"
#include "winapi/kernel32.h"

namespace {

using testing_support::ProgramInProcess;
using Cells = std::vector<std::string>;

Cells RowOf(int row) {
  Cells cells;
  for (int col = 0; col < 6; ++col) cells.push_back(Form1->StringGrid1->Cells(col, row));
  return cells;
}

std::vector<Cells> AllRows() {
  std::vector<Cells> rows;
  for (int row = 0; row < 258; ++row) rows.push_back(RowOf(row));
  return rows;
}

// The log, the scan's device count written as N.
std::vector<std::string> Log() {
  std::vector<std::string> lines;
  for (int i = 0; i < Form1->Memo1->Lines()->Count(); ++i) {
    lines.push_back((*Form1->Memo1->Lines())[i]);
  }
  return testing_support::WithDeviceCountAsN(lines);
}

TGateDescriptor Gate(WORD selector, DWORD offset, BYTE access, BYTE reserved = 0) {
  return {static_cast<WORD>(offset & 0xFFFF), selector, reserved, access,
          static_cast<WORD>(offset >> 16)};
}

// Renders IdtBuffer as it stands, as a list file just loaded leaves it.
void RenderFromFile() {
  Form1->FromFile = true;
  Form1->Button1Click(Form1);
  Form1->FromFile = false;
}

// Fills every row from gates whose selector is `selector`, so that a later rendering shows
// which rows it rewrote.
void RenderMarkers(WORD selector) {
  for (TGateDescriptor& gate : Form1->IdtBuffer) gate = Gate(selector, 0, 0);
  RenderFromFile();
}

const std::string kCountLine256 = "256 entrys in IDT - (CS:0x0001B) (DS:0x00023)";

class IdtTable : public ProgramInProcess {};

TEST_F(IdtTable, EachGateIsDecodedIntoTheSixCellsOfItsRow) {
  struct Case {
    DWORD vector;
    TGateDescriptor gate;
    Cells cells;
  };
  std::vector<Case> cases = {
      {32, Gate(0x0008, 0x80465A20, 0x8E),
       {"Interrupt 20/32", "00008", "080465A20", " 32 bit / DPL=0", " InterruptGate", ""}},
      {33, Gate(0x0008, 0x80465A20, 0xEE),
       {"Interrupt 21/33", "00008", "080465A20", " 32 bit / DPL=3", " InterruptGate", ""}},
      {34, Gate(0x0008, 0x80465A20, 0x8F),
       {"Interrupt 22/34", "00008", "080465A20", " 32 bit / DPL=0", " TrapGate", ""}},
      {35, Gate(0x0058, 0, 0x85),
       {"Interrupt 23/35", "00058", "000000000", " 16 Bit / DPL=0", " TaskGate", ""}},
      // Not present: rendered exactly like 8E.
      {36, Gate(0x0008, 0x80465A20, 0x0E),
       {"Interrupt 24/36", "00008", "080465A20", " 32 bit / DPL=0", " InterruptGate", ""}},
      {37, Gate(0, 0, 0x00),
       {"Interrupt 25/37", "00000", "000000000", " 16 Bit / DPL=0", " Unknown ", ""}},
      // Bit 4 and the reserved byte are not shown.
      {38, Gate(0x0008, 0x80465A20, 0x9E, 0xFF),
       {"Interrupt 26/38", "00008", "080465A20", " 32 bit / DPL=0", " InterruptGate", ""}},
      {39, Gate(0xFFFF, 0xFFFFFFFF, 0xFF),
       {"Interrupt 27/39", "0FFFF", "0FFFFFFFF", " 32 bit / DPL=3", " TrapGate", ""}},
      {40, Gate(0x0001, 0x00000001, 0xC6),
       {"Interrupt 28/40", "00001", "000000001", " 16 Bit / DPL=2", " InterruptGate", ""}},
      {41, Gate(0x1234, 0x0001FFFF, 0xAD),
       {"Interrupt 29/41", "01234", "00001FFFF", " 32 bit / DPL=1", " TaskGate", ""}},
      {0, Gate(0x0008, 0x80465A20, 0x8E),
       {"Interrupt 00/0", "00008", "080465A20", " 32 bit / DPL=0", " InterruptGate", "reserved"}},
      {31, Gate(0x0008, 0x80465A20, 0x8E),
       {"Interrupt 1F/31", "00008", "080465A20", " 32 bit / DPL=0", " InterruptGate", "reserved"}},
      {47, Gate(0x0008, 0x80465A20, 0x8E),
       {"Interrupt 2F/47", "00008", "080465A20", " 32 bit / DPL=0", " InterruptGate", ""}},
      {255, Gate(0x0008, 0x80465A20, 0x8E),
       {"Interrupt FF/255", "00008", "080465A20", " 32 bit / DPL=0", " InterruptGate", ""}},
  };
  // Every type value with bit 3 set and clear, at vectors 0x60 to 0x6F.
  const char* const types[] = {" Unknown ", " Unknown ",      " Unknown ", " Unknown ",
                               " Unknown ", " TaskGate",      " InterruptGate", " TrapGate"};
  for (BYTE type = 0; type < 8; ++type) {
    for (BYTE size : {BYTE{0}, BYTE{8}}) {
      const DWORD v = 0x60u + type * 2u + size / 8u;
      cases.push_back({v, Gate(0x0008, 0x80000000, static_cast<BYTE>(0x80 | size | type)),
                       {"Interrupt " + IntToHex(v, 2) + "/" + std::to_string(v), "00008",
                        "080000000", size != 0 ? " 32 bit / DPL=0" : " 16 Bit / DPL=0",
                        types[type], ""}});
    }
  }

  Start();
  for (const Case& c : cases) Form1->IdtBuffer[c.vector] = c.gate;
  RenderFromFile();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.cells[0]);
    EXPECT_EQ(RowOf(static_cast<int>(c.vector) + 1), c.cells);
  }
  EXPECT_EQ(RowOf(0), (Cells{"", "Segm.Descriptor", "Offset", "GateSize/DPL", "GateType", "Device"}));
  EXPECT_EQ(RowOf(257), Cells(6));
}

TEST_F(IdtTable, TheDeviceColumnNamesTheFirstUserFromVector32OnAndNeverReadsOutsideTheTables) {
  Start();
  Form1->Devices[0].Name.Assign("Serial0");
  Form1->Devices[1].Name.Assign("NE2000");
  // A damaged list file: a length byte above 80 before 80 characters of name.
  Form1->Devices[2].Name.Length = 200;
  std::memset(Form1->Devices[2].Name.Chars, 'N', sizeof Form1->Devices[2].Name.Chars);
  // Every vector first names a device, so that an empty cell shows it replaced a name.
  for (TVectorUsage& usage : Form1->VectorUsage) usage = {1, {0}};
  RenderFromFile();
  ASSERT_EQ(RowOf(0x40 + 1)[5], "Serial0");

  struct Case {
    const char* what;
    DWORD vector;
    LONG count;
    LONG first;
    std::string device;
  };
  const Case cases[] = {
      {"reserved vector with a user", 0, 1, 1, "reserved"},
      {"last reserved vector with users", 31, 2, 1, "reserved"},
      {"three users", 32, 3, 1, "NE2000"},
      {"no users", 33, 0, 1, ""},
      {"a negative count", 34, -5, 1, ""},
      {"a first user past the device table", 35, 1, 256, ""},
      {"a first user below it", 36, 1, -1, ""},
      {"a name length above 80", 37, 1, 2, std::string(80, 'N')},
      {"a count above 128", 38, 500, 0, "Serial0"},
      {"the last vector", 255, 1, 1, "NE2000"},
  };
  for (const Case& c : cases) {
    Form1->VectorUsage[c.vector].Count = c.count;
    Form1->VectorUsage[c.vector].DeviceIndex[0] = c.first;
    Form1->VectorUsage[c.vector].DeviceIndex[1] = 0;
  }
  RenderFromFile();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(RowOf(static_cast<int>(c.vector) + 1)[5], c.device);
  }
}

TEST_F(IdtTable, ALoadedImageRendersItsFirst256GatesWithTheRunningProgramsSelectors) {
  machine_.Write("machine.ini", "cs = 0x2B\nds = 0xFFFF\n");
  Start();
  const std::string countLine = "256 entrys in IDT - (CS:0x0002B) (DS:0x0FFFF)";
  EXPECT_EQ(Log(), (std::vector<std::string>{"N devices detected ...", "reading IDT from driver ...",
                                             countLine}));
  const std::string requests = machine_.Read("debug.log");
  for (WORD v = 0; v < 2048; ++v) Form1->IdtBuffer[v] = Gate(v, 0, 0x8E);
  RenderFromFile();
  const std::vector<Cells> once = AllRows();
  RenderFromFile();

  EXPECT_EQ(AllRows(), once);
  EXPECT_EQ(Log(), (std::vector<std::string>{"N devices detected ...", "reading IDT from driver ...",
                                             countLine, "using IDT from file ...", countLine,
                                             "using IDT from file ...", countLine}));
  EXPECT_EQ(machine_.Read("debug.log"), requests);
  EXPECT_EQ(RowOf(256)[1], "000FF");
  EXPECT_EQ(RowOf(257), Cells(6));
}

TEST_F(IdtTable, RefreshAfterALoadedImageClearsTheUsersAndAsksTheDriverAgain) {
  Start();
  const std::vector<Cells> live = AllRows();
  // A device of an earlier snapshot, past those the machine's resource map holds.
  Form1->Devices[255].Name.Assign("Gone");
  for (TVectorUsage& usage : Form1->VectorUsage) usage = {1, {255}};
  RenderMarkers(0xAAAA);
  ASSERT_EQ(RowOf(0x40 + 1)[5], "Gone");

  Form1->Refresh1Click(Form1);
  EXPECT_EQ(AllRows(), live);
  // No device uses vector 0x40: its count is cleared, its old index slot is left.
  EXPECT_EQ(Form1->VectorUsage[0x40].Count, 0);
  EXPECT_EQ(Form1->VectorUsage[0x40].DeviceIndex[0], 255);
  const std::vector<std::string> log = Log();
  EXPECT_EQ(std::vector<std::string>(log.end() - 4, log.end()),
            (std::vector<std::string>{"Refresh ...", "N devices detected ...",
                                      "reading IDT from driver ...", kCountLine256}));
}

TEST_F(IdtTable, AFailedRequestWritesOnlyTheHeaderRowAndItsLogLine) {
  Start();
  RenderMarkers(0xAAAA);
  std::vector<Cells> before = AllRows();
  for (int col = 1; col < 6; ++col) Form1->StringGrid1->SetCells(col, 0, "");
  CloseHandle(Form1->DriverHandle);
  Form1->DriverHandle = INVALID_HANDLE_VALUE;
  script().Boxes.clear();

  Form1->Button1Click(Form1);
  EXPECT_EQ(AllRows(), before);
  EXPECT_EQ(Log().back(), "reading IDT from driver ...");
  EXPECT_TRUE(script().Boxes.empty());
}

// A reply of any length from a machine whose IDT has `idtBytes` bytes: the gates it holds
// rewrite their rows; the rows after them keep the text of the rendering before.
struct Reply {
  const char* what;
  std::size_t idtBytes;
  bool shortReplyDriver;  // vir.uze, or the driver that leaves out the last gate
  DWORD entries;
};

void PrintTo(const Reply& reply, std::ostream* out) { *out << reply.what; }

class IdtReply : public ProgramInProcess, public testing::WithParamInterface<Reply> {
 protected:
  // Gate v of the machine's IDT has the selector 0x0100 + v (0x0100 + v - 0x10000 past it).
  static std::string MachineIdt(std::size_t bytes) {
    std::string idt;
    for (std::size_t v = 0; idt.size() < bytes; ++v) {
      const TGateDescriptor gate = Gate(static_cast<WORD>(0x0100 + v), 0x80400000, 0x8E);
      idt.append(reinterpret_cast<const char*>(&gate), sizeof gate);
    }
    idt.resize(bytes);
    return idt;
  }

  // The request goes to the device of the driver that leaves out the last gate.
  static void UseShortReplyDriver() {
    ASSERT_TRUE(InstallDriverService("ShortReply", QUORVEL_SHORT_REPLY_DRIVER));
    ASSERT_TRUE(StartDriverService("ShortReply"));
    CloseHandle(Form1->DriverHandle);
    SECURITY_ATTRIBUTES security{12, nullptr, FALSE};
    Form1->DriverHandle = CreateFileA("\\\\.\\ShortReply", GENERIC_READ, FILE_SHARE_READ,
                                      &security, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(Form1->DriverHandle, INVALID_HANDLE_VALUE);
  }
};

TEST_P(IdtReply, RewritesTheRowsOfTheGatesItHoldsAndKeepsTheRest) {
  const Reply& reply = GetParam();
  machine_.Write("idt.bin", MachineIdt(reply.idtBytes));
  Start();
  if (reply.shortReplyDriver) UseShortReplyDriver();
  RenderMarkers(0xAAAA);

  Form1->Refresh1Click(Form1);
  EXPECT_EQ(Log().back(), std::to_string(reply.entries) + " entrys in IDT - (CS:0x0001B) (DS:0x00023)");
  const DWORD rewritten = reply.entries < 256 ? reply.entries : 256;
  for (DWORD v = 0; v < 256; ++v) {
    SCOPED_TRACE(v);
    const std::string selector = v < rewritten ? IntToHex(0x0100 + v, 5) : "0AAAA";
    EXPECT_EQ(RowOf(static_cast<int>(v) + 1)[1], selector);
  }
  EXPECT_EQ(RowOf(257), Cells(6));
}

INSTANTIATE_TEST_SUITE_P(
    Lengths, IdtReply,
    testing::Values(Reply{"Full", 2048, false, 256}, Reply{"Half", 1024, false, 128},
                    Reply{"NotAMultipleOf8", 1001, false, 125}, Reply{"OneGate", 8, false, 1},
                    // 65,536 bytes do not fit the 16,384 of IdtBuffer: the reply is cut there.
                    Reply{"LongerThan256Gates", 65536, false, 2048},
                    Reply{"Empty", 8, true, 0}, Reply{"SevenBytes", 15, true, 0},
                    Reply{"OneGateAndSevenBytes", 23, true, 1}),
    [](const testing::TestParamInfo<Reply>& param) { return std::string(param.param.what); });

}  // namespace
