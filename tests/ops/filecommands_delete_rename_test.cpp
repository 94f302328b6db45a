#include "ops/filecommands.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdlib>

#include "fakecommandhost.h"
#include "fakefileopquestions.h"
#include "fakeprompter.h"
#include "ops/filecommands_texts.h"
#include "ops/selection.h"
#include "ops/shellfileop.h"
#include "fileprobes.h"
#include "privatedatahome.h"
#include "temptree.h"

namespace zarn {
namespace {

using test::FakeCommandHost;
using test::FakeFileOpQuestions;
using test::FakePrompter;
using test::PrivateDataHome;
using test::ReadAll;
using test::TempTree;

class ChangeCommandsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetFileOpQuestions(&Questions);
    SetRenameSettleDelay(std::chrono::milliseconds(0));
    for (const char* name : {"a.txt", "b.txt", "c.txt", "d.txt", "e.txt", "f.txt"}) {
      Tree.CreateFile(QByteArray("src/") + name, name);
    }
    Tree.CreateFile("src/sub/inner.txt", "inner");
    Host.List(Tree.Path("src"));
    SetDeleteAsker([this](const QString& text, bool) {
      DeleteTexts << text;
      return DeleteReply;
    });
  }
  void TearDown() override {
    SetFileOpQuestions(nullptr);
    SetDeleteAsker({});
  }
  void Select(const QString& name) { Host.Current = Host.RowOf(name); }

  FakeFileOpQuestions Questions;
  FakePrompter Prompts;
  TempTree Tree;
  FakeCommandHost Host;
  TFileCommands Commands{Host};
  QStringList DeleteTexts;
  DeleteChoice DeleteReply{DeleteAnswer::Yes, true};
};

TEST_F(ChangeCommandsTest, DeleteToTheTrash) {
  const QString dataHome = PrivateDataHome();
  Select("b.txt");
  Commands.Delete();
  EXPECT_EQ(DeleteTexts, QStringList{"Удалить : 1 объект(ов)\r\nb.txt\r\n\r\n\r\n В Ы П О Л Н И Т Ь ?"});
  EXPECT_FALSE(QFileInfo::exists(Tree.Path("src/b.txt")));
  EXPECT_EQ(ReadAll(dataHome + "/Trash/files/b.txt"), "b.txt");
  EXPECT_EQ(Host.Statuses, QStringList{"Удаление..."});
  EXPECT_EQ(Host.Rows.at(Host.CurrentRow()).Name, QStringLiteral("c.txt"));
  EXPECT_EQ(Host.TreeRefreshes, 1);
  EXPECT_TRUE(Prompts.Messages.isEmpty());
}

TEST_F(ChangeCommandsTest, DeleteForGoodWithTheBoxCleared) {
  PrivateDataHome();
  DeleteReply.ToTrash = false;
  Host.Mark({"sub", "c.txt"});
  Commands.Delete();
  EXPECT_FALSE(QFileInfo::exists(Tree.Path("src/sub")));
  EXPECT_FALSE(QFileInfo::exists(Tree.Path("src/c.txt")));
  EXPECT_FALSE(QFileInfo::exists(PrivateDataHome() + "/Trash/files/c.txt"));
  // The last marked row decides where the cursor lands.
  EXPECT_EQ(Host.FocusName, QStringLiteral("d.txt"));
  EXPECT_EQ(Host.Rows.at(Host.CurrentRow()).Name, QStringLiteral("d.txt"));
}

TEST_F(ChangeCommandsTest, DeleteTextListsFiveNamesThenDots) {
  DeleteReply.Answer = DeleteAnswer::No;
  Host.Mark({"a.txt", "b.txt", "c.txt", "d.txt", "e.txt", "f.txt"});
  Commands.Delete();
  EXPECT_EQ(DeleteTexts, QStringList{"Удалить : 6 объект(ов)\r\na.txt\r\nb.txt\r\nc.txt\r\nd.txt\r\ne.txt\r\n...\r\n\r\n"
                                     "\r\n\r\n В Ы П О Л Н И Т Ь ?"});
  EXPECT_EQ(Prompts.Messages, QStringList{"Удаление отменено"});
  EXPECT_TRUE(QFileInfo::exists(Tree.Path("src/a.txt")));
  EXPECT_EQ(Host.Listings, 2);  // listed again all the same
  EXPECT_TRUE(Host.FocusName.isEmpty());  // f.txt was the last row
}

TEST_F(ChangeCommandsTest, ClosedDeleteDialogSaysNothing) {
  DeleteReply.Answer = DeleteAnswer::Closed;
  Select("a.txt");
  Commands.Delete();
  EXPECT_TRUE(Prompts.Messages.isEmpty());
  EXPECT_TRUE(QFileInfo::exists(Tree.Path("src/a.txt")));
  EXPECT_EQ(Host.Listings, 2);
}

