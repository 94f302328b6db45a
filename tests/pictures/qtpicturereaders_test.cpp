#include "pictures/qtpicturereaders.h"

#include <gtest/gtest.h>

#include "picturesamples.h"

namespace zarn {
namespace {

using test::EncodeIcon;
using test::EncodeImage;
using test::QuadrantImage;

TEST(QtPictureReaders, ReadGifBmpAndIcon) {
  const QImage source = QuadrantImage(24, 12);
  auto gif = ReadGifPicture(test::EncodeGif(source), {});
  ASSERT_FALSE(gif.IsError()) << gif.Error().Text().toStdString();
  EXPECT_EQ(gif.Value().Image().pixel(2, 2), qRgb(255, 0, 0));
  EXPECT_FALSE(gif.Value().IsDamaged());

  auto bmp = ReadBmpPicture(EncodeImage(source, "bmp"), {});
  ASSERT_FALSE(bmp.IsError());
  EXPECT_EQ(bmp.Value().Image().pixel(2, 10), qRgb(0, 0, 255));
  EXPECT_FALSE(bmp.Value().IsDamaged());

  auto icon = ReadIconPicture(EncodeImage(QuadrantImage(32, 32), "ico"), {});
  ASSERT_FALSE(icon.IsError()) << icon.Error().Text().toStdString();
  EXPECT_EQ(icon.Value().Size(), QSize(32, 32));
}

TEST(QtPictureReaders, IconShowsItsLargestImage) {
  auto icon = ReadIconPicture(EncodeIcon({QuadrantImage(16, 16), QuadrantImage(48, 48), QuadrantImage(32, 32)}), {});
  ASSERT_FALSE(icon.IsError()) << icon.Error().Text().toStdString();
  EXPECT_EQ(icon.Value().Size(), QSize(48, 48));
}

TEST(QtPictureReaders, TruncatedFilesAreDamagedOrRefused) {
  const QImage source = QuadrantImage(64, 64);
  const QByteArray gif = test::EncodeGif(source);
  auto cutGif = ReadGifPicture(gif.left(gif.size() * 3 / 4), {});
  if (!cutGif.IsError()) {
    EXPECT_TRUE(cutGif.Value().IsDamaged());
  }

  const QByteArray bmp = EncodeImage(source, "bmp");
  auto cutBmp = ReadBmpPicture(bmp.left(bmp.size() / 2), {});
  if (!cutBmp.IsError()) {
    EXPECT_TRUE(cutBmp.Value().IsDamaged());
  }

  const QByteArray icon = EncodeImage(QuadrantImage(32, 32), "ico");
  auto cutIcon = ReadIconPicture(icon.left(icon.size() / 2), {});
  if (!cutIcon.IsError()) {
    EXPECT_TRUE(cutIcon.Value().IsDamaged());
  }
}

TEST(QtPictureReaders, CorruptFilesAreErrors) {
  const QByteArray noise(400, '\x42');
  EXPECT_TRUE(ReadGifPicture(noise, {}).IsError());
  EXPECT_TRUE(ReadBmpPicture(noise, {}).IsError());
  EXPECT_TRUE(ReadIconPicture(noise, {}).IsError());
  EXPECT_TRUE(ReadGifPicture("GIF89a", {}).IsError());
  EXPECT_TRUE(ReadBmpPicture("BM", {}).IsError());
  EXPECT_TRUE(ReadIconPicture(QByteArray("\0\0\1\0\1\0", 6), {}).IsError());
}

// A run-length bitmap of 12 colours whose runs name colours up to 15, found by the fuzzer:
// drawing it read past Qt's colour table.
TEST(QtPictureReaders, PixelsNamingColoursPastTheTableAreBlack) {
  const QByteArray rle4 = QByteArray::fromBase64(
      "Qk0GAQAAAAAACkYAAAAoAAAAGAAAABAAAAABAAQAAgAAAMAAAADEDgAAxA4AAAwAAAAEAAAAAAD/AAD/AHgAIiIzMzMzMzMi"
      "IjMzMyIzMzMREREREREAAAD/ADUz/yIiIhEREREREQ==");
  auto bmp = ReadBmpPicture(rle4, {});
  ASSERT_FALSE(bmp.IsError()) << bmp.Error().Text().toStdString();
  const QImage& image = bmp.Value().Image();
  ASSERT_EQ(image.format(), QImage::Format_Indexed8);
  int pastTable = 0;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      const int index = image.pixelIndex(x, y);
      ASSERT_LT(index, image.colorCount());
      if (index >= 12) {
        ++pastTable;
        EXPECT_EQ(image.pixel(x, y), qRgb(0, 0, 0));
      }
    }
  }
  EXPECT_GT(pastTable, 0);
}

// A bitmap header declaring `width` x `height` pixels followed by almost nothing.
QByteArray BitmapClaiming(qint32 width, qint32 height, quint32 compression) {
  QImage tiny = QuadrantImage(2, 2);
  QByteArray bytes = EncodeImage(tiny, "bmp");
  qToLittleEndian(width, bytes.data() + 18);
  qToLittleEndian(height, bytes.data() + 22);
  qToLittleEndian(compression, bytes.data() + 30);
  return bytes;
}

TEST(QtPictureReaders, RefusesOversizedBitmapsAndBombs) {
  auto tooWide = ReadBmpPicture(BitmapClaiming(30000, 10, 0), {});
  ASSERT_TRUE(tooWide.IsError());
  EXPECT_TRUE(tooWide.Error().Text().contains("30000"));
  auto bomb = ReadBmpPicture(BitmapClaiming(20000, 20000, 0), {});
  ASSERT_TRUE(bomb.IsError());
  // Within the side limit but over the pixel budget: Qt's reader would decode it whole.
  auto overBudget = ReadBmpPicture(BitmapClaiming(6000, 6000, 0), QSize(617, 464));
  ASSERT_TRUE(overBudget.IsError());
  EXPECT_TRUE(overBudget.Error().Text().contains(QString::fromUtf8("слишком велико для просмотра")));
}

TEST(QtPictureReaders, LargeBitmapsAreReducedToTheAreaShown) {
  auto bmp = ReadBmpPicture(EncodeImage(QuadrantImage(400, 200), "bmp"), QSize(100, 100));
  ASSERT_FALSE(bmp.IsError());
  EXPECT_EQ(bmp.Value().Size(), QSize(400, 200));
  EXPECT_EQ(bmp.Value().DecodedSize(), QSize(100, 50));
  EXPECT_EQ(bmp.Value().Image().pixel(10, 10), qRgb(255, 0, 0));
  EXPECT_TRUE(bmp.Value().NeedsSharperDecode(QSize(200, 100)));
}

}  // namespace
}  // namespace zarn
