// The interrupt detail view: a double-click on the main table lists the resources of every
// user of the row's vector in the resources window, or answers with a box. In-process, on
// usage and device tables filled by hand.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "tests/app/box.h"
#include "tests/app/program_fixture.h"
#include "vcl/UserActions.h"

namespace {

using testing_support::Box;
using Cells = std::vector<std::string>;
using Lines = std::vector<std::string>;

TPartialDescriptor Resource(BYTE type) {
  TPartialDescriptor resource{};
  resource.Type = type;
  return resource;
}
TPartialDescriptor Port(LONGLONG start, LONG length) {
  TPartialDescriptor resource = Resource(1);
  resource.u.Port.Start = start;
  resource.u.Port.Length = length;
  return resource;
}
TPartialDescriptor Interrupt(LONG level, LONG vector, LONG affinity) {
  TPartialDescriptor resource = Resource(2);
  resource.u.Interrupt.Level = level;
  resource.u.Interrupt.Vector = vector;
  resource.u.Interrupt.Affinity = affinity;
  return resource;
}
TPartialDescriptor Memory(LONGLONG start, LONG length) {
  TPartialDescriptor resource = Resource(3);
  resource.u.Memory.Start = start;
  resource.u.Memory.Length = length;
  return resource;
}
TPartialDescriptor Dma(LONG channel, LONG port) {
  TPartialDescriptor resource = Resource(4);
  resource.u.Dma.Channel = channel;
  resource.u.Dma.Port = port;
  return resource;
}
TPartialDescriptor DeviceSpecific(LONG dataSize) {
  TPartialDescriptor resource = Resource(5);
  resource.u.DeviceSpecificData.DataSize = dataSize;
  return resource;
}

void SetDevice(int index, const std::string& name, const std::vector<TPartialDescriptor>& resources) {
  TDeviceRecord& device = Form1->Devices[index];
  device.Name.Assign(name);
  device.ResourceCount = static_cast<LONG>(resources.size());
  for (std::size_t k = 0; k < resources.size(); ++k) device.Resources[k] = resources[k];
}

void SetUsers(int vector, const std::vector<LONG>& users) {
  TVectorUsage& usage = Form1->VectorUsage[vector];
  usage.Count = static_cast<LONG>(users.size());
  for (std::size_t j = 0; j < users.size(); ++j) usage.DeviceIndex[j] = users[j];
}

std::vector<Cells> RowsOf(const TStringGrid& grid) {
  std::vector<Cells> rows;
  for (int row = 0; row < grid.RowCount(); ++row) {
    Cells cells;
    for (int col = 0; col < grid.ColCount(); ++col) cells.push_back(grid.Cells(col, row));
    rows.push_back(cells);
  }
  return rows;
}

Lines LinesOf(const TMemo& memo) {
  Lines lines;
  for (int i = 0; i < memo.Lines()->Count(); ++i) lines.push_back((*memo.Lines())[i]);
  return lines;
}

// A grid's rows as the view leaves them: the heading, the entries, five empty rows.
std::vector<Cells> Grid(const Cells& heading, const std::vector<Cells>& entries) {
  std::vector<Cells> rows{heading};
  rows.insert(rows.end(), entries.begin(), entries.end());
  rows.insert(rows.end(), 5, Cells(heading.size()));
  return rows;
}
// No entry, or the one entry a case expects.
std::vector<Cells> EntriesOf(const Cells& entry) {
  return entry.empty() ? std::vector<Cells>{} : std::vector<Cells>{entry};
}
const Cells kPortHeading{"Address", "Length"};
const Cells kIntHeading{"Vector", "Level", "Affinity"};
const Cells kDmaHeading{"Channel", "Port"};

// What one double-click showed: its boxes (title and text), whether the resources window was
// displayed, and the window's content as it was left.
struct Shown {
  std::vector<Box> boxes;
  bool window = false;
  std::string caption;
  std::vector<Cells> ports, interrupts, dma;
  Lines memory, deviceSpecific;
  std::string portLabel, intLabel, dmaLabel;
};

class DetailView : public testing_support::ProgramInProcess {
 protected:
  DetailView() {
    Start();
    script().Boxes.clear();
  }

