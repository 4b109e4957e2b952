#include <gtest/gtest.h>

#include "vcl/Grids.h"

namespace {

// The shape of the resources window's grids: two columns, a heading row, five rows below.
class Grid : public ::testing::Test {
 protected:
  Grid() {
    grid_.SetColCount(2);
    grid_.SetRowCount(6);
    grid_.SetFixedCols(0);
    grid_.SetFixedRows(1);
  }
  TStringGrid grid_{nullptr};
};

TEST_F(Grid, FixedCellsAreWrittenAndReadLikeAnyOther) {
  grid_.SetCells(0, 0, "Address");
  grid_.SetCells(1, 5, "0x003F8");
  EXPECT_EQ(grid_.Cells(0, 0), "Address");
  EXPECT_EQ(grid_.Cells(1, 5), "0x003F8");
  EXPECT_EQ(grid_.Cells(1, 0), "");
}

TEST_F(Grid, GrowingAddsEmptyRowsAndKeepsTheCells) {
  // A new entry goes into row count - 5, then the count grows by one.
  for (int entry = 1; entry <= 3; ++entry) {
    const int count = grid_.RowCount();
    grid_.SetCells(0, count - 5, "entry " + std::to_string(entry));
    grid_.SetRowCount(count + 1);
  }
  EXPECT_EQ(grid_.RowCount(), 9);
  EXPECT_EQ(grid_.Cells(0, 1), "entry 1");
  EXPECT_EQ(grid_.Cells(0, 3), "entry 3");
  EXPECT_EQ(grid_.Cells(0, 8), "");
}

TEST_F(Grid, ShrinkingDropsTheCellsOutside) {
  grid_.SetRowCount(9);
  grid_.SetCells(1, 8, "gone");
  grid_.SetCells(1, 2, "kept");
  grid_.SetRowCount(6);
  grid_.SetRowCount(9);
  EXPECT_EQ(grid_.Cells(1, 8), "");
  EXPECT_EQ(grid_.Cells(1, 2), "kept");
}

TEST_F(Grid, ANewColumnCountReachesOldAndNewRows) {
  grid_.SetCells(1, 5, "kept");
  grid_.SetColCount(3);
  grid_.SetRowCount(8);
  grid_.SetCells(2, 7, "new row, new column");
  EXPECT_EQ(grid_.Cells(1, 5), "kept");
  EXPECT_EQ(grid_.Cells(2, 0), "");
  EXPECT_EQ(grid_.Cells(2, 7), "new row, new column");
  grid_.SetColCount(1);
  grid_.SetRowCount(9);
  grid_.SetColCount(3);
  EXPECT_EQ(grid_.Cells(1, 5), "");
  EXPECT_EQ(grid_.Cells(2, 8), "");
}

TEST_F(Grid, ACellOutsideTheGridIsAnError) {
  const std::pair<int, int> outside[] = {{2, 0}, {0, 6}, {-1, 0}, {0, -1}};
  for (const auto& [col, row] : outside) {
    SCOPED_TRACE(testing::Message() << col << "," << row);
    EXPECT_THROW(grid_.Cells(col, row), EInvalidGridOperation);
    EXPECT_THROW(grid_.SetCells(col, row, "x"), EInvalidGridOperation);
  }
}

TEST_F(Grid, TheCurrentRowIsNeverFixedAndStaysInsideTheGrid) {
  EXPECT_EQ(grid_.Row(), 1);
  grid_.SetRow(5);
  EXPECT_EQ(grid_.Row(), 5);
  EXPECT_THROW(grid_.SetRow(0), EInvalidGridOperation);
  EXPECT_THROW(grid_.SetRow(6), EInvalidGridOperation);
  EXPECT_EQ(grid_.Row(), 5);
  grid_.SetRowCount(3);
  EXPECT_EQ(grid_.Row(), 2);
}

TEST_F(Grid, DoubleClickRaisesTheEvent) {
  TObject* sender = nullptr;
  grid_.OnDblClick = [&](TObject* s) { sender = s; };
  grid_.DblClick();
  EXPECT_EQ(sender, &grid_);
}

TEST(GridShape, TheMainTableHoldsEveryCell) {
  TStringGrid grid(nullptr);
  grid.SetColCount(6);
  grid.SetRowCount(258);
  grid.SetCells(5, 257, "last");
  EXPECT_EQ(grid.Cells(5, 257), "last");
  EXPECT_EQ(grid.FixedRows(), 1);
  EXPECT_EQ(grid.FixedCols(), 1);
  EXPECT_THROW(grid.SetFixedRows(258), EInvalidGridOperation);
}

}  // namespace
