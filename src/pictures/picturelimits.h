#pragma once
// Limits every picture reader checks against the sizes a file declares, before
// it allocates anything for them, and the flag that abandons a decode.

#include <QtGlobal>

#include <atomic>

#include "platform/errors.h"

namespace zarn {

// No side of a picture may exceed this many pixels.
inline constexpr qint64 kMaxPictureSide = 20000;
// Larger files are not read at all.
inline constexpr qint64 kMaxPictureFileBytes = qint64(512) << 20;

// No reader holds a decoded image of more pixels than this (128 MB at 32 bits a
// pixel); larger pictures are decoded reduced to the size shown, or refused by
// the readers that can only decode them whole.
inline constexpr qint64 kMaxDecodedPixels = qint64(32) << 20;

// Refuses empty or oversized dimensions.
ErrorOrDone CheckPictureSize(qint64 width, qint64 height);

// Refuses to decode a picture of `width` x `height` whole when that is more
// pixels than kMaxDecodedPixels.
ErrorOrDone CheckDecodedPixels(qint64 width, qint64 height);

// Refuses a "decompression bomb": a file that declares more decoded data than
// its format could possibly pack into `inputBytes`. `declaredBytes` is the data
// decoding would produce in the format's own representation, `maxExpansion` the
// best ratio the format's compression can reach on real data.
ErrorOrDone CheckExpansion(qint64 width, qint64 height, qint64 declaredBytes, qint64 inputBytes,
                           qint64 maxExpansion);

// The loader's error for data a reader cannot make sense of.
OsError DamagedPictureError(const QString& detail);

// Set by the thread that asked for a decode to abandon it; readers running on
// a worker thread look at it between rows and then give up with
// CancelledDecodeError().
using TDecodeCancel = std::atomic<bool>;
// A flag nobody sets, for decodes that run to their end.
const TDecodeCancel& NeverCancelled();
OsError CancelledDecodeError();
inline bool IsCancelled(const TDecodeCancel& cancel) { return cancel.load(std::memory_order_relaxed); }

}  // namespace zarn
