#include "pictures/picture.h"

#include <QPainter>

#include "pictures/metafile.h"

namespace zarn {

QSize FitSize(const QSize& picture, const QSize& area) {
  const qint64 width = picture.width();
  const qint64 height = picture.height();
  if (width <= 0 || height <= 0 || area.isEmpty()) return {};
  // Integer arithmetic keeps the truncation exact: width/height is the aspect.
  const qint64 areaWidth = area.width();
  const qint64 areaHeight = area.height();
  qint64 fittedWidth = areaWidth;
  qint64 fittedHeight = areaWidth * height / width;
  if (width <= height || fittedHeight > areaHeight) {
    fittedHeight = areaHeight;
    fittedWidth = areaHeight * width / height;
    if (fittedWidth > areaWidth) {
      fittedWidth = areaWidth;
      fittedHeight = areaWidth * height / width;
    }
  }
  return QSize(int(std::max<qint64>(fittedWidth, 1)), int(std::max<qint64>(fittedHeight, 1)));
}

QSize ReducedSize(const QSize& picture, const QSize& area) {
  const QSize fitted = FitSize(picture, area);
  if (fitted.isEmpty() || fitted.width() >= picture.width() || fitted.height() >= picture.height()) return picture;
  return fitted;
}

TPicture ReducedPicture(QImage image, const QSize& area) {
  const QSize fullSize = image.size();
  const QSize reduced = ReducedSize(fullSize, area);
  if (reduced == fullSize) return TPicture::FromImage(std::move(image));
  return TPicture::FromImage(image.scaled(reduced, Qt::IgnoreAspectRatio, Qt::SmoothTransformation), fullSize);
}

TPicture TPicture::FromImage(QImage image, QSize fullSize) {
  TPicture picture;
  picture.Size_ = fullSize.isValid() && !fullSize.isEmpty() ? fullSize : image.size();
  picture.Image_ = std::move(image);
  return picture;
}

TPicture TPicture::FromMetafile(std::shared_ptr<const TMetafile> metafile) {
  TPicture picture;
  picture.Size_ = metafile ? metafile->Size() : QSize();
  picture.Metafile_ = std::move(metafile);
  return picture;
}

bool TPicture::IsEmpty() const { return Size_.isEmpty() || (Image_.isNull() && !Metafile_); }

QSize TPicture::DecodedSize() const { return Metafile_ ? Size_ : Image_.size(); }

bool TPicture::NeedsSharperDecode(const QSize& drawnSize) const {
  if (Metafile_ || Image_.isNull()) return false;
  const QSize held = Image_.size();
  if (held.width() >= Size_.width() && held.height() >= Size_.height()) return false;
  return drawnSize.width() > held.width() || drawnSize.height() > held.height();
}

void TPicture::MarkDamaged(const QString& note) {
  Damaged_ = true;
  DamageNote_ = note;
}

void TPicture::Draw(QPainter& painter, const QRect& target) const {
  if (target.isEmpty()) return;
  if (Metafile_) {
    Metafile_->Play(painter, target);
  } else if (!Image_.isNull()) {
    painter.save();
    painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
    painter.drawImage(target, Image_);
    painter.restore();
  }
}

}  // namespace zarn
