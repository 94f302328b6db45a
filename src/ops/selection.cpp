#include "ops/selection.h"

#include <QElapsedTimer>
#include <QTimer>

#include <atomic>
#include <thread>

#include "ops/commandhost.h"
#include "ops/listkeys.h"
#include "ops/tfoldersize.h"
#include "platform/groupdigits.h"

namespace zarn {

struct TSelection::TBackgroundCount {
  std::uint64_t Id = 0;
  std::atomic<bool> Stop{false};
  std::size_t Total = 0;
  std::thread Worker;
};

QString CountingStatusText(std::size_t counted, std::size_t total) {
  return QStringLiteral("Подсчёт выделенного: ") + GroupDigits(QString::number(counted)) + QStringLiteral(" из ") +
         GroupDigits(QString::number(total));
}

// Rows are marked this many at a time, as many slices a turn of the event
// loop as fit in kTurnBudgetMs.
constexpr int kMarkSliceRows = 8192;
constexpr qint64 kTurnBudgetMs = 30;

struct TSelection::TSlicedMarking {
  MarkSlice Slice;
  int Next = 0;
  int Total = 0;
  std::vector<TMarkedEntry> Entries;
  QTimer Turn;
};

QString MarkingStatusText(std::size_t done, std::size_t total) {
  return QStringLiteral("Выделение: ") + GroupDigits(QString::number(done)) + QStringLiteral(" из ") +
         GroupDigits(QString::number(total));
}

TSelection::TSelection(TCommandHost& host, TFolderSizeWorkers* workers) : Host_(host), Workers_(workers) {}

TSelection::~TSelection() { StopCounting(); }

void TSelection::ShowSelectionInfo() {
  StopCounting();
  CountEntries(MarkedEntries(Host_));
}

void TSelection::MarkRows(MarkSlice markSlice) {
  StopCounting();
  const int total = Host_.ItemCount();
  if (std::size_t(total) < kCountInBackgroundFrom) {
    markSlice(0, total);
    Host_.RepaintList();
    return ShowSelectionInfo();
  }
  Marking_ = std::make_unique<TSlicedMarking>();
  Marking_->Slice = std::move(markSlice);
  Marking_->Total = total;
  Marking_->Turn.setInterval(0);
  QObject::connect(&Marking_->Turn, &QTimer::timeout, &Receiver_, [this] { MarkNextSlices(); });
  Marking_->Turn.start();
  Host_.SetStatusText(MarkingStatusText(0, std::size_t(total)));
}

void TSelection::MarkNextSlices() {
  TSlicedMarking& marking = *Marking_;
  QElapsedTimer turn;
  turn.start();
  while (marking.Next < marking.Total && turn.elapsed() < kTurnBudgetMs) {
    const int first = marking.Next;
    const int last = std::min(marking.Total, first + kMarkSliceRows);
    marking.Slice(first, last);
    for (int row = first; row < last; ++row) {
      if (Host_.ItemMarked(row)) marking.Entries.push_back(MarkedEntryOf(Host_, row));
    }
    marking.Next = last;
  }
  Host_.RepaintList();
  if (marking.Next < marking.Total) {
    return Host_.SetStatusText(MarkingStatusText(std::size_t(marking.Next), std::size_t(marking.Total)));
  }
  std::vector<TMarkedEntry> entries = std::move(marking.Entries);
  Marking_.reset();
  Host_.SetStatusText(IdleStatusAfterKey);
  CountEntries(std::move(entries));
}

void TSelection::CountEntries(std::vector<TMarkedEntry> entries) {
  if (entries.size() >= kCountInBackgroundFrom) {
    CountInBackground(std::move(entries));
    return;
  }
  const std::atomic<bool> never{false};
  ShowTotals(CountMarkedEntries(entries, never));
}

void TSelection::ShowTotals(const TSelectionTotals& totals) {
  Totals = totals;
  TotalsMatchMarks_ = true;
  Host_.SetSummaryText(SelectionSummaryText(Totals));
}

// Reports come back queued to Receiver_ with their count's id; one from a
// count that was stopped meanwhile finds another id or none and is dropped.
void TSelection::CountInBackground(std::vector<TMarkedEntry> entries) {
  Count_ = std::make_unique<TBackgroundCount>();
  TBackgroundCount* count = Count_.get();
  count->Id = ++LastCountId_;
  count->Total = entries.size();
  Host_.SetStatusText(CountingStatusText(0, count->Total));
  count->Worker = std::thread([this, count, entries = std::move(entries)] {
    const std::uint64_t id = count->Id;
    const std::size_t total = count->Total;
    const TSelectionTotals totals = CountMarkedEntries(entries, count->Stop, [this, id, total](std::size_t counted) {
      QMetaObject::invokeMethod(&Receiver_, [this, id, counted, total] { ShowProgress(id, counted, total); },
                                Qt::QueuedConnection);
    });
    if (count->Stop) return;
    QMetaObject::invokeMethod(&Receiver_, [this, id, totals] { FinishCount(id, totals); }, Qt::QueuedConnection);
  });
}

bool TSelection::IsCurrentCount(std::uint64_t id) const { return Count_ && Count_->Id == id; }

void TSelection::ShowProgress(std::uint64_t id, std::size_t counted, std::size_t total) {
  if (IsCurrentCount(id)) Host_.SetStatusText(CountingStatusText(counted, total));
}

void TSelection::FinishCount(std::uint64_t id, const TSelectionTotals& totals) {
  if (!IsCurrentCount(id)) return;
  Count_->Worker.join();
  Count_.reset();
  Host_.SetStatusText(IdleStatusAfterKey);
  ShowTotals(totals);
}

bool TSelection::StopCounting() {
  if (Marking_) {
    Marking_.reset();
    TotalsMatchMarks_ = false;
    return true;
  }
  if (!Count_) return false;
  Count_->Stop = true;
  Count_->Worker.join();
  Count_.reset();
  TotalsMatchMarks_ = false;
  return true;
}

// With many rows marked, one row's mark changes the totals by that row alone
// rather than by a count of them all.
void TSelection::AdjustTotalsForRow(int row, bool marked) {
  const std::atomic<bool> never{false};
  const TSelectionTotals change = CountMarkedEntries({MarkedEntryOf(Host_, row)}, never);
  const int sign = marked ? 1 : -1;
  Totals.Folders += sign * change.Folders;
  Totals.Files += sign * change.Files;
  Totals.Kb += sign * change.Kb;
  Host_.SetSummaryText(SelectionSummaryText(Totals));
}

void TSelection::ToggleMark(MarkAdvance advance) {
  const int row = Host_.CurrentRow();
  if (row < 0 || row >= Host_.ItemCount()) return;
  const bool marked = !Host_.ItemMarked(row);
  Host_.SetItemMarked(row, marked);
  Host_.RowChanged(row);
  const bool onDisk = !Host_.ItemKnownBytes(row);
  if (marked && onDisk && Host_.ItemIsFolder(row) && Workers_ != nullptr) Workers_->RunThread(Host_.ItemPath(row), row);
  if (advance == MarkAdvance::NextRow && row + 1 < Host_.ItemCount()) Host_.SelectRow(row + 1);
  const bool large = std::size_t(Totals.Folders + Totals.Files) >= kCountInBackgroundFrom;
  if (large && TotalsMatchMarks_ && !IsCounting()) {
    AdjustTotalsForRow(row, marked);
  } else {
    ShowSelectionInfo();
  }
}

void TSelection::ListViewClick() {
  const int row = Host_.CurrentRow();
  if (row >= 0 && row < Host_.ItemCount()) CurrentItemName = Host_.ItemName(row);
}

}  // namespace zarn
