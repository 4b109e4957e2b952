// The string grid: a table of text cells whose fixed rows and columns are cells like any
// other, with a current cell and a double-click event.
#pragma once

#include <string>
#include <vector>

#include "vcl/Controls.h"

class EInvalidGridOperation : public Exception {
 public:
  using Exception::Exception;
};

class TStringGrid : public TControl {
 public:
  explicit TStringGrid(TComponent* AOwner);

  int ColCount() const { return colCount_; }
  int RowCount() const { return rowCount_; }
  // Growing adds empty cells; shrinking drops the cells outside the new size.
  void SetColCount(int count);
  void SetRowCount(int count);

  int FixedCols() const { return fixedCols_; }
  int FixedRows() const { return fixedRows_; }
  void SetFixedCols(int count);
  void SetFixedRows(int count);

  int DefaultColWidth() const { return defaultColWidth_; }
  int DefaultRowHeight() const { return defaultRowHeight_; }
  void SetDefaultColWidth(int width);
  void SetDefaultRowHeight(int height);

  // Any cell inside the grid, fixed ones included; a cell outside it is an error.
  const std::string& Cells(int col, int row) const;
  void SetCells(int col, int row, const std::string& text);

  // The current cell is never a fixed one.
  int Col() const { return col_; }
  int Row() const { return row_; }
  void SetCol(int col);
  void SetRow(int row);

  TScrollStyle ScrollBars = ssBoth;
  TNotifyEvent OnDblClick;
  void DblClick();

 private:
  void CheckCell(int col, int row) const;
  void Resize(int cols, int rows);
  void KeepCurrentCellInside();

  int colCount_ = 5;
  int rowCount_ = 5;
  int fixedCols_ = 1;
  int fixedRows_ = 1;
  int defaultColWidth_ = 64;
  int defaultRowHeight_ = 24;
  int col_ = 1;
  int row_ = 1;
  std::vector<std::vector<std::string>> cells_;  // [row][col]
};
