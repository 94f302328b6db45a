#pragma once
// PNG through libpng and zlib.

#include <QByteArray>
#include <QSize>

#include "pictures/picture.h"
#include "platform/errors.h"

namespace zarn {

ErrorOr<TPicture> ReadPngPicture(const QByteArray& bytes, const QSize& fitArea);

}  // namespace zarn
