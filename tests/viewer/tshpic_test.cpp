#include "viewer/tshpic.h"

#include <gtest/gtest.h>

#include <QPushButton>
#include <QScopeGuard>
#include <QSemaphore>
#include <QSignalSpy>
#include <QTest>
#include <QThread>

#include "fakeprompter.h"
#include "pictures/pictureformats.h"
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
  // Shows `name` the way the view command does, and waits for the picture.
  void View(const char* name) {
    QSignalSpy finished(&Window, &TSHPIC::LoadFinished);
    ShowPictureViewer(Tree.Path(name));
    if (Window.IsLoading()) {
      ASSERT_TRUE(finished.wait(20000)) << name;
    }
  }
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
    View(name);  // the viewer is shown: this reloads, and the error box reports what fails
    ASSERT_EQ(Prompter.Errors.size(), 1) << name;
    EXPECT_TRUE(Prompter.Errors[0].contains(Tree.Path(name))) << Prompter.Errors[0].toStdString();
    EXPECT_EQ(Window.Image1->Picture().Size(), QSize(100, 50)) << name;
    EXPECT_TRUE(Window.Image1->isVisible()) << name;
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
  QSignalSpy finished(&Window, &TSHPIC::LoadFinished);
  Window.show();  // the show/hide buttons: a new showing loads ViewFileName again
  ASSERT_TRUE(finished.wait(20000));
  EXPECT_EQ(Window.Image1->Picture().Size(), QSize(60, 60));
}

