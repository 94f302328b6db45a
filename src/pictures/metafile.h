#pragma once
// Windows metafiles (WMF), played with QPainter. Only the common drawing
// records are understood; escapes and everything else are skipped. Parsing
// checks every record against the file's size once, so playing can never read
// past the data. A metafile is immutable after parsing and can be played on
// any thread that may paint.

#include <QByteArray>
#include <QImage>
#include <QRect>
#include <QSize>

#include <vector>

#include "platform/errors.h"

class QPainter;

namespace zarn {

struct TMetafileRecord {
  quint16 Function = 0;
  qsizetype Offset = 0;  // of the first parameter word in the file
  qsizetype Words = 0;   // parameter words
  int ImageIndex = -1;   // decoded bitmap of a bitmap record
};

class TMetafile {
 public:
  // The picture's size in pixels at 96 dots per inch.
  QSize Size() const { return Size_; }
  // The logical rectangle the picture spans (before any window record).
  QRect Frame() const { return Frame_; }
  const std::vector<TMetafileRecord>& Records() const { return Records_; }
  int ObjectCount() const { return ObjectCount_; }
  // True when the records stop without the end record.
  bool IsTruncated() const { return Truncated_; }

  // Draws the picture stretched into `target`, clipped to it.
  void Play(QPainter& painter, const QRect& target) const;

  // Parameter word `index` of `record` (signed), 0 past the record's end.
  qint16 Word(const TMetafileRecord& record, qsizetype index) const;
  quint16 UnsignedWord(const TMetafileRecord& record, qsizetype index) const;
  quint32 DoubleWord(const TMetafileRecord& record, qsizetype index) const;
  // The parameter bytes from word `index` on, at most `length` of them.
  QByteArray ParameterBytes(const TMetafileRecord& record, qsizetype index, qsizetype length) const;
  const QImage& Image(int index) const { return Images_[size_t(index)]; }

 private:
  friend ErrorOr<TMetafile> ParseMetafile(const QByteArray& bytes);
  QByteArray Bytes_;
  std::vector<TMetafileRecord> Records_;
  std::vector<QImage> Images_;
  QRect Frame_;
  QSize Size_;
  int ObjectCount_ = 0;
  bool Truncated_ = false;
};

ErrorOr<TMetafile> ParseMetafile(const QByteArray& bytes);

// Metafile record functions the player understands.
namespace wmf {
inline constexpr quint16 kEof = 0x0000;
inline constexpr quint16 kSaveDc = 0x001E;
inline constexpr quint16 kRestoreDc = 0x0127;
inline constexpr quint16 kSetBkColor = 0x0201;
inline constexpr quint16 kSetBkMode = 0x0102;
inline constexpr quint16 kSetPolyFillMode = 0x0106;
inline constexpr quint16 kSetTextColor = 0x0209;
inline constexpr quint16 kSetTextAlign = 0x012E;
inline constexpr quint16 kSetWindowOrg = 0x020B;
inline constexpr quint16 kSetWindowExt = 0x020C;
inline constexpr quint16 kCreatePen = 0x02FA;
inline constexpr quint16 kCreateBrush = 0x02FC;
inline constexpr quint16 kCreateFont = 0x02FB;
inline constexpr quint16 kCreatePalette = 0x00F7;
inline constexpr quint16 kCreatePatternBrush = 0x01F9;
inline constexpr quint16 kDibCreatePatternBrush = 0x0142;
inline constexpr quint16 kCreateRegion = 0x06FF;
inline constexpr quint16 kSelectObject = 0x012D;
inline constexpr quint16 kDeleteObject = 0x01F0;
inline constexpr quint16 kMoveTo = 0x0214;
inline constexpr quint16 kLineTo = 0x0213;
inline constexpr quint16 kRectangle = 0x041B;
inline constexpr quint16 kRoundRect = 0x061C;
inline constexpr quint16 kEllipse = 0x0418;
inline constexpr quint16 kArc = 0x0817;
inline constexpr quint16 kPie = 0x081A;
inline constexpr quint16 kChord = 0x0830;
inline constexpr quint16 kPolygon = 0x0324;
inline constexpr quint16 kPolyline = 0x0325;
inline constexpr quint16 kPolyPolygon = 0x0538;
inline constexpr quint16 kTextOut = 0x0521;
inline constexpr quint16 kExtTextOut = 0x0A32;
inline constexpr quint16 kSetPixel = 0x041F;
inline constexpr quint16 kPatBlt = 0x061D;
inline constexpr quint16 kStretchDib = 0x0F43;
inline constexpr quint16 kDibStretchBlt = 0x0B41;
inline constexpr quint16 kDibBitBlt = 0x0940;
inline constexpr quint16 kEscape = 0x0626;
}  // namespace wmf

}  // namespace zarn
