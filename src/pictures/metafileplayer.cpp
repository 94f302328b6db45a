// Plays the records of a parsed metafile with QPainter. The player keeps the
// drawing state of the original graphics device (pen, brush, font, colours,
// window mapping, object table, saved states) and maps the metafile's window
// onto the target rectangle.

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>

#include <array>
#include <cmath>
#include <optional>
#include <variant>
#include <vector>

#include "pictures/metafile.h"

namespace zarn {
namespace {

constexpr size_t kMaxSavedStates = 1024;
constexpr double kMaxFontPixels = 2000;

struct TFontSpec {
  QFont Font;
  int Height = 12;       // logical units; the device size depends on the window mapping
  int Escapement = 0;    // tenths of a degree, counter-clockwise
  bool Cyrillic = false;
};

using TGdiObject = std::variant<std::monostate, QPen, QBrush, TFontSpec>;

struct TDeviceState {
  QPen Pen{Qt::black, 0};
  QBrush Brush{Qt::white};
  TFontSpec Font;
  QColor TextColor{Qt::black};
  QColor BackColor{Qt::white};
  bool OpaqueBack = true;
  Qt::FillRule FillRule = Qt::OddEvenFill;
  quint16 TextAlign = 0;
  QPointF Position;
  QPointF WindowOrigin;
  QSizeF WindowExtent;
};

QColor ColorFromRef(quint32 colorRef) {
  return QColor(int(colorRef & 0xff), int((colorRef >> 8) & 0xff), int((colorRef >> 16) & 0xff));
}

// Windows code page 1251, 0x80..0xBF; 0xC0..0xFF are U+0410..U+044F.
constexpr std::array<char16_t, 64> kCp1251High = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021, 0x20AC, 0x2030, 0x0409, 0x2039, 0x040A,
    0x040C, 0x040B, 0x040F, 0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0xFFFD, 0x2122,
    0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F, 0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6,
    0x00A7, 0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407, 0x00B0, 0x00B1, 0x0406, 0x0456,
    0x0491, 0x00B5, 0x00B6, 0x00B7, 0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457};

QString DecodeText(const QByteArray& bytes, bool cyrillic) {
  if (!cyrillic) return QString::fromLatin1(bytes);
  QString text;
  text.reserve(bytes.size());
  for (const char byte : bytes) {
    const auto code = static_cast<unsigned char>(byte);
    if (code < 0x80) {
      text += QChar(code);
    } else if (code < 0xC0) {
      text += QChar(kCp1251High[code - 0x80]);
    } else {
      text += QChar(char16_t(0x0410 + code - 0xC0));
    }
  }
  return text;
}

class TMetafilePlayer {
 public:
  TMetafilePlayer(const TMetafile& metafile, QPainter& painter, const QRect& target)
      : Metafile_(metafile), Painter_(painter), Target_(target), Base_(painter.worldTransform()) {
    Objects_.resize(size_t(metafile.ObjectCount()));
    const QRect frame = metafile.Frame();
    State_.WindowOrigin = frame.topLeft();
    State_.WindowExtent = QSizeF(frame.width(), frame.height());
  }

  void Play() {
    Painter_.setClipRect(Target_, Qt::IntersectClip);
    Painter_.setRenderHint(QPainter::Antialiasing, true);
    ApplyWindow();
    for (const TMetafileRecord& record : Metafile_.Records()) Perform(record);
  }

 private:
  qint16 Word(const TMetafileRecord& record, qsizetype index) const { return Metafile_.Word(record, index); }
  QPointF PointAt(const TMetafileRecord& record, qsizetype index) const {
    return QPointF(Word(record, index + 1), Word(record, index));  // stored as y, x
  }
  // Four words bottom, right, top, left from `index` on.
  QRectF RectAt(const TMetafileRecord& record, qsizetype index) const {
    return QRectF(QPointF(Word(record, index + 3), Word(record, index + 2)),
                  QPointF(Word(record, index + 1), Word(record, index)))
        .normalized();
  }

