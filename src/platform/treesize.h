#pragma once
// Totals the size of one folder tree in the background (the engine of the
// folder-size worker). Widget-free: the caller runs WalkTreeSize on a thread of
// its own and hands the totals to the GUI thread itself.
//
// What counts: the size in bytes (lstat) of every entry that is not a folder,
// each hard link counted again as the folder listing shows it. Links to folders
// are counted as links and never entered; a folder reached twice (a bind mount
// inside itself) is entered once, so a tree with a loop ends. A subfolder that
// cannot be read adds nothing and the walk goes on with its siblings.

#include <QByteArray>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>

namespace zarn {

enum class WalkPriority { Normal, BelowNormal };

struct TreeSizeOptions {
  // Threads that list folders; two keep one disk queue busy while the other
  // thread waits on metadata.
  int Threads = 2;
  WalkPriority Priority = WalkPriority::BelowNormal;
  // Intermediate totals come at most this often (about 30 a second).
  std::chrono::milliseconds ReportInterval{33};
};

struct TreeSizeResult {
  std::int64_t Bytes = 0;
  std::int64_t Files = 0;
  std::int64_t Folders = 0;      // entered, the root included
  std::int64_t Unreadable = 0;   // folders that could not be opened or listed
  bool Stopped = false;          // `stop` was raised before the walk ended
  bool RootMissing = false;      // the root itself could not be opened
};

// Called on the thread that runs WalkTreeSize with the running total in bytes.
// Intermediate reports come only when the total changed since the last one;
// the last call always carries the exact final total with `final` set (also
// after a stop, with what was counted so far).
using TreeSizeReport = std::function<void(std::int64_t bytes, bool final)>;

// Walks `folder` (native bytes; a link given as the root itself is followed).
// Blocks until the walk ends or `stop` becomes true. Thread-safe: any number of
// walks may run at once. Cost: one fstatat per entry, one open per folder.
TreeSizeResult WalkTreeSize(const QByteArray& folder, const std::atomic<bool>& stop, const TreeSizeReport& report,
                            const TreeSizeOptions& options = {});

}  // namespace zarn