TEST_F(ChangeCommandsTest, RenameOntoAnExistingNameKeepsBoth) {
  Select("a.txt");
  Prompts.InputAnswers = {QStringLiteral("b.txt")};
  Commands.RenameByDialog();
  EXPECT_EQ(Prompts.Messages, QStringList{"Меняем имя : a.txt - на  -b.txt"});
  EXPECT_EQ(ReadAll(Tree.Path("src/b.txt")), "b.txt");
  EXPECT_EQ(ReadAll(Tree.Path("src/b (2).txt")), "a.txt");
  EXPECT_FALSE(QFileInfo::exists(Tree.Path("src/a.txt")));
  EXPECT_EQ(Host.FocusName, QStringLiteral("b.txt"));
  EXPECT_EQ(Host.Statuses, (QStringList{" Переименование!!! ", "Жду команды..."}));
  EXPECT_EQ(Host.TreeRefreshes, 1);
}

TEST_F(ChangeCommandsTest, RenameToTheSameNameChangesNothingButListsAgain) {
  Select("a.txt");
  Prompts.InputAnswers = {QStringLiteral("a.txt")};
  Commands.RenameByDialog();
  EXPECT_EQ(Prompts.Messages, QStringList{"Меняем имя : a.txt - на  -a.txt"});
  EXPECT_FALSE(Host.FocusNameSet);
  EXPECT_EQ(Host.Listings, 2);
  Host.Focused = false;
  Commands.RenameByDialog();
  EXPECT_EQ(Prompts.Messages.last(), QStringLiteral("Объект не выбран..."));
}

TEST_F(ChangeCommandsTest, RenameInPlace) {
  Select("c.txt");
  Commands.PrepareInPlaceRename();
  EXPECT_EQ(CurrentItemName, QStringLiteral("c.txt"));
  EXPECT_EQ(Host.Edits, 1);
  EXPECT_EQ(Host.Statuses, QStringList{" Переименование!!! "});
  Commands.ListViewEdited(QStringLiteral("new\nline.txt"));
  EXPECT_EQ(ReadAll(Tree.Path("src/new\nline.txt")), "c.txt");
  EXPECT_EQ(Host.Rows.at(Host.CurrentRow()).Name, QStringLiteral("new\nline.txt"));
}

TEST_F(ChangeCommandsTest, CreateFolderKeepsTheTrailingBlank) {
  Prompts.InputAnswers = {QStringLiteral("Новая - ")};
  Commands.CreateFolder();
  EXPECT_TRUE(QFileInfo(Tree.Path("src/Новая - ")).isDir());
  EXPECT_EQ(Host.FocusName, QStringLiteral("Новая - "));
  EXPECT_EQ(Host.Rows.at(Host.CurrentRow()).Name, QStringLiteral("Новая - "));
  EXPECT_EQ(Host.Statuses, QStringList{"Создание папки."});
}

TEST_F(ChangeCommandsTest, CreateFolderFailureNamesThePath) {
  Prompts.InputAnswers = {QStringLiteral("sub"), QStringLiteral("x/y")};
  Commands.CreateFolder();
  Commands.CreateFolder();
  ASSERT_EQ(Prompts.Messages.size(), 2);
  EXPECT_TRUE(Prompts.Messages[0].startsWith("Ошибка при создании папки: " + Tree.Path("src/sub")));
  EXPECT_TRUE(Prompts.Messages[1].startsWith("Ошибка при создании папки: " + Tree.Path("src/x/y")));
  EXPECT_FALSE(Host.FocusNameSet);
  Host.Focused = false;
  Commands.CreateFolder();
  EXPECT_EQ(Prompts.Messages.last(), QStringLiteral("Не выбрано исходной папки..."));
}

// Answers the next delete dialog once it is up: clears the trash box if asked, presses a button.
void AnswerDeleteDialog(const char* button, bool clearTrashBox) {
  QTimer::singleShot(0, [=] {
    QWidget* box = QApplication::activeModalWidget();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->objectName(), QStringLiteral("DeleteQuestion"));
    EXPECT_EQ(box->windowTitle(), QStringLiteral("Удаление выделенных объектов..."));
    EXPECT_EQ(box->height(), 280);
    EXPECT_TRUE(box->findChild<QPushButton*>(QStringLiteral("ButtonYes"))->isDefault());
    auto* toTrash = box->findChild<QCheckBox*>(QStringLiteral("DeleteToTrash"));
    ASSERT_NE(toTrash, nullptr);
    EXPECT_TRUE(toTrash->isChecked());
    EXPECT_EQ(toTrash->text(), QStringLiteral("Удалять в корзину."));
    if (clearTrashBox) toTrash->setChecked(false);
    box->findChild<QPushButton*>(QLatin1String(button))->click();
  });
}

TEST(DeleteDialog, AnswersWithTheButtonAndTheTrashBox) {
  AnswerDeleteDialog("ButtonYes", true);
  DeleteChoice choice = AskDeleteObjects(QStringLiteral("text"));
  EXPECT_EQ(choice.Answer, DeleteAnswer::Yes);
  EXPECT_FALSE(choice.ToTrash);
  AnswerDeleteDialog("ButtonNo", false);
  choice = AskDeleteObjects(QStringLiteral("text"));
  EXPECT_EQ(choice.Answer, DeleteAnswer::No);
  EXPECT_TRUE(choice.ToTrash);
}

}  // namespace
}  // namespace zarn
