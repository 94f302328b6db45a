#include "platform/treesize.h"

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <condition_variable>
#include <deque>
#include <mutex>
#include <set>
#include <thread>
#include <utility>
#include <vector>

#include "platform/folderwalk.h"

namespace zarn {
namespace {

// How much niceness "below normal" adds, as one step below the normal priority.
constexpr int BelowNormalNiceness = 5;
// Totals gathered locally are published after this many entries, so the two
// walkers do not fight over one cache line for every file.
constexpr int PublishEvery = 64;

class TreeWalk {
 public:
  TreeWalk(const std::atomic<bool>& stop, int threads) : Stop_(stop), Threads_(threads) {}

  void Start(FolderHandle root, WalkPriority priority) {
    Queue_.push_back(std::move(root));
    for (int i = 0; i < Threads_; ++i) Workers_.emplace_back([this, priority] { Work(priority); });
  }

  // Reports on the calling thread until the walkers are done, then joins them.
  void ReportUntilDone(const TreeSizeReport& report, std::chrono::milliseconds interval) {
    std::int64_t lastReported = -1;
    std::unique_lock lock(Mutex_);
    while (!Finished_) {
      DoneChanged_.wait_for(lock, interval);
      if (Stop_.load(std::memory_order_relaxed)) WorkChanged_.notify_all();
      const std::int64_t bytes = Bytes_.load(std::memory_order_relaxed);
      if (Finished_ || bytes == lastReported || !report) continue;
      lastReported = bytes;
      lock.unlock();
      report(bytes, false);
      lock.lock();
    }
    lock.unlock();
    for (auto& worker : Workers_) worker.join();
  }

  TreeSizeResult Result() const {
    TreeSizeResult result;
    result.Bytes = Bytes_.load();
    result.Files = Files_.load();
    result.Folders = Folders_.load();
    result.Unreadable = Unreadable_.load();
    result.Stopped = Stop_.load();
    return result;
  }

 private:
  struct Tally {
    std::int64_t Bytes = 0;
    std::int64_t Files = 0;
    int Pending = 0;
  };

  bool Stopping() const { return Stop_.load(std::memory_order_relaxed); }

  void Work(WalkPriority priority) {
    if (priority == WalkPriority::BelowNormal) {
      // Linux applies a thread id's niceness to that thread alone.
      const id_t thread = id_t(gettid());
      ::setpriority(PRIO_PROCESS, thread, ::getpriority(PRIO_PROCESS, thread) + BelowNormalNiceness);
    }
    Tally tally;
    while (true) {
      FolderHandle folder;
      {
        std::unique_lock lock(Mutex_);
        ++Idle_;
        WorkChanged_.wait(lock, [&] { return !Queue_.empty() || Busy_ == 0 || Stopping(); });
        --Idle_;
        if (Queue_.empty() || Stopping()) break;
        folder = std::move(Queue_.front());
        Queue_.pop_front();
        ++Busy_;
      }
      WalkFolder(std::move(folder), tally);
      Publish(tally);
      std::lock_guard lock(Mutex_);
      --Busy_;
      if (Busy_ == 0 && Queue_.empty()) WorkChanged_.notify_all();
    }
    std::lock_guard lock(Mutex_);
    // A stop leaves shared folders unwalked: close them.
    Queue_.clear();
    if (++Exited_ == Threads_) {
      Finished_ = true;
      DoneChanged_.notify_all();
    }
    WorkChanged_.notify_all();
  }

  void Publish(Tally& tally) {
    Bytes_.fetch_add(tally.Bytes, std::memory_order_relaxed);
    Files_.fetch_add(tally.Files, std::memory_order_relaxed);
    tally = Tally{};
  }

  // Walks the tree below one folder, handing subfolders to idle walkers as it goes.
  class FolderCounter final : public TreeVisitor {
   public:
    FolderCounter(TreeWalk& walk, Tally& tally) : Walk_(walk), Tally_(tally) {}

