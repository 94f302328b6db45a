#pragma once
// JPEG through libjpeg. Large pictures are decoded at the reduced scale the
// display area needs (libjpeg's DCT scaling), which is much faster than a
// full-size decode; TPicture::NeedsSharperDecode tells when to decode again.

#include <QByteArray>
#include <QSize>

#include "pictures/picture.h"
#include "pictures/picturelimits.h"
#include "platform/errors.h"

namespace zarn {

ErrorOr<TPicture> ReadJpegPicture(const QByteArray& bytes, const QSize& fitArea,
                                  const TDecodeCancel& cancel = NeverCancelled());

// The libjpeg scale, in eighths (1..8), for a picture of `fullSize` shown in
// `fitArea`: the smallest whose result is not smaller than the fitted picture.
int JpegScaleEighths(const QSize& fullSize, const QSize& fitArea);

}  // namespace zarn
