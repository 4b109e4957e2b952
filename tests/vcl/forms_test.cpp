#include <gtest/gtest.h>

#include <unistd.h>

#include <climits>
#include <string>
#include <vector>

#include "tests/vcl/script_fixture.h"
#include "vcl/Dialogs.h"
#include "vcl/Forms.h"
#include "vcl/Menus.h"
#include "vcl/UserActions.h"

namespace {

// A form that records what happens to it, in the order it happens.
class TProbeForm : public TForm {
 public:
  explicit TProbeForm(TComponent* owner) : TForm(owner) {
    SetCaption("Probe " + std::to_string(owner->ComponentCount()));
    OnCreate = [this](TObject*) { Log.push_back("create " + Caption()); };
    OnActivate = [this](TObject*) { Log.push_back("activate " + Caption()); };
    OnClose = [this](TObject*, TCloseAction& action) {
      Log.push_back("close " + Caption());
      action = CloseAction;
    };
  }
  static inline std::vector<std::string> Log;
  TCloseAction CloseAction = caHide;
};

class Forms : public testing_support::ScriptedApplication {
 protected:
  Forms() { TProbeForm::Log.clear(); }
};

TEST_F(Forms, ExeNameIsTheProgramFileAndTheTitleItsNameWithoutExtension) {
  char path[PATH_MAX] = {};
  ASSERT_GT(readlink("/proc/self/exe", path, sizeof path - 1), 0);
  EXPECT_EQ(Application->ExeName(), path);
  EXPECT_EQ(Application->Title, "vcl_tests");
}

TEST_F(Forms, TheFirstFormCreatedIsTheMainFormAndItsReferenceIsSetBeforeOnCreate) {
  TProbeForm* first = nullptr;
  TProbeForm* second = nullptr;
  Application->CreateForm(first);
  Application->CreateForm(second);
  EXPECT_EQ(Application->MainForm(), first);
  EXPECT_FALSE(first->Visible());
  EXPECT_EQ(TProbeForm::Log, (std::vector<std::string>{"create Probe 1", "create Probe 2"}));
}

TEST_F(Forms, AnErrorInAHandlerIsShownInAnErrorBoxAndTheProgramGoesOn) {
  Application->Title = "quorvel";
  vcl::RunEvent([] { throw Exception("Datei nicht gefunden"); });
  vcl::RunEvent([] { throw Exception("Ends with a period."); });
  vcl::RunEvent([] { throw std::runtime_error("from the library"); });
  ASSERT_EQ(script().Boxes.size(), 3u);
  EXPECT_EQ(script().Boxes[0].Text, "Datei nicht gefunden.");
  EXPECT_EQ(script().Boxes[0].Caption, "quorvel");
  EXPECT_EQ(script().Boxes[0].Flags, MB_OK | MB_ICONSTOP);
  EXPECT_EQ(script().Boxes[1].Text, "Ends with a period.");
  EXPECT_EQ(script().Boxes[2].Text, "from the library.");
}

TEST_F(Forms, AnErrorInOnCreateEndsOnlyThatHandler) {
  struct TFailing : TForm {
    explicit TFailing(TComponent* owner) : TForm(owner) {
      OnCreate = [this](TObject*) {
        Reached = 1;
        throw Exception("scan failed");
      };
    }
    int Reached = 0;
  };
  TFailing* form = nullptr;
  Application->CreateForm(form);
  ASSERT_NE(form, nullptr);
  EXPECT_EQ(form->Reached, 1);
  ASSERT_EQ(script().Boxes.size(), 1u);
  EXPECT_EQ(script().Boxes[0].Text, "scan failed.");
  EXPECT_EQ(Application->MainForm(), form);
}

TEST_F(Forms, AModalFormIsActivatedAtEachDisplayAndTakesTheActionsUntilItCloses) {
  TProbeForm* main = nullptr;
  TProbeForm* dialog = nullptr;
  Application->CreateForm(main);
  Application->CreateForm(dialog);
  main->Show();
  TProbeForm::Log.clear();

  for (int display = 0; display < 2; ++display) {
    script().Then([&] {
      EXPECT_EQ(Application->ActiveForm(), dialog);
      EXPECT_TRUE(dialog->Modal());
      dialog->Close();
    });
    EXPECT_EQ(dialog->ShowModal(), mrCancel);
    EXPECT_FALSE(dialog->Visible());
    EXPECT_EQ(Application->ActiveForm(), main);
  }
  EXPECT_EQ(TProbeForm::Log,
            (std::vector<std::string>{"activate Probe 2", "close Probe 2", "activate Probe 1",
                                      "activate Probe 2", "close Probe 2", "activate Probe 1"}));
  EXPECT_THROW(main->ShowModal(), EInvalidOperation);
}

TEST_F(Forms, CloseActionNoneKeepsTheFormOpen) {
  TProbeForm* main = nullptr;
  Application->CreateForm(main);
  main->Show();
  main->CloseAction = caNone;
  main->Close();
  EXPECT_TRUE(main->Visible());
  EXPECT_FALSE(Application->Terminated());
  main->CloseAction = caHide;
  main->Close();
  EXPECT_FALSE(main->Visible());
  EXPECT_TRUE(Application->Terminated());
}

TEST_F(Forms, WhenTheStepsRunOutEveryWindowClosesTheMainWindowLast) {
  TProbeForm* main = nullptr;
  TProbeForm* other = nullptr;
  TProbeForm* modal = nullptr;
  Application->CreateForm(main);
  Application->CreateForm(other);
  Application->CreateForm(modal);
  TProbeForm::Log.clear();
  script().Then([&] { other->Show(); });
  script().Then([&] { EXPECT_EQ(vcl::ChooseMenuItem("File/Exit"), "the window Probe 2 has no menu item File/Exit"); });
  script().Then([&] { modal->ShowModal(); });
  Application->Run();
  EXPECT_TRUE(Application->Terminated());
  EXPECT_EQ(TProbeForm::Log,
            (std::vector<std::string>{"activate Probe 1", "activate Probe 2", "activate Probe 3",
                                      "close Probe 3", "activate Probe 2", "close Probe 2",
                                      "activate Probe 1", "close Probe 1"}));
}

TEST_F(Forms, AMainWindowThatRefusesToCloseAtTheEndIsGivenUp) {
  TProbeForm* main = nullptr;
  Application->CreateForm(main);
  main->CloseAction = caNone;
  Application->Run();
  EXPECT_TRUE(Application->Terminated());
  EXPECT_EQ(script().NotClosed, std::vector<std::string>{"Probe 1"});
}

TEST_F(Forms, ClientAreaLiesInsideFrameCaptionAndMenuBars) {
  TForm form(nullptr);
  form.SetBounds(0, 0, 558, 450);
  EXPECT_EQ(form.ClientWidth(), 550);
  EXPECT_EQ(form.ClientHeight(), 423);
  TMainMenu menu(nullptr);
  form.Menu = &menu;
  EXPECT_EQ(form.ClientHeight(), 404);
}

}  // namespace
