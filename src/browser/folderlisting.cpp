#include "browser/folderlisting.h"

#include <malloc.h>

#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>

#include "platform/childorder.h"

namespace zarn {
namespace {

// The cancel flag is read once per this many children.
constexpr std::size_t kBatch = 4096;

ErrorOr<std::vector<IdListPtr>> Enumerate(ShellFolder& folder, TListingProgress& progress) {
  auto enumerator = folder.EnumObjects(SHCONTF_FOLDERS | SHCONTF_NONFOLDERS | SHCONTF_INCLUDEHIDDEN);
  if (enumerator.IsError()) return enumerator.Error();
  std::vector<IdListPtr> children;
  while (IdListPtr child = enumerator.Value()->Next()) {
    children.push_back(std::move(child));
    if (children.size() % kBatch != 0) continue;
    progress.EntriesRead.store(children.size(), std::memory_order_relaxed);
    if (progress.Cancelled.load(std::memory_order_relaxed)) return OsError(ECANCELED, QString());
  }
  progress.EntriesRead.store(children.size(), std::memory_order_relaxed);
  return children;
}

std::vector<TShellItem> RowsInOrder(std::vector<IdListPtr> children, std::vector<QString> names,
                                    const std::vector<std::uint32_t>& order) {
  std::vector<TShellItem> rows;
  rows.reserve(order.size());
  for (const std::uint32_t position : order) {
    TShellItem& row = rows.emplace_back();
    row.IdList = children[position].release();
    row.DisplayName = std::move(names[position]);
  }
  return rows;
}

}  // namespace

ErrorOr<TFolderRows> ListFolder(std::unique_ptr<ShellFolder> folder, int sortMode, TListingProgress& progress) {
  auto children = Enumerate(*folder, progress);
  if (children.IsError()) return children.Error();
  std::vector<std::uint32_t> order;
  std::vector<QString> names;
  {
    std::vector<ConstItemIdList> ids;
    ids.reserve(children.Value().size());
    for (const IdListPtr& child : children.Value()) ids.push_back(child.get());
    order = SortedChildOrder(*folder, sortMode, ids, &names);
  }
  if (progress.Cancelled.load()) return OsError(ECANCELED, QString());
  TFolderRows listed;
  listed.Items = RowsInOrder(children.TakeValue(), std::move(names), order);
  listed.Folder = std::move(folder);
  // The sort keys of a big folder are freed now; give their pages back.
  if (order.size() > 10000) ::malloc_trim(0);
  return listed;
}

struct TFolderListing::TShared {
  // Made on the starting thread and deleted there, whichever side lets go last.
  std::shared_ptr<TListingNotifier> Notifier{new TListingNotifier, [](TListingNotifier* notifier) {
                                               notifier->deleteLater();
                                             }};
  TListingProgress Progress;
  std::mutex Mutex;
  std::condition_variable Done;
  bool Finished = false;
  std::optional<ErrorOr<TFolderRows>> Result;
};

std::shared_ptr<TFolderListing> TFolderListing::Start(std::unique_ptr<ShellFolder> folder, int sortMode) {
  auto shared = std::make_shared<std::unique_ptr<ShellFolder>>(std::move(folder));
  return Start([shared]() -> ErrorOr<std::unique_ptr<ShellFolder>> { return std::move(*shared); }, sortMode);
}

std::shared_ptr<TFolderListing> TFolderListing::Start(FolderBinder bind, int sortMode) {
  auto shared = std::make_shared<TShared>();
  // Detached: a worker stuck in a file system that stopped answering must
  // keep neither the window nor the program's end waiting.
  std::thread([shared, bind = std::move(bind), sortMode]() mutable {
    auto folder = bind();
    auto result = folder.IsError() ? ErrorOr<TFolderRows>(folder.Error())
                                   : ListFolder(folder.TakeValue(), sortMode, shared->Progress);
    {
      const std::lock_guard lock(shared->Mutex);
      shared->Result.emplace(std::move(result));
      shared->Finished = true;
    }
    shared->Done.notify_all();
    emit shared->Notifier->Finished();
  }).detach();
  return std::shared_ptr<TFolderListing>(new TFolderListing(std::move(shared)));
}

TFolderListing::~TFolderListing() { Cancel(); }

const TListingNotifier* TFolderListing::Notifier() const { return Shared_->Notifier.get(); }

bool TFolderListing::WaitFor(std::chrono::milliseconds budget) {
  std::unique_lock lock(Shared_->Mutex);
  return Shared_->Done.wait_for(lock, budget, [this] { return Shared_->Finished; });
}

bool TFolderListing::IsFinished() const {
  const std::lock_guard lock(Shared_->Mutex);
  return Shared_->Finished;
}

void TFolderListing::Cancel() { Shared_->Progress.Cancelled.store(true); }

std::size_t TFolderListing::EntriesRead() const { return Shared_->Progress.EntriesRead.load(); }

ErrorOr<TFolderRows> TFolderListing::TakeResult() {
  const std::lock_guard lock(Shared_->Mutex);
  if (!Shared_->Result) return OsError(EAGAIN, QString());
  ErrorOr<TFolderRows> result = std::move(*Shared_->Result);
  Shared_->Result.reset();
  return result;
}

void FreeInBackground(std::vector<TShellItem> items) {
  if (items.size() < 10000) return;
  std::thread([items = std::move(items)]() mutable {
    std::vector<TShellItem>().swap(items);
    ::malloc_trim(0);
  }).detach();
}

}  // namespace zarn
