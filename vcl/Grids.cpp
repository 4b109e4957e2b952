#include "vcl/Grids.h"

#include <algorithm>

namespace {
constexpr const char* kIndexError = "Gitterindex au\xDF" "erhalb des g\xFC" "ltigen Bereichs";
constexpr const char* kFixedError = "Feste Zeilen und Spalten m\xFC" "ssen kleiner als ihre Anzahl sein";
}  // namespace

TStringGrid::TStringGrid(TComponent* AOwner) : TControl(AOwner) {
  cells_.assign(rowCount_, std::vector<std::string>(colCount_));
  SetTabOrder(0);
}

void TStringGrid::Resize(int cols, int rows) {
  if (cols < 0 || rows < 0) throw EInvalidGridOperation(kIndexError);
  // Only the rows that come or go are touched while the column count stays: the resources
  // window adds its entries one row at a time, and resizing every row for each of them made
  // a long list quadratic.
  cells_.resize(rows, std::vector<std::string>(cols));
  if (cols != colCount_) {
    for (auto& row : cells_) row.resize(cols);
  }
  colCount_ = cols;
  rowCount_ = rows;
  // Fixed rows and columns are never more than the grid has.
  fixedCols_ = std::min(fixedCols_, std::max(0, cols - 1));
  fixedRows_ = std::min(fixedRows_, std::max(0, rows - 1));
  KeepCurrentCellInside();
  Changed();
}

void TStringGrid::KeepCurrentCellInside() {
  col_ = std::clamp(col_, fixedCols_, std::max(fixedCols_, colCount_ - 1));
  row_ = std::clamp(row_, fixedRows_, std::max(fixedRows_, rowCount_ - 1));
}

void TStringGrid::SetColCount(int count) { Resize(count, rowCount_); }
void TStringGrid::SetRowCount(int count) { Resize(colCount_, count); }

void TStringGrid::SetFixedCols(int count) {
  if (count < 0 || count >= colCount_) throw EInvalidGridOperation(kFixedError);
  fixedCols_ = count;
  KeepCurrentCellInside();
  Changed();
}

void TStringGrid::SetFixedRows(int count) {
  if (count < 0 || count >= rowCount_) throw EInvalidGridOperation(kFixedError);
  fixedRows_ = count;
  KeepCurrentCellInside();
  Changed();
}

void TStringGrid::SetDefaultColWidth(int width) {
  defaultColWidth_ = width;
  Changed();
}

void TStringGrid::SetDefaultRowHeight(int height) {
  defaultRowHeight_ = height;
  Changed();
}

void TStringGrid::CheckCell(int col, int row) const {
  if (col < 0 || col >= colCount_ || row < 0 || row >= rowCount_) {
    throw EInvalidGridOperation(kIndexError);
  }
}

const std::string& TStringGrid::Cells(int col, int row) const {
  CheckCell(col, row);
  return cells_[row][col];
}

void TStringGrid::SetCells(int col, int row, const std::string& text) {
  CheckCell(col, row);
  cells_[row][col] = text;
  Changed();
}

void TStringGrid::SetCol(int col) {
  if (col < fixedCols_ || col >= colCount_) throw EInvalidGridOperation(kIndexError);
  col_ = col;
  Changed();
}

void TStringGrid::SetRow(int row) {
  if (row < fixedRows_ || row >= rowCount_) throw EInvalidGridOperation(kIndexError);
  row_ = row;
  Changed();
}

void TStringGrid::DblClick() {
  if (OnDblClick) OnDblClick(this);
}
