#include "pictures/metafile.h"

#include <gtest/gtest.h>

#include <QPainter>

#include "picturesamples.h"
#include "pictures/pictureloader.h"

namespace zarn {
namespace {

using test::TWmfBuilder;

QImage Render(const TMetafile& metafile, QSize size) {
  QImage image(size, QImage::Format_RGB32);
  image.fill(Qt::white);
  QPainter painter(&image);
  metafile.Play(painter, image.rect());
  return image;
}

TEST(Metafile, PlaceableHeaderGivesSizeAndFrame) {
  auto metafile = ParseMetafile(test::TwoColourMetafile());
  ASSERT_FALSE(metafile.IsError()) << metafile.Error().Text().toStdString();
  EXPECT_EQ(metafile.Value().Frame(), QRect(0, 0, 200, 100));
  EXPECT_EQ(metafile.Value().Size(), QSize(200, 100));
  EXPECT_FALSE(metafile.Value().IsTruncated());

  // 1440 units per inch: 2880 units are two inches, 192 pixels at 96 dots per inch.
  auto twips = ParseMetafile(TWmfBuilder().Build(QRect(0, 0, 2880, 1440)));
  ASSERT_FALSE(twips.IsError());
  EXPECT_EQ(twips.Value().Size(), QSize(192, 96));
}

TEST(Metafile, DrawsShapesScaledIntoTheTarget) {
  auto metafile = ParseMetafile(test::TwoColourMetafile());
  ASSERT_FALSE(metafile.IsError());
  const QImage image = Render(metafile.Value(), {400, 200});
  EXPECT_EQ(image.pixel(100, 100), qRgb(255, 0, 0));
  EXPECT_EQ(image.pixel(300, 100), qRgb(0, 0, 255));
}

TEST(Metafile, WindowRecordsGiveTheFrameAndMayFlipIt) {
  TWmfBuilder builder;
  builder.Add(wmf::kSetWindowOrg, {0, 0}).Add(wmf::kSetWindowExt, {-100, 100});  // y extent negative: y up
  builder.NullPen().Add(wmf::kSelectObject, {0});
  builder.SolidBrush(qRgb(0, 128, 0)).Add(wmf::kSelectObject, {1});
  builder.Add(wmf::kRectangle, {-50, 100, 0, 0});  // the upper half, since y runs upwards
  auto metafile = ParseMetafile(builder.Build());
  ASSERT_FALSE(metafile.IsError()) << metafile.Error().Text().toStdString();
  EXPECT_EQ(metafile.Value().Size(), QSize(100, 100));
  const QImage image = Render(metafile.Value(), {100, 100});
  EXPECT_EQ(image.pixel(50, 25), qRgb(0, 128, 0));
  EXPECT_EQ(image.pixel(50, 75), qRgb(255, 255, 255));
}

TEST(Metafile, DrawsPolygonsEllipsesLinesAndText) {
  TWmfBuilder builder;
  builder.Add(0x02FA, {0, 3, 0, 0, 0}).Add(wmf::kSelectObject, {0});  // black pen, 3 units
  builder.SolidBrush(qRgb(255, 255, 0)).Add(wmf::kSelectObject, {1});
  builder.Add(wmf::kPolygon, {3, 10, 10, 90, 10, 50, 60});
  builder.Add(wmf::kEllipse, {95, 95, 70, 70});
  builder.Add(wmf::kMoveTo, {5, 0}).Add(wmf::kLineTo, {5, 100});
  builder.Add(wmf::kSetTextColor, {0xff, 0});
  builder.Add(wmf::kTextOut, {2, 'A' | ('B' << 8), 80, 10});
  auto metafile = ParseMetafile(builder.Build(QRect(0, 0, 100, 100), 96));
  ASSERT_FALSE(metafile.IsError());
  const QImage image = Render(metafile.Value(), {100, 100});
  EXPECT_EQ(image.pixel(50, 25), qRgb(255, 255, 0));   // inside the triangle
  EXPECT_EQ(image.pixel(82, 82), qRgb(255, 255, 0));   // inside the ellipse
  EXPECT_EQ(qGray(image.pixel(50, 5)), 0);             // on the line
}

TEST(Metafile, MissingEndRecordMarksThePictureDamaged) {
  auto picture = DecodePicture("WMF", TWmfBuilder().Add(wmf::kRectangle, {10, 10, 0, 0}).Build(QRect(0, 0, 10, 10),
                                                                                                  1440, false));
  ASSERT_FALSE(picture.IsError());
  EXPECT_TRUE(picture.Value().IsDamaged());
  auto whole = DecodePicture("WMF", test::TwoColourMetafile());
  ASSERT_FALSE(whole.IsError());
  EXPECT_FALSE(whole.Value().IsDamaged());
}

TEST(Metafile, HostileRecordsNeverReachPastTheData) {
  TWmfBuilder builder;
  builder.Add(wmf::kPolygon, {30000, 1, 2});       // claims 30000 points, holds one
  builder.Add(wmf::kPolyPolygon, {500, 3, 3});     // claims 500 polygons
  builder.Add(wmf::kTextOut, {30000, 0x4141});     // claims 30000 characters
  builder.Add(wmf::kExtTextOut, {0, 0, 30000, 6});
  builder.Add(wmf::kSelectObject, {60000}).Add(wmf::kDeleteObject, {60000});
  builder.Add(wmf::kRestoreDc, {-5}).Add(wmf::kRestoreDc, {7});
  builder.Add(wmf::kEscape, {15, 4, 1, 2});
  builder.Add(wmf::kStretchDib, {0x20, 0xCC, 0, 10, 10, 0, 0, 10, 10, 0, 0, 40, 0});  // a bitmap header cut short
  builder.AddRaw(1000000, wmf::kRectangle, QByteArray(8, '\0'));  // record larger than the file
  auto metafile = ParseMetafile(builder.Build(QRect(0, 0, 100, 100)));
  ASSERT_FALSE(metafile.IsError());
  EXPECT_TRUE(metafile.Value().IsTruncated());
  Render(metafile.Value(), {64, 64});  // must not crash or read out of bounds
}

TEST(Metafile, CorruptHeadersAreErrors) {
  EXPECT_TRUE(ParseMetafile("").IsError());
  EXPECT_TRUE(ParseMetafile(QByteArray(100, 'x')).IsError());
  QByteArray badHeader = TWmfBuilder().Build();
  badHeader[2] = 7;  // header size must be 9 words
  EXPECT_TRUE(ParseMetafile(badHeader).IsError());
  // Neither a placeable header nor a window extent: the picture has no size.
  EXPECT_TRUE(ParseMetafile(TWmfBuilder().Add(wmf::kRectangle, {1, 1, 0, 0}).Build()).IsError());
}

TEST(Metafile, DrawsEmbeddedBitmaps) {
  QImage red(4, 4, QImage::Format_RGB32);
  red.fill(Qt::red);
  const QByteArray bmp = test::EncodeImage(red, "bmp").mid(14);  // the bitmap without its file header
  QByteArray parameters;
  for (int word : {0x0020, 0x00CC, 0, 4, 4, 0, 0, 50, 50, 0, 0}) {  // rop, usage, src h w y x, dest h w y x
    const quint16 value = qToLittleEndian(quint16(word));
    parameters.append(reinterpret_cast<const char*>(&value), 2);
  }
  parameters += bmp;
  if (parameters.size() % 2) parameters += '\0';
  TWmfBuilder builder;
  builder.AddRaw(quint32(3 + parameters.size() / 2), wmf::kStretchDib, parameters);
  auto metafile = ParseMetafile(builder.Build(QRect(0, 0, 100, 100), 96));
  ASSERT_FALSE(metafile.IsError());
  const QImage image = Render(metafile.Value(), {100, 100});
  EXPECT_EQ(image.pixel(25, 25), qRgb(255, 0, 0));
  EXPECT_EQ(image.pixel(75, 75), qRgb(255, 255, 255));
}

}  // namespace
}  // namespace zarn
