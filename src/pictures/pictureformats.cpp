#include "pictures/pictureformats.h"

#include <vector>

#include "pictures/jpegreader.h"
#include "pictures/metafile.h"
#include "pictures/pngreader.h"
#include "pictures/qtpicturereaders.h"

namespace zarn {
namespace {

QString NormalizedExtension(const QString& extension) {
  QString text = extension.startsWith(QLatin1Char('.')) ? extension.mid(1) : extension;
  for (QChar& character : text) {
    if (character >= QLatin1Char('a') && character <= QLatin1Char('z')) character = QChar(character.unicode() - 32);
  }
  return text;
}

ErrorOr<TPicture> ReadMetafilePicture(const QByteArray& bytes, const QSize&, const TDecodeCancel&) {
  auto metafile = ParseMetafile(bytes);
  if (metafile.IsError()) return metafile.Error();
  const bool truncated = metafile.Value().IsTruncated();
  TPicture picture = TPicture::FromMetafile(std::make_shared<const TMetafile>(metafile.TakeValue()));
  if (truncated) picture.MarkDamaged(QStringLiteral("metafile without its end record"));
  return picture;
}

std::vector<TPictureFormat> BuiltInFormats() {
  return {
      {QStringLiteral("JPG"), QStringLiteral("JPEG Image File"), ReadJpegPicture},
      {QStringLiteral("JPEG"), QStringLiteral("JPEG Image File"), ReadJpegPicture},
      {QStringLiteral("PNG"), QStringLiteral("Portable Network Graphics"), ReadPngPicture},
      {QStringLiteral("GIF"), QStringLiteral("Graphics Interchange Format"), ReadGifPicture},
      {QStringLiteral("BMP"), QStringLiteral("Bitmaps"), ReadBmpPicture},
      {QStringLiteral("ICO"), QStringLiteral("Icons"), ReadIconPicture},
      {QStringLiteral("WMF"), QStringLiteral("Metafiles"), ReadMetafilePicture},
  };
}

std::vector<TPictureFormat>& Registry() {
  static std::vector<TPictureFormat> formats = BuiltInFormats();
  return formats;
}

}  // namespace

void RegisterPictureFormat(TPictureFormat format) {
  format.Extension = NormalizedExtension(format.Extension);
  for (TPictureFormat& existing : Registry()) {
    if (existing.Extension == format.Extension) {
      existing = std::move(format);
      return;
    }
  }
  Registry().push_back(std::move(format));
}

const TPictureFormat* FindPictureFormat(const QString& extension) {
  const QString wanted = NormalizedExtension(extension);
  for (const TPictureFormat& format : Registry()) {
    if (format.Extension == wanted) return &format;
  }
  return nullptr;
}

QList<TPictureFormat> PictureFormats() { return QList<TPictureFormat>(Registry().begin(), Registry().end()); }

}  // namespace zarn
