#pragma once
// A decoded picture: either pixels or a metafile drawn at any size. Pictures are
// cheap to copy (QImage is shared, the metafile is immutable and shared).

#include <QImage>
#include <QRect>
#include <QSize>
#include <QString>

#include <memory>

class QPainter;

namespace zarn {

class TMetafile;

// The largest size with `picture`'s width-to-height ratio that fits `area`,
// small pictures enlarged as well as large ones reduced. Sides are truncated,
// never rounded up, so the result never spills out of the area.
QSize FitSize(const QSize& picture, const QSize& area);

// The size a reader decodes `picture` to when it is shown in `area`: fitted into
// the area when that makes it smaller, else its own size (a small picture is
// enlarged when it is drawn, not when it is decoded). Its own size for an empty area.
QSize ReducedSize(const QSize& picture, const QSize& area);

class TPicture;
// A decoded image handed over for `area`: reduced to ReducedSize (smoothly), and
// remembering its own size so that a larger area asks for a sharper decode.
TPicture ReducedPicture(QImage image, const QSize& area);

class TPicture {
 public:
  TPicture() = default;
  // `fullSize` is the picture's own size when `image` was decoded reduced.
  static TPicture FromImage(QImage image, QSize fullSize = {});
  static TPicture FromMetafile(std::shared_ptr<const TMetafile> metafile);

  bool IsEmpty() const;
  // The picture's own size in pixels.
  QSize Size() const { return Size_; }
  // The pixels held: smaller than Size() when the reader decoded at a reduced scale.
  QSize DecodedSize() const;
  // True when drawing at `drawnSize` would enlarge pixels that a fresh decode
  // of the file could supply sharper.
  bool NeedsSharperDecode(const QSize& drawnSize) const;

  // A picture decoded only in part (truncated or damaged data) is still shown,
  // but says so; `DamageNote` is the reader's reason.
  bool IsDamaged() const { return Damaged_; }
  const QString& DamageNote() const { return DamageNote_; }
  void MarkDamaged(const QString& note);

  const QImage& Image() const { return Image_; }
  const TMetafile* Metafile() const { return Metafile_.get(); }

  // Draws the whole picture stretched into `target`.
  void Draw(QPainter& painter, const QRect& target) const;

 private:
  QImage Image_;
  std::shared_ptr<const TMetafile> Metafile_;
  QSize Size_;
  bool Damaged_ = false;
  QString DamageNote_;
};

}  // namespace zarn
