#pragma once
// Decodes pictures on a worker thread, so that a large picture never freezes
// the window. The newest request wins: starting one cancels the one before it,
// whose result is then dropped unseen. One decode runs at a time, so memory is
// that of one picture being decoded, however fast the user moves on.
//
// Create, start and cancel on one thread (the GUI thread); the work runs on
// the decoder's own worker thread, and its result comes back to the creating
// thread through its event loop.

#include <QObject>
#include <QThreadPool>

#include <functional>
#include <memory>

#include "pictures/picture.h"
#include "pictures/picturelimits.h"
#include "platform/errors.h"

namespace zarn {

class TPictureDecoder : public QObject {
  Q_OBJECT

 public:
  // Runs on the worker thread; should give up soon after `cancel` is set.
  using TWork = std::function<ErrorOr<TPicture>(const TDecodeCancel& cancel)>;
  // Runs on the creating thread with the result of the newest request only.
  using TDone = std::function<void(ErrorOr<TPicture> result)>;

  explicit TPictureDecoder(QObject* parent = nullptr);
  // Cancels the running work and waits for it to stop.
  ~TPictureDecoder() override;

  void Start(TWork work, TDone done);
  // Cancels the newest request: its `done` is never called.
  void Cancel();
  // True from Start until its `done` has been called or it was cancelled.
  bool IsBusy() const { return Current_ != nullptr; }

 private:
  void Deliver(quint64 request, ErrorOr<TPicture> result, const TDone& done);

  QThreadPool Worker_;
  // Only from the creating thread.
  std::shared_ptr<TDecodeCancel> Current_;
  quint64 Newest_ = 0;
};

}  // namespace zarn
