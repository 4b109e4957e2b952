#include <gtest/gtest.h>

#include "vcl/Menus.h"

namespace {

struct ShortCutCase {
  TShortCut shortCut;
  const char* text;
};

class ShortCutText : public ::testing::TestWithParam<ShortCutCase> {};

TEST_P(ShortCutText, GoesBothWays) {
  EXPECT_EQ(ShortCutToText(GetParam().shortCut), GetParam().text);
  EXPECT_EQ(TextToShortCut(GetParam().text), GetParam().shortCut);
}

INSTANTIATE_TEST_SUITE_P(Keys, ShortCutText,
                         ::testing::Values(ShortCutCase{ShortCut(VK_F5, scNone), "F5"},
                                           ShortCutCase{ShortCut('X', scCtrl), "Ctrl+X"},
                                           ShortCutCase{ShortCut(VK_F12, scAlt), "Alt+F12"},
                                           ShortCutCase{ShortCut(VK_DELETE, scShift | scCtrl),
                                                        "Shift+Ctrl+Del"},
                                           ShortCutCase{ShortCut('7', scNone), "7"}));

TEST(TextToShortCut, TakesAnyCaseAndOrderButOnlyKnownKeys) {
  EXPECT_EQ(TextToShortCut("ctrl+x"), ShortCut('X', scCtrl));
  EXPECT_EQ(TextToShortCut("Alt+Ctrl+A"), ShortCut('A', scCtrl | scAlt));
  EXPECT_EQ(TextToShortCut("F13"), scNone);
  EXPECT_EQ(TextToShortCut("Ctrl+"), scNone);
  EXPECT_EQ(TextToShortCut(""), scNone);
}

TEST(StripHotkey, RemovesTheAcceleratorMarks) {
  EXPECT_EQ(StripHotkey("Save &List"), "Save List");
  EXPECT_EQ(StripHotkey("E&xit"), "Exit");
  EXPECT_EQ(StripHotkey("Fish && Chips"), "Fish & Chips");
  EXPECT_EQ(StripHotkey("&"), "");
}

class Menu : public ::testing::Test {
 protected:
  Menu() {
    file_ = Item("&File");
    save_ = Item("Save &List");
    separator_ = Item("-");
    exit_ = Item("E&xit", ShortCut('X', scCtrl));
    view_ = Item("&View");
    refresh_ = Item("&Refresh", ShortCut(VK_F5, scNone));
    menu_.Items()->Add(file_);
    file_->Add(save_);
    file_->Add(separator_);
    file_->Add(exit_);
    menu_.Items()->Add(view_);
    view_->Add(refresh_);
  }
  TMenuItem* Item(const char* caption, TShortCut shortCut = scNone) {
    auto* item = new TMenuItem(&owner_);
    item->SetCaption(caption);
    item->SetShortCut(shortCut);
    return item;
  }

  TComponent owner_{nullptr};
  TMainMenu menu_{&owner_};
  TMenuItem *file_, *save_, *separator_, *exit_, *view_, *refresh_;
};

TEST_F(Menu, FindsItemsByTheirCaptionsWithoutAccelerators) {
  EXPECT_EQ(menu_.FindItem("File/Save List"), save_);
  EXPECT_EQ(menu_.FindItem("File/Exit"), exit_);
  EXPECT_EQ(menu_.FindItem("View"), view_);
  EXPECT_EQ(menu_.FindItem("File/-"), nullptr);
  EXPECT_EQ(menu_.FindItem("File/Open List"), nullptr);
  EXPECT_EQ(menu_.FindItem("Exit"), nullptr);
  EXPECT_EQ(menu_.FindItem(""), nullptr);
  EXPECT_TRUE(separator_->IsLine());
  EXPECT_EQ(save_->Parent(), file_);
}

TEST_F(Menu, AShortCutFindsOnlyEnabledItems) {
  EXPECT_EQ(menu_.FindShortCut(ShortCut(VK_F5, scNone)), refresh_);
  EXPECT_EQ(menu_.FindShortCut(ShortCut('X', scCtrl)), exit_);
  EXPECT_EQ(menu_.FindShortCut(ShortCut('X', scNone)), nullptr);
  exit_->SetEnabled(false);
  EXPECT_EQ(menu_.FindShortCut(ShortCut('X', scCtrl)), nullptr);
}

TEST_F(Menu, ADisabledItemDoesNotRunItsHandler) {
  int clicks = 0;
  refresh_->OnClick = [&](TObject*) { ++clicks; };
  refresh_->Click();
  refresh_->SetEnabled(false);
  refresh_->Click();
  EXPECT_EQ(clicks, 1);
}

}  // namespace
