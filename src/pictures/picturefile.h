#pragma once
// Reads a picture file into memory. Only regular files are read: a FIFO, a
// device or a socket would block or never end, and the readers are handed the
// bytes, never the path.

#include <QByteArray>
#include <QString>

#include "platform/errors.h"

namespace zarn {

// The whole file, up to kMaxPictureFileBytes. Files of the /proc kind that
// report size 0 are read up to the same limit.
ErrorOr<QByteArray> ReadPictureBytes(const QString& path);

}  // namespace zarn
