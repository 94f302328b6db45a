#pragma once
// GIF, BMP and ICO through Qt's own readers. The readers are handed the bytes
// (never a path: QImageReader blocks forever on a FIFO) and the format is
// fixed by the extension, not guessed from the contents.

#include <QByteArray>
#include <QSize>

#include "pictures/picture.h"
#include "platform/errors.h"

namespace zarn {

// The first frame of an animation.
ErrorOr<TPicture> ReadGifPicture(const QByteArray& bytes, const QSize& fitArea);
ErrorOr<TPicture> ReadBmpPicture(const QByteArray& bytes, const QSize& fitArea);
// The largest of the icon's images.
ErrorOr<TPicture> ReadIconPicture(const QByteArray& bytes, const QSize& fitArea);

}  // namespace zarn
