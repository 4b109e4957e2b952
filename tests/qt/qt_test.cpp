// The Qt front-end, offscreen: the program's windows as real widgets.
#include <gtest/gtest.h>

#include <QAbstractItemModel>
#include <QApplication>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTableView>
#include <QTest>
#include <QTimer>

#include "app/Unit1.h"
#include "app/Unit2.h"
#include "app/resviewpas.h"
#include "ntsim/machine.h"
#include "tests/app/scan_line.h"
#include "tests/support/scratch_machine.h"
#include "vcl/qt/QtFrontEnd.h"

namespace {

// The program as it starts, drawn by Qt, on a machine of its own. The test program's directory
// holds the help text and the driver.
class QtProgram : public ::testing::Test {
 protected:
  QtProgram() {
    ntsim::testing::ResetMachine();
    vcl::ResetApplication();
    Application->UseFrontEnd(std::make_unique<vcl::qt::QtFrontEnd>());
    qt_ = vcl::qt::Current();
    Application->CreateForm(Form1);
    Application->CreateForm(Form2);
    Application->CreateForm(ResView);
  }
  ~QtProgram() override {
    vcl::ResetApplication();
    ntsim::testing::ResetMachine();
  }

  QWidget* Widget(TComponent& component) const { return qobject_cast<QWidget*>(qt_->ObjectOf(component)); }
  // The next control that Tab moves to, past the parts the control is built of.
  QWidget* NextTabStop(TComponent& component) const {
    QWidget* widget = Widget(component);
    for (QWidget* next = widget->nextInFocusChain(); next != widget; next = next->nextInFocusChain()) {
      if ((next->focusPolicy() & Qt::TabFocus) != 0 && next->parentWidget() == widget->parentWidget()) {
        return next;
      }
    }
    return nullptr;
  }
  void ShowMain() {
    Form1->Show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(qt_->Window(*Form1)));
  }
  // Runs `inside` once the modal window's loop has started, then closes what is modal.
  static void WhenModal(std::function<void()> inside) {
    QTimer::singleShot(0, [inside = std::move(inside)] {
      inside();
      if (QWidget* modal = QApplication::activeModalWidget()) modal->close();
    });
  }

  testing_support::ScratchMachine machine_;
  vcl::qt::QtFrontEnd* qt_;
};

TEST_F(QtProgram, MainWindowPlacesTableAndLogBelowTheMenuBar) {
  ShowMain();
  QWidget* client = qt_->Client(*Form1);
  QMenuBar* bar = qt_->MenuBar(*Form1);
  ASSERT_NE(bar, nullptr);
  EXPECT_EQ(client->size(), QSize(550, 404));
  EXPECT_EQ(client->y(), bar->height());
  EXPECT_EQ(qt_->Window(*Form1)->windowTitle(), "Quorvel");
  EXPECT_EQ(Widget(*Form1->StringGrid1)->geometry(), QRect(0, 8, 545, 305));
  EXPECT_EQ(Widget(*Form1->Memo1)->geometry(), QRect(0, 328, 545, 65));
  EXPECT_EQ(Widget(*Form1->Memo1)->font().family(), "Courier New");
  EXPECT_EQ(Widget(*Form1->Memo1)->font().pixelSize(), 12);
  // The log comes first in the tab order, the table second.
  EXPECT_EQ(NextTabStop(*Form1->Memo1), Widget(*Form1->StringGrid1));
}

