#pragma once
// The selection summary line: counts of marked folders and files and their
// total in kilobytes. Widget-free; the main window writes the text into Label1.

#include <QString>

#include <cstdint>

namespace zarn {

class TCommandHost;

// Kept from one summary to the next; the folder-size reports add to Kb.
// Only from the GUI thread.
struct TSelectionTotals {
  int Folders = 0;
  int Files = 0;
  std::int64_t Kb = 0;
};

// "Выделено в F папках и в N файлах: K KB", K grouped by thousands.
QString SelectionSummaryText(int folders, int files, std::int64_t kb);
QString SelectionSummaryText(const TSelectionTotals& totals);

// A marked file's share of the summary: whole kilobytes rounded down, but at
// least 1 (an empty file counts as 1 KB).
std::int64_t SummaryFileKb(std::int64_t bytes);

// Counts the marked rows of `host`. A folder counts at the size stored in its
// row; a file at its size on disk; a row whose path no longer exists is left
// out. Cost: one stat per marked row.
TSelectionTotals CountSelection(const TCommandHost& host);

}  // namespace zarn
