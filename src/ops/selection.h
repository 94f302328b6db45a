#pragma once
// Marking rows of the main list and the selection summary line. Widget-free:
// it acts on the list through TCommandHost. GUI thread only.

#include <QString>

#include "ops/selectionsummary.h"

namespace zarn {

class TCommandHost;
class TFolderSizeWorkers;

// The display name of the row last clicked or made ready for in-place
// renaming: the old name of an in-place rename. GUI thread only.
inline QString CurrentItemName;

enum class MarkAdvance { Stay, NextRow };

class TSelection {
 public:
  // `workers` may be null (then a marked folder starts no size walk).
  TSelection(TCommandHost& host, TFolderSizeWorkers* workers) : Host_(host), Workers_(workers) {}

  // Recomputes Totals from the marked rows and writes the summary line.
  void ShowSelectionInfo();
  // Flips the mark of the row under the cursor (Space: Stay, Insert: NextRow).
  // A folder that becomes marked gets a size worker. On the last row the
  // cursor stays.
  void ToggleMark(MarkAdvance advance);
  // A click on the list: remembers the current row's name as CurrentItemName.
  void ListViewClick();

  // Kept from one summary to the next; the size workers read them.
  TSelectionTotals Totals;

 private:
  TCommandHost& Host_;
  TFolderSizeWorkers* Workers_;
};

}  // namespace zarn
