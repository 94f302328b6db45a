#pragma once
// The registry of picture readers, by extension (upper case, without the dot)
// and description. The loader picks a reader by the file's extension alone:
// a file whose contents are of another format than its extension says is an error.
// Register formats before decoding starts (the program registers none of its
// own); finding and running readers is safe from any thread.

#include <QByteArray>
#include <QList>
#include <QSize>
#include <QString>

#include <functional>

#include "pictures/picture.h"
#include "pictures/picturelimits.h"
#include "platform/errors.h"

namespace zarn {

// Decodes a whole file's bytes. `fitArea`, when not empty, is the area the
// picture will be shown in: a reader may decode at a reduced scale as long as
// the result is not smaller than the picture fitted into that area. A reader
// gives up with CancelledDecodeError() once `cancel` is set.
using PictureReader =
    std::function<ErrorOr<TPicture>(const QByteArray& bytes, const QSize& fitArea, const TDecodeCancel& cancel)>;

struct TPictureFormat {
  QString Extension;  // "PNG"
  QString Description;  // "Portable Network Graphics"
  PictureReader Read;
};

// Adds a format, or replaces the one registered under the same extension.
void RegisterPictureFormat(TPictureFormat format);
// The reader for an extension ("png", ".PNG" and "PNG" alike), or nullptr.
const TPictureFormat* FindPictureFormat(const QString& extension);
// Every registered format, built-in ones first.
QList<TPictureFormat> PictureFormats();

}  // namespace zarn