TEST_F(QtProgram, HelpTextFillsTheHelpWindow) {
  WhenModal([this] {
    auto* memo = qobject_cast<QPlainTextEdit*>(Widget(*Form2->Memo1));
    ASSERT_NE(memo, nullptr);
    EXPECT_EQ(memo->geometry(), QRect(0, 0, 482, 363));
    EXPECT_TRUE(memo->isReadOnly());
    EXPECT_EQ(memo->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    EXPECT_TRUE(memo->toPlainText().startsWith("QUORVEL"));
    EXPECT_EQ(qt_->MenuBar(*Form2), nullptr);
  });
  Form2->ShowModal();
}

TEST_F(QtProgram, ResourcesWindowHasItsComponentsInPlace) {
  WhenModal([this] {
    QWidget* window = qt_->Window(*ResView);
    EXPECT_EQ(window->pos(), QPoint(229, 110));
    EXPECT_EQ(qt_->Client(*ResView)->size(), QSize(415, 398));
    const std::pair<TComponent*, QRect> boxes[] = {
        {ResView->StringGrid1, QRect(8, 24, 177, 97)},  {ResView->Memo1, QRect(200, 24, 209, 97)},
        {ResView->StringGrid2, QRect(8, 144, 401, 97)}, {ResView->StringGrid3, QRect(8, 264, 193, 97)},
        {ResView->Memo5, QRect(208, 264, 201, 97)},     {ResView->Button1, QRect(312, 368, 75, 25)}};
    for (const auto& [component, rect] : boxes) {
      SCOPED_TRACE(component->Name);
      EXPECT_EQ(Widget(*component)->geometry(), rect);
    }
    const std::pair<TLabel*, QPoint> labels[] = {
        {ResView->PortLbl, {8, 8}},   {ResView->MemoryLbl, {200, 8}}, {ResView->IntLbl, {8, 128}},
        {ResView->DMALbl, {8, 248}}, {ResView->DevLbl, {208, 248}}};
    for (const auto& [label, place] : labels) {
      SCOPED_TRACE(label->Name);
      EXPECT_EQ(Widget(*label)->pos(), place);
      EXPECT_EQ(qobject_cast<QLabel*>(Widget(*label))->text().toStdString(), label->Caption());
    }
    auto* grid = qobject_cast<QTableView*>(Widget(*ResView->StringGrid2));
    EXPECT_EQ(grid->model()->index(0, 2).data().toString(), "Affinity");
    EXPECT_EQ(qobject_cast<QPushButton*>(Widget(*ResView->Button1))->text(), "&Close");
    // The tab order starts at the device-specific memo and ends at the button.
    const TComponent* order[] = {ResView->Memo5,       ResView->StringGrid1, ResView->Memo1,
                                 ResView->StringGrid2, ResView->StringGrid3, ResView->Button1};
    for (std::size_t i = 0; i + 1 < std::size(order); ++i) {
      SCOPED_TRACE(order[i]->Name);
      EXPECT_EQ(NextTabStop(const_cast<TComponent&>(*order[i])), Widget(const_cast<TComponent&>(*order[i + 1])));
    }
  });
  ResView->ShowModal();
}

TEST_F(QtProgram, MenuHasItsAcceleratorsSeparatorsAndShortcuts) {
  ShowMain();
  const QList<QAction*> menus = qt_->MenuBar(*Form1)->actions();
  ASSERT_EQ(menus.size(), 3);
  const QStringList expected[] = {{"Save &List", "Open &List", "-", "E&xit\tCtrl+X"},
                                  {"&Refresh\tF5"},
                                  {"&Help", "-", "&About"}};
  const QString titles[] = {"&File", "&View", "&Info"};
  for (int m = 0; m < 3; ++m) {
    EXPECT_EQ(menus[m]->text(), titles[m]);
    QStringList items;
    for (QAction* action : menus[m]->menu()->actions()) {
      QString text = action->isSeparator() ? "-" : action->text();
      if (!action->shortcut().isEmpty()) text += "\t" + action->shortcut().toString();
      items.append(text);
    }
    EXPECT_EQ(items, expected[m]);
  }
}

TEST_F(QtProgram, F5AndCtrlXReachTheirHandlers) {
  ShowMain();
  QWindow* window = qt_->Window(*Form1)->windowHandle();
  QTest::keyClick(window, Qt::Key_F5);
  QApplication::processEvents();
  const std::string pass = "N devices detected ...\r\nreading IDT from driver ...\r\n"
                           "256 entrys in IDT - (CS:0x0001B) (DS:0x00023)\r\n";
  EXPECT_EQ(testing_support::WithDeviceCountAsN(Form1->Memo1->Lines()->Text()),
            pass + "Refresh ...\r\n" + pass);
  const std::string shown =
      vcl::qt::FromQString(qobject_cast<QPlainTextEdit*>(Widget(*Form1->Memo1))->toPlainText());
  EXPECT_TRUE(testing_support::WithDeviceCountAsN(shown).ends_with(
      "Refresh ...\nN devices detected ...\nreading IDT from driver ...\n"
      "256 entrys in IDT - (CS:0x0001B) (DS:0x00023)"));

  QTest::keyClick(window, Qt::Key_X, Qt::ControlModifier);
  QApplication::processEvents();
  EXPECT_TRUE(Application->Terminated());
  EXPECT_FALSE(qt_->Window(*Form1)->isVisible());
}

TEST_F(QtProgram, TheCloseBoxEndsTheProgram) {
  ShowMain();
  qt_->Window(*Form1)->close();
  EXPECT_TRUE(Application->Terminated());
  EXPECT_FALSE(qt_->Window(*Form1)->isVisible());
}

TEST_F(QtProgram, ModalHelpBlocksTheMainWindow) {
  ShowMain();
  bool checked = false;
  WhenModal([&] {
    QWidget* help = qt_->Window(*Form2);
    EXPECT_EQ(QApplication::activeModalWidget(), help);
    QTest::keyClick(qt_->Window(*Form1)->windowHandle(), Qt::Key_F5);
    QApplication::processEvents();
    EXPECT_EQ(Form1->Memo1->Lines()->Count(), 3);
    checked = true;
  });
  qobject_cast<QAction*>(qt_->ObjectOf(*Form1->Help1))->trigger();
  EXPECT_TRUE(checked);
  EXPECT_FALSE(Form2->Visible());
  EXPECT_EQ(Application->ActiveForm(), Form1);
}

TEST_F(QtProgram, FixedCellsAreDrawnByTheGridItselfAndChangesReachTheViewInOneUpdate) {
  ShowMain();
  auto* view = qobject_cast<QTableView*>(Widget(*Form1->StringGrid1));
  EXPECT_TRUE(view->horizontalHeader()->isHidden());
  EXPECT_TRUE(view->verticalHeader()->isHidden());
  EXPECT_EQ(view->columnWidth(0), 87);
  EXPECT_EQ(view->rowHeight(0), 17);
  QAbstractItemModel* model = view->model();
  EXPECT_EQ(model->rowCount(), 258);
  EXPECT_EQ(model->columnCount(), 6);
  EXPECT_FALSE(model->flags(model->index(0, 3)) & Qt::ItemIsSelectable);
  EXPECT_FALSE(model->flags(model->index(4, 0)) & Qt::ItemIsSelectable);
  EXPECT_FALSE(model->flags(model->index(4, 3)) & Qt::ItemIsEditable);

  int updates = 0;
  QObject::connect(model, &QAbstractItemModel::dataChanged, [&] { ++updates; });
  vcl::RunEvent([] {
    for (int row = 0; row < 258; ++row) {
      for (int col = 0; col < 6; ++col) Form1->StringGrid1->SetCells(col, row, "\x80 " + std::to_string(row));
    }
  });
  QApplication::processEvents();
  EXPECT_EQ(updates, 1);
  EXPECT_EQ(model->index(0, 5).data().toString(), QString::fromUtf8("\u20AC 0"));
  EXPECT_EQ(model->index(257, 2).data().toString(), QString::fromUtf8("\u20AC 257"));
}

TEST_F(QtProgram, ARefreshShowsAllGatesInOneUpdate) {
  ShowMain();
  auto* view = qobject_cast<QTableView*>(Widget(*Form1->StringGrid1));
  QAbstractItemModel* model = view->model();
  EXPECT_EQ(model->index(256, 0).data().toString(), "Interrupt FF/255");
  vcl::RunEvent([] {
    for (int row = 1; row < 258; ++row) {
      for (int col = 0; col < 6; ++col) Form1->StringGrid1->SetCells(col, row, "");
    }
  });
  qt_->Flush();
  int updates = 0;
  QObject::connect(model, &QAbstractItemModel::dataChanged, [&] { ++updates; });
  QTest::keyClick(qt_->Window(*Form1)->windowHandle(), Qt::Key_F5);
  QApplication::processEvents();
  EXPECT_EQ(updates, 1);
  EXPECT_EQ(model->index(1, 4).data().toString(), " InterruptGate");
  EXPECT_EQ(model->index(256, 0).data().toString(), "Interrupt FF/255");
}

TEST_F(QtProgram, ADoubleClickOnARowOpensItsResourcesModallyWithGrowingGrids) {
  TDeviceRecord& card = Form1->Devices[0];
  card.Name.Assign("PciEther");
  card.ResourceCount = 8;
  for (int k = 0; k < 8; ++k) {
    card.Resources[k] = {};
    card.Resources[k].Type = 1;
    card.Resources[k].u.Port.Start = 0xFCE0 + 4 * k;
    card.Resources[k].u.Port.Length = 4;
  }
  Form1->VectorUsage[0x3B] = {1, {0}};
  ShowMain();
  auto* view = qobject_cast<QTableView*>(Widget(*Form1->StringGrid1));
  const QModelIndex cell = view->model()->index(0x3B + 1, 2);
  view->scrollTo(cell);
  bool checked = false;
  WhenModal([&] {
    EXPECT_EQ(QApplication::activeModalWidget(), qt_->Window(*ResView));
    EXPECT_EQ(qt_->Window(*ResView)->windowTitle(), "PciEther allocates:");
    auto* ports = qobject_cast<QTableView*>(Widget(*ResView->StringGrid1));
    EXPECT_EQ(ports->model()->rowCount(), 6 + 8);
    EXPECT_EQ(ports->model()->index(0, 0).data().toString(), "Address");
    EXPECT_EQ(ports->model()->index(8, 0).data().toString(), "0x0FCFC");
    EXPECT_EQ(qobject_cast<QLabel*>(Widget(*ResView->PortLbl))->text(), "Ports (8)");
    checked = true;
  });
  // A person's double-click: the first click makes the row current, the second press is the
  // double-click (QTest's double-click on a widget sends only that second event).
  const QPoint place = view->visualRect(cell).center();
  QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, place);
  QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, place);
  EXPECT_TRUE(checked);
  EXPECT_EQ(Form1->StringGrid1->Row(), 0x3B + 1);
  EXPECT_FALSE(ResView->Visible());
}

