// The list file: saving and loading the main window's three tables, in-process through the
// scripting front-end.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <random>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "app/Unit1.h"
#include "ntsim/files.h"
#include "tests/app/program_fixture.h"
#include "tests/app/scan_line.h"
#include "vcl/UserActions.h"

namespace {

namespace fs = std::filesystem;

constexpr std::size_t kListFileSize = 1218816;

// The three tables as the list file holds them: back to back, in memory order.
std::string TablesOf(const TForm1& form) {
  std::string bytes;
  bytes.append(reinterpret_cast<const char*>(form.IdtBuffer), sizeof form.IdtBuffer);
  bytes.append(reinterpret_cast<const char*>(form.VectorUsage), sizeof form.VectorUsage);
  bytes.append(reinterpret_cast<const char*>(form.Devices), sizeof form.Devices);
  return bytes;
}

void SetTables(TForm1& form, const std::string& bytes) {
  ASSERT_EQ(bytes.size(), kListFileSize);
  const char* from = bytes.data();
  std::memcpy(form.IdtBuffer, from, sizeof form.IdtBuffer);
  std::memcpy(form.VectorUsage, from += sizeof form.IdtBuffer, sizeof form.VectorUsage);
  std::memcpy(form.Devices, from + sizeof form.VectorUsage, sizeof form.Devices);
}

// The three tables alone, laid out as the main window holds them.
struct Tables {
  TGateDescriptor IdtBuffer[2048];
  TVectorUsage VectorUsage[256];
  TDeviceRecord Devices[256];
};
static_assert(sizeof(Tables) == kListFileSize);

// Bytes of a snapshot in which every byte of the three tables is set, carried by a seed, while
// the fields a reader follows stay within the tables' bounds.
std::string SnapshotBytes(unsigned seed) {
  std::mt19937 random(seed);
  auto tables = std::make_unique<Tables>();
  auto* bytes = reinterpret_cast<unsigned char*>(tables.get());
  for (std::size_t b = 0; b < sizeof(Tables); ++b) bytes[b] = static_cast<unsigned char>(random());
  for (int v = 0; v < 256; ++v) {
    tables->VectorUsage[v].Count = v % 3;
    for (LONG& index : tables->VectorUsage[v].DeviceIndex) {
      index = static_cast<LONG>((v + seed) % 256);
    }
  }
  for (int i = 0; i < 256; ++i) {
    tables->Devices[i].Name.Length = static_cast<BYTE>(i % 81);
    tables->Devices[i].ResourceCount = i % 4;
  }
  return std::string(reinterpret_cast<const char*>(bytes), sizeof(Tables));
}

std::string ContentOf(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteBytes(const fs::path& path, const std::string& content) {
  std::ofstream(path, std::ios::binary) << content;
}

std::set<std::string> NamesIn(const fs::path& folder) {
  std::set<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) {
    names.insert(entry.path().filename().string());
  }
  return names;
}

// Every cell of the main table, row by row.
std::vector<std::string> TableCells() {
  std::vector<std::string> cells;
  for (int row = 0; row < Form1->StringGrid1->RowCount(); ++row) {
    for (int col = 0; col < Form1->StringGrid1->ColCount(); ++col) {
      cells.push_back(Form1->StringGrid1->Cells(col, row));
    }
  }
  return cells;
}

// The running program's selectors, which no list file holds.
const std::string kCountLine = "256 entrys in IDT - (CS:0x0002B) (DS:0x00053)";

// The program after its start, on a machine whose program runs with the selectors of
// kCountLine; the help text it lacks is no concern here.
class ListFile : public testing_support::ProgramInProcess {
 protected:
  ListFile() {
    fs::create_directories(folder());
    machine_.Write("machine.ini", "cs = 0x2B\nds = 0x53\n");
    Start();
    script().Boxes.clear();
    startLines_ = Form1->Memo1->Lines()->Count();
  }
  ~ListFile() override { ntsim::testing::LimitFileWrites(std::nullopt); }

  fs::path folder() const { return machine_.folder() / "lists"; }
  std::string PathOf(const char* name) const { return (folder() / name).string(); }

  // Queues a menu command of the File menu with its dialog's answer.
  void Then(const char* item, std::optional<std::string> answer) {
    script().Then([this, item, answer] { Choose(item, answer); });
  }
  // Runs the command at once, inside a step.
  void Choose(const char* item, std::optional<std::string> answer) {
    script().AnswerDialog(answer);
    EXPECT_EQ(vcl::ChooseMenuItem(item), "");
  }

