#include "vcl/System.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "ntsim/handles.h"
#include "tests/support/scratch_machine.h"

namespace {

class UntypedFile : public ::testing::Test {
 protected:
  std::string PathOf(const char* name) const { return (machine_.folder() / name).string(); }

  testing_support::ScratchMachine machine_;
};

TEST_F(UntypedFile, BlocksReportTheRecordsTheyMovedAndAShortReadIsNoError) {
  TFileRec F;
  AssignFile(F, PathOf("blocks"));
  Rewrite(F, 1);
  int moved = -1;
  BlockWrite(F, "abcdef", 6, moved);
  EXPECT_EQ(moved, 6);
  BlockWrite(F, "gh", 2, moved);
  EXPECT_EQ(moved, 2);
  CloseFile(F);
  EXPECT_FALSE(F.IsOpen());
  EXPECT_EQ(machine_.Read("blocks"), "abcdefgh");

  Reset(F, 1);
  char buffer[8];
  std::memset(buffer, '-', sizeof buffer);
  BlockRead(F, buffer, 3, moved);
  EXPECT_EQ(moved, 3);
  // At the end of the file a read moves what is left and keeps the rest of the buffer.
  BlockRead(F, buffer, 8, moved);
  EXPECT_EQ(moved, 5);
  EXPECT_EQ(std::string(buffer, 8), "defgh---");
  BlockRead(F, buffer, 8, moved);
  EXPECT_EQ(moved, 0);
  CloseFile(F);
  EXPECT_EQ(ntsim::Handles().Count(), 0u);
}

TEST_F(UntypedFile, CountsAreWholeRecordsOfTheFilesRecordSize) {
  TFileRec F;
  AssignFile(F, PathOf("records"));
  Rewrite(F, 4);
  int moved = 0;
  BlockWrite(F, "0123456789AB", 3, moved);
  EXPECT_EQ(moved, 3);
  // Rewrite replaces the open file: it is closed and created anew, empty.
  Rewrite(F, 4);
  BlockWrite(F, "0123456789AB", 3, moved);
  CloseFile(F);
  EXPECT_EQ(machine_.Read("records"), "0123456789AB");

  Reset(F, 5);
  char buffer[15] = {};
  BlockRead(F, buffer, 3, moved);
  EXPECT_EQ(moved, 2) << "the two bytes of a third record are no whole record";
  EXPECT_STREQ(buffer, "0123456789AB");
}

TEST_F(UntypedFile, AFailingStepRaisesTheSystemsCodeWithTheRuntimesText) {
  machine_.Write("plain", "x");
  enum class Last { Open, Read, Write, Close };
  struct Case {
    const char* what;
    std::string name;
    void (*open)(TFileRec&, int);  // none: the file is never opened
    int recSize;
    Last last;
    int count;
    int code;
    const char* text;
  };
  const std::string plain = PathOf("plain");
  const Case cases[] = {
      {"reset of a missing file", PathOf("missing"), Reset, 1, Last::Open, 0, 2,
       "Datei nicht gefunden"},
      {"reset of a folder", PathOf("."), Reset, 1, Last::Open, 0, 5, "Dateizugriff verweigert"},
      {"rewrite below a file", plain + "/below", Rewrite, 1, Last::Open, 0, 3, "E/A-Fehler 3"},
      {"write onto a full disk", "/dev/full", Rewrite, 1, Last::Write, 2, 112, "E/A-Fehler 112"},
      {"write to a file opened for reading", plain, Reset, 1, Last::Write, 2, 5,
       "Dateizugriff verweigert"},
      {"read of a file never opened", "", nullptr, 0, Last::Read, 1, 103, "E/A-Fehler 103"},
      {"close of a file never opened", "", nullptr, 0, Last::Close, 0, 103, "E/A-Fehler 103"},
      {"a negative count", plain, Reset, 1, Last::Read, -1, 87, "E/A-Fehler 87"},
      {"a record size of 0", plain, Reset, 0, Last::Open, 0, 87, "E/A-Fehler 87"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TFileRec F;
    char buffer[2] = {};
    int moved = 0;
    try {
      if (c.open != nullptr) {
        AssignFile(F, c.name);
        c.open(F, c.recSize);
      }
      if (c.last == Last::Read) BlockRead(F, buffer, c.count, moved);
      if (c.last == Last::Write) BlockWrite(F, "ab", c.count, moved);
      if (c.last == Last::Close) CloseFile(F);
      ADD_FAILURE() << "no error raised";
    } catch (const EInOutError& error) {
      EXPECT_EQ(error.ErrorCode, c.code);
      EXPECT_EQ(error.Message, c.text);
    }
  }
  // The variables of the failed steps closed what they had opened.
  EXPECT_EQ(ntsim::Handles().Count(), 0u);
  EXPECT_EQ(machine_.Read("plain"), "x");
}

}  // namespace
