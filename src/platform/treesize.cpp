#include "platform/treesize.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <condition_variable>
#include <deque>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <utility>
#include <vector>

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

  void Start(int rootFd, WalkPriority priority) {
    Queue_.push_back(rootFd);
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
      int folderFd = -1;
      {
        std::unique_lock lock(Mutex_);
        ++Idle_;
        WorkChanged_.wait(lock, [&] { return !Queue_.empty() || Busy_ == 0 || Stopping(); });
        --Idle_;
        if (Queue_.empty() || Stopping()) break;
        folderFd = Queue_.front();
        Queue_.pop_front();
        ++Busy_;
      }
      WalkFolder(folderFd, tally);
      Publish(tally);
      std::lock_guard lock(Mutex_);
      --Busy_;
      if (Busy_ == 0 && Queue_.empty()) WorkChanged_.notify_all();
    }
    std::lock_guard lock(Mutex_);
    // A stop leaves shared folders unwalked: close them.
    for (int fd : Queue_) ::close(fd);
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

  // False when the folder was entered before (a loop through a bind mount).
  bool FirstVisit(int folderFd) {
    struct stat info;
    if (::fstat(folderFd, &info) != 0) return false;
    std::lock_guard lock(VisitedMutex_);
    return Visited_.emplace(info.st_dev, info.st_ino).second;
  }

  // Takes ownership of `folderFd`.
  void WalkFolder(int folderFd, Tally& tally) {
    if (!FirstVisit(folderFd)) {
      ::close(folderFd);
      return;
    }
    Folders_.fetch_add(1, std::memory_order_relaxed);
    std::vector<std::string> subfolders;
    if (!ListFolder(folderFd, tally, subfolders)) Unreadable_.fetch_add(1, std::memory_order_relaxed);
    for (const std::string& name : subfolders) {
      if (Stopping()) break;
      const int subFd = ::openat(folderFd, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
      if (subFd < 0) {
        Unreadable_.fetch_add(1, std::memory_order_relaxed);
        continue;
      }
      if (!ShareFolder(subFd)) WalkFolder(subFd, tally);
    }
    ::close(folderFd);
  }

  // Hands a folder to an idle walker; false when nobody is waiting for work.
  bool ShareFolder(int folderFd) {
    if (Idle_.load(std::memory_order_relaxed) == 0) return false;
    std::lock_guard lock(Mutex_);
    if (Idle_ == 0 || Queue_.size() >= std::size_t(Threads_)) return false;
    Queue_.push_back(folderFd);
    WorkChanged_.notify_one();
    return true;
  }

  // Counts the folder's non-folder entries and collects its subfolders.
  bool ListFolder(int folderFd, Tally& tally, std::vector<std::string>& subfolders) {
    alignas(8) static thread_local char buffer[64 * 1024];
    while (!Stopping()) {
      const ssize_t length = ::getdents64(folderFd, buffer, sizeof buffer);
      if (length == 0) return true;
      if (length < 0) return false;
      for (ssize_t offset = 0; offset < length;) {
        const auto* entry = reinterpret_cast<const dirent64*>(buffer + offset);
        offset += entry->d_reclen;
        CountEntry(folderFd, entry->d_name, entry->d_type, tally, subfolders);
      }
    }
    return true;
  }

  void CountEntry(int folderFd, const char* name, unsigned char type, Tally& tally,
                  std::vector<std::string>& subfolders) {
    if (name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0))) return;
    if (type == DT_DIR) {
      subfolders.emplace_back(name);
      return;
    }
    struct stat info;
    if (::fstatat(folderFd, name, &info, AT_SYMLINK_NOFOLLOW) != 0) return;  // vanished meanwhile
    if (S_ISDIR(info.st_mode)) {  // file systems that give no d_type
      subfolders.emplace_back(name);
      return;
    }
    tally.Bytes += info.st_size;
    ++tally.Files;
    if (++tally.Pending >= PublishEvery) Publish(tally);
  }

  const std::atomic<bool>& Stop_;
  const int Threads_;
  std::vector<std::thread> Workers_;

  std::mutex Mutex_;
  std::condition_variable WorkChanged_;
  std::condition_variable DoneChanged_;
  std::deque<int> Queue_;  // protected by Mutex_: opened folders waiting for a walker
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
  const int rootFd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (rootFd < 0) {
    TreeSizeResult result;
    result.RootMissing = true;
    result.Stopped = stop.load();
    if (report) report(0, true);
    return result;
  }
  TreeWalk walk(stop, options.Threads < 1 ? 1 : options.Threads);
  walk.Start(rootFd, options.Priority);
  walk.ReportUntilDone(report, options.ReportInterval);
  TreeSizeResult result = walk.Result();
  if (report) report(result.Bytes, true);
  return result;
}

}  // namespace zarn