TEST_F(QtProgram, TheHeadingRowAndColumnStayWhileTheTableScrolls) {
  ShowMain();
  vcl::RunEvent([] {
    Form1->StringGrid1->SetCells(2, 0, "Offset");
    Form1->StringGrid1->SetCells(0, 200, "Interrupt C7/199");
    Form1->StringGrid1->SetRow(200);
  });
  qt_->Flush();
  auto* view = qobject_cast<QTableView*>(Widget(*Form1->StringGrid1));
  ASSERT_GT(view->verticalScrollBar()->value(), 100);
  // What lies at a point of the grid, fixed part or scrolling cells.
  auto cellAt = [view](QPoint point) {
    QWidget* hit = view->childAt(view->viewport()->geometry().topLeft() + point);
    auto* table = hit != nullptr ? qobject_cast<QTableView*>(hit->parentWidget()) : nullptr;
    return table != nullptr ? table->indexAt(hit->mapFrom(view, view->viewport()->geometry().topLeft() + point))
                            : QModelIndex();
  };
  const QModelIndex heading = cellAt({2 * 87 + 10, 5});
  EXPECT_EQ(heading.row(), 0);
  EXPECT_EQ(heading.data().toString(), "Offset");
  const QModelIndex rowName = cellAt({10, view->visualRect(view->currentIndex()).center().y()});
  EXPECT_EQ(rowName.row(), 200);
  EXPECT_EQ(rowName.column(), 0);
  EXPECT_EQ(rowName.data().toString(), "Interrupt C7/199");
  const QModelIndex current = cellAt(view->visualRect(view->currentIndex()).center());
  EXPECT_EQ(current, view->currentIndex());
}

