#pragma once
// GIF, BMP and ICO through Qt's own readers. The readers are handed the bytes
// (never a path: QImageReader blocks forever on a FIFO) and the format is
// fixed by the extension, not guessed from the contents. They decode whole
// pictures only, so pictures over kMaxDecodedPixels are refused; GIF and BMP
// pictures larger than `fitArea` are then reduced to it.

#include <QByteArray>
#include <QSize>

#include "pictures/picture.h"
#include "pictures/picturelimits.h"
#include "platform/errors.h"

namespace zarn {

// The first frame of an animation.
ErrorOr<TPicture> ReadGifPicture(const QByteArray& bytes, const QSize& fitArea,
                                 const TDecodeCancel& cancel = NeverCancelled());
ErrorOr<TPicture> ReadBmpPicture(const QByteArray& bytes, const QSize& fitArea,
                                 const TDecodeCancel& cancel = NeverCancelled());
// The largest of the icon's images, at its own size.
ErrorOr<TPicture> ReadIconPicture(const QByteArray& bytes, const QSize& fitArea,
                                  const TDecodeCancel& cancel = NeverCancelled());

}  // namespace zarn
