#include "pictures/qtpicturereaders.h"

#include <QBuffer>
#include <QImageReader>
#include <QtEndian>

#include <cstring>
#include <utility>

#include "pictures/picturelimits.h"

namespace zarn {
namespace {

// The reader's own reason, or nothing: Qt's "Unknown error" tells the user nothing.
QString ReaderReason(const QImageReader& reader) {
  return reader.error() == QImageReader::UnknownError ? QString() : reader.errorString();
}

// Run-length and LZW data reach at most a few thousand pixels per byte; an
// "end of bitmap" escape or a huge GIF screen around a tiny frame reaches more.
constexpr qint64 kMaxPixelsPerByte = 4096;
// Qt's own check behind ours: the decoded-pixel budget at 64 bits a pixel.
constexpr int kAllocationLimitMegabytes = int((kMaxDecodedPixels * 8) >> 20);

void RaiseAllocationLimitOnce() {
  static const bool raised = [] {
    QImageReader::setAllocationLimit(kAllocationLimitMegabytes);
    return true;
  }();
  (void)raised;
}

ErrorOrDone CheckReaderSize(const QImageReader& reader, qint64 inputBytes) {
  const QSize size = reader.size();
  if (!size.isValid()) return DamagedPictureError(ReaderReason(reader));
  auto checked = CheckPictureSize(size.width(), size.height());
  if (checked.IsError()) return checked;
  // These readers only decode whole pictures.
  checked = CheckDecodedPixels(size.width(), size.height());
  if (checked.IsError()) return checked;
  return CheckExpansion(size.width(), size.height(), qint64(size.width()) * size.height(), inputBytes,
                        kMaxPixelsPerByte);
}

// The index of the largest image, after checking every image's size.
ErrorOr<int> LargestImage(QImageReader& reader, qint64 inputBytes) {
  const int count = std::max(reader.imageCount(), 1);
  int best = 0;
  qint64 bestPixels = -1;
  for (int index = 0; index < count; ++index) {
    if (count > 1 && !reader.jumpToImage(index)) return DamagedPictureError(ReaderReason(reader));
    auto checked = CheckReaderSize(reader, inputBytes);
    if (checked.IsError()) return checked.Error();
    const qint64 pixels = qint64(reader.size().width()) * reader.size().height();
    if (pixels > bestPixels) {
      best = index;
      bestPixels = pixels;
    }
  }
  if (count > 1 && !reader.jumpToImage(best)) return DamagedPictureError(ReaderReason(reader));
  return best;
}

enum class TImageChoice { First, Largest };

// Qt's readers keep pixel indices past the end of a short colour table (run-length
// data may name colour 15 of 12), and drawing such a picture reads outside the
// table. Unnamed colours become opaque black.
QImage WithFullColourTable(QImage image) {
  const int needed = image.format() == QImage::Format_Indexed8 ? 256
                     : image.depth() == 1                      ? 2
                                                               : 0;
  if (needed == 0 || image.colorCount() >= needed) return image;
  QList<QRgb> colours = image.colorTable();
  colours.resize(needed, qRgb(0, 0, 0));
  image.setColorTable(colours);
  return image;
}

// Qt's readers cannot stop halfway: the pixel budget bounds their time instead.
ErrorOr<QImage> ReadWithQt(const QByteArray& bytes, const char* format, TImageChoice choice,
                           const TDecodeCancel& cancel) {
  RaiseAllocationLimitOnce();
  QByteArray data = bytes;  // QBuffer wants a non-const array; this shares, not copies
  QBuffer buffer(&data);
  if (!buffer.open(QIODevice::ReadOnly)) return DamagedPictureError(buffer.errorString());
  QImageReader reader(&buffer, format);
  reader.setAutoDetectImageFormat(false);
  if (!reader.canRead()) return DamagedPictureError(ReaderReason(reader));
  if (choice == TImageChoice::Largest) {
    auto index = LargestImage(reader, bytes.size());
    if (index.IsError()) return index.Error();
  } else {
    auto checked = CheckReaderSize(reader, bytes.size());
    if (checked.IsError()) return checked.Error();
  }
  if (IsCancelled(cancel)) return CancelledDecodeError();
  QImage image = reader.read();
  if (image.isNull()) return DamagedPictureError(ReaderReason(reader));
  return WithFullColourTable(std::move(image));
}

// A GIF ends with the trailer byte 0x3B; without it the data was cut short.
bool GifLacksTrailer(const QByteArray& bytes) { return !bytes.endsWith('\x3B'); }

quint32 LittleEndian32(const QByteArray& bytes, qsizetype offset) {
  if (offset + 4 > bytes.size()) return 0;
  quint32 value = 0;
  std::memcpy(&value, bytes.constData() + offset, 4);
  return qFromLittleEndian(value);
}

// An uncompressed bitmap whose pixel rows reach past the end of the file.
bool BitmapIsShort(const QByteArray& bytes, const QImage& image) {
  constexpr quint32 kUncompressed = 0;
  const quint32 headerSize = LittleEndian32(bytes, 14);
  if (headerSize < 40 || LittleEndian32(bytes, 30) != kUncompressed) return false;
  const quint32 bitCount = LittleEndian32(bytes, 28) & 0xffff;
  const qint64 rowBytes = (qint64(image.width()) * bitCount + 31) / 32 * 4;
  return qint64(LittleEndian32(bytes, 10)) + rowBytes * image.height() > bytes.size();
}

}  // namespace

ErrorOr<TPicture> ReadGifPicture(const QByteArray& bytes, const QSize& fitArea, const TDecodeCancel& cancel) {
  auto image = ReadWithQt(bytes, "gif", TImageChoice::First, cancel);
  if (image.IsError()) return image.Error();
  TPicture picture = ReducedPicture(image.TakeValue(), fitArea);
  if (GifLacksTrailer(bytes)) picture.MarkDamaged(QStringLiteral("GIF data cut short"));
  return picture;
}

ErrorOr<TPicture> ReadBmpPicture(const QByteArray& bytes, const QSize& fitArea, const TDecodeCancel& cancel) {
  auto image = ReadWithQt(bytes, "bmp", TImageChoice::First, cancel);
  if (image.IsError()) return image.Error();
  const bool shortData = BitmapIsShort(bytes, image.Value());
  TPicture picture = ReducedPicture(image.TakeValue(), fitArea);
  if (shortData) picture.MarkDamaged(QStringLiteral("bitmap data cut short"));
  return picture;
}

// Icons are small and drawn whole onto a bitmap of their own size: never reduced.
ErrorOr<TPicture> ReadIconPicture(const QByteArray& bytes, const QSize&, const TDecodeCancel& cancel) {
  auto image = ReadWithQt(bytes, "ico", TImageChoice::Largest, cancel);
  if (image.IsError()) return image.Error();
  return TPicture::FromImage(image.TakeValue());
}

}  // namespace zarn
