#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/app/program_fixture.h"
#include "tests/app/scan_line.h"
#include "vcl/UserActions.h"

namespace {

// The program as it starts. The test program's directory holds no help text, so the help
// window starts empty.
class Program : public testing_support::ProgramInProcess {
 protected:
  Program() { Start(); }
};

struct Placement {
  const char* name;
  int left, top, width, height, tabOrder;
};

void ExpectPlacements(TForm& form, const std::vector<Placement>& placements) {
  for (const Placement& p : placements) {
    SCOPED_TRACE(p.name);
    auto* control = dynamic_cast<TControl*>(form.FindComponent(p.name));
    ASSERT_NE(control, nullptr);
    EXPECT_EQ(control->Left(), p.left);
    EXPECT_EQ(control->Top(), p.top);
    if (p.width >= 0) {
      EXPECT_EQ(control->Width(), p.width);
      EXPECT_EQ(control->Height(), p.height);
    }
    EXPECT_EQ(control->TabOrder(), p.tabOrder);
  }
}

TEST_F(Program, CreatesTheMainWindowFirstAndShowsOnlyIt) {
  EXPECT_EQ(Application->MainForm(), Form1);
  EXPECT_FALSE(Form2->Visible());
  EXPECT_FALSE(ResView->Visible());
  EXPECT_FALSE(Form1->FromFile);
  Application->Run();
  EXPECT_EQ(script().ShownWindows, std::vector<std::string>{"Quorvel"});
  EXPECT_TRUE(Application->Terminated());
}

TEST_F(Program, AMissingHelpTextGivesOneErrorBoxNamingTheFileAndAnEmptyHelpWindow) {
  ASSERT_EQ(script().Boxes.size(), 1u);
  const auto& box = script().Boxes[0];
  EXPECT_NE(box.Text.find(ExtractFilePath(Application->ExeName()) + "readme.txt"),
            std::string::npos)
      << box.Text;
  EXPECT_EQ(box.Text.back(), '.');
  EXPECT_EQ(box.Caption, Application->Title);
  EXPECT_EQ(box.Flags, MB_OK | MB_ICONSTOP);

  script().Then([] { EXPECT_EQ(vcl::ChooseMenuItem("Info/Help"), ""); });
  Application->Run();
  EXPECT_EQ(script().ShownWindows, (std::vector<std::string>{"Quorvel", "Help"}));
  EXPECT_EQ(Form2->Memo1->Lines()->Count(), 0);
}

TEST_F(Program, MainWindowIsBuiltAsDescribed) {
  EXPECT_EQ(Form1->Caption(), "Quorvel");
  EXPECT_EQ(Form1->Width(), 558);
  EXPECT_EQ(Form1->Height(), 450);
  EXPECT_EQ(Form1->Position, poScreenCenter);
  EXPECT_EQ(Form1->Font, (TFont{"MS Sans Serif", -11}));
  EXPECT_EQ(Form1->Menu, Form1->MainMenu1);
  ExpectPlacements(*Form1, {{"StringGrid1", 0, 8, 545, 305, 1}, {"Memo1", 0, 328, 545, 65, 0}});

  const TStringGrid& grid = *Form1->StringGrid1;
  EXPECT_EQ(grid.ColCount(), 6);
  EXPECT_EQ(grid.RowCount(), 258);
  EXPECT_EQ(grid.FixedRows(), 1);
  EXPECT_EQ(grid.FixedCols(), 1);
  EXPECT_EQ(grid.DefaultColWidth(), 86);
  EXPECT_EQ(grid.DefaultRowHeight(), 16);

  const TMemo& memo = *Form1->Memo1;
  EXPECT_EQ(memo.Font(), (TFont{"Courier New", -12}));
  EXPECT_EQ(memo.ScrollBars(), ssVertical);
  EXPECT_FALSE(memo.ReadOnly());

  for (TOpenDialog* dialog : {static_cast<TOpenDialog*>(Form1->SaveDialog1), Form1->OpenDialog1}) {
    EXPECT_EQ(dialog->FileName, "idtlist.idt");
    EXPECT_EQ(dialog->Filter, "IDT Files|*.idt|All Files|*.*");
    EXPECT_EQ(dialog->FilterIndex, 1);
    EXPECT_EQ(dialog->DefaultExt, "");
  }
}

TEST_F(Program, TheMenuHasItsItemsInOrderWithTheirShortcuts) {
  struct Entry {
    const char* caption;
    TShortCut shortCut;
    std::vector<Entry> items;
  };
  const std::vector<Entry> expected = {
      {"&File", scNone, {{"Save &List", scNone, {}}, {"Open &List", scNone, {}}, {"-", scNone, {}},
                         {"E&xit", ShortCut('X', scCtrl), {}}}},
      {"&View", scNone, {{"&Refresh", ShortCut(VK_F5, scNone), {}}}},
      {"&Info", scNone, {{"&Help", scNone, {}}, {"-", scNone, {}}, {"&About", scNone, {}}}},
  };
  const TMenuItem& bar = *Form1->MainMenu1->Items();
  ASSERT_EQ(bar.Count(), 3);
  for (int m = 0; m < 3; ++m) {
    const TMenuItem& menu = *bar.Items(m);
    EXPECT_EQ(menu.Caption(), expected[m].caption);
    ASSERT_EQ(menu.Count(), static_cast<int>(expected[m].items.size()));
    for (int i = 0; i < menu.Count(); ++i) {
      SCOPED_TRACE(expected[m].items[i].caption);
      EXPECT_EQ(menu.Items(i)->Caption(), expected[m].items[i].caption);
      EXPECT_EQ(menu.Items(i)->ShortCut(), expected[m].items[i].shortCut);
    }
  }
  EXPECT_EQ(Form1->FindComponent("N1"), Form1->N1);
  EXPECT_TRUE(Form1->N2->IsLine());
}

TEST_F(Program, F5RunsRefreshAndTheLaterCommandsDoNothingYet) {
  script().Then([] { EXPECT_EQ(vcl::PressShortCut("F5"), ""); });
  script().Then([] { EXPECT_EQ(vcl::ChooseMenuItem("View/Refresh"), ""); });
  script().Then([] {
    EXPECT_EQ(vcl::ChooseMenuItem("Info/About"), "");
    EXPECT_EQ(vcl::DoubleClickRow("StringGrid1", 1), "");
  });
  Application->Run();
  const std::string pass = "N devices detected ...\r\nreading IDT from driver ...\r\n"
                           "256 entrys in IDT - (CS:0x0001B) (DS:0x00023)\r\n";
  EXPECT_EQ(testing_support::WithDeviceCountAsN(Form1->Memo1->Lines()->Text()),
            pass + "Refresh ...\r\n" + pass + "Refresh ...\r\n" + pass);
  EXPECT_TRUE(script().Dialogs.empty());
}

TEST_F(Program, ExitAndTheCloseBoxBothEndTheProgram) {
  for (const auto& action : {+[] { return vcl::PressShortCut("Ctrl+X"); },
                             +[] { return vcl::ChooseMenuItem("File/Exit"); },
                             +[] { return vcl::CloseActiveWindow(); }}) {
    vcl::ResetApplication();
    auto& script = vcl::UseScriptFrontEnd();
    Application->CreateForm(Form1);
    script.Then([action] { EXPECT_EQ(action(), ""); });
    script.Then([] { ADD_FAILURE() << "the program went on after closing"; });
    Application->Run();
    EXPECT_TRUE(Application->Terminated());
    EXPECT_FALSE(Form1->Visible());
  }
}

TEST_F(Program, HelpIsModalAndTakesTheActionsUntilItCloses) {
  script().Then([] { EXPECT_EQ(vcl::ChooseMenuItem("Info/Help"), ""); });
  // Taken by the help window's loop: the main window's shortcut does not reach it.
  script().Then([] {
    EXPECT_EQ(Application->ActiveForm(), Form2);
    EXPECT_TRUE(Form2->Modal());
    EXPECT_EQ(vcl::PressShortCut("F5"), "the window Help has no shortcut F5");
  });
  Application->Run();
  EXPECT_EQ(script().ShownWindows, (std::vector<std::string>{"Quorvel", "Help"}));
  EXPECT_EQ(Form1->Memo1->Lines()->Count(), 3);
}

TEST_F(Program, HelpWindowIsBuiltAsDescribed) {
  EXPECT_EQ(Form2->Caption(), "Help");
  EXPECT_EQ(Form2->Width(), 490);
  EXPECT_EQ(Form2->Height(), 390);
  EXPECT_EQ(Form2->Position, poScreenCenter);
  EXPECT_EQ(Form2->Font, (TFont{"Times New Roman", -11}));
  EXPECT_EQ(Form2->Menu, nullptr);
  const TMemo& memo = *Form2->Memo1;
  EXPECT_EQ(memo.Align(), alClient);
  EXPECT_TRUE(memo.ReadOnly());
  EXPECT_EQ(memo.ScrollBars(), ssVertical);
  EXPECT_EQ(memo.Font(), (TFont{"Times New Roman", -13}));
}

TEST_F(Program, ResourcesWindowIsBuiltAsDescribed) {
  EXPECT_EQ(ResView->Caption(), "Resources");
  EXPECT_EQ(ResView->Left(), 229);
  EXPECT_EQ(ResView->Top(), 110);
  EXPECT_EQ(ResView->Width(), 423);
  EXPECT_EQ(ResView->Height(), 425);
  EXPECT_EQ(ResView->Position, poDesigned);
  EXPECT_EQ(ResView->BorderStyle, bsSizeable);
  EXPECT_EQ(ResView->Color, clBtnFace);
  EXPECT_EQ(ResView->Font, (TFont{"MS Sans Serif", -11}));
  EXPECT_EQ(ResView->PixelsPerInch, 96);
  ExpectPlacements(*ResView, {{"PortLbl", 8, 8, -1, -1, -1},
                              {"StringGrid1", 8, 24, 177, 97, 1},
                              {"MemoryLbl", 200, 8, -1, -1, -1},
                              {"Memo1", 200, 24, 209, 97, 2},
                              {"IntLbl", 8, 128, -1, -1, -1},
                              {"StringGrid2", 8, 144, 401, 97, 3},
                              {"DMALbl", 8, 248, -1, -1, -1},
                              {"StringGrid3", 8, 264, 193, 97, 4},
                              {"DevLbl", 208, 248, -1, -1, -1},
                              {"Memo5", 208, 264, 201, 97, 0},
                              {"Button1", 312, 368, 75, 25, 5}});

  struct GridShape {
    TStringGrid* grid;
    int cols, colWidth;
  };
  for (const GridShape& g : {GridShape{ResView->StringGrid1, 2, 78},
                             GridShape{ResView->StringGrid2, 3, 125},
                             GridShape{ResView->StringGrid3, 2, 85}}) {
    SCOPED_TRACE(g.grid->Name);
    EXPECT_EQ(g.grid->ColCount(), g.cols);
    EXPECT_EQ(g.grid->DefaultColWidth(), g.colWidth);
    EXPECT_EQ(g.grid->DefaultRowHeight(), 16);
    EXPECT_EQ(g.grid->RowCount(), 6);
    EXPECT_EQ(g.grid->FixedRows(), 1);
    EXPECT_EQ(g.grid->FixedCols(), 0);
  }
  EXPECT_EQ(ResView->PortLbl->Caption(), "Ports");
  EXPECT_EQ(ResView->MemoryLbl->Caption(), "Memory");
  EXPECT_EQ(ResView->IntLbl->Caption(), "Interrupts");
  EXPECT_EQ(ResView->DMALbl->Caption(), "DMA");
  EXPECT_EQ(ResView->DevLbl->Caption(), "Device Specific");
  EXPECT_EQ(ResView->Button1->Caption(), "&Close");
  EXPECT_EQ(ResView->Memo1->ScrollBars(), ssVertical);
  EXPECT_EQ(ResView->Memo5->ScrollBars(), ssVertical);
}

std::vector<std::string> HeadingsOf(const TStringGrid& grid) {
  std::vector<std::string> headings;
  for (int col = 0; col < grid.ColCount(); ++col) headings.push_back(grid.Cells(col, 0));
  return headings;
}

TEST_F(Program, EveryDisplayOfTheResourcesWindowWritesTheHeadingsAndCloseEndsIt) {
  for (int display = 0; display < 2; ++display) {
    // What a double-click does before it shows the window: every cell emptied.
    for (TStringGrid* grid : {ResView->StringGrid1, ResView->StringGrid2, ResView->StringGrid3}) {
      for (int col = 0; col < grid->ColCount(); ++col) grid->SetCells(col, 0, "");
    }
    script().Then([] {
      EXPECT_EQ(HeadingsOf(*ResView->StringGrid1), (std::vector<std::string>{"Address", "Length"}));
      EXPECT_EQ(HeadingsOf(*ResView->StringGrid2),
                (std::vector<std::string>{"Vector", "Level", "Affinity"}));
      EXPECT_EQ(HeadingsOf(*ResView->StringGrid3), (std::vector<std::string>{"Channel", "Port"}));
      EXPECT_EQ(vcl::ClickButton("Button1"), "");
      EXPECT_FALSE(ResView->Modal());
    });
    EXPECT_EQ(ResView->ShowModal(), mrCancel);
    EXPECT_FALSE(ResView->Visible());
  }
}

}  // namespace