  // The lines logged since the start, the scan's device count written as N.
  std::vector<std::string> LogLines() const {
    std::vector<std::string> lines;
    for (int i = startLines_; i < Form1->Memo1->Lines()->Count(); ++i) {
      lines.push_back(Form1->Memo1->Lines()->Strings(i));
    }
    return testing_support::WithDeviceCountAsN(lines);
  }

 private:
  int startLines_ = 0;
};

TEST_F(ListFile, SavedTablesLoadBackByteForByteFromAFileOfTheFixedLayout) {
  const std::string snapshot = SnapshotBytes(1);
  SetTables(*Form1, snapshot);
  const std::string path = PathOf("snap.idt");
  Then("File/Save List", path);
  script().Then([] { SetTables(*Form1, std::string(kListFileSize, '\0')); });
  Then("File/Open List", path);
  Application->Run();

  EXPECT_TRUE(TablesOf(*Form1) == snapshot) << "the loaded tables differ from the saved ones";
  EXPECT_FALSE(Form1->FromFile);
  EXPECT_TRUE(script().Boxes.empty());
  EXPECT_EQ(NamesIn(folder()), std::set<std::string>{"snap.idt"});

  const std::string file = ContentOf(path);
  ASSERT_EQ(file.size(), kListFileSize);
  EXPECT_TRUE(file == snapshot);
  // The layout, read back from the file's own offsets.
  const auto at = [&file](std::size_t offset, std::size_t size) {
    return file.substr(offset, size);
  };
  // By value: a field of a packed record may lie at any address.
  const auto bytesOf = [](const auto field) {
    return std::string(reinterpret_cast<const char*>(&field), sizeof field);
  };
  EXPECT_EQ(at(8 * 255, 8), bytesOf(Form1->IdtBuffer[255]));
  EXPECT_EQ(at(16384 - 8, 8), bytesOf(Form1->IdtBuffer[2047]));
  for (int v = 0; v < 256; ++v) {
    const std::size_t record = 16384 + 516 * v;
    EXPECT_EQ(at(record, 4), bytesOf(Form1->VectorUsage[v].Count)) << v;
    EXPECT_EQ(at(record + 4 + 4 * 127, 4), bytesOf(Form1->VectorUsage[v].DeviceIndex[127])) << v;
  }
  for (int i = 0; i < 256; ++i) {
    const std::size_t record = 148480 + 4181 * i;
    EXPECT_EQ(static_cast<BYTE>(file[record]), i % 81) << i;
    EXPECT_EQ(at(record + 81, 4), bytesOf(Form1->Devices[i].ResourceCount)) << i;
    EXPECT_EQ(at(record + 85 + 16 * 255, 16), bytesOf(Form1->Devices[i].Resources[255])) << i;
  }
  // Little-endian: the count 2 of vector 2 is the byte 2 followed by three zeros.
  EXPECT_EQ(at(16384 + 516 * 2, 4), std::string("\x02\0\0\0", 4));

  // Rendered from the file, not from the driver, with the running program's selectors.
  EXPECT_EQ(LogLines(),
            (std::vector<std::string>{"writing list to " + path, "loading list from " + path,
                                      "using IDT from file ...", kCountLine}));
  for (int v = 0; v < 256; ++v) {
    EXPECT_EQ(Form1->StringGrid1->Cells(1, v + 1),
              IntToHex(DWORD{Form1->IdtBuffer[v].Selector}, 5));
  }
  EXPECT_EQ(Form1->StringGrid1->Cells(0, 257), "");
}

TEST_F(ListFile, TheDialogsStartWithTheLastNameChosenAndACancelDoesNothing) {
  const std::string path = PathOf("kept.idt");
  const std::string before = SnapshotBytes(2);
  SetTables(*Form1, before);
  Then("File/Save List", std::nullopt);
  Then("File/Open List", std::nullopt);
  Then("File/Save List", path);
  Then("File/Save List", std::nullopt);
  Then("File/Open List", std::nullopt);
  Application->Run();

  const auto& dialogs = script().Dialogs;
  ASSERT_EQ(dialogs.size(), 5u);
  const struct {
    vcl::FileDialogKind kind;
    std::string startsWith;
  } expected[] = {{vcl::FileDialogKind::Save, "idtlist.idt"},
                  {vcl::FileDialogKind::Open, "idtlist.idt"},
                  {vcl::FileDialogKind::Save, "idtlist.idt"},
                  {vcl::FileDialogKind::Save, path},
                  {vcl::FileDialogKind::Open, "idtlist.idt"}};
  for (std::size_t d = 0; d < dialogs.size(); ++d) {
    SCOPED_TRACE(d);
    EXPECT_EQ(dialogs[d].Kind, expected[d].kind);
    EXPECT_EQ(dialogs[d].FileName, expected[d].startsWith);
    EXPECT_EQ(dialogs[d].Filter, "IDT Files|*.idt|All Files|*.*");
    EXPECT_EQ(dialogs[d].FilterIndex, 1);
  }
  EXPECT_EQ(LogLines(), std::vector<std::string>{"writing list to " + path});
  EXPECT_TRUE(TablesOf(*Form1) == before);
  EXPECT_TRUE(script().Boxes.empty());
}

TEST_F(ListFile, SavingReplacesAFileWithoutAskingAndUsesANameAsTyped) {
  WriteBytes(folder() / "list", "an older list");
  const std::string snapshot = SnapshotBytes(3);
  SetTables(*Form1, snapshot);
  Then("File/Save List", PathOf("list"));
  Application->Run();
  EXPECT_TRUE(script().Boxes.empty());
  EXPECT_EQ(NamesIn(folder()), std::set<std::string>{"list"});
  EXPECT_TRUE(ContentOf(folder() / "list") == snapshot);
}

// What each length of file leaves in the tables: the file's bytes from the start of each
// table, and the table's earlier bytes behind them.
TEST_F(ListFile, ALoadTakesWhatTheFileHasAndOnlyAShortFileIsAnError) {
  const std::size_t lengths[] = {
      0, 100, 16384, 16385, 148480, 148481, kListFileSize - 1, kListFileSize, kListFileSize + 4181};
  script().Then([&] {
    for (const std::size_t length : lengths) {
      SCOPED_TRACE(length);
      const std::string earlier = SnapshotBytes(4);
      const std::string file = SnapshotBytes(5) + std::string(4181, 'x');
      SetTables(*Form1, earlier);
      WriteBytes(folder() / "part.idt", file.substr(0, length));
      script().Boxes.clear();
      Choose("File/Open List", PathOf("part.idt"));

      std::string expected = earlier;
      for (const auto& [start, size] :
           {std::pair<std::size_t, std::size_t>{0, 16384}, {16384, 132096}, {148480, 1070336}}) {
        const std::size_t got = length <= start ? 0 : std::min(length - start, size);
        expected.replace(start, got, file, start, got);
      }
      EXPECT_TRUE(TablesOf(*Form1) == expected);
      EXPECT_FALSE(Form1->FromFile);
      // Rendered from the tables whatever the file's length.
      const auto& log = LogLines();
      EXPECT_EQ(std::vector<std::string>(log.end() - 2, log.end()),
                (std::vector<std::string>{"using IDT from file ...", kCountLine}));
      if (length < kListFileSize) {
        ASSERT_EQ(script().Boxes.size(), 1u);
        EXPECT_EQ(script().Boxes[0].Text, "Error reading List !");
        EXPECT_EQ(script().Boxes[0].Caption, Application->Title);
        EXPECT_EQ(script().Boxes[0].Flags, MB_OK);
      } else {
        EXPECT_TRUE(script().Boxes.empty());
      }
    }
  });
  Application->Run();
}

TEST_F(ListFile, AFileThatCannotBeOpenedGivesTheRuntimesErrorAndChangesNoTable) {
  fs::create_directories(folder() / "a folder");
  const struct {
    const char* name;
    const char* text;
  } cases[] = {{"missing.idt", "Datei nicht gefunden."}, {"a folder", "Dateizugriff verweigert."}};
  const std::string tables = SnapshotBytes(6);
  SetTables(*Form1, tables);
  const auto cells = TableCells();
  script().Then([&] {
    for (const auto& c : cases) {
      SCOPED_TRACE(c.name);
      script().Boxes.clear();
      Choose("File/Open List", PathOf(c.name));
      ASSERT_EQ(script().Boxes.size(), 1u);
      EXPECT_EQ(script().Boxes[0].Text, c.text);
      EXPECT_EQ(script().Boxes[0].Caption, Application->Title);
      EXPECT_EQ(script().Boxes[0].Flags, MB_OK | MB_ICONSTOP);
      EXPECT_EQ(LogLines().back(), std::string("loading list from ") + PathOf(c.name));
      EXPECT_TRUE(TablesOf(*Form1) == tables);
      EXPECT_TRUE(TableCells() == cells);
      EXPECT_FALSE(Form1->FromFile);
    }
  });
  Application->Run();
}

TEST_F(ListFile, RefreshAfterALoadShowsTheLiveStateAgain) {
  const auto live = TableCells();
  WriteBytes(folder() / "other.idt", SnapshotBytes(9));
  Then("File/Open List", PathOf("other.idt"));
  script().Then([&] {
    EXPECT_FALSE(TableCells() == live);
    EXPECT_EQ(vcl::PressShortCut("F5"), "");
  });
  Application->Run();
  EXPECT_TRUE(TableCells() == live);
  const auto& log = LogLines();
  EXPECT_EQ(std::vector<std::string>(log.end() - 4, log.end()),
            (std::vector<std::string>{"Refresh ...", "N devices detected ...",
                                      "reading IDT from driver ...", kCountLine}));
}

// A save that fails leaves the folder as it was: an earlier list of that name intact and no
// file of the failed save behind.
TEST_F(ListFile, ASaveThatFailsLeavesTheFolderAsItWas) {
  const std::string earlier = SnapshotBytes(7);
  WriteBytes(folder() / "earlier.idt", earlier);
  fs::create_directories(folder() / "a folder");
  const struct {
    const char* what;
    std::string path;
    std::optional<std::uint64_t> writeLimit;
    const char* text;
    int flags;
  } cases[] = {
      {"into a missing folder", PathOf("missing/list.idt"), std::nullopt, "Datei nicht gefunden.",
       MB_OK | MB_ICONSTOP},
      {"onto a folder", PathOf("a folder"), std::nullopt, "Dateizugriff verweigert.",
       MB_OK | MB_ICONSTOP},
      {"cut short after the first block", PathOf("earlier.idt"), 16384 + 100,
       "Error writing List !", MB_OK},
      {"cut short in the last byte", PathOf("earlier.idt"), kListFileSize - 1,
       "Error writing List !", MB_OK},
  };
  SetTables(*Form1, SnapshotBytes(8));
  script().Then([&] {
    for (const auto& c : cases) {
      SCOPED_TRACE(c.what);
      script().Boxes.clear();
      ntsim::testing::LimitFileWrites(c.writeLimit);
      Choose("File/Save List", c.path);
      ntsim::testing::LimitFileWrites(std::nullopt);
      ASSERT_EQ(script().Boxes.size(), 1u);
      EXPECT_EQ(script().Boxes[0].Text, c.text);
      EXPECT_EQ(script().Boxes[0].Flags, c.flags);
      EXPECT_EQ(script().Boxes[0].Caption, Application->Title);
      EXPECT_EQ(LogLines().back(), "writing list to " + c.path);
      EXPECT_EQ(NamesIn(folder()), (std::set<std::string>{"a folder", "earlier.idt"}));
      EXPECT_TRUE(ContentOf(folder() / "earlier.idt") == earlier);
      EXPECT_TRUE(fs::is_empty(folder() / "a folder"));
    }
  });
  Application->Run();
}

// A damaged file can hold any count, index and length. Loading it, rendering from it and the
// detail view of every row stay within the tables: the sanitizer build stops at the first
// read outside them.
TEST_F(ListFile, AFileOfAnyLengthAndContentLoadsAndRendersWithinTheTables) {
  std::mt19937 random(11);
  script().Then([&] {
    for (int run = 0; run < 6; ++run) {
      SCOPED_TRACE(run);
      std::string bytes(run % 2 == 0 ? kListFileSize : random() % kListFileSize, '\0');
      for (char& byte : bytes) byte = static_cast<char>(random());
      if (run == 0) {
        // The extremes of every field a reader follows, beside the random ones.
        auto tables = std::make_unique<Tables>();
        std::memcpy(tables.get(), bytes.data(), sizeof(Tables));
        const LONG extremes[] = {-1, 128, 129, 256, INT32_MAX, INT32_MIN};
        for (int v = 0; v < 256; ++v) {
          tables->VectorUsage[v].Count = extremes[v % 6];
          tables->VectorUsage[v].DeviceIndex[0] = extremes[(v / 6) % 6];
          tables->Devices[v].Name.Length = static_cast<BYTE>(81 + v % 175);
          tables->Devices[v].ResourceCount = extremes[(v + 3) % 6];
        }
        std::memcpy(bytes.data(), tables.get(), sizeof(Tables));
      }
      WriteBytes(folder() / "damaged.idt", bytes);
      Choose("File/Open List", PathOf("damaged.idt"));
      EXPECT_FALSE(Form1->FromFile);
      for (int row = 1; row <= 256; ++row) EXPECT_EQ(vcl::DoubleClickRow("StringGrid1", row), "");
    }
  });
  Application->Run();
}

}  // namespace
