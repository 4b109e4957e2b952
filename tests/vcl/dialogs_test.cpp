#include <gtest/gtest.h>

#include "tests/vcl/script_fixture.h"
#include "vcl/Dialogs.h"

namespace {

class Dialogs : public testing_support::ScriptedApplication {
 protected:
  Dialogs() {
    dialog_.FileName = "idtlist.idt";
    dialog_.Filter = "IDT Files|*.idt|All Files|*.*";
  }
  TSaveDialog dialog_{nullptr};
};

TEST_F(Dialogs, AChosenNameIsTheResultAndTheStartOfTheNextRun) {
  script().AnswerDialog("/home/op/first.idt");
  script().AnswerDialog("/home/op/second");
  ASSERT_TRUE(dialog_.Execute());
  EXPECT_EQ(dialog_.FileName, "/home/op/first.idt");
  ASSERT_TRUE(dialog_.Execute());
  // No extension is added to a name typed without one.
  EXPECT_EQ(dialog_.FileName, "/home/op/second");

  ASSERT_EQ(script().Dialogs.size(), 2u);
  EXPECT_EQ(script().Dialogs[0].Kind, vcl::FileDialogKind::Save);
  EXPECT_EQ(script().Dialogs[0].FileName, "idtlist.idt");
  EXPECT_EQ(script().Dialogs[0].FilterIndex, 1);
  EXPECT_EQ(script().Dialogs[0].Filter, "IDT Files|*.idt|All Files|*.*");
  EXPECT_EQ(script().Dialogs[1].FileName, "/home/op/first.idt");
}

TEST_F(Dialogs, ACancelledRunKeepsTheName) {
  script().AnswerDialog(std::nullopt);
  EXPECT_FALSE(dialog_.Execute());
  EXPECT_EQ(dialog_.FileName, "idtlist.idt");
}

TEST_F(Dialogs, OpenAndSaveAreTold) {
  TOpenDialog open(nullptr);
  script().AnswerDialog("x");
  EXPECT_TRUE(open.Execute());
  ASSERT_EQ(script().Dialogs.size(), 1u);
  EXPECT_EQ(script().Dialogs[0].Kind, vcl::FileDialogKind::Open);
}

TEST_F(Dialogs, ShowMessageIsAPlainBoxCaptionedWithTheTitle) {
  Application->Title = "quorvel";
  ShowMessage("Error reading List !");
  ASSERT_EQ(script().Boxes.size(), 1u);
  EXPECT_EQ(script().Boxes[0].Text, "Error reading List !");
  EXPECT_EQ(script().Boxes[0].Caption, "quorvel");
  EXPECT_EQ(script().Boxes[0].Flags, MB_OK);
}

TEST(ParseFilter, PairsNamesWithTheirPatterns) {
  const auto entries = ParseFilter("IDT Files|*.idt|All Files|*.*");
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[0].Name, "IDT Files");
  EXPECT_EQ(entries[0].Patterns, std::vector<std::string>{"*.idt"});
  EXPECT_EQ(entries[1].Name, "All Files");
  EXPECT_EQ(entries[1].Patterns, std::vector<std::string>{"*.*"});

  EXPECT_EQ(ParseFilter("Texts|*.txt;*.log").at(0).Patterns,
            (std::vector<std::string>{"*.txt", "*.log"}));
  // A name without patterns, or no filter at all, gives no entry.
  EXPECT_EQ(ParseFilter("Texts|*.txt|Lonely").size(), 1u);
  EXPECT_TRUE(ParseFilter("").empty());
}

}  // namespace
