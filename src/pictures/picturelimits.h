#pragma once
// Limits every picture reader checks against the sizes a file declares, before
// it allocates anything for them.

#include <QtGlobal>

#include "platform/errors.h"

namespace zarn {

// No side of a picture may exceed this many pixels.
inline constexpr qint64 kMaxPictureSide = 20000;
// Larger files are not read at all.
inline constexpr qint64 kMaxPictureFileBytes = qint64(512) << 20;

// Refuses empty or oversized dimensions.
ErrorOrDone CheckPictureSize(qint64 width, qint64 height);

// Refuses a "decompression bomb": a file that declares more decoded data than
// its format could possibly pack into `inputBytes`. `declaredBytes` is the data
// decoding would produce in the format's own representation, `maxExpansion` the
// best ratio the format's compression can reach on real data.
ErrorOrDone CheckExpansion(qint64 width, qint64 height, qint64 declaredBytes, qint64 inputBytes,
                           qint64 maxExpansion);

// The loader's error for data a reader cannot make sense of.
OsError DamagedPictureError(const QString& detail);

}  // namespace zarn
