#pragma once
// The folder-size workers: when a folder becomes marked, a background thread
// walks its tree (platform/treesize.h) at below-normal priority and the
// running total comes back to the GUI thread, into the folder's row and the
// summary line.
//
// A worker belongs to the listing that started it. Listing the folder again
// stops it (StopAll) and its late reports are dropped by the listing
// generation, so a report never lands in another listing's rows; at close the
// window waits for every worker (WaitForStopped) before it releases its list.
// Reports come at most about 30 a second; the last one carries the exact total.

#include <QObject>
#include <QString>
#include <QThread>

#include <atomic>
#include <cstdint>
#include <vector>

#include "ops/selectionsummary.h"

namespace zarn {

class TCommandHost;

inline const QString SizingStatusText = QStringLiteral("Вычисляю размер...");

// One walk of one folder tree. Path, RowIndex and Generation are set before the
// thread starts and only read afterwards; the stop flag is the one shared member.
class TFolderSize : public QThread {
  Q_OBJECT
 public:
  TFolderSize(std::uint64_t id, QString path, int rowIndex, std::uint64_t generation, QObject* parent = nullptr);

  const std::uint64_t Id;  // unique for the run, so late notices never match a newer worker
  const QString Path;
  const int RowIndex;
  const std::uint64_t Generation;

  // Asks the walk to end; safe from any thread.
  void Stop() { StopRequested_ = true; }
  bool StopRequested() const { return StopRequested_; }

 signals:
  // A running total in bytes, emitted on the worker's thread. A tree without a
  // single file reports nothing at all.
  void SizeReported(quint64 workerId, qint64 bytes);

 protected:
  void run() override;

 private:
  std::atomic<bool> StopRequested_{false};
};

// The main window's list of running workers. Owns them. GUI thread only.
class TFolderSizeWorkers : public QObject {
  Q_OBJECT
 public:
  // `totals` are the selection totals the progress reports add to.
  TFolderSizeWorkers(TCommandHost& host, const TSelectionTotals& totals, QObject* parent = nullptr);
  // Stops and waits for every worker still running.
  ~TFolderSizeWorkers() override;

  // Starts a worker for the folder `path` shown in row `rowIndex` of the current listing.
  void RunThread(const QString& path, int rowIndex);
  // A worker's end: removes it from the list and frees it.
  void TerminateThread(TFolderSize* worker);
  // A progress report: the status and summary lines, and the size of row `rowIndex`.
  void AddListVievSize(int rowIndex, double sizeBytes);

  // Call when the folder is listed again: every worker stops, none reports again.
  void StopAll();
  // Call at close, before the item list is released: stops and waits for all.
  void WaitForStopped();

  int RunningCount() const { return int(Running_.size()); }

 signals:
  // After a worker has ended and been removed (tests wait on it).
  void WorkerEnded();

 private:
  void DeliverReport(quint64 workerId, qint64 bytes);
  void WorkerFinished(quint64 workerId);
  TFolderSize* FindRunning(quint64 workerId) const;

  TCommandHost& Host_;
  const TSelectionTotals& Totals_;
  std::vector<TFolderSize*> Running_;  // owned; in start order
  std::uint64_t NextId_ = 1;
};

}  // namespace zarn
