#pragma once
// Loads a picture file by name, choosing the reader by the file's extension.

#include <QByteArray>
#include <QSize>
#include <QString>

#include "pictures/picture.h"
#include "pictures/picturelimits.h"
#include "platform/errors.h"

namespace zarn {

// The file name's text from its last dot on, with Latin letters upper-cased
// ("photo.jpeg" gives ".JPEG"); empty when the name has no dot. Dots in folder
// names do not count.
QString PictureExtension(const QString& fileName);

// Decodes bytes with the reader registered for `extension`.
ErrorOr<TPicture> DecodePicture(const QString& extension, const QByteArray& bytes, const QSize& fitArea = {},
                                const TDecodeCancel& cancel = NeverCancelled());

// Reads and decodes a file; every error names the file. See PictureReader for
// `fitArea` and `cancel`. Takes as long as the file needs: call it off the GUI thread.
ErrorOr<TPicture> LoadPictureFile(const QString& path, const QSize& fitArea = {},
                                  const TDecodeCancel& cancel = NeverCancelled());

}  // namespace zarn
