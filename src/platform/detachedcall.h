#pragma once
// A call that may wait on a file system (a folder read, statvfs, a stat on a
// network mount), run on a worker thread of its own so that the window goes
// on answering. The worker is detached: one stuck in a file system that
// stopped answering keeps neither the window nor the program's end waiting,
// and its result is dropped when nobody wants it any more.

#include <QObject>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

#include "platform/guard.h"

namespace zarn {

// Says, from the worker, that a call is done.
class TCallNotifier : public QObject {
  Q_OBJECT
 signals:
  void Finished();
};

template <typename T>
class TDetachedCall {
 public:
  // Starts `call` on a worker. Call from the thread whose event loop is to
  // hear Notifier()'s Finished.
  static std::shared_ptr<TDetachedCall> Start(std::function<T()> call) {
    auto shared = std::make_shared<TShared>();
    std::thread([shared, call = std::move(call)] {
      T result = call();
      {
        const std::lock_guard lock(shared->Mutex);
        shared->Result.emplace(std::move(result));
        shared->Finished = true;
      }
      shared->Done.notify_all();
      emit shared->Notifier->Finished();
    }).detach();
    return std::shared_ptr<TDetachedCall>(new TDetachedCall(std::move(shared)));
  }

  // True once the call is done, waiting for it at most `budget`.
  bool WaitFor(std::chrono::milliseconds budget) {
    std::unique_lock lock(Shared_->Mutex);
    return Shared_->Done.wait_for(lock, budget, [this] { return Shared_->Finished; });
  }
  bool IsFinished() const {
    const std::lock_guard lock(Shared_->Mutex);
    return Shared_->Finished;
  }
  // The result, once finished; only once.
  std::optional<T> TakeResult() {
    const std::lock_guard lock(Shared_->Mutex);
    return std::exchange(Shared_->Result, std::nullopt);
  }
  // Emits Finished from the worker once the call is done.
  const TCallNotifier* Notifier() const { return Shared_->Notifier.get(); }

 private:
  struct TShared {
    // Made on the starting thread and deleted there, whichever side lets go last.
    std::shared_ptr<TCallNotifier> Notifier{new TCallNotifier, [](TCallNotifier* notifier) {
                                              notifier->deleteLater();
                                            }};
    std::mutex Mutex;
    std::condition_variable Done;
    bool Finished = false;
    std::optional<T> Result;
  };
  explicit TDetachedCall(std::shared_ptr<TShared> shared) : Shared_(std::move(shared)) {}
  std::shared_ptr<TShared> Shared_;
};

// Waits at most `budget` for `call` (a TDetachedCall or anything with its
// WaitFor, IsFinished and Notifier) and runs `done` at once when it finished
// meanwhile; otherwise `done` runs on `context`'s thread when the worker says
// so, guarded there (platform/guard.h). Returns true when `done` ran here,
// where its errors reach the caller. `done` must check that its call is still
// the one wanted: the window may have moved on.
template <typename Call, typename Done>
bool WhenFinished(QObject* context, const std::shared_ptr<Call>& call, std::chrono::milliseconds budget, Done done) {
  if (call->WaitFor(budget)) {
    done();
    return true;
  }
  QObject::connect(call->Notifier(), &TCallNotifier::Finished, context, GuardedSlot(done), Qt::QueuedConnection);
  if (!call->IsFinished()) return false;
  done();  // finished before it could be heard
  return true;
}

}  // namespace zarn
