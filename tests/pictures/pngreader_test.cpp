#include "pictures/pngreader.h"

#include <gtest/gtest.h>

#include <zlib.h>

#include "picturesamples.h"

namespace zarn {
namespace {

using test::EncodeImage;
using test::QuadrantImage;

QByteArray BigEndian32(quint32 value) {
  QByteArray bytes(4, '\0');
  qToBigEndian(value, bytes.data());
  return bytes;
}

QByteArray Chunk(const char* type, const QByteArray& data) {
  const QByteArray typeAndData = QByteArray(type, 4) + data;
  const auto crc = quint32(crc32(0, reinterpret_cast<const Bytef*>(typeAndData.constData()), uInt(typeAndData.size())));
  return BigEndian32(quint32(data.size())) + typeAndData + BigEndian32(crc);
}

// An 8-bit gray PNG of the given size whose picture data is `idat`.
QByteArray GrayPng(quint32 width, quint32 height, const QByteArray& idat) {
  QByteArray header = BigEndian32(width) + BigEndian32(height);
  header += QByteArray("\x08\x00\x00\x00\x00", 5);
  return QByteArray("\x89PNG\r\n\x1a\n", 8) + Chunk("IHDR", header) + Chunk("IDAT", idat) + Chunk("IEND", {});
}

QByteArray Deflated(const QByteArray& raw) {
  uLongf length = compressBound(uLong(raw.size()));
  QByteArray out(qsizetype(length), '\0');
  compress(reinterpret_cast<Bytef*>(out.data()), &length, reinterpret_cast<const Bytef*>(raw.constData()),
           uLong(raw.size()));
  out.resize(qsizetype(length));
  return out;
}

TEST(PngReader, DecodesEveryColourTypeToMatchingPixels) {
  const QImage source = QuadrantImage(32, 16, QImage::Format_ARGB32);
  const std::vector<QImage::Format> formats = {QImage::Format_ARGB32, QImage::Format_RGB32, QImage::Format_Grayscale8,
                                               QImage::Format_Indexed8, QImage::Format_Mono, QImage::Format_RGBA64};
  for (QImage::Format format : formats) {
    const QImage converted = source.convertToFormat(format);
    auto picture = ReadPngPicture(EncodeImage(converted, "png"), {});
    ASSERT_FALSE(picture.IsError()) << format << ": " << picture.Error().Text().toStdString();
    const QImage& image = picture.Value().Image();
    ASSERT_EQ(image.size(), QSize(32, 16)) << format;
    for (const QPoint point : {QPoint(2, 2), QPoint(30, 2), QPoint(2, 14), QPoint(30, 14)}) {
      EXPECT_EQ(image.pixel(point), converted.convertToFormat(QImage::Format_ARGB32).pixel(point)) << format;
    }
  }
}

TEST(PngReader, KeepsTransparency) {
  QImage source(4, 4, QImage::Format_ARGB32);
  source.fill(qRgba(10, 20, 30, 0));
  source.setPixel(1, 1, qRgba(200, 100, 50, 255));
  auto picture = ReadPngPicture(EncodeImage(source, "png"), {});
  ASSERT_FALSE(picture.IsError());
  EXPECT_EQ(qAlpha(picture.Value().Image().pixel(0, 0)), 0);
  EXPECT_EQ(picture.Value().Image().pixel(1, 1), qRgba(200, 100, 50, 255));
}

TEST(PngReader, TruncatedPictureShowsItsRowsAsDamaged) {
  // Noise does not compress, so the picture data is far longer than libpng's read size.
  QByteArray raw;
  quint32 seed = 7;
  for (int row = 0; row < 256; ++row) {
    raw += '\0';
    for (int column = 0; column < 256; ++column) {
      seed = seed * 1103515245u + 12345u;
      raw += column == 0 ? char(row) : char(seed >> 16);
    }
  }
  const QByteArray whole = GrayPng(256, 256, Deflated(raw));
  auto complete = ReadPngPicture(whole, {});
  ASSERT_FALSE(complete.IsError());
  EXPECT_FALSE(complete.Value().IsDamaged());

  auto cut = ReadPngPicture(whole.left(whole.size() / 2), {});
  ASSERT_FALSE(cut.IsError()) << cut.Error().Text().toStdString();
  EXPECT_TRUE(cut.Value().IsDamaged());
  EXPECT_EQ(qGray(cut.Value().Image().pixel(0, 3)), 3);

  auto noEnd = ReadPngPicture(whole.left(whole.size() - 12), {});
  ASSERT_FALSE(noEnd.IsError());
  EXPECT_TRUE(noEnd.Value().IsDamaged());
}

TEST(PngReader, CorruptFilesAreErrors) {
  const QByteArray good = EncodeImage(QuadrantImage(16, 16), "png");
  QByteArray badCrc = good;
  badCrc[29] = char(badCrc[29] ^ 0x55);  // inside the header chunk's CRC
  const std::vector<QByteArray> broken = {QByteArray("\x89PNG\r\n\x1a\n", 8), good.left(20), badCrc,
                                          QByteArray(300, '\x89'), GrayPng(16, 16, QByteArray(40, 'z'))};
  for (const QByteArray& bytes : broken) EXPECT_TRUE(ReadPngPicture(bytes, {}).IsError());
}

TEST(PngReader, RefusesOversizedPicturesAndBombs) {
  auto tooTall = ReadPngPicture(GrayPng(10, 20001, Deflated(QByteArray(11, '\0'))), {});
  ASSERT_TRUE(tooTall.IsError());
  EXPECT_TRUE(tooTall.Error().Text().contains("20001"));
  // 20000 x 20000 gray is 400 MB of pixels, claimed by a file of a few hundred bytes.
  auto bomb = ReadPngPicture(GrayPng(20000, 20000, Deflated(QByteArray(20001 * 10, '\0'))), {});
  ASSERT_TRUE(bomb.IsError());
  EXPECT_TRUE(bomb.Error().Text().contains(QString::fromUtf8("бомб")));
}

}  // namespace
}  // namespace zarn