TEST_F(TshpicTest, LargeJpegIsDecodedAgainWhenTheWindowGrows) {
  Tree.CreateFile("big.jpg", EncodeImage(QuadrantImage(2400, 1600), "jpg"));
  View("big.jpg");
  const TPicture& reduced = Window.Image1->Picture();
  EXPECT_EQ(reduced.Size(), QSize(2400, 1600));
  EXPECT_LT(reduced.DecodedSize().width(), 2400);
  EXPECT_GE(reduced.DecodedSize().width(), Window.Image1->DrawnRect().width());
  const int reducedWidth = reduced.DecodedSize().width();
  Window.resize(1400, 1000);
  EXPECT_EQ(Window.Image1->geometry(), QRect(8, 8, 1384, 984));
  ASSERT_TRUE(QTest::qWaitFor([&] { return Window.Image1->Picture().DecodedSize().width() > reducedWidth; }, 20000));
  EXPECT_GE(Window.Image1->Picture().DecodedSize().width(), Window.Image1->DrawnRect().width());
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

// A GIF reader that holds its decode until the test lets it go, or until its
// decode is cancelled; installed for one test.
class THeldGifReader {
 public:
  THeldGifReader() : Original_(*FindPictureFormat("GIF")) {
    RegisterPictureFormat({"GIF", "Held", [this](const QByteArray& bytes, const QSize& area,
                                                 const TDecodeCancel& cancel) { return Read(bytes, area, cancel); }});
  }
  // A test that failed while a decode was held lets it go before the reader goes.
  ~THeldGifReader() {
    Proceed.release();
    while (Reading_ > 0) QThread::msleep(1);
    RegisterPictureFormat(Original_);
  }

  QSemaphore Entered;
  QSemaphore Proceed;
  QSemaphore Left;
  std::atomic<bool> SawCancel = false;

 private:
  ErrorOr<TPicture> Read(const QByteArray& bytes, const QSize& area, const TDecodeCancel& cancel) {
    ++Reading_;
    const auto done = qScopeGuard([this] { --Reading_; });
    Entered.release();
    // Bounded, so that a decode that blocked the window would fail the test, not hang it.
    for (int waited = 0; waited < 10000 && !Proceed.tryAcquire(1, 5) && !IsCancelled(cancel); waited += 5) {
    }
    SawCancel = IsCancelled(cancel);
    Left.release();
    if (SawCancel) return CancelledDecodeError();
    return Original_.Read(bytes, area, cancel);
  }

  TPictureFormat Original_;
  std::atomic<int> Reading_ = 0;
};

// first.png is shown, then slow.gif asked for, whose reader holds its decode.
class TshpicHeldDecodeTest : public TshpicTest {
 protected:
  TshpicHeldDecodeTest() {
    Tree.CreateFile("first.png", EncodeImage(QuadrantImage(100, 50), "png"));
    Tree.CreateFile("slow.gif", test::EncodeGif(QuadrantImage(20, 40)));
  }
  // Returns while the reader holds the decode of slow.gif.
  void HoldSlowGifAfterFirst() {
    View("first.png");
    ShowPictureViewer(Tree.Path("slow.gif"));
    ASSERT_TRUE(Reader.Entered.tryAcquire(1, 20000));
  }

  THeldGifReader Reader;
  QSignalSpy Finished{&Window, &TSHPIC::LoadFinished};
};

TEST_F(TshpicHeldDecodeTest, WhileAPictureLoadsTheWindowAnswersAndShowsTheLoadingCaption) {
  HoldSlowGifAfterFirst();
  EXPECT_TRUE(Window.IsLoading());
  EXPECT_FALSE(Window.Image1->isVisible());
  EXPECT_TRUE(Window.Panel1->isVisible());
  EXPECT_EQ(Window.Panel1->text(), QStringLiteral("Загрузка изображения..."));
  EXPECT_EQ(Window.windowTitle(), Caption("first.png"));
  // Another control of the program answers a click meanwhile.
  QPushButton other(QStringLiteral("other"));
  other.show();
  QSignalSpy clicked(&other, &QPushButton::clicked);
  QTest::mouseClick(&other, Qt::LeftButton);
  EXPECT_EQ(clicked.size(), 1);
  EXPECT_TRUE(Window.IsLoading());

  Finished.clear();
  Reader.Proceed.release();
  ASSERT_TRUE(Finished.wait(20000));
  EXPECT_TRUE(Window.Image1->isVisible());
  EXPECT_EQ(Window.Image1->Picture().Size(), QSize(20, 40));
  EXPECT_EQ(Window.windowTitle(), Caption("slow.gif"));
  EXPECT_TRUE(Prompter.Errors.isEmpty());
}

TEST_F(TshpicHeldDecodeTest, ANewerViewCancelsAnOlderDecode) {
  Tree.CreateFile("newer.png", EncodeImage(QuadrantImage(60, 60), "png"));
  HoldSlowGifAfterFirst();
  Finished.clear();
  View("newer.png");
  // One decode runs at a time: the older one ended before the newer one began,
  // and what it handed back came to nothing.
  ASSERT_TRUE(Reader.Left.tryAcquire(1, 0));
  EXPECT_TRUE(Reader.SawCancel);
  EXPECT_EQ(Finished.size(), 1);
  EXPECT_EQ(Window.Image1->Picture().Size(), QSize(60, 60));
  EXPECT_EQ(Window.windowTitle(), Caption("newer.png"));
  EXPECT_TRUE(Prompter.Errors.isEmpty());
}

TEST_F(TshpicHeldDecodeTest, ClosingTheWindowAbandonsTheDecodeAndKeepsThePreviousPicture) {
  HoldSlowGifAfterFirst();
  Finished.clear();
  Window.close();
  ASSERT_TRUE(Reader.Left.tryAcquire(1, 20000));
  EXPECT_TRUE(Reader.SawCancel);
  QCoreApplication::processEvents();
  EXPECT_FALSE(Window.IsLoading());
  EXPECT_EQ(Finished.size(), 0);
  EXPECT_EQ(Window.Image1->Picture().Size(), QSize(100, 50));
  EXPECT_EQ(Window.windowTitle(), Caption("first.png"));
  EXPECT_TRUE(Prompter.Errors.isEmpty());
}

TEST(PictureExtensions, AreTheViewersOwnInAnyCase) {
  for (const char* extension : {".JPG", ".jpeg", ".Bmp", ".WMF", ".ico", ".GIF", ".png", "PNG"}) {
    EXPECT_TRUE(IsPictureExtension(extension)) << extension;
  }
  for (const char* extension : {".TIF", ".txt", "", ".", ".JPGX"}) EXPECT_FALSE(IsPictureExtension(extension));
}

}  // namespace
}  // namespace zarn
