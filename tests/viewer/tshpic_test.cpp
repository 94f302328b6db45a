#include "viewer/tshpic.h"

#include <gtest/gtest.h>

#include "fakeprompter.h"
#include "platform/errors.h"
#include "picturesamples.h"
#include "temptree.h"
#include "viewer/trf.h"
#include "viewer/viewfile.h"

namespace zarn {
namespace {

using test::EncodeImage;
using test::QuadrantImage;

class TshpicTest : public ::testing::Test {
 protected:
  // Shows `name` the way the view command does.
  void View(const char* name) { ShowPictureViewer(Tree.Path(name)); }
  QString Caption(const char* name) const { return QStringLiteral(" Изображение:   ") + Tree.Path(name); }

  // Set before the window exists, which must empty it.
  bool LeftOver = (ViewFileName = QStringLiteral("left over"), true);
  test::FakePrompter Prompter;
  test::TempTree Tree;
  TSHPIC Window;
};

TEST_F(TshpicTest, StartsHiddenWithItsDesignedControls) {
  EXPECT_EQ(SHPIC, &Window);
  EXPECT_FALSE(Window.isVisible());
  EXPECT_TRUE(ViewFileName.isEmpty());
  EXPECT_EQ(Window.windowTitle(), QStringLiteral(" Просмотр изображений"));
  auto* panel = Window.findChild<QLabel*>("Panel1");
  ASSERT_NE(panel, nullptr);
  EXPECT_EQ(panel->text(), QStringLiteral("Загрузка изображения..."));
  auto* image = Window.findChild<TPictureBox*>("Image1");
  ASSERT_NE(image, nullptr);
  EXPECT_EQ(image->geometry(), QRect(8, 8, 617, 464));
}

TEST_F(TshpicTest, ShowingLoadsTheFileAndNamesIt) {
  Tree.CreateFile("wide.png", EncodeImage(QuadrantImage(100, 50), "png"));
  View("wide.png");
  EXPECT_TRUE(Window.isVisible());
  EXPECT_EQ(ViewFileName, Tree.Path("wide.png"));
  EXPECT_EQ(Window.windowTitle(), Caption("wide.png"));
  EXPECT_EQ(Window.Image1->DrawnRect(), QRect(0, 78, 617, 308));
  // The picture is drawn where the layout says, the panel shows around it.
  const QImage shot = Window.Image1->grab().toImage();
  EXPECT_EQ(shot.pixelColor(100, 100), QColor(Qt::red));
  EXPECT_EQ(shot.pixelColor(100, 300), QColor(Qt::blue));
  EXPECT_EQ(shot.pixelColor(300, 20), QColor(Qt::white));
  EXPECT_TRUE(Prompter.Errors.isEmpty());
}

TEST_F(TshpicTest, TallPictureAndIconAreFittedAndCentred) {
  Tree.CreateFile("tall.bmp", EncodeImage(QuadrantImage(200, 400), "bmp"));
  Tree.CreateFile("icon.ico", EncodeImage(QuadrantImage(32, 32, QImage::Format_ARGB32), "ico"));
  View("tall.bmp");
  EXPECT_EQ(Window.Image1->DrawnRect(), QRect(192, 0, 232, 464));
  View("icon.ico");
  EXPECT_EQ(Window.Image1->Picture().Size(), QSize(32, 32));
  EXPECT_EQ(Window.Image1->DrawnRect(), QRect(76, 0, 464, 464));
  EXPECT_EQ(Window.windowTitle(), Caption("icon.ico"));
  EXPECT_TRUE(Prompter.Errors.isEmpty()) << Prompter.Errors.join("\n").toStdString();
}

TEST_F(TshpicTest, UpperAndLowerCaseExtensionsBothLoad) {
  Tree.CreateFile("photo.JPEG", EncodeImage(QuadrantImage(30, 20), "jpg"));
  Tree.CreateFile("photo.jpeg", EncodeImage(QuadrantImage(40, 20), "jpg"));
  View("photo.JPEG");
  EXPECT_EQ(Window.Image1->Picture().Size(), QSize(30, 20));
  View("photo.jpeg");  // the viewer is shown now: this reloads
  EXPECT_EQ(Window.Image1->Picture().Size(), QSize(40, 20));
  EXPECT_EQ(Window.windowTitle(), Caption("photo.jpeg"));
}

TEST_F(TshpicTest, UnknownExtensionLoadsNothingButChangesTheCaption) {
  Tree.CreateFile("first.gif", test::EncodeGif(QuadrantImage(20, 20)));
  Tree.CreateFile("x.tif", "II*\0");
  View("first.gif");
  View("x.tif");
  EXPECT_EQ(Window.Image1->Picture().Size(), QSize(20, 20));
  EXPECT_EQ(Window.windowTitle(), Caption("x.tif"));
  EXPECT_TRUE(Prompter.Errors.isEmpty());
}

TEST_F(TshpicTest, BrokenPicturesKeepThePreviousOneAndNameTheFile) {
  Tree.CreateFile("good.png", EncodeImage(QuadrantImage(100, 50), "png"));
  Tree.CreateFile("corrupt.png", QByteArray("\x89PNG\r\n\x1a\n", 8) + QByteArray(100, '\x07'));
  Tree.CreateFile("lying.jpg", EncodeImage(QuadrantImage(10, 10), "png"));
  Tree.CreateFile("corrupt.wmf", QByteArray(64, '\x01'));
  Tree.CreateFile("corrupt.ico", QByteArray(64, '\x02'));
  Tree.CreateFifo("pipe.gif");
  View("good.png");
  for (const char* name : {"corrupt.png", "lying.jpg", "corrupt.wmf", "corrupt.ico", "pipe.gif", "missing.bmp"}) {
    Prompter.Errors.clear();
    try {
      View(name);  // the viewer is shown: the caller's guard reports what this raises
      ADD_FAILURE() << name << " loaded";
    } catch (const ZarnError& error) {
      EXPECT_TRUE(error.Text().contains(Tree.Path(name))) << error.Text().toStdString();
    }
    EXPECT_EQ(Window.Image1->Picture().Size(), QSize(100, 50)) << name;
    EXPECT_EQ(Window.windowTitle(), Caption("good.png")) << name;
  }
}

TEST_F(TshpicTest, ShowingABrokenPictureReportsOneErrorBox) {
  Tree.CreateFile("bad.gif", "GIF89a broken");
  View("bad.gif");
  EXPECT_TRUE(Window.isVisible());
  ASSERT_EQ(Prompter.Errors.size(), 1);
  EXPECT_TRUE(Prompter.Errors[0].contains(Tree.Path("bad.gif")));
  EXPECT_EQ(Window.windowTitle(), QStringLiteral(" Просмотр изображений"));
}

TEST_F(TshpicTest, DamagedPictureSaysSoInTheCaption) {
  const QByteArray jpeg = EncodeImage(test::NoisyQuadrantImage(256, 256), "jpg");
  Tree.CreateFile("cut.jpg", jpeg.left(jpeg.size() * 2 / 3));
  View("cut.jpg");
  EXPECT_TRUE(Window.Image1->Picture().IsDamaged());
  EXPECT_TRUE(Window.windowTitle().startsWith(Caption("cut.jpg")));
  EXPECT_TRUE(Window.windowTitle().contains(QStringLiteral("повреждено")));
}

TEST_F(TshpicTest, ClosingHidesAndKeepsThePictureThenShowingReloads) {
  Tree.CreateFile("a.png", EncodeImage(QuadrantImage(100, 50), "png"));
  View("a.png");
  Window.close();
  EXPECT_FALSE(Window.isVisible());
  EXPECT_EQ(SHPIC, &Window);
  EXPECT_EQ(Window.Image1->Picture().Size(), QSize(100, 50));
  Tree.CreateFile("a.png", EncodeImage(QuadrantImage(60, 60), "png"));
  Window.show();  // the show/hide buttons: a new showing loads ViewFileName again
  EXPECT_EQ(Window.Image1->Picture().Size(), QSize(60, 60));
}

TEST_F(TshpicTest, LargeJpegIsDecodedAgainWhenTheWindowGrows) {
  Tree.CreateFile("big.jpg", EncodeImage(QuadrantImage(2400, 1600), "jpg"));
  View("big.jpg");
  const TPicture& reduced = Window.Image1->Picture();
  EXPECT_EQ(reduced.Size(), QSize(2400, 1600));
  EXPECT_LT(reduced.DecodedSize().width(), 2400);
  EXPECT_GE(reduced.DecodedSize().width(), Window.Image1->DrawnRect().width());
  Window.resize(1400, 1000);
  const TPicture& sharper = Window.Image1->Picture();
  EXPECT_EQ(Window.Image1->geometry(), QRect(8, 8, 1384, 984));
  EXPECT_GE(sharper.DecodedSize().width(), Window.Image1->DrawnRect().width());
  EXPECT_TRUE(Prompter.Errors.isEmpty());
}

TEST_F(TshpicTest, MetafileIsDrawnScaled) {
  Tree.CreateFile("chart.WMF", test::TwoColourMetafile());
  View("chart.WMF");
  EXPECT_EQ(Window.Image1->DrawnRect(), QRect(0, 78, 617, 308));
  const QImage shot = Window.Image1->grab().toImage();
  EXPECT_EQ(shot.pixelColor(150, 232), QColor(Qt::red));
  EXPECT_EQ(shot.pixelColor(450, 232), QColor(Qt::blue));
}

TEST_F(TshpicTest, ShowingTheImageViewerHidesTheTextViewer) {
  Tree.CreateFile("a.png", EncodeImage(QuadrantImage(10, 10), "png"));
  TRF textViewer;
  textViewer.show();
  View("a.png");
  EXPECT_TRUE(Window.isVisible());
  EXPECT_FALSE(textViewer.isVisible());
}

TEST(PictureExtensions, AreTheViewersOwnInAnyCase) {
  for (const char* extension : {".JPG", ".jpeg", ".Bmp", ".WMF", ".ico", ".GIF", ".png", "PNG"}) {
    EXPECT_TRUE(IsPictureExtension(extension)) << extension;
  }
  for (const char* extension : {".TIF", ".txt", "", ".", ".JPGX"}) EXPECT_FALSE(IsPictureExtension(extension));
}

}  // namespace
}  // namespace zarn
