// The main table as the main window renders it from a list file: its header row and the rows
// of the 256 vectors, as aligned text.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "listtool/ListSnapshot.h"

using TTableRow = std::array<std::string, 6>;

// Row 0 (the headings) and rows 1 to 256, each cell's text as the main window writes it.
std::vector<TTableRow> TableRows(const TListSnapshot& Snapshot);

// One line per row, each cell made safe for a terminal (DisplayText) and padded to its
// column's widest cell, columns two blanks apart. A line ends after its last non-empty cell,
// so no padding trails it; the cells' own blanks are kept.
std::string AlignedTable(const std::vector<TTableRow>& Rows);
