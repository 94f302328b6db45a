#pragma once
// PNG through libpng, its picture data inflated by ISA-L (TInflatedPngSource).
// A picture larger than `fitArea` is decoded reduced to the fitted size as its
// rows arrive (see TPicture::NeedsSharperDecode).

#include <QByteArray>
#include <QSize>

#include "pictures/picture.h"
#include "pictures/picturelimits.h"
#include "platform/errors.h"

namespace zarn {

ErrorOr<TPicture> ReadPngPicture(const QByteArray& bytes, const QSize& fitArea,
                                 const TDecodeCancel& cancel = NeverCancelled());

}  // namespace zarn
