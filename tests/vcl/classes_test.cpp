#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/scratch_machine.h"
#include "vcl/Classes.h"

namespace {

std::vector<std::string> LinesOf(const TStrings& strings) {
  std::vector<std::string> lines;
  for (int i = 0; i < strings.Count(); ++i) lines.push_back(strings[i]);
  return lines;
}

struct TextCase {
  const char* name;
  std::string text;
  std::vector<std::string> lines;
};

class TextToLines : public ::testing::TestWithParam<TextCase> {};

TEST_P(TextToLines, SplitsAtEveryKindOfLineBreak) {
  TStringList list;
  list.SetText(GetParam().text);
  EXPECT_EQ(LinesOf(list), GetParam().lines);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, TextToLines,
    ::testing::Values(TextCase{"Empty", "", {}},
                      TextCase{"CrLf", "one\r\ntwo\r\n", {"one", "two"}},
                      TextCase{"Lf", "one\ntwo\n", {"one", "two"}},
                      TextCase{"Cr", "one\rtwo", {"one", "two"}},
                      TextCase{"NoBreakAtTheEnd", "one\r\ntwo", {"one", "two"}},
                      TextCase{"EmptyLinesKept", "\r\n\r\nthree\n", {"", "", "three"}},
                      TextCase{"LfCrIsTwoBreaks", "a\n\rb", {"a", "", "b"}},
                      TextCase{"BytesKeptAsTheyAre", std::string("\xE4\0\x80", 3),
                               {std::string("\xE4\0\x80", 3)}}),
    [](const auto& param) { return std::string(param.param.name); });

TEST(TStringList, TextJoinsWithCrLf) {
  TStringList list;
  list.Add("a");
  list.Add("");
  EXPECT_EQ(list.Text(), "a\r\n\r\n");
}

TEST(TStringList, KeepsTheOrderOfAdding) {
  TStringList list;
  list.Add("b");
  list.Add("a");
  list.Insert(1, "c");
  EXPECT_EQ(LinesOf(list), (std::vector<std::string>{"b", "c", "a"}));
  EXPECT_EQ(list.IndexOf("a"), 2);
  EXPECT_EQ(list.IndexOf("z"), -1);
  list.Delete(0);
  EXPECT_EQ(LinesOf(list), (std::vector<std::string>{"c", "a"}));
}

TEST(TStringList, AnIndexOutsideTheListIsAnErrorThatChangesNothing) {
  TStringList list;
  list.Add("only");
  EXPECT_THROW(list.Strings(1), EStringListError);
  EXPECT_THROW(list.Strings(-1), EStringListError);
  EXPECT_THROW(list.Put(1, "x"), EStringListError);
  EXPECT_THROW(list.Delete(1), EStringListError);
  EXPECT_THROW(list.Insert(2, "x"), EStringListError);
  EXPECT_EQ(LinesOf(list), (std::vector<std::string>{"only"}));
}

TEST(TStringList, AnUpdateBracketReportsOneChange) {
  TStringList list;
  int changes = 0;
  list.OnChange = [&](TObject*) { ++changes; };
  list.Add("a");
  EXPECT_EQ(changes, 1);
  list.BeginUpdate();
  list.Add("b");
  list.Add("c");
  list.Clear();
  EXPECT_EQ(changes, 1);
  list.EndUpdate();
  EXPECT_EQ(changes, 2);
}

class LoadFromFile : public ::testing::Test {
 protected:
  std::string PathOf(const char* name) const { return (machine_.folder() / name).string(); }
  testing_support::ScratchMachine machine_;
};

TEST_F(LoadFromFile, GivesOneLinePerLineOfTheFile) {
  machine_.Write("readme.txt", "first\r\nsecond\n\nlast");
  TStringList list;
  list.Add("old");
  list.LoadFromFile(PathOf("readme.txt"));
  EXPECT_EQ(LinesOf(list), (std::vector<std::string>{"first", "second", "", "last"}));
}

TEST_F(LoadFromFile, ReadsFilesLargerThanOneBlock) {
  std::string text;
  for (int i = 0; i < 20000; ++i) text += "line " + std::to_string(i) + "\r\n";
  machine_.Write("long.txt", text);
  TStringList list;
  list.LoadFromFile(PathOf("long.txt"));
  ASSERT_EQ(list.Count(), 20000);
  EXPECT_EQ(list[19999], "line 19999");
}

TEST_F(LoadFromFile, AFileThatCannotBeOpenedIsAnErrorNamingItAndKeepsTheLines) {
  std::filesystem::create_directory(machine_.folder() / "folder.txt");
  for (const char* name : {"missing.txt", "folder.txt"}) {
    SCOPED_TRACE(name);
    TStringList list;
    list.Add("kept");
    try {
      list.LoadFromFile(PathOf(name));
      ADD_FAILURE() << "no error";
    } catch (const EStreamError& error) {
      EXPECT_NE(error.Message.find(PathOf(name)), std::string::npos) << error.Message;
    }
    EXPECT_EQ(LinesOf(list), (std::vector<std::string>{"kept"}));
  }
}

TEST(TComponent, OwnerDestroysWhatItOwnsAndForgetsWhatIsDestroyedBeforeIt) {
  std::vector<std::string> destroyed;
  struct Probe : TComponent {
    Probe(TComponent* owner, std::string name, std::vector<std::string>& log)
        : TComponent(owner), log_(log) {
      Name = std::move(name);
    }
    ~Probe() override { log_.push_back(Name); }
    std::vector<std::string>& log_;
  };
  auto* owner = new TComponent(nullptr);
  new Probe(owner, "first", destroyed);
  auto* second = new Probe(owner, "second", destroyed);
  new Probe(owner, "third", destroyed);
  EXPECT_EQ(owner->FindComponent("second"), second);
  EXPECT_EQ(owner->FindComponent("fourth"), nullptr);

  delete second;
  EXPECT_EQ(owner->ComponentCount(), 2);
  delete owner;
  EXPECT_EQ(destroyed, (std::vector<std::string>{"second", "third", "first"}));
}

}  // namespace
