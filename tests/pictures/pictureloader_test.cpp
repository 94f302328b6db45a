#include "pictures/pictureloader.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>

#include <unistd.h>

#include "picturesamples.h"
#include "pictures/pictureformats.h"
#include "pictures/picturefile.h"
#include "platform/filenames.h"
#include "temptree.h"
#include "unprivileged.h"

namespace zarn {
namespace {

using test::EncodeImage;
using test::QuadrantImage;
using test::TempTree;

TEST(PictureExtension, TakesTheLastDotOfTheFileNameUpperCased) {
  EXPECT_EQ(PictureExtension("/pics/photo.jpeg"), ".JPEG");
  EXPECT_EQ(PictureExtension("/pics/photo.JPEG"), ".JPEG");
  EXPECT_EQ(PictureExtension("/pics/archive.tar.Png"), ".PNG");
  EXPECT_EQ(PictureExtension("/pics/x.tif"), ".TIF");
  EXPECT_EQ(PictureExtension("/folder.d/README"), "");
  EXPECT_EQ(PictureExtension("/pics/noext"), "");
  // Only Latin letters change case.
  EXPECT_EQ(PictureExtension(QString::fromUtf8("/p/рис.жпг")), QString::fromUtf8(".жпг"));
}

TEST(PictureFormats, KnowsEveryViewerFormatAndPngByItsDescription) {
  for (const char* extension : {"JPG", "JPEG", "PNG", "GIF", "BMP", "ICO", "WMF"}) {
    EXPECT_NE(FindPictureFormat(extension), nullptr) << extension;
  }
  const TPictureFormat* png = FindPictureFormat(".png");
  ASSERT_NE(png, nullptr);
  EXPECT_EQ(png->Extension, "PNG");
  EXPECT_EQ(png->Description, "Portable Network Graphics");
  EXPECT_EQ(FindPictureFormat("TIF"), nullptr);
}

TEST(PictureFormats, RegisteringReplacesTheReaderOfAnExtension) {
  int calls = 0;
  RegisterPictureFormat(
      {"xyz", "Test pictures", [&calls](const QByteArray&, const QSize&, const TDecodeCancel&) -> ErrorOr<TPicture> {
         ++calls;
         return TPicture::FromImage(QImage(3, 2, QImage::Format_RGB32));
       }});
  auto picture = DecodePicture(".XYZ", "data");
  ASSERT_FALSE(picture.IsError());
  EXPECT_EQ(picture.Value().Size(), QSize(3, 2));
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(FindPictureFormat("XYZ")->Description, "Test pictures");
}

TEST(LoadPictureFile, LoadsByExtensionWhateverItsCase) {
  TempTree tree;
  const QByteArray png = EncodeImage(QuadrantImage(40, 20), "png");
  tree.CreateFile("photo.PNG", png);
  tree.CreateFile("photo.png", png);
  for (const char* name : {"photo.PNG", "photo.png"}) {
    auto picture = LoadPictureFile(tree.Path(name));
    ASSERT_FALSE(picture.IsError()) << picture.Error().Text().toStdString();
    EXPECT_EQ(picture.Value().Size(), QSize(40, 20));
    EXPECT_FALSE(picture.Value().IsDamaged());
  }
}

TEST(LoadPictureFile, ErrorsNameTheFile) {
  TempTree tree;
  tree.CreateFile("empty.png");
  tree.CreateFile("text.gif", "just some text, not a picture at all");
  tree.CreateFile("picture.tif", "II*");
  tree.CreateDir("folder.png");
  for (const char* name : {"missing.png", "empty.png", "text.gif", "picture.tif", "folder.png"}) {
    auto picture = LoadPictureFile(tree.Path(name));
    ASSERT_TRUE(picture.IsError()) << name;
    EXPECT_TRUE(picture.Error().Text().endsWith(tree.Path(name))) << picture.Error().Text().toStdString();
  }
}

TEST(LoadPictureFile, ContentsOfAnotherFormatThanTheExtensionAreAnError) {
  TempTree tree;
  const QImage image = QuadrantImage(16, 16);
  tree.CreateFile("png-inside.jpg", EncodeImage(image, "png"));
  tree.CreateFile("jpeg-inside.png", EncodeImage(image, "jpg"));
  tree.CreateFile("bmp-inside.gif", EncodeImage(image, "bmp"));
  tree.CreateFile("gif-inside.bmp", test::EncodeGif(image));
  tree.CreateFile("png-inside.ico", EncodeImage(image, "png"));
  tree.CreateFile("png-inside.wmf", EncodeImage(image, "png"));
  for (const char* name : {"png-inside.jpg", "jpeg-inside.png", "bmp-inside.gif", "gif-inside.bmp",
                           "png-inside.ico", "png-inside.wmf"}) {
    EXPECT_TRUE(LoadPictureFile(tree.Path(name)).IsError()) << name;
  }
}

TEST(LoadPictureFile, RefusesAFifoWithoutBlocking) {
  TempTree tree;
  tree.CreateFifo("pipe.png");
  QElapsedTimer timer;
  timer.start();
  auto picture = LoadPictureFile(tree.Path("pipe.png"));
  ASSERT_TRUE(picture.IsError());
  EXPECT_TRUE(picture.Error().Text().contains(tree.Path("pipe.png")));
  EXPECT_LT(timer.elapsed(), 5000);
}

TEST(LoadPictureFile, UnreadableFileGivesTheSystemMessage) {
  test::AsUnprivilegedUser([] {
    TempTree tree;
    tree.CreateFile("locked.png", EncodeImage(QuadrantImage(8, 8), "png"));
    tree.SetMode("locked.png", 0);
    auto picture = LoadPictureFile(tree.Path("locked.png"));
    ASSERT_TRUE(picture.IsError());
    EXPECT_EQ(picture.Error().Text(), SystemMessage(EACCES) + ": " + tree.Path("locked.png"));
  });
}

TEST(ReadPictureBytes, ReadsFilesWhoseNamesAreNotUtf8) {
  TempTree tree;
  const QByteArray png = EncodeImage(QuadrantImage(8, 8), "png");
  tree.CreateFile("bad\xff name.png", png);
  const QString path = FromNativeName(tree.PathBytes("bad\xff name.png"));
  auto bytes = ReadPictureBytes(path);
  ASSERT_FALSE(bytes.IsError()) << bytes.Error().Text().toStdString();
  EXPECT_EQ(bytes.Value(), png);
  EXPECT_FALSE(LoadPictureFile(path).IsError());
  ::unlink(tree.PathBytes("bad\xff name.png").constData());  // QTemporaryDir cannot remove such names
}

TEST(FitSize, KeepsProportionsAndTruncates) {
  EXPECT_EQ(FitSize({100, 50}, {617, 464}), QSize(617, 308));
  EXPECT_EQ(FitSize({2000, 4000}, {617, 464}), QSize(232, 464));
  EXPECT_EQ(FitSize({32, 32}, {617, 464}), QSize(464, 464));
  EXPECT_EQ(FitSize({6000, 4000}, {617, 464}), QSize(617, 411));
  EXPECT_EQ(FitSize({1, 20000}, {617, 464}), QSize(1, 464));
  EXPECT_EQ(FitSize({0, 10}, {617, 464}), QSize());
  EXPECT_EQ(FitSize({10, 10}, {0, 464}), QSize());
}

}  // namespace
}  // namespace zarn
