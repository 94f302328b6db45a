#include "pictures/picturelimits.h"

#include <cerrno>

namespace zarn {

ErrorOrDone CheckPictureSize(qint64 width, qint64 height) {
  if (width <= 0 || height <= 0) {
    return OsError::WithText(QStringLiteral("Неверные размеры изображения: %1 x %2").arg(width).arg(height));
  }
  if (width > kMaxPictureSide || height > kMaxPictureSide) {
    return OsError::WithText(QStringLiteral("Изображение слишком велико: %1 x %2 точек (допустимо не более %3 x %3)")
                                 .arg(width)
                                 .arg(height)
                                 .arg(kMaxPictureSide));
  }
  return Done{};
}

ErrorOrDone CheckDecodedPixels(qint64 width, qint64 height) {
  if (width * height <= kMaxDecodedPixels) return Done{};
  return OsError::WithText(QStringLiteral("Изображение слишком велико для просмотра: %1 x %2 точек "
                                          "(целиком показываются не более %3 млн точек)")
                               .arg(width)
                               .arg(height)
                               .arg(kMaxDecodedPixels / 1000000));
}

ErrorOrDone CheckExpansion(qint64 width, qint64 height, qint64 declaredBytes, qint64 inputBytes,
                           qint64 maxExpansion) {
  // A small picture is cheap whatever its file says; only large claims matter.
  constexpr qint64 kAlwaysAllowedBytes = qint64(4) << 20;
  if (declaredBytes <= kAlwaysAllowedBytes) return Done{};
  if (inputBytes > 0 && declaredBytes / inputBytes <= maxExpansion) return Done{};
  return OsError::WithText(
      QStringLiteral("Размеры изображения (%1 x %2) не соответствуют размеру файла: "
                     "файл повреждён или это «бомба» распаковки")
          .arg(width)
          .arg(height));
}

OsError DamagedPictureError(const QString& detail) {
  QString text = QStringLiteral("Файл изображения повреждён или имеет другой формат");
  if (!detail.isEmpty()) text += QStringLiteral(" (") + detail + QStringLiteral(")");
  return OsError::WithText(text);
}

const TDecodeCancel& NeverCancelled() {
  static const TDecodeCancel never{false};
  return never;
}

OsError CancelledDecodeError() { return OsError(ECANCELED); }

}  // namespace zarn
