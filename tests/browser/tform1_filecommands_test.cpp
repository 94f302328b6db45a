// Copy, move, create, delete and rename through a real main window: function
// keys and right-hand buttons over a temporary tree, checked on disk and on screen.

#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QTest>

#include <unistd.h>

#include "mainwindowfixture.h"
#include "platform/filenames.h"

namespace zarn {
namespace {

using test::Exists;
using test::ReadAll;
using test::TrashedPath;

class TForm1FileCommandsTest : public test::MainWindowFixture {
 protected:
  // src/ holds a folder and six files; the panel shows dst/.
  void SetUp() override {
    Tree.CreateFile("src/sub/inner.txt", "inner");
    for (const char* name : {"a.txt", "b.txt", "c.txt", "d.txt", "e.txt", "f.txt"}) {
      Tree.CreateFile(QByteArray("src/") + name, name);
    }
    Tree.CreateDir("dst");
    Open(Tree.Path("src"));
    SetPanelFolder(Tree.Path("dst"));
    // The panel is on screen before the commands run, so none of them moves
    // the focus away from the list.
    Panel->show();
    FocusList();
  }
  QByteArray Src(const QByteArray& name) const { return Tree.PathBytes("src/" + name); }
  QByteArray Dst(const QByteArray& name) const { return Tree.PathBytes("dst/" + name); }
  QString Status() const { return Form->Label9->text(); }
  static QString Name(const QByteArray& bytes) { return FromNativeName(bytes); }
};

TEST_F(TForm1FileCommandsTest, F5CopiesTheRowUnderTheCursorUnderItsOwnOrANewName) {
  Select("b.txt");
  AnswerInput("b.txt");
  Press(Qt::Key_F5);
  EXPECT_EQ(Prompts.Inputs, QStringList({"Имя объекта"}));
  EXPECT_EQ(ReadAll(Dst("b.txt")), "b.txt");
  EXPECT_EQ(ReadAll(Src("b.txt")), "b.txt");
  EXPECT_EQ(CurrentName(), "b.txt");
  EXPECT_EQ(Panel->Captions(), QStringList({"b.txt"}));
  EXPECT_EQ(Status(), QStringLiteral("Жду команды..."));

  AnswerInput("renamed.txt");
  Press(Qt::Key_F5, Qt::ControlModifier);  // Ctrl+F5 copies as F5 does
  EXPECT_EQ(ReadAll(Dst("renamed.txt")), "b.txt");
  EXPECT_EQ(Panel->Captions(), QStringList({"b.txt", "renamed.txt"}));

  // A folder is copied as a tree.
  Select("sub");
  AnswerInput("sub");
  Press(Qt::Key_F5);
  EXPECT_EQ(ReadAll(Dst("sub/inner.txt")), "inner");

  // Cancelling the name box copies nothing.
  Select("c.txt");
  CancelInput();
  Press(Qt::Key_F5);
  EXPECT_FALSE(Exists(Dst("c.txt")));
  EXPECT_TRUE(Prompts.Messages.isEmpty());
  EXPECT_TRUE(Prompts.Errors.isEmpty());
}

TEST_F(TForm1FileCommandsTest, F5CopiesTheMarkedRowsAfterTheConfirmation) {
  for (const char* name : {"a.txt", "c.txt", "sub"}) Mark(name);
  Select("f.txt");
  AnswerConfirm(false);
  Press(Qt::Key_F5);
  ASSERT_EQ(Prompts.Questions.size(), 1);
  EXPECT_EQ(Prompts.Questions[0], "Корировать : 3 объект(ов)\r\nsub\r\na.txt\r\nc.txt\r\nВ папку : " +
                                      Tree.Path("dst") + "/\r\n\r\n В Ы П О Л Н И Т Ь ?");
  EXPECT_FALSE(Exists(Dst("a.txt")));
  EXPECT_TRUE(Marked("a.txt"));

  AnswerConfirm(true);
  Press(Qt::Key_F5);
  EXPECT_TRUE(Prompts.Inputs.isEmpty());
  for (const char* name : {"a.txt", "c.txt", "sub/inner.txt"}) EXPECT_TRUE(Exists(Dst(name))) << name;
  EXPECT_FALSE(Exists(Dst("f.txt")));
  for (const char* name : {"a.txt", "c.txt", "sub"}) EXPECT_FALSE(Marked(name)) << name;
  EXPECT_TRUE(Exists(Src("a.txt")));
  EXPECT_EQ(CurrentName(), "f.txt");
}

TEST_F(TForm1FileCommandsTest, F6MovesTheRowAndTheCursorTakesTheNextOne) {
  Select("b.txt");
  AnswerInput("b.txt");
  Press(Qt::Key_F6);
  EXPECT_EQ(ReadAll(Dst("b.txt")), "b.txt");
  EXPECT_FALSE(Exists(Src("b.txt")));
  EXPECT_EQ(Row("b.txt"), -1);
  EXPECT_EQ(CurrentName(), "c.txt");
  EXPECT_EQ(Panel->Captions(), QStringList({"b.txt"}));

  // The last row: the cursor goes to the first one.
  FocusList();
  Select("f.txt");
  AnswerInput("moved.txt");
  Press(Qt::Key_F6);
  EXPECT_EQ(ReadAll(Dst("moved.txt")), "f.txt");
  EXPECT_FALSE(Exists(Src("f.txt")));
  EXPECT_EQ(CurrentName(), "sub");
}

TEST_F(TForm1FileCommandsTest, F6MovesTheMarkedRowsAfterTheConfirmation) {
  Mark("a.txt");
  Mark("d.txt");
  AnswerConfirm(true);
  Press(Qt::Key_F6);
  ASSERT_EQ(Prompts.Questions.size(), 1);
  EXPECT_EQ(Prompts.Questions[0], "Переместить : 2\r\n\r\nВ папку : " + Tree.Path("dst") +
                                      "/\r\n\r\n В Ы П О Л Н И Т Ь ?");
  EXPECT_EQ(ReadAll(Dst("a.txt")), "a.txt");
  EXPECT_EQ(ReadAll(Dst("d.txt")), "d.txt");
  EXPECT_EQ(Names(), QStringList({"sub", "b.txt", "c.txt", "e.txt", "f.txt"}));
  EXPECT_EQ(Form->Label1->text(), InitialSelectionText);
}

TEST_F(TForm1FileCommandsTest, CopyOrMoveOntoAnExistingFileAsksAndKeepsItWhenSkipped) {
  Tree.CreateFile("dst/a.txt", "older");
  Select("a.txt");
  AnswerInput("a.txt");
  Questions.ReplaceAnswers.push_back(ConflictAnswer::Skip);
  Press(Qt::Key_F6);
  EXPECT_EQ(Questions.ReplaceQuestions, QStringList({Tree.Path("dst/a.txt")}));
  EXPECT_EQ(ReadAll(Dst("a.txt")), "older");
  EXPECT_EQ(ReadAll(Src("a.txt")), "a.txt");

  FocusList();
  Select("a.txt");
  AnswerInput("a.txt");
  Questions.ReplaceAnswers.push_back(ConflictAnswer::Replace);
  Press(Qt::Key_F5);
  EXPECT_EQ(ReadAll(Dst("a.txt")), "a.txt");
}

TEST_F(TForm1FileCommandsTest, CopyShowsAHiddenPanel) {
  Panel->hide();
  FocusList();
  Select("a.txt");
  AnswerInput("a.txt");
  Press(Qt::Key_F5);
  EXPECT_TRUE(Panel->isVisible());
  EXPECT_EQ(Button("SpeedButton17")->property("glyph").toString(), QStringLiteral("TOONE"));
  EXPECT_EQ(Panel->Captions(), QStringList({"a.txt"}));
}

TEST_F(TForm1FileCommandsTest, PanelFolderThatVanishedOrLiesInsideTheSourceLosesNothing) {
  Tree.CreateDir("dst2");
  SetPanelFolder(Tree.Path("dst2"));
  ASSERT_EQ(::rmdir(Tree.PathBytes("dst2").constData()), 0);
  Mark("a.txt");
  Mark("b.txt");
  AnswerConfirm(true);
  Press(Qt::Key_F5);
  EXPECT_FALSE(Questions.Errors.isEmpty());
  EXPECT_TRUE(Prompts.Messages.contains("Ошибка при выполнении копирования "));
  EXPECT_FALSE(Exists(Tree.PathBytes("dst2")));
  EXPECT_TRUE(Marked("a.txt"));  // a failed operation keeps the marks

  // A folder moved into its own subfolder.
  SetPanelFolder(Tree.Path("src/sub"));
  FocusList();
  Press(Qt::Key_Space);  // b.txt unmarked
  Select("a.txt");
  Press(Qt::Key_Space);
  Select("sub");
  AnswerInput("sub");
  Press(Qt::Key_F6);
  EXPECT_TRUE(Questions.Errors.last().contains(Tree.Path("src/sub")));
  EXPECT_TRUE(Prompts.Messages.contains("Операция не выполнена"));
  EXPECT_EQ(ReadAll(Src("sub/inner.txt")), "inner");
  EXPECT_EQ(Names().size(), 7);
}

TEST_F(TForm1FileCommandsTest, CopyAndMoveRefuseWithoutAPanelFolder) {
  PanelPath.clear();
  Select("a.txt");
  Press(Qt::Key_F5);
  Press(Qt::Key_F6);
  EXPECT_EQ(Prompts.Messages, QStringList({NoPanelFolderText, NoPanelFolderText}));
  EXPECT_TRUE(Prompts.Inputs.isEmpty());
  EXPECT_TRUE(Exists(Src("a.txt")));
}

TEST_F(TForm1FileCommandsTest, F7CreatesAFolderAndPutsTheCursorOnIt) {
  AnswerInput(QStringLiteral("Новая - "));
  Press(Qt::Key_F7);
  EXPECT_EQ(Prompts.Inputs, QStringList({"Введите имя папки"}));
  EXPECT_TRUE(Exists(Tree.PathBytes("src/Новая - ")));
  EXPECT_EQ(CurrentName(), QStringLiteral("Новая - "));

  // A taken name: the message names the path and the system's reason.
  FocusList();
  AnswerInput("sub");
  Press(Qt::Key_F7);
  ASSERT_EQ(Prompts.Messages.size(), 1);
  EXPECT_TRUE(Prompts.Messages[0].startsWith("Ошибка при создании папки: " + Tree.Path("src/sub")));
  EXPECT_TRUE(Prompts.Messages[0].contains(SystemMessage(EEXIST)));

  CancelInput();
  const QStringList before = Names();
  Press(Qt::Key_F7);
  EXPECT_EQ(Names(), before);
}

TEST_F(TForm1FileCommandsTest, F8DeletesToTheTrashOrForGood) {
  Select("b.txt");
  Press(Qt::Key_F8);
  ASSERT_EQ(DeleteTexts.size(), 1);
  EXPECT_EQ(DeleteTexts[0], "Удалить : 1 объект(ов)\r\nb.txt\r\n\r\n\r\n В Ы П О Л Н И Т Ь ?");
  EXPECT_FALSE(Exists(Src("b.txt")));
  EXPECT_EQ(ReadAll(TrashedPath("b.txt")), "b.txt");
  EXPECT_EQ(CurrentName(), "c.txt");

  FocusList();
  Mark("c.txt");
  Mark("sub");
  DeleteReply.ToTrash = false;
  Press(Qt::Key_F8);
  EXPECT_FALSE(Exists(Src("c.txt")));
  EXPECT_FALSE(Exists(Src("sub")));
  EXPECT_FALSE(Exists(TrashedPath("c.txt")));
  EXPECT_EQ(Names(), QStringList({"a.txt", "d.txt", "e.txt", "f.txt"}));
  EXPECT_EQ(CurrentName(), "d.txt");

  FocusList();
  DeleteReply.Answer = DeleteAnswer::No;
  Press(Qt::Key_F8);
  EXPECT_EQ(Prompts.Messages, QStringList({"Удаление отменено"}));
  EXPECT_EQ(Names().size(), 4);
  EXPECT_TRUE(Prompts.Errors.isEmpty());
}

TEST_F(TForm1FileCommandsTest, RightHandButtonsDoWhatTheirKeysDo) {
  Select("a.txt");
  AnswerInput("a.txt");
  Click("SpeedButton6");
  EXPECT_EQ(ReadAll(Dst("a.txt")), "a.txt");

  Select("b.txt");
  AnswerInput("b.txt");
  Click("SpeedButton7");
  EXPECT_EQ(ReadAll(Dst("b.txt")), "b.txt");
  EXPECT_FALSE(Exists(Src("b.txt")));
  EXPECT_EQ(CurrentName(), "c.txt");

  FocusList();
  AnswerInput("made");
  Click("SpeedButton8");
  EXPECT_TRUE(Exists(Tree.PathBytes("src/made")));
  EXPECT_EQ(CurrentName(), "made");

  FocusList();
  Select("c.txt");
  AnswerInput("renamed.txt");
  Click("SpeedButton3");
  EXPECT_EQ(Prompts.Inputs.last(), QStringLiteral("Введите новое имя"));
  EXPECT_EQ(ReadAll(Src("renamed.txt")), "c.txt");
  EXPECT_FALSE(Exists(Src("c.txt")));
  EXPECT_EQ(CurrentName(), "renamed.txt");
  EXPECT_EQ(Status(), QStringLiteral("Жду команду... "));  // the tree refresh writes last

  FocusList();
  Select("d.txt");
  Click("SpeedButton9");
  EXPECT_FALSE(Exists(Src("d.txt")));
  EXPECT_EQ(ReadAll(TrashedPath("d.txt")), "d.txt");
  EXPECT_TRUE(Prompts.Messages.filter("Ничего не выбрано").isEmpty());
  EXPECT_TRUE(Prompts.Errors.isEmpty());
}

TEST_F(TForm1FileCommandsTest, RenameRefusesAPathOrDotsAndMovesNothing) {
  const QStringList before = Names();
  for (const char* answer : {"sub/x.txt", "../x.txt", "..", "."}) {
    FocusList();
    Select("a.txt");
    AnswerInput(answer);
    Click("SpeedButton3");
    EXPECT_EQ(ReadAll(Src("a.txt")), "a.txt") << answer;
    EXPECT_EQ(Prompts.Messages.last(), InvalidNameText + answer + "\n" + SystemMessage(EINVAL));
  }
  EXPECT_FALSE(Exists(Src("sub/x.txt")));
  EXPECT_FALSE(Exists(Tree.PathBytes("x.txt")));
  EXPECT_EQ(Names(), before);
  EXPECT_TRUE(Questions.Errors.isEmpty());
}

TEST_F(TForm1FileCommandsTest, CommandsWithoutTheListsFocusRefuse) {
  Form->cbPath->setFocus();
  for (const char* name : {"SpeedButton6", "SpeedButton7", "SpeedButton9", "SpeedButton3", "SpeedButton8"}) {
    Click(name);
  }
  EXPECT_EQ(Prompts.Messages, QStringList({"Ничего не выбрано", "Ничего не выбрано", "Ничего не выбрано",
                                           "Объект не выбран...", "Не выбрано исходной папки..."}));
  EXPECT_TRUE(DeleteTexts.isEmpty());
  EXPECT_TRUE(Prompts.Inputs.isEmpty());
}

// Names with a leading dash, a newline and bytes that are not UTF-8.
class TForm1HostileNamesTest : public TForm1FileCommandsTest {
 protected:
  void SetUp() override {
    for (const QByteArray& name : Hostile) Tree.CreateFile("src/" + name, name);
    TForm1FileCommandsTest::SetUp();
  }
  void MarkHostile() {
    for (const QByteArray& name : Hostile) Mark(Name(name));
  }
  const QList<QByteArray> Hostile = {"-leading dash", "new\nline", "bad\xff\xfe name"};
};

TEST_F(TForm1HostileNamesTest, CopyAndMoveKeepTheNames) {
  MarkHostile();
  AnswerConfirm(true);
  Press(Qt::Key_F5);
  for (const QByteArray& name : Hostile) EXPECT_EQ(ReadAll(Dst(name)), name) << name.toHex().constData();
  for (const QByteArray& name : Hostile) EXPECT_TRUE(Panel->Captions().contains(Name(name)));
  ::unlink(Dst("new\nline").constData());
  ::unlink(Dst("-leading dash").constData());

  FocusList();
  for (const char* name : {"-leading dash", "new\nline"}) Mark(name);
  AnswerConfirm(true);
  Press(Qt::Key_F6);
  EXPECT_EQ(ReadAll(Dst("new\nline")), "new\nline");
  EXPECT_EQ(ReadAll(Dst("-leading dash")), "-leading dash");
  EXPECT_FALSE(Exists(Src("new\nline")));
  EXPECT_FALSE(Exists(Src("-leading dash")));
  EXPECT_TRUE(Exists(Src("bad\xff\xfe name")));
  EXPECT_TRUE(Prompts.Errors.isEmpty());
  EXPECT_TRUE(Questions.Errors.isEmpty());
}

TEST_F(TForm1HostileNamesTest, RenameAndDeleteKeepTheNames) {
  Select(Name("bad\xff\xfe name"));
  AnswerInput(Name("-still \xff bad"));
  Click("SpeedButton3");
  EXPECT_EQ(ReadAll(Src("-still \xff bad")), "bad\xff\xfe name");
  EXPECT_FALSE(Exists(Src("bad\xff\xfe name")));
  EXPECT_EQ(CurrentName(), Name("-still \xff bad"));

  FocusList();
  Select(Name("new\nline"));
  Press(Qt::Key_F8);
  EXPECT_FALSE(Exists(Src("new\nline")));
  EXPECT_EQ(ReadAll(TrashedPath("new\nline")), "new\nline");

  FocusList();
  Mark(Name("-leading dash"));
  Mark(Name("-still \xff bad"));
  DeleteReply.ToTrash = false;
  Press(Qt::Key_F8);
  EXPECT_FALSE(Exists(Src("-leading dash")));
  EXPECT_FALSE(Exists(Src("-still \xff bad")));
  EXPECT_EQ(Row(Name("-leading dash")), -1);
  EXPECT_TRUE(Prompts.Errors.isEmpty());
}

TEST_F(TForm1FileCommandsTest, LinksAreCopiedAsLinksAndDeletedWithoutTheirTargets) {
  Tree.CreateFile("outside/keep.txt", "keep");
  Tree.CreateSymlink("src/link", "../outside");
  Form->SetPath(Tree.Path("src"));
  FocusList();
  Select("link");
  AnswerInput("link");
  Press(Qt::Key_F5);
  char target[64] = {};
  ASSERT_GT(::readlink(Dst("link").constData(), target, sizeof target - 1), 0);
  EXPECT_STREQ(target, "../outside");

  FocusList();
  Select("link");
  DeleteReply.ToTrash = false;
  Press(Qt::Key_F8);
  EXPECT_FALSE(Exists(Src("link")));
  EXPECT_EQ(ReadAll(Tree.PathBytes("outside/keep.txt")), "keep");
}

// Files removed behind the window's back before a command runs.
TEST_F(TForm1FileCommandsTest, VanishedFileIsReportedAndNothingElseIsLost) {
  Mark("a.txt");
  Mark("b.txt");
  ASSERT_EQ(::unlink(Src("a.txt").constData()), 0);
  AnswerConfirm(true);
  Press(Qt::Key_F5);
  EXPECT_EQ(Questions.Errors.size() + Prompts.Errors.size(), 1);
  EXPECT_TRUE(Prompts.Messages.contains("Ошибка при выполнении копирования "));
  EXPECT_EQ(ReadAll(Dst("b.txt")), "b.txt");
  EXPECT_EQ(ReadAll(Src("b.txt")), "b.txt");
  EXPECT_EQ(Row("a.txt"), -1);
  EXPECT_EQ(CurrentName(), "b.txt");

  // The vanished row under the cursor: the cursor takes the next row.
  FocusList();
  Select("c.txt");
  ASSERT_EQ(::unlink(Src("c.txt").constData()), 0);
  AnswerInput("c.txt");
  Press(Qt::Key_F5);
  EXPECT_EQ(Row("c.txt"), -1);
  EXPECT_EQ(CurrentName(), "d.txt");
  EXPECT_FALSE(Exists(Dst("c.txt")));
}

TEST_F(TForm1FileCommandsTest, VanishedFileOnMoveAndDelete) {
  Mark("c.txt");
  Mark("d.txt");
  ASSERT_EQ(::unlink(Src("c.txt").constData()), 0);
  AnswerConfirm(true);
  Press(Qt::Key_F6);
  EXPECT_TRUE(Prompts.Messages.contains("Операция не выполнена"));
  EXPECT_EQ(ReadAll(Dst("d.txt")), "d.txt");
  EXPECT_FALSE(Exists(Src("d.txt")));
  EXPECT_EQ(Row("c.txt"), -1);

  FocusList();
  Select("e.txt");
  ASSERT_EQ(::unlink(Src("e.txt").constData()), 0);
  Press(Qt::Key_F8);
  EXPECT_TRUE(Prompts.Messages.contains("Ошибка при удалении"));
  EXPECT_EQ(Row("e.txt"), -1);
  EXPECT_EQ(ReadAll(Src("f.txt")), "f.txt");
}

}  // namespace
}  // namespace zarn
