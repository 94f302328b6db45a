#include "ops/tfoldersize.h"

#include <algorithm>
#include <limits>

#include "ops/commandhost.h"
#include "platform/filenames.h"
#include "platform/treesize.h"

namespace zarn {

TFolderSize::TFolderSize(std::uint64_t id, QString path, int rowIndex, std::uint64_t generation, QObject* parent)
    : QThread(parent), Id(id), Path(std::move(path)), RowIndex(rowIndex), Generation(generation) {}

void TFolderSize::run() {
  // The walker's last report always carries the final total; a tree holding no
  // file at all gives no report, so its row keeps the size it had.
  bool reported = false;
  std::int64_t finalBytes = 0;
  const TreeSizeResult result = WalkTreeSize(
      ToNativeName(Path), StopRequested_, [&](std::int64_t bytes, bool final) {
        if (final) {
          finalBytes = bytes;
          return;
        }
        // The walker's first tick may come before any file was counted.
        if (bytes == 0) return;
        reported = true;
        emit SizeReported(Id, bytes);
      });
  if (!StopRequested_ && (reported || result.Files > 0)) emit SizeReported(Id, finalBytes);
}

TFolderSizeWorkers::TFolderSizeWorkers(TCommandHost& host, const TSelectionTotals& totals, QObject* parent)
    : QObject(parent), Host_(host), Totals_(totals) {}

TFolderSizeWorkers::~TFolderSizeWorkers() { WaitForStopped(); }

void TFolderSizeWorkers::RunThread(const QString& path, int rowIndex) {
  const std::uint64_t id = NextId_++;
  auto* worker = new TFolderSize(id, path, rowIndex, Host_.ListingGeneration());
  // Queued: the report runs on the GUI thread, in order before the end notice.
  connect(worker, &TFolderSize::SizeReported, this, &TFolderSizeWorkers::DeliverReport, Qt::QueuedConnection);
  connect(worker, &QThread::finished, this, [this, id] { WorkerFinished(id); }, Qt::QueuedConnection);
  Running_.push_back(worker);
  // The walker lowers its own threads' priority; this one only waits on them.
  worker->start(QThread::LowPriority);
}

void TFolderSizeWorkers::TerminateThread(TFolderSize* worker) {
  const auto found = std::find(Running_.begin(), Running_.end(), worker);
  if (found == Running_.end()) return;
  Running_.erase(found);
  worker->wait();
  delete worker;
  emit WorkerEnded();
}

void TFolderSizeWorkers::AddListVievSize(int rowIndex, double sizeBytes) {
  Host_.SetStatusText(SizingStatusText);
  const std::int64_t kb = std::int64_t(sizeBytes) / 1024;
  Host_.SetSummaryText(SelectionSummaryText(Totals_.Folders, Totals_.Files, kb + Totals_.Kb));
  if (rowIndex < 0 || rowIndex >= Host_.ItemCount()) return;
  // A size past the row's 32-bit field shows as the largest one rather than wrapping negative.
  Host_.SetItemSizeKb(rowIndex, std::int32_t(std::min<std::int64_t>(kb, std::numeric_limits<std::int32_t>::max())));
  Host_.RowChanged(rowIndex);
}

void TFolderSizeWorkers::StopAll() {
  for (TFolderSize* worker : Running_) worker->Stop();
}

void TFolderSizeWorkers::WaitForStopped() {
  StopAll();
  for (TFolderSize* worker : Running_) {
    worker->wait();
    delete worker;
  }
  Running_.clear();
}

void TFolderSizeWorkers::WorkerFinished(quint64 workerId) {
  if (TFolderSize* worker = FindRunning(workerId)) TerminateThread(worker);
}

void TFolderSizeWorkers::DeliverReport(quint64 workerId, qint64 bytes) {
  TFolderSize* worker = FindRunning(workerId);
  if (worker == nullptr || worker->StopRequested()) return;
  if (worker->Generation != Host_.ListingGeneration()) {
    worker->Stop();  // its listing is gone; StopAll may not have been called
    return;
  }
  AddListVievSize(worker->RowIndex, double(bytes));
}

TFolderSize* TFolderSizeWorkers::FindRunning(quint64 workerId) const {
  const auto found = std::find_if(Running_.begin(), Running_.end(),
                                  [workerId](const TFolderSize* worker) { return worker->Id == workerId; });
  return found == Running_.end() ? nullptr : *found;
}

}  // namespace zarn
