#include "pictures/pictureloader.h"

#include "pictures/picturefile.h"
#include "pictures/pictureformats.h"

namespace zarn {

QString PictureExtension(const QString& fileName) {
  const qsizetype slash = fileName.lastIndexOf(QLatin1Char('/'));
  const qsizetype dot = fileName.lastIndexOf(QLatin1Char('.'));
  if (dot < 0 || dot < slash) return {};
  QString extension = fileName.mid(dot);
  for (QChar& character : extension) {
    if (character >= QLatin1Char('a') && character <= QLatin1Char('z')) character = QChar(character.unicode() - 32);
  }
  return extension;
}

ErrorOr<TPicture> DecodePicture(const QString& extension, const QByteArray& bytes, const QSize& fitArea,
                                const TDecodeCancel& cancel) {
  const TPictureFormat* format = FindPictureFormat(extension);
  if (!format) return OsError::WithText(QStringLiteral("Неизвестный формат изображения «%1»").arg(extension));
  if (bytes.isEmpty()) return OsError::WithText(QStringLiteral("Файл изображения пуст"));
  return format->Read(bytes, fitArea, cancel);
}

ErrorOr<TPicture> LoadPictureFile(const QString& path, const QSize& fitArea, const TDecodeCancel& cancel) {
  auto bytes = ReadPictureBytes(path);
  if (bytes.IsError()) return bytes.Error();
  if (IsCancelled(cancel)) return CancelledDecodeError();
  auto picture = DecodePicture(PictureExtension(path), bytes.Value(), fitArea, cancel);
  if (picture.IsError()) return OsError::WithText(picture.Error().Text(), path);
  return picture;
}

}  // namespace zarn