  void Perform(const TMetafileRecord& record);
  void PerformState(const TMetafileRecord& record);
  void PerformObject(const TMetafileRecord& record);
  void PerformShape(const TMetafileRecord& record);
  void PerformText(const TMetafileRecord& record);
  void PerformBitmap(const TMetafileRecord& record);

  bool WindowUsable() const { return State_.WindowExtent.width() != 0 && State_.WindowExtent.height() != 0; }
  void ApplyWindow();
  void ApplyDrawingTools();
  void SaveState();
  void RestoreState(int which);
  void AddObject(TGdiObject object);
  void SelectObject(int index);
  QPen PenFrom(const TMetafileRecord& record) const;
  QBrush BrushFrom(const TMetafileRecord& record) const;
  TFontSpec FontFrom(const TMetafileRecord& record) const;
  QPolygonF PolygonAt(const TMetafileRecord& record, qsizetype countIndex, qsizetype count) const;
  void DrawPolyPolygon(const TMetafileRecord& record);
  void DrawArcLike(const TMetafileRecord& record);
  void DrawText(QPointF logicalPoint, const QString& text, const QRectF* opaqueRect);

  const TMetafile& Metafile_;
  QPainter& Painter_;
  QRect Target_;
  QTransform Base_;
  QTransform Mapping_;
  TDeviceState State_;
  std::vector<TDeviceState> Saved_;
  std::vector<TGdiObject> Objects_;
};

void TMetafilePlayer::ApplyWindow() {
  if (!WindowUsable()) return;
  const double scaleX = Target_.width() / State_.WindowExtent.width();
  const double scaleY = Target_.height() / State_.WindowExtent.height();
  Mapping_ = QTransform(scaleX, 0, 0, scaleY, Target_.x() - State_.WindowOrigin.x() * scaleX,
                        Target_.y() - State_.WindowOrigin.y() * scaleY);
  Painter_.setWorldTransform(Mapping_ * Base_);
  ApplyDrawingTools();
}

void TMetafilePlayer::ApplyDrawingTools() {
  QPen pen = State_.Pen;
  // A pen wider than the whole picture only costs time.
  const double scale = std::max(std::abs(Mapping_.m11()), std::abs(Mapping_.m22()));
  const double limit = 2.0 * std::max(Target_.width(), Target_.height());
  if (scale > 0 && pen.widthF() * scale > limit) pen.setWidthF(limit / scale);
  Painter_.setPen(pen);
  Painter_.setBrush(State_.Brush);
  Painter_.setBackground(State_.BackColor);
  Painter_.setBackgroundMode(State_.OpaqueBack ? Qt::OpaqueMode : Qt::TransparentMode);
}

void TMetafilePlayer::Perform(const TMetafileRecord& record) {
  switch (record.Function) {
    case wmf::kSaveDc:
    case wmf::kRestoreDc:
    case wmf::kSetBkColor:
    case wmf::kSetBkMode:
    case wmf::kSetPolyFillMode:
    case wmf::kSetTextColor:
    case wmf::kSetTextAlign:
    case wmf::kSetWindowOrg:
    case wmf::kSetWindowExt:
    case wmf::kMoveTo:
      return PerformState(record);
    case wmf::kCreatePen:
    case wmf::kCreateBrush:
    case wmf::kCreateFont:
    case wmf::kCreatePalette:
    case wmf::kCreatePatternBrush:
    case wmf::kDibCreatePatternBrush:
    case wmf::kCreateRegion:
    case wmf::kSelectObject:
    case wmf::kDeleteObject:
      return PerformObject(record);
    case wmf::kTextOut:
    case wmf::kExtTextOut:
      if (WindowUsable()) PerformText(record);
      return;
    case wmf::kStretchDib:
    case wmf::kDibStretchBlt:
    case wmf::kDibBitBlt:
      if (WindowUsable()) PerformBitmap(record);
      return;
    default:
      // Shapes; escapes and unknown records are skipped.
      if (WindowUsable()) PerformShape(record);
  }
}

void TMetafilePlayer::PerformState(const TMetafileRecord& record) {
  switch (record.Function) {
    case wmf::kSaveDc:
      return SaveState();
    case wmf::kRestoreDc:
      return RestoreState(Word(record, 0));
    case wmf::kSetBkColor:
      State_.BackColor = ColorFromRef(Metafile_.DoubleWord(record, 0));
      break;
    case wmf::kSetBkMode:
      State_.OpaqueBack = Word(record, 0) == 2;
      break;
    case wmf::kSetPolyFillMode:
      State_.FillRule = Word(record, 0) == 2 ? Qt::WindingFill : Qt::OddEvenFill;
      return;
    case wmf::kSetTextColor:
      State_.TextColor = ColorFromRef(Metafile_.DoubleWord(record, 0));
      return;
    case wmf::kSetTextAlign:
      State_.TextAlign = Metafile_.UnsignedWord(record, 0);
      return;
    case wmf::kSetWindowOrg:
      State_.WindowOrigin = PointAt(record, 0);
      return ApplyWindow();
    case wmf::kSetWindowExt:
      State_.WindowExtent = QSizeF(Word(record, 1), Word(record, 0));
      return ApplyWindow();
    case wmf::kMoveTo:
      State_.Position = PointAt(record, 0);
      return;
  }
  ApplyDrawingTools();
}

void TMetafilePlayer::SaveState() {
  if (Saved_.size() < kMaxSavedStates) Saved_.push_back(State_);
}

// A negative `which` goes back that many saves; a positive one to that save.
void TMetafilePlayer::RestoreState(int which) {
  size_t keep = 0;
  if (which < 0) {
    if (size_t(-which) > Saved_.size()) return;
    keep = Saved_.size() - size_t(-which);
  } else {
    if (which == 0 || size_t(which) > Saved_.size()) return;
    keep = size_t(which) - 1;
  }
  State_ = Saved_[keep];
  Saved_.resize(keep);
  ApplyWindow();
  ApplyDrawingTools();
}

QPen TMetafilePlayer::PenFrom(const TMetafileRecord& record) const {
  const int style = Metafile_.UnsignedWord(record, 0) & 0x0f;
  QPen pen(ColorFromRef(Metafile_.DoubleWord(record, 3)), std::abs(Word(record, 1)));
  pen.setCosmetic(pen.widthF() == 0);
  constexpr std::array<Qt::PenStyle, 7> kStyles = {Qt::SolidLine,      Qt::DashLine,   Qt::DotLine, Qt::DashDotLine,
                                                   Qt::DashDotDotLine, Qt::NoPen,      Qt::SolidLine};
  pen.setStyle(style < int(kStyles.size()) ? kStyles[size_t(style)] : Qt::SolidLine);
  return pen;
}

QBrush TMetafilePlayer::BrushFrom(const TMetafileRecord& record) const {
  const quint16 style = Metafile_.UnsignedWord(record, 0);
  const QColor color = ColorFromRef(Metafile_.DoubleWord(record, 1));
  constexpr quint16 kSolid = 0, kNull = 1, kHatched = 2;
  if (style == kNull) return Qt::NoBrush;
  if (style == kHatched) {
    constexpr std::array<Qt::BrushStyle, 6> kHatches = {Qt::HorPattern,   Qt::VerPattern,   Qt::FDiagPattern,
                                                        Qt::BDiagPattern, Qt::CrossPattern, Qt::DiagCrossPattern};
    const quint16 hatch = Metafile_.UnsignedWord(record, 3);
    return QBrush(color, hatch < kHatches.size() ? kHatches[hatch] : Qt::SolidPattern);
  }
  if (style == kSolid) return QBrush(color);
  return QBrush(Qt::gray);  // pattern brushes: their bitmaps are not kept
}

TFontSpec TMetafilePlayer::FontFrom(const TMetafileRecord& record) const {
  TFontSpec fontDesign;
  fontDesign.Height = Word(record, 0);
  fontDesign.Escapement = Word(record, 2);
  const int weight = Word(record, 4);
  const QByteArray flags = Metafile_.ParameterBytes(record, 5, 4);  // italic, underline, strike-out, charset
  QByteArray face = Metafile_.ParameterBytes(record, 9, 32);
  face.truncate(face.indexOf('\0') >= 0 ? face.indexOf('\0') : face.size());
  constexpr unsigned char kRussianCharset = 204;
  fontDesign.Cyrillic = flags.size() > 3 && static_cast<unsigned char>(flags[3]) == kRussianCharset;
  if (!face.isEmpty()) fontDesign.Font.setFamily(DecodeText(face, fontDesign.Cyrillic));
  fontDesign.Font.setWeight(weight >= 600 ? QFont::Bold : QFont::Normal);
  fontDesign.Font.setItalic(flags.size() > 0 && flags[0] != 0);
  fontDesign.Font.setUnderline(flags.size() > 1 && flags[1] != 0);
  fontDesign.Font.setStrikeOut(flags.size() > 2 && flags[2] != 0);
  return fontDesign;
}

void TMetafilePlayer::AddObject(TGdiObject object) {
  for (TGdiObject& slot : Objects_) {
    if (std::holds_alternative<std::monostate>(slot)) {
      // Placeholders for objects the player does not draw still take their slot.
      slot = std::holds_alternative<std::monostate>(object) ? TGdiObject(QBrush(Qt::gray)) : std::move(object);
      return;
    }
  }
}

void TMetafilePlayer::SelectObject(int index) {
  if (index < 0 || size_t(index) >= Objects_.size()) return;
  const TGdiObject& object = Objects_[size_t(index)];
  if (const auto* pen = std::get_if<QPen>(&object)) State_.Pen = *pen;
  if (const auto* brush = std::get_if<QBrush>(&object)) State_.Brush = *brush;
  if (const auto* font = std::get_if<TFontSpec>(&object)) State_.Font = *font;
  ApplyDrawingTools();
}

void TMetafilePlayer::PerformObject(const TMetafileRecord& record) {
  switch (record.Function) {
    case wmf::kCreatePen:
      return AddObject(PenFrom(record));
    case wmf::kCreateBrush:
      return AddObject(BrushFrom(record));
    case wmf::kCreateFont:
      return AddObject(FontFrom(record));
    case wmf::kSelectObject:
      return SelectObject(Metafile_.UnsignedWord(record, 0));
    case wmf::kDeleteObject: {
      const size_t index = Metafile_.UnsignedWord(record, 0);
      if (index < Objects_.size()) Objects_[index] = std::monostate{};
      return;
    }
    default:
      return AddObject(std::monostate{});
  }
}

QPolygonF TMetafilePlayer::PolygonAt(const TMetafileRecord& record, qsizetype firstWord, qsizetype count) const {
  count = std::clamp<qsizetype>(count, 0, (record.Words - firstWord) / 2);
  QPolygonF polygon;
  polygon.reserve(count);
  for (qsizetype point = 0; point < count; ++point) {
    polygon << QPointF(Word(record, firstWord + 2 * point), Word(record, firstWord + 2 * point + 1));
  }
  return polygon;
}

void TMetafilePlayer::DrawPolyPolygon(const TMetafileRecord& record) {
  const qsizetype polygons = std::min<qsizetype>(Metafile_.UnsignedWord(record, 0), record.Words - 1);
  QPainterPath path;
  path.setFillRule(State_.FillRule);
  qsizetype firstWord = 1 + polygons;
  for (qsizetype index = 0; index < polygons && firstWord < record.Words; ++index) {
    const qsizetype count = Metafile_.UnsignedWord(record, 1 + index);
    const QPolygonF polygon = PolygonAt(record, firstWord, count);
    if (!polygon.isEmpty()) {
      path.addPolygon(polygon);
      path.closeSubpath();
    }
    firstWord += 2 * count;
  }
  Painter_.drawPath(path);
}

// Arcs run counter-clockwise on the screen from the start point's angle to the
// end point's, so the angles are taken after mapping to the device.
void TMetafilePlayer::DrawArcLike(const TMetafileRecord& record) {
  const QRectF box = Mapping_.mapRect(RectAt(record, 4));
  const QPointF start = Mapping_.map(PointAt(record, 2));
  const QPointF end = Mapping_.map(PointAt(record, 0));
  const QPointF center = box.center();
  const double startAngle = std::atan2(-(start.y() - center.y()), start.x() - center.x()) * 180 / M_PI;
  double span = std::atan2(-(end.y() - center.y()), end.x() - center.x()) * 180 / M_PI - startAngle;
  if (span <= 0) span += 360;
  const int start16 = int(std::lround(startAngle * 16));
  const int span16 = int(std::lround(span * 16));
  Painter_.save();
  QPen pen = Painter_.pen();
  if (!pen.isCosmetic()) pen.setWidthF(pen.widthF() * std::abs(Mapping_.m11()));
  Painter_.setWorldTransform(Base_);
  Painter_.setPen(pen);
  if (record.Function == wmf::kArc) Painter_.drawArc(box, start16, span16);
  if (record.Function == wmf::kPie) Painter_.drawPie(box, start16, span16);
  if (record.Function == wmf::kChord) Painter_.drawChord(box, start16, span16);
  Painter_.restore();
}

void TMetafilePlayer::PerformShape(const TMetafileRecord& record) {
  switch (record.Function) {
    case wmf::kLineTo: {
      const QPointF point = PointAt(record, 0);
      Painter_.drawLine(State_.Position, point);
      State_.Position = point;
      return;
    }
    case wmf::kRectangle:
      return Painter_.drawRect(RectAt(record, 0));
    case wmf::kRoundRect:
      return Painter_.drawRoundedRect(RectAt(record, 2), std::abs(Word(record, 1)) / 2.0,
                                      std::abs(Word(record, 0)) / 2.0);
    case wmf::kEllipse:
      return Painter_.drawEllipse(RectAt(record, 0));
    case wmf::kArc:
    case wmf::kPie:
    case wmf::kChord:
      return DrawArcLike(record);
    case wmf::kPolygon:
      return Painter_.drawPolygon(PolygonAt(record, 1, Metafile_.UnsignedWord(record, 0)), State_.FillRule);
    case wmf::kPolyline:
      return Painter_.drawPolyline(PolygonAt(record, 1, Metafile_.UnsignedWord(record, 0)));
    case wmf::kPolyPolygon:
      return DrawPolyPolygon(record);
    case wmf::kSetPixel:
      return Painter_.fillRect(QRectF(PointAt(record, 2), QSizeF(1, 1)), ColorFromRef(Metafile_.DoubleWord(record, 0)));
    case wmf::kPatBlt: {
      constexpr quint32 kBlackness = 0x00000042, kWhiteness = 0x00FF0062;
      const quint32 operation = Metafile_.DoubleWord(record, 0);
      const QRectF area(PointAt(record, 4), QSizeF(Word(record, 3), Word(record, 2)));
      const QBrush brush = operation == kBlackness ? QBrush(Qt::black)
                           : operation == kWhiteness ? QBrush(Qt::white)
                                                     : State_.Brush;
      return Painter_.fillRect(area.normalized(), brush);
    }
  }
}

void TMetafilePlayer::PerformText(const TMetafileRecord& record) {
  if (record.Function == wmf::kTextOut) {
    const qsizetype length = Metafile_.UnsignedWord(record, 0);
    const qsizetype stringWords = (length + 1) / 2;
    const QByteArray bytes = Metafile_.ParameterBytes(record, 1, length);
    return DrawText(PointAt(record, 1 + stringWords), DecodeText(bytes, State_.Font.Cyrillic), nullptr);
  }
  constexpr quint16 kOpaque = 0x0002, kClipped = 0x0004;
  const qsizetype length = Metafile_.UnsignedWord(record, 2);
  const quint16 options = Metafile_.UnsignedWord(record, 3);
  const bool hasRect = (options & (kOpaque | kClipped)) != 0;
  const qsizetype textWord = hasRect ? 8 : 4;
  const QByteArray bytes = Metafile_.ParameterBytes(record, textWord, length);
  // Rectangle words: left, top, right, bottom.
  const QRectF rect(QPointF(Word(record, 4), Word(record, 5)), QPointF(Word(record, 6), Word(record, 7)));
  const QRectF opaqueRect = rect.normalized();
  DrawText(PointAt(record, 0), DecodeText(bytes, State_.Font.Cyrillic),
           (options & kOpaque) != 0 ? &opaqueRect : nullptr);
}

void TMetafilePlayer::DrawText(QPointF logicalPoint, const QString& text, const QRectF* opaqueRect) {
  constexpr quint16 kUpdateCurrent = 1, kRight = 2, kCenter = 6, kBottom = 8, kBaseline = 24;
  const quint16 align = State_.TextAlign;
  if (align & kUpdateCurrent) logicalPoint = State_.Position;
  if (opaqueRect) Painter_.fillRect(*opaqueRect, State_.BackColor);
  if (text.isEmpty()) return;

  QFont font = State_.Font.Font;
  const double pixels = std::abs(State_.Font.Height * Mapping_.m22());
  font.setPixelSize(int(std::clamp(pixels, 1.0, kMaxFontPixels)));
  const QFontMetricsF metrics(font);
  const double width = metrics.horizontalAdvance(text);
  double x = 0;
  if ((align & kCenter) == kCenter) {
    x = -width / 2;
  } else if (align & kRight) {
    x = -width;
  }
  double y = metrics.ascent();
  if ((align & kBaseline) == kBaseline) {
    y = 0;
  } else if (align & kBottom) {
    y = -metrics.descent();
  }
  Painter_.save();
  QTransform device = Base_;
  const QPointF origin = Mapping_.map(logicalPoint);
  device.translate(origin.x(), origin.y());
  device.rotate(-State_.Font.Escapement / 10.0);
  Painter_.setWorldTransform(device);
  Painter_.setFont(font);
  Painter_.setPen(State_.TextColor);
  Painter_.setBackgroundMode(Qt::TransparentMode);
  if (State_.OpaqueBack && !opaqueRect) {
    Painter_.fillRect(QRectF(x, y - metrics.ascent(), width, metrics.height()), State_.BackColor);
  }
  Painter_.drawText(QPointF(x, y), text);
  Painter_.restore();
  if ((align & kUpdateCurrent) && Mapping_.m11() != 0) State_.Position.rx() += width / Mapping_.m11();
}

void TMetafilePlayer::PerformBitmap(const TMetafileRecord& record) {
  if (record.ImageIndex < 0) return;
  const QImage& image = Metafile_.Image(record.ImageIndex);
  QRectF destination;
  QRectF source;
  if (record.Function == wmf::kDibBitBlt) {  // rop, ySrc, xSrc, height, width, yDest, xDest
    destination = QRectF(PointAt(record, 6), QSizeF(Word(record, 5), Word(record, 4)));
    source = QRectF(Word(record, 3), Word(record, 2), Word(record, 5), Word(record, 4));
  } else {
    // Stretch records: [rop, (usage,)] srcHeight, srcWidth, ySrc, xSrc, destHeight, destWidth, yDest, xDest.
    const qsizetype first = record.Function == wmf::kStretchDib ? 3 : 2;
    destination = QRectF(PointAt(record, first + 6), QSizeF(Word(record, first + 5), Word(record, first + 4)));
    const double sourceHeight = Word(record, first);
    double sourceY = Word(record, first + 2);
    // A bitmap drawn straight from its bits counts rows bottom-up.
    if (record.Function == wmf::kStretchDib) sourceY = image.height() - sourceY - sourceHeight;
    source = QRectF(Word(record, first + 3), sourceY, Word(record, first + 1), sourceHeight);
  }
  source = source.normalized().intersected(QRectF(image.rect()));
  if (source.isEmpty()) source = image.rect();
  Painter_.drawImage(destination.normalized(), image, source);
}

}  // namespace

void TMetafile::Play(QPainter& painter, const QRect& target) const {
  if (target.isEmpty()) return;
  painter.save();
  TMetafilePlayer(*this, painter, target).Play();
  painter.restore();
}

}  // namespace zarn
