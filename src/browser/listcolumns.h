#pragma once
// The columns of the main window's list, in the order shown: all that the
// model, the header, the column widths and the sort take from a column, in
// one table. A new column is one row here plus the detail it shows. No
// widget code.

#include <QString>
#include <Qt>

#include <span>

namespace zarn {

class TFolderItems;

inline constexpr int NotSortable = -1;

struct TListColumn {
  QString Caption;  // as designed, trailing blanks included
  int Width;        // pixels
  Qt::Alignment Alignment;
  // The cell's text for a row, from the details fetched for it.
  QString (*Text)(const TFolderItems& items, int row);
  int SortMode;             // the listing's sort for a click on the header (SortBy*), or NotSortable
  const char* SortMessage;  // the box shown before that sort
};

// The columns in display order. O(1).
std::span<const TListColumn> ListColumns();
int ListColumnCount();

}  // namespace zarn
