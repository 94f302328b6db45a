#pragma once
// Reading one folder into the rows of the main list: its children enumerated,
// put in the order of a sort column and made into TShellItem records. Off the
// GUI thread, so that the window answers while a huge or slow folder is read:
// TFolderListing runs it on a worker of its own, cancelled by the next
// navigation or Escape.

#include <QString>

#include <atomic>
#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <vector>

#include "browser/folderitems.h"
#include "platform/detachedcall.h"
#include "platform/errors.h"
#include "platform/shellnamespace.h"

namespace zarn {

// How long a navigation waits for its listing before the window goes on
// answering and shows the listing when it is done. Tests that read the list
// right after a navigation raise it.
inline std::chrono::milliseconds ListingWaitBudget{60};

struct TFolderRows {
  std::unique_ptr<ShellFolder> Folder;
  std::vector<TShellItem> Items;  // sorted, details pending
};

// What a listing under way tells the window.
struct TListingProgress {
  std::atomic<bool> Cancelled{false};
  std::atomic<std::size_t> EntriesRead{0};
};

// Reads `folder` sorted by `sortMode`, on the calling thread. A cancelled
// listing stops early with ECANCELED.
ErrorOr<TFolderRows> ListFolder(std::unique_ptr<ShellFolder> folder, int sortMode, TListingProgress& progress);

class TFolderListing {
 public:
  // Starts reading on a worker. Call from the thread whose event loop is to
  // hear Notifier()'s Finished.
  static std::shared_ptr<TFolderListing> Start(std::unique_ptr<ShellFolder> folder, int sortMode);
  // The same for the folder `bind` gives on the worker: binding a folder may
  // itself wait on its file system or read a whole archive.
  using FolderBinder = std::function<ErrorOr<std::unique_ptr<ShellFolder>>()>;
  static std::shared_ptr<TFolderListing> Start(FolderBinder bind, int sortMode);
  // Emits Finished from the worker once it is done, cancelled or not.
  const TCallNotifier* Notifier() const { return Call_->Notifier(); }
  ~TFolderListing();

  // True once the worker is done, waiting for it at most `budget`.
  bool WaitFor(std::chrono::milliseconds budget);
  bool IsFinished() const;
  // The worker stops at its next batch; a worker blocked in the file system
  // is left to end on its own, its result dropped.
  void Cancel();
  std::size_t EntriesRead() const;
  // The listing, once finished; only once.
  ErrorOr<TFolderRows> TakeResult();

 private:
  TFolderListing() = default;
  std::shared_ptr<TListingProgress> Progress_;
  std::shared_ptr<TDetachedCall<ErrorOr<TFolderRows>>> Call_;
};

// Frees a listing's rows on a worker: a million of them take a while.
void FreeInBackground(std::vector<TShellItem> items);

}  // namespace zarn