TEST_F(QtProgram, TheLogShowsItsNewestLine) {
  ShowMain();
  vcl::RunEvent([] {
    for (int i = 0; i < 40; ++i) Form1->Memo1->Lines()->Add("line " + std::to_string(i));
  });
  qt_->Flush();
  auto* log = qobject_cast<QPlainTextEdit*>(Widget(*Form1->Memo1));
  // The start's three lines come first.
  EXPECT_EQ(log->document()->blockCount(), 3 + 40);
  EXPECT_GT(log->verticalScrollBar()->maximum(), 0);
  EXPECT_EQ(log->verticalScrollBar()->value(), log->verticalScrollBar()->maximum());
}

TEST_F(QtProgram, AGrowingGridKeepsTheViewInStep) {
  WhenModal([this] {
    TStringGrid& grid = *ResView->StringGrid1;
    grid.SetCells(0, 1, "0x003F8");
    grid.SetRowCount(7);
    qt_->Flush();
    auto* view = qobject_cast<QTableView*>(Widget(grid));
    EXPECT_EQ(view->model()->rowCount(), 7);
    EXPECT_EQ(view->model()->index(1, 0).data().toString(), "0x003F8");
  });
  ResView->ShowModal();
}

TEST_F(QtProgram, AnErrorBoxIsAModalBoxWithTheStopIcon) {
  ShowMain();
  bool checked = false;
  QTimer::singleShot(0, [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->icon(), QMessageBox::Critical);
    EXPECT_EQ(box->windowTitle(), "qt_tests");
    EXPECT_EQ(box->text(), QString::fromUtf8("Datei nicht gefunden \u00E4."));
    checked = true;
    box->accept();
  });
  vcl::RunEvent([] { throw Exception("Datei nicht gefunden \xE4"); });
  EXPECT_TRUE(checked);
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
