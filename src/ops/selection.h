#pragma once
// Marking rows of the main list and the selection summary line. Widget-free:
// it acts on the list through TCommandHost. GUI thread only.

#include <QObject>
#include <QString>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>

#include "ops/selectionsummary.h"

namespace zarn {

class TCommandHost;
class TFolderSizeWorkers;

// The display name of the row last clicked or made ready for in-place
// renaming: the old name of an in-place rename. GUI thread only.
inline QString CurrentItemName;

enum class MarkAdvance { Stay, NextRow };

// From this many marked rows on, the summary is counted on a worker thread
// (one stat a row: a million rows take seconds) while the window goes on.
inline constexpr std::size_t kCountInBackgroundFrom = 20000;

// "Подсчёт выделенного: N из M" while a background count runs.
QString CountingStatusText(std::size_t counted, std::size_t total);
// "Выделение: N из M" while the rows of a long list are marked.
QString MarkingStatusText(std::size_t done, std::size_t total);

// Sets the marks of rows [first, last).
using MarkSlice = std::function<void(int first, int last)>;

class TSelection {
 public:
  // `workers` may be null (then a marked folder starts no size walk).
  TSelection(TCommandHost& host, TFolderSizeWorkers* workers);
  ~TSelection();
  TSelection(const TSelection&) = delete;
  TSelection& operator=(const TSelection&) = delete;

  // Recomputes Totals from the marked rows and writes the summary line; a
  // large selection is counted in the background, the line written when done.
  void ShowSelectionInfo();
  // Flips the mark of the row under the cursor (Space: Stay, Insert: NextRow).
  // A folder that becomes marked gets a size worker. On the last row the
  // cursor stays.
  void ToggleMark(MarkAdvance advance);
  // A click on the list: remembers the current row's name as CurrentItemName.
  void ListViewClick();
  // Marks rows by `markSlice` and shows the summary. A long list is marked a
  // slice at a time between turns of the event loop, so that the window
  // answers meanwhile; StopCounting ends it with the rows marked so far.
  void MarkRows(MarkSlice markSlice);
  // Ends a background count or marking (Escape, a new listing); Totals and
  // the summary keep what they had. Returns true when one was running.
  bool StopCounting();
  bool IsCounting() const { return Count_ != nullptr || Marking_ != nullptr; }

  // Kept from one summary to the next; the size workers read them.
  TSelectionTotals Totals;

 private:
  struct TBackgroundCount;
  struct TSlicedMarking;
  void MarkNextSlices();
  void CountEntries(std::vector<TMarkedEntry> entries);
  void CountInBackground(std::vector<TMarkedEntry> entries);
  bool IsCurrentCount(std::uint64_t id) const;
  void ShowProgress(std::uint64_t id, std::size_t counted, std::size_t total);
  void FinishCount(std::uint64_t id, const TSelectionTotals& totals);
  void ShowTotals(const TSelectionTotals& totals);
  void AdjustTotalsForRow(int row, bool marked);

  TCommandHost& Host_;
  TFolderSizeWorkers* Workers_;
  std::unique_ptr<TBackgroundCount> Count_;
  std::unique_ptr<TSlicedMarking> Marking_;
  std::uint64_t LastCountId_ = 0;
  // False from a stopped count until the next full one: a row's change is then
  // not added to totals that belong to older marks.
  bool TotalsMatchMarks_ = true;
  QObject Receiver_;  // the worker's reports are queued to it, on the GUI thread
};

}  // namespace zarn
