// The program's own viewers: a text file whole, as hex and in another code
// page, searched; a big file paged; pictures, transparent and damaged.

#include <QImage>
#include <QPainter>

#include "scenario.h"

namespace zarn::e2e {
namespace {

class ViewerScenario : public TZarnScenario {
 protected:
  void ViewFrom(const QString& folder, const QString& name) {
    WriteSettings(QStringLiteral("zarn.ini"), {{}, {}, {}, Home(folder)});
    Start();
    WaitListing(Home(folder));
    SelectMainRow(name);
    Key(QStringLiteral("F3"));
  }

  QString Memo() { return Look().Text(QStringLiteral("Memo1"), QStringLiteral("RF")); }
};

TEST_F(ViewerScenario, ATextFileWholeAsHexInAnotherCodePageAndSearched) {
  CreateFile(QStringLiteral("x/notes.txt"), "First line\nSecond LINE with words\n");
  ViewFrom(QStringLiteral("x/"), QStringLiteral("notes.txt"));
  TUi ui = WaitText(QStringLiteral("Memo1"), QStringLiteral("First line\nSecond LINE with words\n"), QStringLiteral("RF"));
  EXPECT_EQ(TitleOf(ui.Window(QStringLiteral("RF"))),
            QStringLiteral(" Просмотр файла - ") + Home(QStringLiteral("x/notes.txt")) + QStringLiteral(" - Размер : 34"));
  FillField(QStringLiteral("Edit1"), QStringLiteral("RF"), QStringLiteral("line"));
  Key(QStringLiteral("Return"));
  WaitFor(QStringLiteral("the first match selected"), [](const TUi& look) {
    return look.Widget(QStringLiteral("Memo1"), QStringLiteral("RF")).value(QStringLiteral("selectedText")).toString() ==
           QStringLiteral("line");
  });
  ClickNamed(QStringLiteral("Button3"), QStringLiteral("RF"));
  WaitFor(QStringLiteral("the next match selected"), [](const TUi& look) {
    return look.Widget(QStringLiteral("Memo1"), QStringLiteral("RF")).value(QStringLiteral("selectedText")).toString() ==
           QStringLiteral("LINE");
  });
  ClickNamed(QStringLiteral("Button5"), QStringLiteral("RF"));
  WaitFor(QStringLiteral("the hex page"), [](const TUi& look) {
    return look.Text(QStringLiteral("Memo1"), QStringLiteral("RF"))
        .startsWith(QStringLiteral("00000000: 46 69 72 73 74 20 6C 69|6E 65 0A 53 65 63 6F 6E | First li"));
  });
  ClickNamed(QStringLiteral("BitBtn1"), QStringLiteral("RF"));
  WaitText(QStringLiteral("Label3"), QStringLiteral("DOS"), QStringLiteral("RF"));
  EXPECT_EQ(Look().Text(QStringLiteral("Label4"), QStringLiteral("RF")), QStringLiteral("WIN UCODE"));
  ClickNamed(QStringLiteral("Memo1"), QStringLiteral("RF"));
  Key(QStringLiteral("Escape"));
  WaitFor(QStringLiteral("the viewer closed"), [](const TUi& look) { return !look.Shown(QStringLiteral("RF")); });
  // The toggle button brings back the same content.
  ClickNamed(QStringLiteral("SpeedButton12"), QStringLiteral("Form1"));
  WaitText(QStringLiteral("Memo1"), QStringLiteral("First line\nSecond LINE with words\n"), QStringLiteral("RF"));
}

TEST_F(ViewerScenario, ABigFileOpensAsHexPagesThatKeysTurn) {
  QByteArray big(200000, 'a');
  big.replace(100000, 6, "needle");
  CreateFile(QStringLiteral("x/big.bin"), big);
  ViewFrom(QStringLiteral("x/"), QStringLiteral("big.bin"));
  WaitFor(QStringLiteral("the first hex page"), [](const TUi& ui) {
    return ui.Text(QStringLiteral("Memo1"), QStringLiteral("RF")).startsWith(QStringLiteral("00000000: 61 61"));
  });
  ClickNamed(QStringLiteral("Memo1"), QStringLiteral("RF"));
  Key(QStringLiteral("Next"));
  WaitFor(QStringLiteral("the next page"), [](const TUi& ui) {
    return !ui.Text(QStringLiteral("Memo1"), QStringLiteral("RF")).startsWith(QStringLiteral("00000000:"));
  });
  Key(QStringLiteral("End"));
  WaitFor(QStringLiteral("the last page"), [](const TUi& ui) {
    return ui.Text(QStringLiteral("Memo1"), QStringLiteral("RF")).contains(QStringLiteral("00030D30: "));
  });
  Key(QStringLiteral("Home"));
  WaitFor(QStringLiteral("the first page again"), [](const TUi& ui) {
    return ui.Text(QStringLiteral("Memo1"), QStringLiteral("RF")).startsWith(QStringLiteral("00000000:"));
  });
  FillField(QStringLiteral("Edit1"), QStringLiteral("RF"), QStringLiteral("NEEDLE"));
  Key(QStringLiteral("Return"));
  WaitFor(QStringLiteral("the page of the match"), [](const TUi& ui) {
    const TWidget memo = ui.Widget(QStringLiteral("Memo1"), QStringLiteral("RF"));
    return TextOf(memo).contains(QStringLiteral("000186A0: 6E 65 65 64 6C 65")) &&
           memo.value(QStringLiteral("selectedText")).toString() == QStringLiteral("000186A0");
  });
}

TEST_F(ViewerScenario, ATransparentPictureShowsTheViewersBackground) {
  // A frame of red around a transparent middle.
  QImage picture(120, 80, QImage::Format_ARGB32);
  picture.fill(Qt::transparent);
  {
    QPainter painter(&picture);
    painter.setPen(QPen(Qt::red, 6));
    painter.drawRect(picture.rect().adjusted(3, 3, -3, -3));
  }
  CreateDir(QStringLiteral("x"));
  ASSERT_TRUE(picture.save(Home(QStringLiteral("x/frame.png"))));
  ViewFrom(QStringLiteral("x/"), QStringLiteral("frame.png"));
  const TUi ui = WaitFor(QStringLiteral("the picture viewer"), [](const TUi& look) { return look.Shown(QStringLiteral("SHPIC")); });
  EXPECT_EQ(TitleOf(ui.Window(QStringLiteral("SHPIC"))), QStringLiteral(" Изображение:   ") + Home(QStringLiteral("x/frame.png")));
  const QRect area = RectOf(ui.Widget(QStringLiteral("Image1"), QStringLiteral("SHPIC")));
  // The middle of the picture is white: no caption shows through it.
  WaitFor(QStringLiteral("the frame drawn"), [&](const TUi&) {
    const QImage column = X().Grab(QRect(area.center().x(), area.top(), 1, area.height()));
    for (int y = 0; y < column.height(); ++y) {
      if (qRed(column.pixel(0, y)) > 200 && qGreen(column.pixel(0, y)) < 60) return true;
    }
    return false;
  });
  const QImage middle = X().Grab(QRect(area.center() - QPoint(150, 30), QSize(300, 60)));
  int dark = 0;
  for (int y = 0; y < middle.height(); ++y)
    for (int x = 0; x < middle.width(); ++x) dark += qGray(middle.pixel(x, y)) < 128 ? 1 : 0;
  EXPECT_EQ(dark, 0) << "the caption shows through the picture";
  ClickNamed(QStringLiteral("Image1"), QStringLiteral("SHPIC"));
  Key(QStringLiteral("Escape"));
  WaitFor(QStringLiteral("the picture viewer closed"), [](const TUi& look) { return !look.Shown(QStringLiteral("SHPIC")); });
}

TEST_F(ViewerScenario, ADamagedPictureSaysWhyWithoutAnUnknownError) {
  CreateFile(QStringLiteral("x/broken.gif"), "GIF89a\x10\x00\x10\x00 this is no picture at all");
  ViewFrom(QStringLiteral("x/"), QStringLiteral("broken.gif"));
  const TUi ui = WaitWidget(QStringLiteral("ButtonOk"), QStringLiteral("MessageBox")).isEmpty() ? TUi() : Look();
  const QString text = ui.Text(QStringLiteral("qt_msgbox_label"), QStringLiteral("MessageBox"));
  EXPECT_TRUE(text.contains(QStringLiteral("повреждён"))) << text.toStdString();
  EXPECT_FALSE(text.contains(QStringLiteral("Unknown error")) || text.contains(QStringLiteral("Неизвестная ошибка")))
      << text.toStdString();
}

}  // namespace
}  // namespace zarn::e2e
