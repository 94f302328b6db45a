#include "ops/selection.h"

#include "ops/commandhost.h"
#include "ops/tfoldersize.h"

namespace zarn {

void TSelection::ShowSelectionInfo() {
  Totals = CountSelection(Host_);
  Host_.SetSummaryText(SelectionSummaryText(Totals));
}

void TSelection::ToggleMark(MarkAdvance advance) {
  const int row = Host_.CurrentRow();
  if (row < 0 || row >= Host_.ItemCount()) return;
  const bool marked = !Host_.ItemMarked(row);
  Host_.SetItemMarked(row, marked);
  Host_.RowChanged(row);
  if (marked && Host_.ItemIsFolder(row) && Workers_ != nullptr) Workers_->RunThread(Host_.ItemPath(row), row);
  if (advance == MarkAdvance::NextRow && row + 1 < Host_.ItemCount()) Host_.SelectRow(row + 1);
  ShowSelectionInfo();
}

void TSelection::ListViewClick() {
  const int row = Host_.CurrentRow();
  if (row >= 0 && row < Host_.ItemCount()) CurrentItemName = Host_.ItemName(row);
}

}  // namespace zarn
