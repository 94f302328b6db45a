#include "viewer/trf.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>

#include <unistd.h>

#include "fakeprompter.h"
#include "platform/guard.h"
#include "temptree.h"
#include "viewer/codepages.h"
#include "viewer/textviewer.h"
#include "viewer/viewfile.h"

namespace zarn {
namespace {

using test::FakePrompter;
using test::TempTree;

const QString kMarkText{QChar(QChar::ReplacementCharacter)};

class TrfTest : public ::testing::Test {
 protected:
  TrfTest() {
    SetErrorReporter([this](const QString& text) { Errors << text; });
  }
  ~TrfTest() override { SetErrorReporter({}); }

  void Open(const QByteArray& name, const QByteArray& bytes) {
    Tree.CreateFile(name, bytes);
    ShowTextViewer(Tree.Path(QString::fromUtf8(name)));
  }
  QStringList Lines() const { return Viewer.Memo1->toPlainText().split('\n'); }
  void Search(const QString& text) {
    Viewer.Edit1->setText(text);
    Viewer.Button3->click();
  }
  QString Selected() const { return Viewer.Memo1->textCursor().selectedText(); }

  FakePrompter Prompts;
  TempTree Tree;
  TRF Viewer;
  QStringList Errors;
};

TEST_F(TrfTest, ControlsCarryTheirNames) {
  for (const char* name : {"Memo1", "ScrollBar1", "Button5", "BitBtn1", "Label3", "Label4", "BitBtn2", "BitBtn3",
                           "Button3", "Edit1"}) {
    EXPECT_NE(Viewer.findChild<QWidget*>(name), nullptr) << name;
  }
  EXPECT_EQ(RF, &Viewer);
  EXPECT_EQ(Viewer.Label4->text(), "UCODE  DOS");
  EXPECT_EQ(Viewer.LinesPerPage(), 23);
}

TEST_F(TrfTest, ThresholdBetweenWholeTextAndHexPages) {
  Open("small", QByteArray(63999, 'a'));
  EXPECT_TRUE(Viewer.WholeFileMode());
  EXPECT_TRUE(Viewer.TextMode());
  EXPECT_TRUE(Viewer.ScrollBar1->isHidden());
  EXPECT_EQ(Viewer.Memo1->toPlainText().size(), 63999);
  Open("large", QByteArray(64000, 'a'));
  EXPECT_FALSE(Viewer.WholeFileMode());
  EXPECT_FALSE(Viewer.TextMode());
  EXPECT_FALSE(Viewer.ScrollBar1->isHidden());
  EXPECT_EQ(Viewer.Position(), 0);
  EXPECT_EQ(Lines().size(), 23);
  EXPECT_TRUE(Lines()[0].startsWith("00000000: 61 61"));
  EXPECT_TRUE(Viewer.windowTitle().endsWith(" - Размер : 64000"));
}

TEST_F(TrfTest, EmptyFileCaptionAndText) {
  Open("empty", {});
  EXPECT_TRUE(Viewer.WholeFileMode());
  EXPECT_EQ(Viewer.Memo1->toPlainText(), QString());
  EXPECT_EQ(Viewer.windowTitle(), " Просмотр файла - " + Tree.Path("empty") + " - Размер : 0");
  EXPECT_TRUE(Errors.isEmpty());
}

TEST_F(TrfTest, TenByteFileInHexAndTextPages) {
  Open("ten", "0123456789");
  Viewer.Button5->click();
  EXPECT_FALSE(Viewer.TextMode());
  EXPECT_FALSE(Viewer.WholeFileMode());
  ASSERT_EQ(Lines().size(), 1);
  EXPECT_EQ(Lines()[0], "00000000: " + QString("30 31 32 33 34 35 36 37|38 39 ").leftJustified(48) + "| 0123456789");
  EXPECT_FALSE(Viewer.ScrollBar1->isEnabled());
  Viewer.Button5->click();
  EXPECT_TRUE(Viewer.TextMode());
  EXPECT_EQ(Viewer.Memo1->toPlainText(), "0123456789");
}

TEST_F(TrfTest, LastPageOfA3680ByteFileEndsAtTheEnd) {
  QByteArray bytes;
  for (int index = 0; index < 3680; ++index) bytes.append(static_cast<char>('A' + index % 26));
  Open("f3680", bytes);
  Viewer.Button5->click();
  EXPECT_EQ(Viewer.Maximum(), 209);
  EXPECT_EQ(Viewer.ScrollBar1->maximum(), 209);
  Viewer.ScrollBar1->setValue(209);
  const QStringList lines = Lines();
  ASSERT_EQ(lines.size(), 22);
  EXPECT_TRUE(lines.first().startsWith("00000D00: "));
  EXPECT_TRUE(lines.last().startsWith("00000E50: "));
}

TEST_F(TrfTest, KeysMoveThePageAndEscapeCloses) {
  QByteArray bytes(100000, 'x');
  Open("keys", bytes);
  QTest::keyClick(Viewer.Memo1, Qt::Key_Down);
  EXPECT_EQ(Viewer.Position(), 1);
  EXPECT_TRUE(Lines()[0].startsWith("00000000:"));  // positions 0 and 1 show the same page
  QTest::keyClick(Viewer.Memo1, Qt::Key_Down);
  EXPECT_TRUE(Lines()[0].startsWith("00000010:"));
  QTest::keyClick(Viewer.Memo1, Qt::Key_End);
  EXPECT_EQ(Viewer.Position(), Viewer.Maximum());
  EXPECT_EQ(Viewer.ScrollBar1->value(), Viewer.Maximum());
  EXPECT_TRUE(Lines().last().startsWith("00018690:"));
  QTest::keyClick(Viewer.Memo1, Qt::Key_PageUp);
  EXPECT_EQ(Viewer.Position(), Viewer.Maximum() - 23);
  ASSERT_TRUE(Viewer.isVisible());
  QTest::keyClick(Viewer.Edit1, Qt::Key_Escape);
  EXPECT_TRUE(Viewer.isVisible());
  QTest::keyClick(Viewer.Memo1, Qt::Key_Escape);
  EXPECT_FALSE(Viewer.isVisible());
}

TEST_F(TrfTest, CodePageCycleAndLabels) {
  Open("ru", "\x8F\xE0\xA8");  // "При" in 866
  EXPECT_EQ(Viewer.Memo1->toPlainText(), QString::fromUtf8("ЏаЁ"));
  Viewer.BitBtn1->click();
  EXPECT_EQ(Viewer.Label3->text(), "DOS");
  EXPECT_EQ(Viewer.Label4->text(), "WIN UCODE");
  EXPECT_EQ(Viewer.Memo1->toPlainText(), QString::fromUtf8("При"));
  Viewer.BitBtn1->click();
  EXPECT_EQ(Viewer.Label3->text(), "UCODE");
  EXPECT_EQ(Viewer.Label4->text(), "DOS UTF-8");
  Viewer.BitBtn1->click();
  EXPECT_EQ(Viewer.Label3->text(), "UTF-8");
  EXPECT_EQ(Viewer.Label4->text(), "UCODE WIN");
  EXPECT_EQ(Viewer.Memo1->toPlainText(), QString(3, QChar(0xFFFD)));
  Viewer.BitBtn1->click();
  EXPECT_EQ(Viewer.Label3->text(), "WIN");
  EXPECT_EQ(Viewer.Label4->text(), "UTF-8 DOS");
  EXPECT_EQ(Viewer.CurrentCodePage(), CodePage::Win);
}

TEST_F(TrfTest, UcodeShowsRussianUnits) {
  QByteArray bytes;
  for (char16_t unit : {u'\u041F', u'\u0440', u'\u0438', u'A'}) {
    bytes.append(static_cast<char>(unit & 0xFF));
    bytes.append(static_cast<char>(unit >> 8));
  }
  Viewer.BitBtn1->click();
  Viewer.BitBtn1->click();
  Open("wide", bytes);
  EXPECT_EQ(Viewer.Memo1->toPlainText(), QString::fromUtf8("ПриA"));
}

TEST_F(TrfTest, HexSearchMovesThePageAndSelectsTheLabel) {
  QByteArray bytes(100000, '.');
  bytes.replace(3, 5, "HELLO");  // in the first 16 bytes: skipped from position 0
  bytes.replace(0x1234, 5, "Hello");
  bytes.replace(0x1238, 5, "hello");  // same line: skipped by the next search
  bytes.replace(0x5000, 5, "hELLO");
  Open("big", bytes);
  Search("hello");
  EXPECT_EQ(Viewer.Position(), 0x123);
  EXPECT_TRUE(Lines()[1].startsWith("00001230:"));
  EXPECT_EQ(Selected(), "00001230");
  Search("hello");
  EXPECT_EQ(Viewer.Position(), 0x500);
  EXPECT_EQ(Selected(), "00005000");
  Search("hello");
  EXPECT_EQ(Prompts.Messages, QStringList{"hello - не найдено"});
  EXPECT_EQ(Prompts.MessageCaptions, QStringList{"Поиск в файле"});
  EXPECT_EQ(Viewer.Position(), 0x500);
  EXPECT_EQ(Viewer.Memo1->lineWrapMode(), QPlainTextEdit::NoWrap);
}

TEST_F(TrfTest, HexSearchInDosFindsCyrillicInEitherCase) {
  const QByteArray word = AnsiToOem(EncodeCp1251(QString::fromUtf8("ПРИВЕТ")));
  QByteArray bytes(70000, ' ');
  bytes.replace(40000, word.size(), word);
  Viewer.BitBtn1->click();
  Open("dos", bytes);
  Search(QString::fromUtf8("привет"));
  EXPECT_EQ(Viewer.Position(), 40000 / 16);
  EXPECT_TRUE(Prompts.Messages.isEmpty());
}

TEST_F(TrfTest, EachFileOpensInTheCodePageItsBytesShow) {
  Open("utf8", QStringLiteral("Привет, мир").toUtf8());
  EXPECT_EQ(Viewer.Label3->text(), "UTF-8");
  EXPECT_EQ(Viewer.Memo1->toPlainText(), QStringLiteral("Привет, мир"));
  Open("bom", QByteArray("\xFF\xFE\x1F\x04\x40\x04", 6));
  EXPECT_EQ(Viewer.Label3->text(), "UCODE");
  // Neither: the code page chosen by hand, as before.
  Open("ascii", "plain");
  EXPECT_EQ(Viewer.Label3->text(), "WIN");
  Viewer.BitBtn1->click();
  Open("dos", "\x8F\xE0\xA8");
  EXPECT_EQ(Viewer.Label3->text(), "DOS");
  EXPECT_EQ(Viewer.Memo1->toPlainText(), QStringLiteral("При"));
}

TEST_F(TrfTest, Utf8PagesAndTheirSearch) {
  // Three-byte characters: most page edges fall inside one.
  QByteArray bytes = QStringLiteral("€").repeated(23334).toUtf8();
  bytes.replace(50001, 12, QStringLiteral("ПРИВЕТ").toUtf8());
  bytes.append("\xD0");  // cut short at the file's end
  Open("big", bytes);
  ASSERT_EQ(Viewer.Label3->text(), "UTF-8");
  Viewer.Button5->click();
  ASSERT_TRUE(Viewer.TextMode());
  for (const qint64 position : {qint64(1), Viewer.Maximum() / 2 + 1, Viewer.Maximum()}) {
    Viewer.SetPosition(position);
    const QString page = Viewer.Memo1->toPlainText();
    const bool last = position == Viewer.Maximum();
    EXPECT_EQ(page.count(kMarkText), last ? 1 : 0) << position;
    EXPECT_EQ(page.endsWith(kMarkText), last) << position;
  }
  Viewer.Button5->click();
  Viewer.SetPosition(0);
  Search(QStringLiteral("привет"));
  EXPECT_EQ(Viewer.Position(), 50001 / 16);
  EXPECT_TRUE(Prompts.Messages.isEmpty());
}

TEST_F(TrfTest, ASparseFileOfTenGibibytesIsPagedToItsEndInUtf8) {
  Tree.CreateFile("sparse", QStringLiteral("Ж").toUtf8());
  ASSERT_EQ(::truncate(Tree.PathBytes("sparse").constData(), 10LL << 30), 0);
  ShowTextViewer(Tree.Path("sparse"));
  ASSERT_EQ(Viewer.Label3->text(), "UTF-8");
  Viewer.SetPosition(Viewer.Maximum());
  EXPECT_EQ(Viewer.Position(), Viewer.Maximum());
  EXPECT_FALSE(Lines().isEmpty());
  EXPECT_TRUE(Errors.isEmpty());
}

TEST_F(TrfTest, TextPageSearchRefuses) {
  Open("big", QByteArray(70000, 'a'));
  Viewer.Button5->click();
  ASSERT_TRUE(Viewer.TextMode());
  Search("a");
  EXPECT_EQ(Prompts.Messages, QStringList{"Файл большой! Включи - HEX "});
}

TEST_F(TrfTest, WholeTextSearchSelectsAndContinues) {
  Open("text", EncodeCp1251(QString::fromUtf8("первая ЁЛКА\r\nвторая ёлка\r\n")));
  Search(QString::fromUtf8("ёлка"));
  EXPECT_EQ(Selected(), QString::fromUtf8("ЁЛКА"));
  Search(QString::fromUtf8("ёлка"));
  EXPECT_EQ(Selected(), QString::fromUtf8("ёлка"));
  EXPECT_EQ(Viewer.Memo1->textCursor().blockNumber(), 1);
  Search(QString::fromUtf8("ёлка"));
  EXPECT_EQ(Prompts.Messages, QStringList{QString::fromUtf8("ёлка- не найдено")});
  EXPECT_EQ(Prompts.MessageCaptions, QStringList{"Поиск в файле"});
  Search(QString(1200, 'z'));  // longer than any limit: searched whole
  EXPECT_EQ(Prompts.Messages.size(), 2);
}

TEST_F(TrfTest, FifoAndFolderGiveAMessageInsteadOfBlocking) {
  Tree.CreateFifo("fifo");
  ShowTextViewer(Tree.Path("fifo"));
  ASSERT_EQ(Errors.size(), 1);
  EXPECT_TRUE(Errors[0].contains("не обычный файл"));
  Tree.CreateDir("folder");
  ShowTextViewer(Tree.Path("folder"));
  EXPECT_EQ(Errors.size(), 2);
}

TEST_F(TrfTest, VanishedFileReportsTheSystemError) {
  ShowTextViewer(Tree.Path("gone"));
  ASSERT_EQ(Errors.size(), 1);
  EXPECT_TRUE(Errors[0].contains(Tree.Path("gone")));
  EXPECT_TRUE(Viewer.windowTitle().endsWith(" - Размер : 0"));
}

TEST_F(TrfTest, ProcFilesAreShownByWhatTheyHold) {
  ShowTextViewer("/proc/self/status");
  EXPECT_TRUE(Errors.isEmpty());
  EXPECT_TRUE(Viewer.Memo1->toPlainText().startsWith("Name:"));
  Viewer.Button5->click();
  EXPECT_TRUE(Lines()[0].startsWith("00000000: 4E 61 6D 65 3A"));
}

TEST_F(TrfTest, WheelMovesThePageOnlyWhileTheTextAreaHasTheFocus) {
  InstallMouseWheelHook(&Viewer);
  Open("wheel", QByteArray(100000, 'w'));
  QApplication::setActiveWindow(&Viewer);
  Viewer.Memo1->setFocus();
  ASSERT_EQ(QApplication::focusWidget(), Viewer.Memo1);
  auto wheel = [this](int delta) {
    QWheelEvent event(QPointF(10, 10), Viewer.Memo1->mapToGlobal(QPoint(10, 10)), QPoint(), QPoint(0, delta),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(Viewer.Memo1->viewport(), &event);
  };
  wheel(-120);
  wheel(-120);
  EXPECT_EQ(Viewer.Position(), 2);
  wheel(120);
  EXPECT_EQ(Viewer.Position(), 1);
  Viewer.Edit1->setFocus();
  wheel(-120);
  EXPECT_EQ(Viewer.Position(), 1);
}

TEST_F(TrfTest, FileThatShrinksOrGrowsWhilePagedShowsWhatIsThere) {
  Open("changing", QByteArray(100000, 'c'));
  Tree.CreateFile("changing", QByteArray(64010, 'd'));
  Viewer.SetPosition(Viewer.Maximum());
  EXPECT_EQ(Viewer.Memo1->toPlainText(), QString());
  Viewer.SetPosition(4000);
  ASSERT_EQ(Lines().size(), 2);  // 26 bytes left from this page's offset
  EXPECT_TRUE(Lines()[0].startsWith("0000F9F0: 64 64"));
  Tree.CreateFile("changing", QByteArray(200000, 'e'));
  Viewer.SetPosition(Viewer.Maximum());
  EXPECT_EQ(Lines().size(), 22);  // the last page ends at the size taken when the file was opened
  EXPECT_TRUE(Lines()[0].startsWith("00018540: 65 65"));
  EXPECT_TRUE(Errors.isEmpty());
}

TEST_F(TrfTest, TinyWindowReadsNoPage) {
  Open("tiny", QByteArray(100000, 't'));
  Viewer.resize(200, 90);
  EXPECT_LT(Viewer.LinesPerPage(), 1);
  Viewer.ScrollBar1->setValue(5);
  EXPECT_EQ(Viewer.Memo1->toPlainText(), QString());
  EXPECT_TRUE(Errors.isEmpty());
}

}  // namespace
}  // namespace zarn
