// The list tool's pieces in-process: reading and checking a list file, the aligned table,
// the two forms of the export and the comparison, on snapshots built in memory.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "listtool/Export.h"
#include "listtool/ListSnapshot.h"
#include "listtool/PlainText.h"
#include "listtool/SnapshotDiff.h"
#include "listtool/TableText.h"
#include "tests/listtool/list_fixtures.h"

namespace {

using namespace list_fixtures;

// Reads Bytes as a list file, in pieces of at most the size asked for, as a host file gives
// them.
TListReading ReadBytes(const std::string& Bytes) {
  std::size_t At = 0;
  return ReadListSnapshot([&](void* Data, int Size) {
    const std::size_t Moved = std::min(Bytes.size() - At, static_cast<std::size_t>(Size));
    std::memcpy(Data, Bytes.data() + At, Moved);
    At += Moved;
    return static_cast<int>(Moved);
  });
}

TEST(ListSnapshot, TakesAWholeFileAndReportsOneOfAnyOtherLength) {
  const std::string Whole = FileBytes(*Base());
  const struct {
    std::string Bytes;
    const char* Problem;  // nullptr: the file is read
  } Cases[] = {
      {"", "short list file: it ends after 0 bytes, a list file has 1218816"},
      {Whole.substr(0, 16384),
       "short list file: it ends after 16384 bytes, a list file has 1218816"},
      {Whole.substr(0, Whole.size() - 1),
       "short list file: it ends after 1218815 bytes, a list file has 1218816"},
      {Whole, nullptr},
      {Whole + '\0', "not a list file: it goes on after the 1218816 bytes of a list file"},
  };
  for (const auto& Case : Cases) {
    SCOPED_TRACE(Case.Bytes.size());
    const TListReading Reading = ReadBytes(Case.Bytes);
    if (Case.Problem == nullptr) {
      ASSERT_NE(Reading.Snapshot, nullptr);
      EXPECT_TRUE(Reading.Problems.empty());
      EXPECT_EQ(FileBytes(*Reading.Snapshot), Whole);
    } else {
      EXPECT_EQ(Reading.Snapshot, nullptr);
      EXPECT_EQ(Reading.Problems, std::vector<std::string>{Case.Problem});
    }
  }
}

TEST(ListSnapshot, ReportsEveryCountAndIndexThatLeadsOutOfTheTables) {
  EXPECT_EQ(ReadBytes(FileBytes(*Damaged())).Problems,
            (std::vector<std::string>{
                "damaged list file: Interrupt 40/64: its user count is 200, outside 0 to 128",
                "damaged list file: Interrupt 41/65: user 1 is device 300, outside 0 to 255",
                "damaged list file: device 1: its resource count is 300, outside 0 to 256",
                "damaged list file: device 2: its name length is 90, above 80",
            }));

  const struct {
    const char* What;
    std::function<void(TListSnapshot&)> Damage;
    const char* Problem;  // nullptr: nothing to report
  } Cases[] = {
      {"a negative user count", [](TListSnapshot& S) { S.VectorUsage[0x60].Count = -1; },
       "Interrupt 60/96: its user count is -1, outside 0 to 128"},
      {"one user too many", [](TListSnapshot& S) { S.VectorUsage[0x60].Count = 129; },
       "Interrupt 60/96: its user count is 129, outside 0 to 128"},
      {"all 128 users",
       [](TListSnapshot& S) {
         S.VectorUsage[0x60].Count = 128;
         std::fill(std::begin(S.VectorUsage[0x60].DeviceIndex),
                   std::end(S.VectorUsage[0x60].DeviceIndex), 0);
       },
       nullptr},
      {"a negative device index",
       [](TListSnapshot& S) {
         S.VectorUsage[0x3B].DeviceIndex[2] = -1;
         S.VectorUsage[0x3B].Count = 3;
       },
       "Interrupt 3B/59: user 3 is device -1, outside 0 to 255"},
      {"device 256", [](TListSnapshot& S) { S.VectorUsage[0x34].DeviceIndex[0] = 256; },
       "Interrupt 34/52: user 1 is device 256, outside 0 to 255"},
      {"left-over indices after the users",
       [](TListSnapshot& S) { S.VectorUsage[0x34].DeviceIndex[1] = 9999; }, nullptr},
      {"a name of 81 characters", [](TListSnapshot& S) { S.Devices[0].Name.Length = 81; },
       "device 0: its name length is 81, above 80"},
      {"a negative resource count", [](TListSnapshot& S) { S.Devices[3].ResourceCount = -5; },
       "device 3: its resource count is -5, outside 0 to 256"},
      {"257 resources", [](TListSnapshot& S) { S.Devices[3].ResourceCount = 257; },
       "device 3: its resource count is 257, outside 0 to 256"},
      {"a device no vector uses",
       [](TListSnapshot& S) { std::memset(&S.Devices[9], 0xFF, sizeof S.Devices[9]); }, nullptr},
  };
  for (const auto& Case : Cases) {
    SCOPED_TRACE(Case.What);
    const auto Snapshot = Base();
    Case.Damage(*Snapshot);
    const std::vector<std::string> Expected =
        Case.Problem ? std::vector<std::string>{std::string("damaged list file: ") + Case.Problem}
                     : std::vector<std::string>{};
    EXPECT_EQ(SnapshotProblems(*Snapshot), Expected);
  }
}

TEST(ListSnapshot, ListsTenProblemsAndCountsTheRest) {
  const auto Snapshot = Base();
  for (TVectorUsage& Usage : Snapshot->VectorUsage) Usage.Count = 1000;
  const std::vector<std::string> Problems = SnapshotProblems(*Snapshot);
  ASSERT_EQ(Problems.size(), kMaxListedProblems + 1);
  EXPECT_EQ(Problems.front(),
            "damaged list file: Interrupt 00/0: its user count is 1000, outside 0 to 128");
  EXPECT_EQ(Problems.back(), "damaged list file: 246 more problems");
}

TEST(PlainText, MakesTheSnapshotsTextsSafeForOneLineOfATerminal) {
  const struct {
    std::string Ansi;
    std::string Shown;
  } Cases[] = {
      {"Serial0", "Serial0"},
      {"a\\b", "a\\\\b"},
      {"\t\r\n", "\\t\\r\\n"},
      {std::string("\x00\x01\x1B\x7F", 4), "\\x00\\x01\\x1B\\x7F"},
      {"\x81\x9D", "\\x81\\x9D"},
      {"\x80\xE4", "\xE2\x82\xAC\xC3\xA4"},
  };
  for (const auto& Case : Cases) {
    EXPECT_EQ(DisplayText(Case.Ansi), Case.Shown) << Case.Ansi;
  }
  EXPECT_EQ(DisplayWidth("\xE2\x82\xAC\xC3\xA4x"), 3u);
}

TEST(TableText, AlignsTheColumnsByTheirShownWidthAndEndsEachLineAtItsLastCell) {
  const std::vector<TTableRow> Rows = {
      {"", "Head", "Offset", "", "", ""},
      {"Interrupt 00/0", "8", "1", " Unknown ", "", ""},
      {"T\tab", "\xE4", "22", "", "", "Dev"},
  };
  EXPECT_EQ(AlignedTable(Rows),
            "                Head  Offset\n"
            "Interrupt 00/0  8     1        Unknown \n"
            "T\\tab           \xC3\xA4     22                   Dev\n");
}

TEST(TableText, HasTheHeaderRowAndARowPerVector) {
  const std::vector<TTableRow> Rows = TableRows(*Base());
  ASSERT_EQ(Rows.size(), 257u);
  EXPECT_EQ(Rows[0], (TTableRow{"", "Segm.Descriptor", "Offset", "GateSize/DPL", "GateType",
                                "Device"}));
  EXPECT_EQ(Rows[0x3B + 1], (TTableRow{"Interrupt 3B/59", "00008", "080462CE8", " 32 bit / DPL=0",
                                       " InterruptGate", "PciEther"}));
  EXPECT_EQ(Rows[256][0], "Interrupt FF/255");
}

TEST(JsonExport, WritesEveryVectorAndEveryUsedDeviceInTheSchemasOrder) {
  const std::string Json = JsonExport(*Base());
  EXPECT_EQ(Json.rfind("{\n  \"format\": \"quorvel-list\",\n  \"version\": 1,\n  \"vectors\": [\n"
                       "    {\n      \"vector\": 0,\n",
                       0),
            0u)
      << Json.substr(0, 200);
  EXPECT_NE(Json.find("    {\n"
                      "      \"vector\": 59,\n"
                      "      \"row\": [\"Interrupt 3B/59\", \"00008\", \"080462CE8\", "
                      "\" 32 bit / DPL=0\", \" InterruptGate\", \"PciEther\"],\n"
                      "      \"gate\": {\n"
                      "        \"bytes\": \"E82C0800008E4680\",\n"
                      "        \"selector\": 8,\n"
                      "        \"offset\": 2152082664,\n"
                      "        \"size\": 32,\n"
                      "        \"dpl\": 0,\n"
                      "        \"type\": 6,\n"
                      "        \"present\": true\n"
                      "      },\n"
                      "      \"users\": [2, 3]\n"
                      "    },\n"),
            std::string::npos);
  EXPECT_NE(Json.find("      \"vector\": 2,\n"
                      "      \"row\": [\"Interrupt 02/2\", \"00058\", \"000000000\", "
                      "\" 16 Bit / DPL=0\", \" TaskGate\", \"reserved\"],\n"),
            std::string::npos);
  EXPECT_NE(Json.find("      \"vector\": 255,\n"), std::string::npos);
  EXPECT_NE(Json.find("    {\n"
                      "      \"index\": 3,\n"
                      "      \"name\": \"Ger\xC3\xA4t, \\\"neu\\\"\",\n"
                      "      \"resources\": [\n"
                      "        {\n"
                      "          \"bytes\": \"01010100000300000000000004000000\",\n"
                      "          \"type\": 1,\n"
                      "          \"share_disposition\": 1,\n"
                      "          \"flags\": 1,\n"
                      "          \"place\": \"ports\",\n"
                      "          \"texts\": [\"0x00300\", \"4\"]\n"
                      "        },\n"
                      "        {\n"
                      "          \"bytes\": \"020101000B0000003B00000001000000\",\n"
                      "          \"type\": 2,\n"
                      "          \"share_disposition\": 1,\n"
                      "          \"flags\": 1,\n"
                      "          \"place\": \"interrupts\",\n"
                      "          \"texts\": [\"0x3B / 59\", \"11\", \"0x01\"]\n"
                      "        }\n"
                      "      ]\n"
                      "    }\n"
                      "  ]\n"
                      "}\n"),
            std::string::npos);
}

TEST(JsonExport, EscapesControlCharactersAndWritesEmptyListsOfUsersDevicesAndResources) {
  const auto Empty = std::make_unique<TListSnapshot>();
  const std::string Json = JsonExport(*Empty);
  EXPECT_NE(Json.find("      \"users\": []\n"), std::string::npos);
  EXPECT_TRUE(Json.ends_with("    }\n  ],\n  \"devices\": []\n}\n"))
      << Json.substr(Json.size() - 60);

  Empty->Devices[7].Name.Assign("a\tb\\");
  Empty->VectorUsage[0x50] = {1, {7}};
  EXPECT_NE(JsonExport(*Empty).find("      \"index\": 7,\n"
                                    "      \"name\": \"a\\u0009b\\\\\",\n"
                                    "      \"resources\": []\n"),
            std::string::npos);
}

TEST(CsvExport, WritesARowPerResourceOfEachUserAndOneForAVectorOrUserWithoutThem) {
  const auto Snapshot = Base();
  Snapshot->Devices[10].Name.Assign("Empty");
  Snapshot->VectorUsage[0x51] = {1, {10}};
  const std::string Csv = CsvExport(*Snapshot);
  const auto LineOf = [&Csv](const std::string& Start) {
    const auto At = Csv.find("\n" + Start);
    return At == std::string::npos ? "" : Csv.substr(At + 1, Csv.find('\n', At + 1) - At - 1);
  };

  EXPECT_EQ(Csv.substr(0, Csv.find('\n')),
            "vector,gate_bytes,selector,offset,size,dpl,type,present,device,user,device_index,"
            "device_name,resource,resource_bytes,resource_type,place,text_1,text_2,text_3");
  EXPECT_EQ(LineOf("0,"), "0,102B0800008E4680,8,2152082192,32,0,6,1,reserved,,,,,,,,,,");
  EXPECT_EQ(LineOf("80,"), "80,902D0800008E4680,8,2152082832,32,0,6,1,,,,,,,,,,,");
  EXPECT_EQ(LineOf("81,"), "81,982D0800008E4680,8,2152082840,32,0,6,1,Empty,1,10,Empty,,,,,,,");
  const std::string Gate = "59,E82C0800008E4680,8,2152082664,32,0,6,1,PciEther,";
  const std::string Name = "\"Ger\xC3\xA4t, \"\"neu\"\"\"";
  EXPECT_NE(Csv.find(Gate + "1,2,PciEther,0,0101010000E000000000000020000000,1,ports,"
                            "0x0E000,32,\n" +
                     Gate + "1,2,PciEther,1,030100000000BFFE0000000000100000,3,memory,"
                            "Address:0x0FEBF0000 - 0x0FEBF1000,,\n" +
                     Gate + "1,2,PciEther,2,020101000B0000003B00000001000000,2,interrupts,"
                            "0x3B / 59,11,0x01\n" +
                     Gate + "2,3," + Name + ",0,01010100000300000000000004000000,1,ports,"
                            "0x00300,4,\n" +
                     Gate + "2,3," + Name + ",1,020101000B0000003B00000001000000,2,interrupts,"
                            "0x3B / 59,11,0x01\n" +
                     "60,"),
            std::string::npos)
      << Csv;
  EXPECT_EQ(std::count(Csv.begin(), Csv.end(), '\n'), 1 + (256 - 4) + 3 + 3 + 5 + 1);
}

TEST(SnapshotDiff, ReportsChangedGatesDevicesAndUsersInThatOrder) {
  EXPECT_EQ(DiffSnapshots(*Base(), *Base()), "");
  EXPECT_EQ(DiffSnapshots(*Base(), *Changed()),
            "gate Interrupt 2E/46: offset 080462C80 -> 0F8001000\n"
            "gate Interrupt 3B/59: selector 00008 -> 00010, present -> not present\n"
            "device changed: Serial0\n"
            "  - ports: Address 0x003F8, Length 8\n"
            "  + ports: Address 0x002F8, Length 8\n"
            "device disappeared: Sound\n"
            "  - ports: Address 0x00220, Length 16\n"
            "  - interrupts: Vector 0x35 / 53, Level 5, Affinity 0x01\n"
            "  - dma: Channel 1, Port 0x000\n"
            "device appeared: ScsiPort0\n"
            "  + ports: Address 0x001F0, Length 8\n"
            "  + interrupts: Vector 0x3E / 62, Level 14, Affinity 0x01\n"
            "users of Interrupt 35/53: Sound -> none\n"
            "users of Interrupt 3E/62: none -> ScsiPort0\n");
}

TEST(SnapshotDiff, ComparesWhatAGateAndAResourceMeanAndMatchesDevicesByName) {
  const struct {
    const char* What;
    std::function<void(TListSnapshot&)> Change;
    const char* Report;
  } Cases[] = {
      {"type and size", [](TListSnapshot& S) { S.IdtBuffer[0x50].Access = 0x84; },
       "gate Interrupt 50/80: type InterruptGate (6) -> Unknown (4), size 32 bit -> 16 Bit\n"},
      {"privilege level", [](TListSnapshot& S) { S.IdtBuffer[0x50].Access = 0xAE; },
       "gate Interrupt 50/80: DPL 0 -> 1\n"},
      {"the reserved byte and bit 4, which mean nothing to a gate",
       [](TListSnapshot& S) {
         S.IdtBuffer[0x50].Reserved = 0x1F;
         S.IdtBuffer[0x50].Access |= 0x10;
       },
       ""},
      {"the flags of a port alone",
       [](TListSnapshot& S) { S.Devices[0].Resources[0].Flags = 3; },
       "device changed: Serial0\n"
       "  - ports: Address 0x003F8, Length 8 (share disposition 1, flags 0x0001)\n"
       "  + ports: Address 0x003F8, Length 8 (share disposition 1, flags 0x0003)\n"},
      {"the resources in another order",
       [](TListSnapshot& S) { std::swap(S.Devices[0].Resources[0], S.Devices[0].Resources[2]); },
       ""},
      {"a resource the resources window leaves out",
       [](TListSnapshot& S) {
         S.Devices[0].Resources[3].Type = 7;
         S.Devices[0].ResourceCount = 4;
       },
       "device changed: Serial0\n  + none: type 7\n"},
      {"a second device of a name",
       [](TListSnapshot& S) { AddDevice(S, 4, "Serial0", {Interrupt(3, 0x33)}); },
       "device appeared: Serial0 [2]\n"
       "  + interrupts: Vector 0x33 / 51, Level 3, Affinity 0x01\n"
       "users of Interrupt 33/51: none -> Serial0 [2]\n"},
      {"the users of a vector in another order",
       [](TListSnapshot& S) {
         std::swap(S.VectorUsage[0x3B].DeviceIndex[0], S.VectorUsage[0x3B].DeviceIndex[1]);
       },
       "users of Interrupt 3B/59: PciEther, Ger\xC3\xA4t, \"neu\" -> Ger\xC3\xA4t, \"neu\", "
       "PciEther\n"},
  };
  for (const auto& Case : Cases) {
    SCOPED_TRACE(Case.What);
    const auto New = Base();
    Case.Change(*New);
    EXPECT_EQ(DiffSnapshots(*Base(), *New), Case.Report);
  }

  // " Unknown " stands for five types; one of them for another is still a change.
  const auto Old = Base();
  const auto New = Base();
  Old->IdtBuffer[0x50].Access = 0x8C;
  New->IdtBuffer[0x50].Access = 0x89;
  EXPECT_EQ(DiffSnapshots(*Old, *New), "gate Interrupt 50/80: type Unknown (4) -> Unknown (1)\n");
}

}  // namespace
