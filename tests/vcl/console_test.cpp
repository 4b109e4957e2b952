#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "vcl/ConsoleFrontEnd.h"
#include "vcl/Dialogs.h"
#include "vcl/Forms.h"
#include "vcl/Grids.h"
#include "vcl/Menus.h"
#include "vcl/StdCtrls.h"

namespace {

// A small window with one of each thing the console prints, and a menu whose items log.
class TSample : public TForm {
 public:
  explicit TSample(TComponent* owner) : TForm(owner) {
    SetCaption("Sample \x80");
    Grid = new TStringGrid(this);
    Grid->Name = "Grid";
    Grid->SetColCount(2);
    Grid->SetRowCount(3);
    Grid->SetCells(1, 0, "a\\b\tc");
    Grid->SetCells(0, 2, " \xE4 ");
    Grid->OnDblClick = [this](TObject*) { Note("double-click row " + std::to_string(Grid->Row())); };
    Memo = new TMemo(this);
    Memo->Name = "Memo";
    Memo->Lines()->Add("line\r\n");
    Label = new TLabel(this);
    Label->Name = "Label";
    Label->SetCaption("Ports (0)");
    Button = new TButton(this);
    Button->Name = "Button";
    Button->OnClick = [this](TObject*) { Note("button"); };

    auto* menu = new TMainMenu(this);
    auto* file = new TMenuItem(this);
    file->SetCaption("&File");
    auto* save = new TMenuItem(this);
    save->SetCaption("Save &List");
    save->OnClick = [](TObject*) { throw Exception("Datei nicht gefunden"); };
    auto* refresh = new TMenuItem(this);
    refresh->SetCaption("&Refresh");
    refresh->SetShortCut(ShortCut(VK_F5, scNone));
    refresh->OnClick = [this](TObject*) { Note("refresh"); };
    auto* open = new TMenuItem(this);
    open->SetCaption("&Open");
    open->OnClick = [this](TObject*) {
      Note(Dialog->Execute() ? "chose " + Dialog->FileName : std::string("cancelled"));
    };
    menu->Items()->Add(file);
    file->Add(save);
    file->Add(refresh);
    file->Add(open);
    Menu = menu;
    Dialog = new TOpenDialog(this);
    Dialog->FileName = "idtlist.idt";
    OnClose = [this](TObject*, TCloseAction&) { Note("closing"); };
  }
  void Note(const std::string& text) { Memo->Lines()->Add(text); }

  TStringGrid* Grid;
  TMemo* Memo;
  TLabel* Label;
  TButton* Button;
  TOpenDialog* Dialog;
};

class Console : public ::testing::Test {
 protected:
  ~Console() override { vcl::ResetApplication(); }

  // Runs the sample window as the program with these input lines; returns what it printed.
  std::string Run(const std::string& lines) {
    vcl::ResetApplication();
    input_.str(lines);
    Application->UseFrontEnd(std::make_unique<vcl::ConsoleFrontEnd>(input_, output_));
    Application->Title = "sample";
    Application->CreateForm(form_);
    Application->Run();
    return output_.str();
  }

