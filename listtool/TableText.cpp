#include "listtool/TableText.h"

#include <algorithm>

#include "app/IdtText.h"
#include "listtool/PlainText.h"

std::vector<TTableRow> TableRows(const TListSnapshot& Snapshot) {
  std::vector<TTableRow> Rows;
  TTableRow& Header = Rows.emplace_back();
  std::copy(IdtHeaderTexts.begin(), IdtHeaderTexts.end(), Header.begin());
  // A loaded list is always shown with 256 gates, whatever the IDT held when it was saved.
  for (DWORD v = 0; v < 256; ++v) {
    Rows.push_back(IdtRowTexts(v, Snapshot.IdtBuffer[v], Snapshot.VectorUsage[v],
                               Snapshot.Devices));
  }
  return Rows;
}

std::string AlignedTable(const std::vector<TTableRow>& Rows) {
  std::vector<TTableRow> Shown;
  std::array<std::size_t, 6> Widths{};
  for (const TTableRow& Row : Rows) {
    TTableRow& Cells = Shown.emplace_back();
    for (std::size_t Col = 0; Col < Row.size(); ++Col) {
      Cells[Col] = DisplayText(Row[Col]);
      Widths[Col] = std::max(Widths[Col], DisplayWidth(Cells[Col]));
    }
  }
  std::string Text;
  for (const TTableRow& Cells : Shown) {
    std::size_t Last = Cells.size();
    while (Last > 0 && Cells[Last - 1].empty()) --Last;
    for (std::size_t Col = 0; Col < Last; ++Col) {
      Text += Cells[Col];
      if (Col + 1 < Last) Text.append(Widths[Col] - DisplayWidth(Cells[Col]) + 2, ' ');
    }
    Text += '\n';
  }
  return Text;
}