    EnterStep Enter(FolderHandle& folder, const QByteArray& name) override {
      // A shared folder is looked at by the walker that takes it.
      if (!name.isEmpty() && Walk_.ShareFolder(folder)) return EnterStep::Skip;
      if (!Walk_.FirstVisit(folder)) return EnterStep::Skip;
      Walk_.Folders_.fetch_add(1, std::memory_order_relaxed);
      return EnterStep::Read;
    }

    WalkStep Visit(const FolderHandle& folder, const FolderEntry& entry) override {
      if (Walk_.Stopping()) return WalkStep::Stop;
      if (entry.Type == EntryType::Folder) return WalkStep::Descend;
      auto info = folder.StatEntry(entry.Name, LinkPolicy::DoNotFollow);
      if (info.IsError()) return WalkStep::Next;  // vanished meanwhile
      if (S_ISDIR(info.Value().st_mode)) return WalkStep::Descend;  // file systems that give no d_type
      Tally_.Bytes += info.Value().st_size;
      ++Tally_.Files;
      if (++Tally_.Pending >= PublishEvery) Walk_.Publish(Tally_);
      return WalkStep::Next;
    }

    void EnterFailed(const FolderHandle&, const QByteArray&, const OsError&) override { Walk_.CountUnreadable(); }
    void Failed(const OsError&) override { Walk_.CountUnreadable(); }
    bool Stopped() override { return Walk_.Stopping(); }

   private:
    TreeWalk& Walk_;
    Tally& Tally_;
  };

  void CountUnreadable() { Unreadable_.fetch_add(1, std::memory_order_relaxed); }

  // False when the folder was entered before (a loop through a bind mount).
  bool FirstVisit(const FolderHandle& folder) {
    auto info = folder.Stat();
    if (info.IsError()) return false;
    std::lock_guard lock(VisitedMutex_);
    return Visited_.emplace(info.Value().st_dev, info.Value().st_ino).second;
  }

  void WalkFolder(FolderHandle folder, Tally& tally) {
    FolderCounter counter(*this, tally);
    WalkTree(std::move(folder), counter);
  }

  // Hands a folder to an idle walker; false when nobody is waiting for work.
  bool ShareFolder(FolderHandle& folder) {
    if (Idle_.load(std::memory_order_relaxed) == 0) return false;
    std::lock_guard lock(Mutex_);
    if (Idle_ == 0 || Queue_.size() >= std::size_t(Threads_)) return false;
    Queue_.push_back(std::move(folder));
    WorkChanged_.notify_one();
    return true;
  }

  const std::atomic<bool>& Stop_;
  const int Threads_;
  std::vector<std::thread> Workers_;

  std::mutex Mutex_;
  std::condition_variable WorkChanged_;
  std::condition_variable DoneChanged_;
  std::deque<FolderHandle> Queue_;  // protected by Mutex_: opened folders waiting for a walker
  int Busy_ = 0;           // protected by Mutex_
  int Exited_ = 0;         // protected by Mutex_
  bool Finished_ = false;  // protected by Mutex_
  std::atomic<int> Idle_{0};  // written under Mutex_, read without it as a hint

  std::mutex VisitedMutex_;
  std::set<std::pair<dev_t, ino_t>> Visited_;  // protected by VisitedMutex_

  std::atomic<std::int64_t> Bytes_{0};
  std::atomic<std::int64_t> Files_{0};
  std::atomic<std::int64_t> Folders_{0};
  std::atomic<std::int64_t> Unreadable_{0};
};

}  // namespace

TreeSizeResult WalkTreeSize(const QByteArray& folder, const std::atomic<bool>& stop, const TreeSizeReport& report,
                            const TreeSizeOptions& options) {
  auto root = FolderHandle::Open(folder, LinkPolicy::Follow);
  if (root.IsError()) {
    TreeSizeResult result;
    result.RootMissing = true;
    result.Stopped = stop.load();
    if (report) report(0, true);
    return result;
  }
  TreeWalk walk(stop, options.Threads < 1 ? 1 : options.Threads);
  walk.Start(root.TakeValue(), options.Priority);
  walk.ReportUntilDone(report, options.ReportInterval);
  TreeSizeResult result = walk.Result();
  if (report) report(result.Bytes, true);
  return result;
}

}  // namespace zarn
