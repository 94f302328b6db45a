#include "pictures/jpegreader.h"

#include <gtest/gtest.h>

#include "picturesamples.h"

namespace zarn {
namespace {

using test::EncodeImage;
using test::QuadrantImage;

// The offset of the first byte after the marker `code` (0xFF code), or -1.
qsizetype MarkerEnd(const QByteArray& bytes, unsigned char code) {
  for (qsizetype index = 2; index + 1 < bytes.size(); ++index) {
    if (uchar(bytes[index]) == 0xFF && uchar(bytes[index + 1]) == code) return index + 2;
  }
  return -1;
}

// Writes new dimensions into the frame header.
QByteArray WithDimensions(QByteArray bytes, int width, int height) {
  qsizetype frame = MarkerEnd(bytes, 0xC0);
  if (frame < 0) frame = MarkerEnd(bytes, 0xC2);
  EXPECT_GT(frame, 0);
  bytes[frame + 3] = char(height >> 8);
  bytes[frame + 4] = char(height & 0xff);
  bytes[frame + 5] = char(width >> 8);
  bytes[frame + 6] = char(width & 0xff);
  return bytes;
}

// One scan: from its marker to the next marker that is not a restart or a stuffed byte.
QByteArray FirstScan(const QByteArray& bytes) {
  const qsizetype start = MarkerEnd(bytes, 0xDA) - 2;
  qsizetype end = start + 2;
  while (end + 1 < bytes.size()) {
    const uchar next = uchar(bytes[end + 1]);
    if (uchar(bytes[end]) == 0xFF && next != 0 && (next < 0xD0 || next > 0xD7)) break;
    ++end;
  }
  return bytes.mid(start, end - start);
}

TEST(JpegReader, DecodesColoursInPlace) {
  auto picture = ReadJpegPicture(EncodeImage(QuadrantImage(64, 32), "jpg", 95), {});
  ASSERT_FALSE(picture.IsError()) << picture.Error().Text().toStdString();
  const QImage& image = picture.Value().Image();
  ASSERT_EQ(image.size(), QSize(64, 32));
  EXPECT_GT(qRed(image.pixel(8, 8)), 200);
  EXPECT_LT(qBlue(image.pixel(8, 8)), 60);
  EXPECT_GT(qGreen(image.pixel(56, 8)), 200);
  EXPECT_GT(qBlue(image.pixel(8, 24)), 200);
  EXPECT_GT(qGray(image.pixel(56, 24)), 230);
  EXPECT_FALSE(picture.Value().IsDamaged());
}

TEST(JpegReader, DecodesGrayscaleAndProgressiveFiles) {
  const QImage gray = QuadrantImage(40, 40).convertToFormat(QImage::Format_Grayscale8);
  auto grayPicture = ReadJpegPicture(EncodeImage(gray, "jpg"), {});
  ASSERT_FALSE(grayPicture.IsError());
  EXPECT_EQ(grayPicture.Value().Image().format(), QImage::Format_Grayscale8);

  auto progressive = ReadJpegPicture(EncodeImage(QuadrantImage(40, 40), "jpg", 90, true), {});
  ASSERT_FALSE(progressive.IsError()) << progressive.Error().Text().toStdString();
  EXPECT_EQ(progressive.Value().Size(), QSize(40, 40));
}

TEST(JpegReader, ScaleIsTheSmallestNotBelowTheFittedSize) {
  EXPECT_EQ(JpegScaleEighths({6000, 4000}, {617, 464}), 1);  // 750 x 500 covers 617 x 411
  EXPECT_EQ(JpegScaleEighths({2000, 1000}, {617, 464}), 3);  // 750 x 375 covers 617 x 308
  EXPECT_EQ(JpegScaleEighths({600, 400}, {617, 464}), 8);    // enlarged: full size
  EXPECT_EQ(JpegScaleEighths({6000, 4000}, {}), 8);
}

TEST(JpegReader, LargePicturesDecodeReducedUntilTheAreaGrows) {
  const QByteArray bytes = EncodeImage(QuadrantImage(1600, 800), "jpg");
  auto reduced = ReadJpegPicture(bytes, {200, 200});
  ASSERT_FALSE(reduced.IsError());
  const TPicture& picture = reduced.Value();
  EXPECT_EQ(picture.Size(), QSize(1600, 800));
  EXPECT_EQ(picture.DecodedSize(), QSize(200, 100));
  EXPECT_FALSE(picture.NeedsSharperDecode(FitSize(picture.Size(), {200, 200})));
  EXPECT_TRUE(picture.NeedsSharperDecode(FitSize(picture.Size(), {617, 464})));
  // Colours survive the reduced decode.
  EXPECT_GT(qRed(picture.Image().pixel(20, 20)), 200);
  EXPECT_GT(qBlue(picture.Image().pixel(20, 80)), 200);

  auto full = ReadJpegPicture(bytes, {4000, 4000});
  ASSERT_FALSE(full.IsError());
  EXPECT_EQ(full.Value().DecodedSize(), QSize(1600, 800));
  EXPECT_FALSE(full.Value().NeedsSharperDecode({4000, 2000}));
}

TEST(JpegReader, TruncatedFileIsShownAsDamaged) {
  const QByteArray bytes = EncodeImage(test::NoisyQuadrantImage(256, 256), "jpg");
  auto picture = ReadJpegPicture(bytes.left(bytes.size() * 2 / 3), {});
  ASSERT_FALSE(picture.IsError()) << picture.Error().Text().toStdString();
  EXPECT_TRUE(picture.Value().IsDamaged());
  EXPECT_EQ(picture.Value().Size(), QSize(256, 256));
  EXPECT_GT(qRed(picture.Value().Image().pixel(8, 8)), 200);  // the part that was there
}

TEST(JpegReader, CorruptOrCutHeadersAreErrors) {
  const QByteArray bytes = EncodeImage(QuadrantImage(64, 64), "jpg");
  QByteArray garbage = bytes;
  for (qsizetype index = 2; index < 200 && index < garbage.size(); ++index) garbage[index] = char(0x5A);
  for (const QByteArray& broken : {QByteArray("\xFF\xD8", 2), bytes.left(100), garbage, QByteArray(500, 'x')}) {
    auto picture = ReadJpegPicture(broken, {});
    EXPECT_TRUE(picture.IsError());
  }
}

TEST(JpegReader, RefusesOversizedPicturesAndBombs) {
  const QByteArray bytes = EncodeImage(QuadrantImage(64, 64), "jpg");
  auto tooWide = ReadJpegPicture(WithDimensions(bytes, 20001, 64), {});
  ASSERT_TRUE(tooWide.IsError());
  EXPECT_TRUE(tooWide.Error().Text().contains("20001"));
  // A small file that claims 20000 x 20000 pixels.
  auto bomb = ReadJpegPicture(WithDimensions(bytes, 20000, 20000), {617, 464});
  ASSERT_TRUE(bomb.IsError());
  EXPECT_TRUE(bomb.Error().Text().contains(QString::fromUtf8("бомб")));
}

TEST(JpegReader, StopsProgressiveFilesWithAbsurdScanCounts) {
  const QByteArray bytes = EncodeImage(QuadrantImage(32, 32), "jpg", 90, true);
  const QByteArray scan = FirstScan(bytes);
  ASSERT_GT(scan.size(), 4);
  const qsizetype at = bytes.indexOf(scan) + scan.size();
  QByteArray repeated = bytes.left(at);
  for (int copy = 0; copy < 400; ++copy) repeated += scan;
  repeated += bytes.mid(at);
  auto picture = ReadJpegPicture(repeated, {});
  ASSERT_TRUE(picture.IsError());
  EXPECT_TRUE(picture.Error().Text().contains("scans"));
}

}  // namespace
}  // namespace zarn
