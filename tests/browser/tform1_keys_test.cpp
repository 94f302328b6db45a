// The folder list's keys, pressed into a real main window over a temporary tree.

#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTest>

#include "mainwindowfixture.h"
#include "ops/selection.h"
#include "platform/filenames.h"
#include "viewer/viewfile.h"

namespace zarn {
namespace {

using test::Exists;
using test::ReadAll;

const QString IdleAfterKey = QStringLiteral("Жду команды...");

// Collects Qt's warnings while it lives.
class WarningRecorder {
 public:
  WarningRecorder() { Previous_ = qInstallMessageHandler(&Record); }
  ~WarningRecorder() { qInstallMessageHandler(Previous_); }
  static inline QStringList Warnings;

 private:
  static void Record(QtMsgType type, const QMessageLogContext&, const QString& text) {
    if (type == QtWarningMsg || type == QtCriticalMsg) Warnings << text;
  }
  QtMessageHandler Previous_ = nullptr;
};

class TForm1KeysTest : public test::MainWindowFixture {
 protected:
  QString Folder(const char* relative = "") const { return Tree.Path(QString::fromUtf8(relative)) + QLatin1Char('/'); }
  QString Status() const { return Form->Label9->text(); }
  QString Summary() const { return Form->Label1->text(); }
  // The in-place editor of the row being renamed.
  QLineEdit* NameEditor() const { return qobject_cast<QLineEdit*>(QApplication::focusWidget()); }
  // Ends the edit with `key`; the editor hands its text over on a queued call.
  void EndEdit(Qt::Key key) {
    QTest::keyClick(NameEditor(), key);
    EXPECT_TRUE(QTest::qWaitFor([this] { return !Form->ListView->IsEditingName(); }));
    QCoreApplication::processEvents();
  }
};

TEST_F(TForm1KeysTest, SpaceAndInsertMarkRowsAndTheSummaryCountsThem) {
  Tree.CreateFile("dir/inside.bin", QByteArray(4096, 'x'));
  Tree.CreateFile("a.txt", QByteArray(2048, 'x'));
  Tree.CreateFile("b.txt", "x");
  Open(Folder());
  ASSERT_EQ(Names(), QStringList({"dir", "a.txt", "b.txt"}));

  Select("a.txt");
  Press(Qt::Key_Space);
  EXPECT_TRUE(Marked("a.txt"));
  EXPECT_EQ(CurrentName(), "a.txt");
  EXPECT_EQ(Summary(), QStringLiteral("Выделено в 0 папках и в 1 файлах: 2 KB"));

  // Insert on the last row marks it and stays there.
  Select("b.txt");
  Press(Qt::Key_Insert);
  EXPECT_TRUE(Marked("b.txt"));
  EXPECT_EQ(CurrentName(), "b.txt");
  EXPECT_EQ(Summary(), QStringLiteral("Выделено в 0 папках и в 2 файлах: 3 KB"));
  Press(Qt::Key_Space);
  EXPECT_FALSE(Marked("b.txt"));

  EXPECT_EQ(Status(), IdleAfterKey);

  // A marked folder's size comes from its worker.
  Select("dir");
  Press(Qt::Key_Insert);
  EXPECT_TRUE(Marked("dir"));
  EXPECT_EQ(CurrentName(), "a.txt");
  const auto& folder = Form->Items().FolderItems[size_t(Row("dir"))];
  EXPECT_TRUE(QTest::qWaitFor([&] { return folder.SizeKb == 4; })) << folder.SizeKb;
  // The next summary counts the folder at the size its worker stored.
  Select("b.txt");
  Press(Qt::Key_Space);
  Press(Qt::Key_Space);
  EXPECT_EQ(Summary(), QStringLiteral("Выделено в 1 папках и в 1 файлах: 6 KB"));
}

TEST_F(TForm1KeysTest, MarkingKeysWithoutRowsDoNothing) {
  Tree.CreateDir("empty");
  Open(Folder("empty"));
  ASSERT_EQ(Form->Items().Count(), 0);
  for (Qt::Key key : {Qt::Key_Space, Qt::Key_Insert, Qt::Key_F2}) Press(key);
  Press(Qt::Key_J, Qt::ControlModifier);
  EXPECT_EQ(Summary(), InitialSelectionText);
  EXPECT_TRUE(Form->ComboBox1->currentText().isEmpty());
  EXPECT_TRUE(Prompts.Messages.isEmpty());
  EXPECT_TRUE(Prompts.Errors.isEmpty());
}

TEST_F(TForm1KeysTest, StatusLineAfterKeys) {
  Tree.CreateFile("a.txt");
  Tree.CreateFile("b.txt");
  Open(Folder());
  for (Qt::Key key : {Qt::Key_Down, Qt::Key_X, Qt::Key_J, Qt::Key_F12}) {
    Form->Label9->setText(QStringLiteral("before"));
    Press(key);
    EXPECT_EQ(Status(), IdleAfterKey) << key;
  }
  // Shift+F4 leaves the status line alone, also when its box is cancelled. (The
  // Shift key's own press resets it, as any other key does: one event here.)
  Form->Label9->setText(QStringLiteral("before"));
  CancelInput();
  QKeyEvent shiftF4(QEvent::KeyPress, Qt::Key_F4, Qt::ShiftModifier);
  QApplication::sendEvent(Form->ListView, &shiftF4);
  EXPECT_EQ(Prompts.Inputs, QStringList({"Введите имя файла"}));
  EXPECT_EQ(Status(), QStringLiteral("before"));
  EXPECT_FALSE(Exists(Tree.PathBytes("new.txt")));
}

TEST_F(TForm1KeysTest, EnterEntersAFolderAndBackspaceComesBackToIt) {
  Tree.CreateFile("alpha/inner.txt");
  Tree.CreateDir("beta");
  Tree.CreateFile("zeta.txt");
  Open(Folder());
  Select("beta");
  Press(Qt::Key_Return);
  EXPECT_EQ(Form->CurrentPath(), Tree.Path("beta"));
  EXPECT_EQ(Form->PathText(), Folder("beta"));
  Press(Qt::Key_Backspace);
  EXPECT_EQ(Form->CurrentPath(), Tree.Root());
  EXPECT_EQ(CurrentName(), "beta");
  // Enter on a file does not navigate.
  Select("zeta.txt");
  Press(Qt::Key_Enter, Qt::KeypadModifier);
  EXPECT_EQ(Form->CurrentPath(), Tree.Root());
}

TEST_F(TForm1KeysTest, BackspaceEndsWithTheIdleTextOfKeys) {
  Tree.CreateDir("child");
  Open(Folder("child"));
  Press(Qt::Key_Backspace);
  EXPECT_EQ(Status(), IdleAfterKey);
}

TEST_F(TForm1KeysTest, CtrlJPutsTheQuotedPathIntoTheCommandLine) {
  Tree.CreateFile("with blank.txt");
  Tree.CreateFile("plain");
  Open(Folder());
  Select("with blank.txt");
  Press(Qt::Key_J, Qt::ControlModifier);
  const QString first = QLatin1Char('"') + Tree.Path("with blank.txt") + QLatin1Char('"');
  EXPECT_EQ(Form->ComboBox1->currentText(), first);
  Select("plain");
  Press(Qt::Key_J, Qt::ControlModifier);
  EXPECT_EQ(Form->ComboBox1->currentText(), first + QStringLiteral(" \"") + Tree.Path("plain") + QLatin1Char('"'));
  // J alone types into the list's search, not into the command line.
  Press(Qt::Key_J);
  EXPECT_EQ(Form->ComboBox1->currentText().count(QLatin1Char('"')), 4);
}

TEST_F(TForm1KeysTest, KeypadPlusAndMinusMarkFilesByMask) {
  Tree.CreateDir("dir.txt");
  for (const char* name : {"a.txt", "B.Txt", "c.log", "README"}) Tree.CreateFile(name);
  Open(Folder());
  AnswerInput(QStringLiteral("*.TXT"));
  Press(Qt::Key_Plus, Qt::KeypadModifier);
  EXPECT_EQ(Prompts.Inputs, QStringList({"Введите маску выбора"}));
  EXPECT_TRUE(Marked("a.txt"));
  EXPECT_TRUE(Marked("B.Txt"));
  EXPECT_FALSE(Marked("c.log"));
  EXPECT_FALSE(Marked("dir.txt"));  // folders are never marked by mask
  EXPECT_EQ(Summary(), QStringLiteral("Выделено в 0 папках и в 2 файлах: 2 KB"));

  AnswerInput(QStringLiteral("a*"));
  Press(Qt::Key_Minus, Qt::KeypadModifier);
  EXPECT_FALSE(Marked("a.txt"));
  EXPECT_TRUE(Marked("B.Txt"));

  // A cancelled box works with its default "*.*": names without a dot stay unmarked.
  CancelInput();
  Press(Qt::Key_Plus, Qt::KeypadModifier);
  EXPECT_TRUE(Marked("a.txt"));
  EXPECT_TRUE(Marked("c.log"));
  EXPECT_FALSE(Marked("README"));
  CancelInput();
  Press(Qt::Key_Minus, Qt::KeypadModifier);
  for (const char* name : {"a.txt", "B.Txt", "c.log"}) EXPECT_FALSE(Marked(name)) << name;
  EXPECT_EQ(Status(), IdleAfterKey);

  // The main keyboard's plus is no command.
  Press(Qt::Key_Plus);
  EXPECT_EQ(Prompts.Inputs.size(), 4);
}

TEST_F(TForm1KeysTest, MalformedMaskShowsTheErrorAndKeepsTheMarks) {
  Tree.CreateFile("a.txt");
  Tree.CreateFile("b.txt");
  Open(Folder());
  Mark("b.txt");
  AnswerInput(QStringLiteral("[a"));
  Press(Qt::Key_Plus, Qt::KeypadModifier);
  ASSERT_EQ(Prompts.Errors.size(), 1);
  EXPECT_EQ(Prompts.Errors[0], QStringLiteral("'[a' is an invalid mask at (1)"));
  EXPECT_FALSE(Marked("a.txt"));
  EXPECT_TRUE(Marked("b.txt"));
}

TEST_F(TForm1KeysTest, F2RenamesInPlace) {
  Tree.CreateFile("first.txt", "one");
  Tree.CreateFile("old.txt", "kept");
  Tree.CreateFile("taken.txt", "other");
  Open(Folder());
  WarningRecorder warnings;
  Select("old.txt");
  Press(Qt::Key_F2);
  EXPECT_EQ(Status(), IdleAfterKey);
  ASSERT_TRUE(Form->ListView->IsEditingName());
  ASSERT_NE(NameEditor(), nullptr);
  EXPECT_EQ(NameEditor()->text(), "old.txt");
  NameEditor()->setText(QStringLiteral("new.txt"));
  EndEdit(Qt::Key_Return);
  EXPECT_EQ(ReadAll(Tree.PathBytes("new.txt")), "kept");
  EXPECT_FALSE(Exists(Tree.PathBytes("old.txt")));
  EXPECT_EQ(Prompts.Messages, QStringList({"Меняем имя : old.txt - на  -new.txt"}));
  EXPECT_EQ(Names(), QStringList({"first.txt", "new.txt", "taken.txt"}));
  EXPECT_EQ(CurrentName(), "new.txt");
  // The listing came after the editor closed, not under it.
  EXPECT_EQ(WarningRecorder::Warnings.filter("closeEditor"), QStringList());

  // Onto a name that is taken: a free name, nothing replaced.
  FocusList();
  Select("new.txt");
  Press(Qt::Key_F2);
  ASSERT_NE(NameEditor(), nullptr);
  NameEditor()->setText(QStringLiteral("taken.txt"));
  EndEdit(Qt::Key_Return);
  EXPECT_EQ(ReadAll(Tree.PathBytes("taken.txt")), "other");
  EXPECT_EQ(ReadAll(Tree.PathBytes("taken (2).txt")), "kept");
  EXPECT_FALSE(Exists(Tree.PathBytes("new.txt")));
  EXPECT_EQ(Names().size(), 3);
}

TEST_F(TForm1KeysTest, F2EditLeftUnchangedOrEscapedRenamesNothing) {
  Tree.CreateFile("same.txt", "x");
  Open(Folder());
  Select("same.txt");
  Press(Qt::Key_F2);
  ASSERT_NE(NameEditor(), nullptr);
  EndEdit(Qt::Key_Return);
  EXPECT_EQ(Prompts.Messages, QStringList({"Меняем имя : same.txt - на  -same.txt"}));
  FocusList();
  Press(Qt::Key_F2);
  ASSERT_NE(NameEditor(), nullptr);
  NameEditor()->setText(QStringLiteral("other.txt"));
  EndEdit(Qt::Key_Escape);
  EXPECT_EQ(Prompts.Messages.size(), 1);
  EXPECT_EQ(ReadAll(Tree.PathBytes("same.txt")), "x");
  EXPECT_FALSE(Exists(Tree.PathBytes("other.txt")));
}

TEST_F(TForm1KeysTest, F2RefusesAPathForANewName) {
  Tree.CreateFile("a.txt", "x");
  Tree.CreateDir("sub");
  Open(Folder());
  Select("a.txt");
  Press(Qt::Key_F2);
  ASSERT_NE(NameEditor(), nullptr);
  NameEditor()->setText(QStringLiteral("sub/a.txt"));
  EndEdit(Qt::Key_Return);
  EXPECT_EQ(ReadAll(Tree.PathBytes("a.txt")), "x");
  EXPECT_FALSE(Exists(Tree.PathBytes("sub/a.txt")));
  EXPECT_EQ(Prompts.Messages.last(), InvalidNameText + QStringLiteral("sub/a.txt\n") + SystemMessage(EINVAL));
}

TEST_F(TForm1KeysTest, F3ShowsATextFileInTheTextViewer) {
  TRF textViewer;
  TSHPIC pictureViewer;
  Tree.CreateFile("notes.txt", "hello viewer");
  Tree.CreateDir("folder");
  Open(Folder());
  Select("folder");
  Press(Qt::Key_F3);
  EXPECT_FALSE(textViewer.isVisible());
  Select("notes.txt");
  Press(Qt::Key_F3);
  EXPECT_EQ(ViewFileName, Tree.Path("notes.txt"));
  EXPECT_TRUE(textViewer.isVisible());
  EXPECT_FALSE(pictureViewer.isVisible());
  EXPECT_TRUE(textViewer.Memo1->toPlainText().contains(QStringLiteral("hello viewer")));
  EXPECT_EQ(Status(), IdleAfterKey);
  EXPECT_TRUE(Prompts.Errors.isEmpty());
}

TEST_F(TForm1KeysTest, F3OnAFifoOrAVanishedFileShowsTheErrorAndOnAnyNameTheText) {
  TRF textViewer;
  TSHPIC pictureViewer;
  Tree.CreateFifo("fifo");
  Tree.CreateFile("vanish.txt", "v");
  Tree.CreateFile("bad\xff\xfe name", "not utf-8");
  Open(Folder());
  Select("fifo");
  Press(Qt::Key_F3);  // must not wait for a writer
  ASSERT_EQ(Prompts.Errors.size(), 1);
  EXPECT_TRUE(Prompts.Errors[0].endsWith(Tree.Path("fifo")));
  ASSERT_EQ(::unlink(Tree.PathBytes("vanish.txt").constData()), 0);
  Select("vanish.txt");
  Press(Qt::Key_F3);
  ASSERT_EQ(Prompts.Errors.size(), 2);
  EXPECT_EQ(Prompts.Errors[1], SystemMessage(ENOENT) + QStringLiteral(": ") + Tree.Path("vanish.txt"));
  Select(FromNativeName("bad\xff\xfe name"));
  Press(Qt::Key_F3);
  EXPECT_EQ(ToNativeName(ViewFileName), Tree.PathBytes("bad\xff\xfe name"));
  EXPECT_TRUE(textViewer.Memo1->toPlainText().contains(QStringLiteral("not utf-8")));
  EXPECT_EQ(Prompts.Errors.size(), 2);
}

TEST_F(TForm1KeysTest, ViewAndEditWithoutFocusSayNothingIsChosen) {
  Tree.CreateFile("a.txt");
  Open(Folder());
  Form->cbPath->setFocus();
  Click("SpeedButton4");
  Click("SpeedButton5");
  EXPECT_EQ(Prompts.Messages, QStringList({"Ничего не выбрано", "Ничего не выбрано"}));
}

}  // namespace
}  // namespace zarn
