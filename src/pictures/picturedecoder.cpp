#include "pictures/picturedecoder.h"

#include <QMetaObject>

namespace zarn {

TPictureDecoder::TPictureDecoder(QObject* parent) : QObject(parent) {
  Worker_.setMaxThreadCount(1);
  Worker_.setObjectName(QStringLiteral("picture decoder"));
}

TPictureDecoder::~TPictureDecoder() {
  Cancel();
  Worker_.waitForDone();
}

void TPictureDecoder::Start(TWork work, TDone done) {
  Cancel();
  auto cancel = std::make_shared<TDecodeCancel>(false);
  Current_ = cancel;
  const quint64 request = ++Newest_;
  Worker_.start([this, request, cancel, work = std::move(work), done = std::move(done)] {
    // A request overtaken while it waited for the worker is not started at all.
    ErrorOr<TPicture> result = IsCancelled(*cancel) ? ErrorOr<TPicture>(CancelledDecodeError()) : work(*cancel);
    QMetaObject::invokeMethod(
        this, [this, request, result, done] { Deliver(request, result, done); }, Qt::QueuedConnection);
  });
}

void TPictureDecoder::Cancel() {
  if (Current_) *Current_ = true;
  Current_.reset();
}

void TPictureDecoder::Deliver(quint64 request, ErrorOr<TPicture> result, const TDone& done) {
  if (request != Newest_ || !Current_) return;
  Current_.reset();
  done(std::move(result));
}

}  // namespace zarn