  Shown DoubleClick(int row) {
    const std::size_t boxes = script().Boxes.size();
    const std::size_t windows = script().ShownWindows.size();
    Form1->StringGrid1->SetRow(row);
    Form1->StringGrid1->DblClick();
    Shown shown;
    for (std::size_t i = boxes; i < script().Boxes.size(); ++i) {
      EXPECT_EQ(script().Boxes[i].Flags, MB_OK);
      shown.boxes.push_back({script().Boxes[i].Caption, script().Boxes[i].Text});
    }
    shown.window = script().ShownWindows.size() > windows;
    EXPECT_FALSE(ResView->Visible());
    shown.caption = ResView->Caption();
    shown.ports = RowsOf(*ResView->StringGrid1);
    shown.interrupts = RowsOf(*ResView->StringGrid2);
    shown.dma = RowsOf(*ResView->StringGrid3);
    shown.memory = LinesOf(*ResView->Memo1);
    shown.deviceSpecific = LinesOf(*ResView->Memo5);
    shown.portLabel = ResView->PortLbl->Caption();
    shown.intLabel = ResView->IntLbl->Caption();
    shown.dmaLabel = ResView->DMALbl->Caption();
    return shown;
  }
};

const std::vector<TPartialDescriptor> kNetworkCard = {
    Port(0x300, 32), Interrupt(11, 59, 1), Memory(0xD0000, 0x4000)};
const std::vector<TPartialDescriptor> kSerialPort = {
    Port(0x3F8, 8), Interrupt(4, 52, -1), Dma(2, 0), DeviceSpecific(12)};

TEST_F(DetailView, EachKindOfVectorGetsItsBoxOrTheWindow) {
  SetDevice(0, "NE2000", kNetworkCard);
  SetDevice(1, "Serial0", kSerialPort);
  SetDevice(2, "Floppy", {Interrupt(6, 0x36, 1), Dma(2, 0x3F0)});
  for (int v : {2, 14, 15, 18, 19, 25, 31, 32, 0x3B, 255}) SetUsers(v, {0});
  SetUsers(0x34, {1, 2});

  struct Case {
    const char* what;
    int row;
    std::vector<Box> boxes;
    bool window;
    const char* caption;
    // The counts the labels show; none when the view leaves the labels alone.
    std::vector<int> counts;
  };
  const Case cases[] = {
      {"vector 0 without users", 1, {{"Interrupt 0x00/0", "no details available ..."}}, false,
       "", {}},
      {"vector 2 with a user", 3,
       {{"Interrupt 0x02/2", "Reserved from Intel for \"NMI - non maskable interrupt\""}}, false,
       "NE2000 allocates:", {1, 1, 0}},
      {"vector 14 with a user", 15,
       {{"Interrupt 0x0E/14", "Reserved from Intel for \"Page Fault Exception (#PF)\""}}, false,
       "NE2000 allocates:", {1, 1, 0}},
      {"vector 15 with a user", 16, {{"Interrupt 0x0F/15", "Reserved from Intel for \"(reserved)\""}},
       false, "NE2000 allocates:", {1, 1, 0}},
      {"vector 18 with a user", 19,
       {{"Interrupt 0x12/18", "Reserved from Intel for \"Machine-Check Exception (#MC)\""}}, false,
       "NE2000 allocates:", {1, 1, 0}},
      {"vector 19 with a user", 20,
       {{"Interrupt 0x13/19", "Reserved from Intel for internal or later use !"}}, false,
       "NE2000 allocates:", {1, 1, 0}},
      {"vector 25 with a user", 26,
       {{"Interrupt 0x19/25", "Reserved from Intel for internal or later use !"}}, false,
       "NE2000 allocates:", {1, 1, 0}},
      {"vector 31 with a user", 32,
       {{"Interrupt 0x1F/31", "Reserved from Intel for internal or later use !"}}, false,
       "NE2000 allocates:", {1, 1, 0}},
      {"vector 32 with a user", 33, {}, true, "NE2000 allocates:", {1, 1, 0}},
      {"vector 33 without users", 34, {{"Interrupt 0x21/33", "no details available ..."}}, false,
       "", {}},
      {"two users: the caption names the second", 0x34 + 1, {}, true, "Floppy allocates:",
       {1, 2, 2}},
      {"the network card's vector", 0x3B + 1, {}, true, "NE2000 allocates:", {1, 1, 0}},
      {"vector 255 with a user", 256, {}, true, "NE2000 allocates:", {1, 1, 0}},
      {"vector 254 without users", 255, {{"Interrupt 0xFE/254", "no details available ..."}},
       false, "", {}},
      {"row 257 holds no vector", 257, {}, false, "", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    // What an earlier opening left, so that a case shows what it replaced and what not.
    ResView->SetCaption("earlier");
    for (TLabel* label : {ResView->PortLbl, ResView->IntLbl, ResView->DMALbl}) label->SetCaption("earlier");
    const Shown shown = DoubleClick(c.row);
    EXPECT_EQ(shown.boxes, c.boxes);
    EXPECT_EQ(shown.window, c.window);
    if (c.counts.empty()) {
      // Neither the caption nor the labels are touched without users.
      EXPECT_EQ(shown.caption, "earlier");
      EXPECT_EQ((Cells{shown.portLabel, shown.intLabel, shown.dmaLabel}), Cells(3, "earlier"));
    } else {
      EXPECT_EQ(shown.caption, c.caption);
      EXPECT_EQ((Cells{shown.portLabel, shown.intLabel, shown.dmaLabel}),
                (Cells{"Ports (" + std::to_string(c.counts[0]) + ")",
                       "Interrupts (" + std::to_string(c.counts[1]) + ")",
                       "DMA Channels (" + std::to_string(c.counts[2]) + ")"}));
    }
  }
}

TEST_F(DetailView, EachReservedVectorFrom0To18NamesItsException) {
  const char* const names[19] = {
      "Divide Error Exception (#DE)", "Debug Execption (#DB)", "NMI - non maskable interrupt",
      "Breakpoint Execption (#BP)", "Overflow Exception (#OF)",
      "Bound Range Exceed Exception (#BR)", "Invalid Opcode Exception (#UD)",
      "Device Not Available Exception (#NM)", "Double Fault Exception (#DF)",
      "Coprozessor Segment Overrun", "Invalid TSS Exception (#TS)", "Segment Not Present (#NP)",
      "Stack Fault Exception (#SS)", "General Protection Exception (#GP)",
      "Page Fault Exception (#PF)", "(reserved)", "Floating Point Error Exception (#MF)",
      "Alignment Check Exception (#AC)", "Machine-Check Exception (#MC)"};
  SetDevice(0, "HAL", {});
  for (int v = 0; v < 19; ++v) {
    SetUsers(v, {0});
    char title[32];
    std::snprintf(title, sizeof title, "Interrupt 0x%02X/%d", v, v);
    const Box expected{title, std::string("Reserved from Intel for \"") + names[v] + "\""};
    EXPECT_EQ(DoubleClick(v + 1).boxes, std::vector<Box>{expected});
  }
}

TEST_F(DetailView, AllUsersResourcesFillTheGridsUserAfterUserInEveryFormat) {
  SetDevice(0, "Serial0", kSerialPort);
  SetDevice(1, "NE2000",
            {Resource(0), Port(0x300, 32), Resource(6), Interrupt(11, 59, 1), Resource(255),
             Memory(0xD0000, 0x4000), Interrupt(0, 0x3B, 0x0F)});
  SetUsers(0x3B, {0, 1});
  const Shown shown = DoubleClick(0x3B + 1);
  EXPECT_TRUE(shown.window);
  EXPECT_TRUE(shown.boxes.empty());
  EXPECT_EQ(shown.caption, "NE2000 allocates:");
  EXPECT_EQ(shown.ports, Grid(kPortHeading, {{"0x003F8", "8"}, {"0x00300", "32"}}));
  EXPECT_EQ(shown.interrupts, Grid(kIntHeading, {{"0x34 / 52", "4", "0xFFFFFFFF"},
                                                 {"0x3B / 59", "11", "0x01"},
                                                 {"0x3B / 59", "0", "0x0F"}}));
  EXPECT_EQ(shown.dma, Grid(kDmaHeading, {{"2", "0x000"}}));
  EXPECT_EQ(shown.memory, Lines{"Address:0x0000D0000 - 0x0000D4000"});
  EXPECT_EQ(shown.deviceSpecific, Lines{"DataSize: 12"});
  EXPECT_EQ(shown.portLabel, "Ports (2)");
  EXPECT_EQ(shown.intLabel, "Interrupts (3)");
  EXPECT_EQ(shown.dmaLabel, "DMA Channels (1)");
  EXPECT_EQ(ResView->MemoryLbl->Caption(), "Memory");
  EXPECT_EQ(ResView->DevLbl->Caption(), "Device Specific");
}

TEST_F(DetailView, NumbersAreShownWithTheirSignAndFullPatternNeverCut) {
  struct Case {
    const char* what;
    TPartialDescriptor resource;
    Cells port, interrupt, dma;
    const char* memory;
    const char* deviceSpecific;
  };
  const Case cases[] = {
      {"a port above 32 bits", Port(0x123456789A, 0), {"0x123456789A", "0"}, {}, {}, "", ""},
      {"a port at the top of 64 bits", Port(-1, -1), {"0xFFFFFFFFFFFFFFFF", "-1"}, {}, {}, "", ""},
      {"an interrupt of all ones", Interrupt(-1, -1, -1), {},
       {"0xFFFFFFFF / -1", "-1", "0xFFFFFFFF"}, {}, "", ""},
      {"an interrupt vector above 255", Interrupt(1, 0x1FF, 0x100), {}, {"0x1FF / 511", "1", "0x100"},
       {}, "", ""},
      {"a memory range", Memory(0xA0000, 0x20000), {}, {}, {}, "Address:0x0000A0000 - 0x0000C0000",
       ""},
      {"a memory range above 4 GiB", Memory(0x1000000000, 0x1000), {}, {}, {},
       "Address:0x1000000000 - 0x1000001000", ""},
      {"a negative memory length", Memory(0x1000, -16), {}, {}, {}, "Address:0x000001000 - 0x000000FF0",
       ""},
      {"a memory end past 64 bits", Memory(-16, 32), {}, {}, {},
       "Address:0xFFFFFFFFFFFFFFF0 - 0x000000010", ""},
      {"a DMA port above 3 digits", Dma(-1, 0x1F00), {}, {}, {"-1", "0x1F00"}, "", ""},
      {"a negative data size", DeviceSpecific(-5), {}, {}, {}, "", "DataSize: -5"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    SetDevice(0, "Device", {c.resource});
    SetUsers(0x40, {0});
    const Shown shown = DoubleClick(0x40 + 1);
    EXPECT_EQ(shown.ports, Grid(kPortHeading, EntriesOf(c.port)));
    EXPECT_EQ(shown.interrupts, Grid(kIntHeading, EntriesOf(c.interrupt)));
    EXPECT_EQ(shown.dma, Grid(kDmaHeading, EntriesOf(c.dma)));
    EXPECT_EQ(shown.memory, *c.memory != '\0' ? Lines{c.memory} : Lines{});
    EXPECT_EQ(shown.deviceSpecific, *c.deviceSpecific != '\0' ? Lines{c.deviceSpecific} : Lines{});
  }
}

TEST_F(DetailView, ADeviceStandingTwiceIsListedTwiceAndAUserWithoutPortsLeavesTheirGridEmpty) {
  SetDevice(0, std::string(80, 'N'), {Interrupt(5, 0x35, 1), Dma(1, 0x220)});
  SetUsers(0x35, {0, 0});
  const Shown shown = DoubleClick(0x35 + 1);
  EXPECT_EQ(shown.caption, std::string(80, 'N') + " allocates:");
  EXPECT_EQ(shown.caption.size(), 91u);
  EXPECT_EQ(shown.ports, Grid(kPortHeading, {}));
  EXPECT_EQ(shown.portLabel, "Ports (0)");
  EXPECT_EQ(shown.interrupts,
            Grid(kIntHeading, {{"0x35 / 53", "5", "0x01"}, {"0x35 / 53", "5", "0x01"}}));
  EXPECT_EQ(shown.dma, Grid(kDmaHeading, {{"1", "0x220"}, {"1", "0x220"}}));
  EXPECT_EQ(shown.intLabel, "Interrupts (2)");
  EXPECT_EQ(shown.dmaLabel, "DMA Channels (2)");
}

TEST_F(DetailView, ASecondOpeningShowsNothingOfTheFirst) {
  SetDevice(0, "NE2000", kNetworkCard);
  SetDevice(1, "Serial0", {Port(0x2F8, 8)});
  SetUsers(0x3B, {0});
  SetUsers(0x33, {1});
  DoubleClick(0x3B + 1);
  const Shown second = DoubleClick(0x33 + 1);
  EXPECT_EQ(second.caption, "Serial0 allocates:");
  EXPECT_EQ(second.ports, Grid(kPortHeading, {{"0x002F8", "8"}}));
  EXPECT_EQ(second.interrupts, Grid(kIntHeading, {}));
  EXPECT_TRUE(second.memory.empty());
  EXPECT_EQ(second.intLabel, "Interrupts (0)");
}

// Damaged tables, as a list file can bring them: nothing outside the tables or the name is
// read, and the view goes on with what lies inside them.
TEST_F(DetailView, DamagedTablesAreReadOnlyWithinTheirBounds) {
  std::vector<TPartialDescriptor> all(256, Port(0x60, 1));
  SetDevice(0, "Keyboard", all);
  SetDevice(1, "Mouse", {Port(0x64, 1)});

  struct Case {
    const char* what;
    LONG count;
    std::vector<LONG> users;
    LONG resourceCount;  // of the device Keyboard
    int nameLength;      // the length byte of Keyboard's name
    std::vector<Box> boxes;
    int ports;
  };
  const Box none{"Interrupt 0x40/64", "no details available ..."};
  const Case cases[] = {
      {"a count above 128 reads the 128 slots", 1000, std::vector<LONG>(128, 1), 1, 8, {}, 128},
      {"a negative count", -1, {0}, 1, 8, {none}, 0},
      {"a user past the device table is skipped", 2, {256, 1}, 1, 8, {}, 1},
      {"a user below it is skipped", 2, {-1, 0}, 1, 8, {}, 1},
      {"users that name no device leave no details", 2, {-7, 100000}, 1, 8, {none}, 0},
      {"a resource count above 256 lists the 256 stored", 1, {0}, 100000, 8, {}, 256},
      {"a negative resource count lists nothing", 1, {0}, -5, 8, {}, 0},
      {"a name length above 80 shows 80 characters", 1, {0}, 0, 255, {}, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    SetUsers(0x40, c.users);
    Form1->VectorUsage[0x40].Count = c.count;
    Form1->Devices[0].ResourceCount = c.resourceCount;
    Form1->Devices[0].Name.Length = static_cast<BYTE>(c.nameLength);
    std::fill(std::begin(Form1->Devices[0].Name.Chars) + 8, std::end(Form1->Devices[0].Name.Chars), 'K');
    const Shown shown = DoubleClick(0x40 + 1);
    EXPECT_EQ(shown.boxes, c.boxes);
    EXPECT_EQ(shown.window, c.boxes.empty());
    if (c.boxes.empty()) {
      EXPECT_EQ(static_cast<int>(shown.ports.size()), 6 + c.ports);
      EXPECT_EQ(shown.portLabel, "Ports (" + std::to_string(c.ports) + ")");
    }
    if (c.nameLength > 80) {
      EXPECT_EQ(shown.caption, "Keyboard" + std::string(72, 'K') + " allocates:");
    }
  }
}

TEST_F(DetailView, TheWindowIsModalOverTheMainWindowAndRow257DoesNothing) {
  SetDevice(0, "NE2000", kNetworkCard);
  SetUsers(0x3B, {0});
  script().Then([] {
    EXPECT_EQ(vcl::DoubleClickRow("StringGrid1", 257), "");
    EXPECT_EQ(vcl::DoubleClickRow("StringGrid1", 0x3B + 1), "");
  });
  script().Then([] {
    EXPECT_EQ(Application->ActiveForm(), ResView);
    EXPECT_TRUE(ResView->Modal());
    EXPECT_EQ(ResView->StringGrid1->Cells(0, 0), "Address");
    EXPECT_EQ(vcl::PressShortCut("F5"), "the window NE2000 allocates: has no shortcut F5");
    EXPECT_EQ(vcl::CloseActiveWindow(), "");
  });
  script().Then([] { EXPECT_EQ(Application->ActiveForm(), Form1); });
  Application->Run();
  EXPECT_EQ(script().ShownWindows, (std::vector<std::string>{"Quorvel", "NE2000 allocates:"}));
  EXPECT_TRUE(script().Boxes.empty());
}

}  // namespace
