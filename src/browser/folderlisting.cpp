#include "browser/folderlisting.h"

#include <malloc.h>

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

std::shared_ptr<TFolderListing> TFolderListing::Start(std::unique_ptr<ShellFolder> folder, int sortMode) {
  auto shared = std::make_shared<std::unique_ptr<ShellFolder>>(std::move(folder));
  return Start([shared]() -> ErrorOr<std::unique_ptr<ShellFolder>> { return std::move(*shared); }, sortMode);
}

std::shared_ptr<TFolderListing> TFolderListing::Start(FolderBinder bind, int sortMode) {
  std::shared_ptr<TFolderListing> listing(new TFolderListing);
  listing->Progress_ = std::make_shared<TListingProgress>();
  listing->Call_ = TDetachedCall<ErrorOr<TFolderRows>>::Start(
      [progress = listing->Progress_, bind = std::move(bind), sortMode]() -> ErrorOr<TFolderRows> {
        auto folder = bind();
        if (folder.IsError()) return folder.Error();
        return ListFolder(folder.TakeValue(), sortMode, *progress);
      });
  return listing;
}

TFolderListing::~TFolderListing() { Cancel(); }

bool TFolderListing::WaitFor(std::chrono::milliseconds budget) { return Call_->WaitFor(budget); }

bool TFolderListing::IsFinished() const { return Call_->IsFinished(); }

void TFolderListing::Cancel() { Progress_->Cancelled.store(true); }

std::size_t TFolderListing::EntriesRead() const { return Progress_->EntriesRead.load(); }

ErrorOr<TFolderRows> TFolderListing::TakeResult() {
  auto result = Call_->TakeResult();
  if (!result) return OsError(EAGAIN, QString());
  return std::move(*result);
}

void FreeInBackground(std::vector<TShellItem> items) {
  if (items.size() < 10000) return;
  std::thread([items = std::move(items)]() mutable {
    std::vector<TShellItem>().swap(items);
    ::malloc_trim(0);
  }).detach();
}

}  // namespace zarn
