#pragma once
// The selection summary line: counts of marked folders and files and their
// total in kilobytes. Widget-free; the main window writes the text into Label1.

#include <QString>

#include <QByteArray>

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

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

// A marked row as the count needs it, taken on the GUI thread.
struct TMarkedEntry {
  QByteArray NativePath;
  std::int32_t RowSizeKb = 0;  // what a folder counts at
  // For a row inside an archive: its size from the headers, so nothing is looked up.
  std::optional<std::int64_t> KnownBytes;
  bool Folder = false;  // with KnownBytes
};

TMarkedEntry MarkedEntryOf(const TCommandHost& host, int row);
std::vector<TMarkedEntry> MarkedEntries(const TCommandHost& host);

// A folder counts at the size stored in its row; a file at its size on disk;
// an entry whose path no longer exists is left out. Cost: one stat per entry.
// Safe on any thread. `progress` (may be empty) hears the entries counted so
// far now and then; the count ends early, incomplete, once `stop` is set.
using TCountProgress = std::function<void(std::size_t counted)>;
TSelectionTotals CountMarkedEntries(const std::vector<TMarkedEntry>& entries, const std::atomic<bool>& stop,
                                    const TCountProgress& progress = {});

// The marked rows of `host`, counted at once.
TSelectionTotals CountSelection(const TCommandHost& host);

}  // namespace zarn