  std::istringstream input_;
  std::ostringstream output_;
  TSample* form_ = nullptr;
};

constexpr const char* kWindow =
    "=== window Sample \u20AC\n"
    "--- grid Grid 2x3\n"
    "\ta\\\\b\\tc\n"
    "\t\n"
    " \u00E4 \t\n"
    "--- memo Memo\n"
    "line\\r\\n\n"
    "--- label Label\n"
    "Ports (0)\n"
    "=== end\n";

TEST_F(Console, PrintsTheWindowWhenShownAndOnShow) {
  const std::string output = Run("show\n");
  EXPECT_EQ(output, std::string(kWindow) + kWindow);
}

TEST_F(Console, AnErrorInAHandlerIsAnErrorBoxAndTheProgramGoesOn) {
  const std::string output = Run("menu File/Save List\nkey F5\n");
  EXPECT_NE(output.find("=== box error sample\nDatei nicht gefunden.\n=== end\n"), std::string::npos)
      << output;
  EXPECT_EQ(form_->Memo->Lines()->IndexOf("refresh"), 1);
}

TEST_F(Console, LinesThatAreNoActionAreErrorsAndTheProgramGoesOn) {
  const std::string output = Run(
      "frobnicate\n\nmenu File/Nothing\nmenu File\nkey Ctrl+Q\nkey Hyper+Q\n"
      "dblclick Grid\ndblclick Grid x\ndblclick Grid 0\ndblclick Grid 3\ndblclick Nothing 1\n"
      "click Nothing\nclose now\nkey F5\n");
  const char* expected[] = {
      "=== error not an action: frobnicate\n",
      "=== error not an action: \n",
      "=== error the window Sample \u20AC has no menu item File/Nothing\n",
      "=== error the menu item File opens a submenu\n",
      "=== error the window Sample \u20AC has no shortcut Ctrl+Q\n",
      "=== error unknown key Hyper+Q\n",
      "=== error dblclick needs a grid and a row: dblclick Grid\n",
      "=== error dblclick needs a grid and a row: dblclick Grid x\n",
      "=== error row 0 of Grid cannot be selected\n",
      "=== error row 3 of Grid cannot be selected\n",
      "=== error the active window has no grid Nothing\n",
      "=== error the active window has no button Nothing\n",
      "=== error not an action: close now\n",
  };
  std::size_t at = 0;
  for (const char* line : expected) {
    const std::size_t found = output.find(line, at);
    EXPECT_NE(found, std::string::npos) << line;
    if (found != std::string::npos) at = found;
  }
  EXPECT_NE(form_->Memo->Lines()->IndexOf("refresh"), -1);
}

TEST_F(Console, ActionsReachTheirHandlers) {
  Run("dblclick Grid 2\nclick Button\nkey F5\r\n");
  EXPECT_EQ(form_->Grid->Row(), 2);
  EXPECT_EQ(form_->Grid->Col(), 1);
  EXPECT_GE(form_->Memo->Lines()->IndexOf("double-click row 2"), 0);
  EXPECT_GE(form_->Memo->Lines()->IndexOf("button"), 0);
  EXPECT_GE(form_->Memo->Lines()->IndexOf("refresh"), 0);
}

TEST_F(Console, ADialogTakesTheNextLineAndAnEmptyLineCancels) {
  const std::string output = Run("menu File/Open\n/tmp/caf\u00E9.idt\nmenu File/Open\n\n");
  EXPECT_NE(output.find("=== dialog open idtlist.idt\n"), std::string::npos);
  EXPECT_NE(output.find("=== dialog open /tmp/caf\u00E9.idt\n"), std::string::npos);
  EXPECT_GE(form_->Memo->Lines()->IndexOf("chose /tmp/caf\xE9.idt"), 0);
  EXPECT_GE(form_->Memo->Lines()->IndexOf("cancelled"), 0);
}

TEST_F(Console, ADialogAtTheEndOfInputIsCancelled) {
  Run("menu File/Open\n");
  EXPECT_GE(form_->Memo->Lines()->IndexOf("cancelled"), 0);
}

TEST_F(Console, CloseAndTheEndOfInputRunTheCloseHandlerOnce) {
  Run("close\nshow\n");
  EXPECT_TRUE(Application->Terminated());
  EXPECT_EQ(form_->Memo->Lines()->IndexOf("closing"), 1);
  EXPECT_EQ(form_->Memo->Lines()->Count(), 2);
}

TEST_F(Console, BoxTextIsPrintedOneLinePerLine) {
  std::istringstream input;
  std::ostringstream output;
  vcl::ConsoleFrontEnd console(input, output);
  console.MessageBox("first\r\nsecond\\", "DriverControl: starting", MB_OK | MB_ICONERROR);
  console.MessageBox("note", "t", MB_ICONWARNING);
  console.MessageBox("plain", "t", MB_OK);
  EXPECT_EQ(output.str(),
            "=== box error DriverControl: starting\nfirst\nsecond\\\\\n=== end\n"
            "=== box warning t\nnote\n=== end\n"
            "=== box none t\nplain\n=== end\n");
}

}  // namespace
