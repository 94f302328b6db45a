#include "pictures/metafile.h"

#include <QtEndian>

#include <cstring>
#include <optional>

#include "pictures/picturelimits.h"
#include "pictures/qtpicturereaders.h"

namespace zarn {
namespace {

constexpr quint32 kPlaceableKey = 0x9AC6CDD7;
constexpr qsizetype kPlaceableHeaderBytes = 22;
constexpr qsizetype kMetaHeaderBytes = 18;
constexpr int kScreenDotsPerInch = 96;
constexpr int kDefaultUnitsPerInch = 1440;
// All bitmaps of one metafile together; more are skipped, not decoded.
constexpr qint64 kMaxBitmapPixels = qint64(64) << 20;

quint16 ReadWord(const QByteArray& bytes, qsizetype offset) {
  quint16 value = 0;
  std::memcpy(&value, bytes.constData() + offset, 2);
  return qFromLittleEndian(value);
}

quint32 ReadDoubleWord(const QByteArray& bytes, qsizetype offset) {
  quint32 value = 0;
  std::memcpy(&value, bytes.constData() + offset, 4);
  return qFromLittleEndian(value);
}

struct TPlaceable {
  QRect Frame;
  QSize Size;
};

TPlaceable ReadPlaceableHeader(const QByteArray& bytes) {
  const auto left = qint16(ReadWord(bytes, 6));
  const auto top = qint16(ReadWord(bytes, 8));
  const auto right = qint16(ReadWord(bytes, 10));
  const auto bottom = qint16(ReadWord(bytes, 12));
  int unitsPerInch = ReadWord(bytes, 14);
  if (unitsPerInch == 0) unitsPerInch = kDefaultUnitsPerInch;
  const QRect frame = QRect(left, top, right - left, bottom - top).normalized();
  const QSize size(std::max(1, frame.width() * kScreenDotsPerInch / unitsPerInch),
                   std::max(1, frame.height() * kScreenDotsPerInch / unitsPerInch));
  return {frame, size};
}

// Shrinks an oversized logical size to the picture limit, keeping its proportions.
QSize LimitedSize(QSize size) {
  size = QSize(std::max(1, std::abs(size.width())), std::max(1, std::abs(size.height())));
  if (size.width() > kMaxPictureSide || size.height() > kMaxPictureSide) {
    size = size.scaled(int(kMaxPictureSide), int(kMaxPictureSide), Qt::KeepAspectRatio);
  }
  return size.expandedTo(QSize(1, 1));
}

// The frame of a metafile without placeable header: its window records.
std::optional<QRect> FrameFromWindowRecords(const TMetafile& metafile) {
  QPoint origin;
  for (const TMetafileRecord& record : metafile.Records()) {
    if (record.Function == wmf::kSetWindowOrg) {
      origin = QPoint(metafile.Word(record, 1), metafile.Word(record, 0));
    } else if (record.Function == wmf::kSetWindowExt) {
      const int width = metafile.Word(record, 1);
      const int height = metafile.Word(record, 0);
      if (width != 0 && height != 0) return QRect(origin.x(), origin.y(), width, height);
    }
  }
  return std::nullopt;
}

// A device-independent bitmap inside a record, made into a BMP file for the
// bitmap reader.
QImage DecodeRecordBitmap(const TMetafile& metafile, const TMetafileRecord& record, qsizetype firstWord) {
  const QByteArray dib = metafile.ParameterBytes(record, firstWord, (record.Words - firstWord) * 2);
  if (dib.size() < 40) return {};
  const quint32 headerSize = ReadDoubleWord(dib, 0);
  if (headerSize < 40 || headerSize > quint32(dib.size())) return {};
  const quint32 bitCount = ReadWord(dib, 14);
  const quint32 compression = ReadDoubleWord(dib, 16);
  quint32 colours = ReadDoubleWord(dib, 32);
  if (colours == 0 && bitCount <= 8) colours = 1u << bitCount;
  if (colours > 256) return {};
  constexpr quint32 kBitFields = 3;
  const quint32 masks = headerSize == 40 && compression == kBitFields ? 12 : 0;
  const quint32 pixelOffset = 14 + headerSize + masks + colours * 4;
  QByteArray file("BM");
  const quint32 fields[3] = {qToLittleEndian(quint32(14 + dib.size())), 0, qToLittleEndian(pixelOffset)};
  file.append(reinterpret_cast<const char*>(fields), sizeof fields);
  file.append(dib);
  auto picture = ReadBmpPicture(file, {});
  return picture.IsError() ? QImage() : picture.Value().Image();
}

qsizetype BitmapFirstWord(const TMetafileRecord& record) {
  switch (record.Function) {
    case wmf::kStretchDib:
      return 11;
    case wmf::kDibStretchBlt:
      return record.Words > 11 ? 10 : -1;
    case wmf::kDibBitBlt:
      return record.Words > 9 ? 8 : -1;
    default:
      return -1;
  }
}

}  // namespace

qint16 TMetafile::Word(const TMetafileRecord& record, qsizetype index) const {
  return qint16(UnsignedWord(record, index));
}

quint16 TMetafile::UnsignedWord(const TMetafileRecord& record, qsizetype index) const {
  if (index < 0 || index >= record.Words) return 0;
  return ReadWord(Bytes_, record.Offset + index * 2);
}

quint32 TMetafile::DoubleWord(const TMetafileRecord& record, qsizetype index) const {
  return quint32(UnsignedWord(record, index)) | (quint32(UnsignedWord(record, index + 1)) << 16);
}

QByteArray TMetafile::ParameterBytes(const TMetafileRecord& record, qsizetype index, qsizetype length) const {
  if (index < 0 || index >= record.Words || length <= 0) return {};
  const qsizetype available = (record.Words - index) * 2;
  return Bytes_.mid(record.Offset + index * 2, std::min(length, available));
}

ErrorOr<TMetafile> ParseMetafile(const QByteArray& bytes) {
  TMetafile metafile;
  metafile.Bytes_ = bytes;
  qsizetype offset = 0;
  std::optional<TPlaceable> placeable;
  if (bytes.size() >= kPlaceableHeaderBytes && ReadDoubleWord(bytes, 0) == kPlaceableKey) {
    placeable = ReadPlaceableHeader(bytes);
    offset = kPlaceableHeaderBytes;
  }
  if (bytes.size() - offset < kMetaHeaderBytes) return DamagedPictureError(QStringLiteral("no metafile header"));
  const quint16 type = ReadWord(bytes, offset);
  const quint16 headerWords = ReadWord(bytes, offset + 2);
  if ((type != 1 && type != 2) || headerWords != 9) return DamagedPictureError(QStringLiteral("no metafile header"));
  metafile.ObjectCount_ = ReadWord(bytes, offset + 10);
  offset += kMetaHeaderBytes;

  bool ended = false;
  qint64 bitmapPixels = 0;
  while (offset + 6 <= bytes.size()) {
    const quint32 recordWords = ReadDoubleWord(bytes, offset);
    if (recordWords < 3 || qint64(recordWords) * 2 > bytes.size() - offset) break;
    TMetafileRecord record{ReadWord(bytes, offset + 4), offset + 6, qsizetype(recordWords) - 3, -1};
    offset += qsizetype(recordWords) * 2;
    if (record.Function == wmf::kEof) {
      ended = true;
      break;
    }
    const qsizetype bitmapWord = BitmapFirstWord(record);
    if (bitmapWord >= 0 && bitmapPixels < kMaxBitmapPixels) {
      QImage image = DecodeRecordBitmap(metafile, record, bitmapWord);
      if (!image.isNull()) {
        bitmapPixels += qint64(image.width()) * image.height();
        record.ImageIndex = int(metafile.Images_.size());
        metafile.Images_.push_back(std::move(image));
      }
    }
    metafile.Records_.push_back(record);
  }
  metafile.Truncated_ = !ended;

  if (placeable && !placeable->Frame.isEmpty()) {
    metafile.Frame_ = placeable->Frame;
    metafile.Size_ = LimitedSize(placeable->Size);
  } else {
    // Signed: a negative extent flips the picture.
    const auto frame = FrameFromWindowRecords(metafile);
    if (!frame) return DamagedPictureError(QStringLiteral("metafile without a size"));
    metafile.Frame_ = *frame;
    metafile.Size_ = LimitedSize(frame->size());
  }
  return metafile;
}

}  // namespace zarn
