#include "ops/filecommands.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "fakecommandhost.h"
#include "fakefileopquestions.h"
#include "fakeprompter.h"
#include "ops/filecommands_texts.h"
#include "ops/shellfileop.h"
#include "fileprobes.h"
#include "temptree.h"

namespace zarn {
namespace {

using test::FakeCommandHost;
using test::FakeFileOpQuestions;
using test::FakePrompter;
using test::ReadAll;
using test::TempTree;

class CopyMoveTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetFileOpQuestions(&Questions);
    for (const char* name : {"a.txt", "b.txt", "c.txt", "d.txt", "e.txt", "f.txt", "g.txt"}) {
      Tree.CreateFile(QByteArray("src/") + name, name);
    }
    Tree.CreateDir("panel");
    Host.List(Tree.Path("src"));
    Host.Panel = Tree.Path("panel") + "/";
  }
  void TearDown() override { SetFileOpQuestions(nullptr); }
  void Select(const QString& name) { Host.Current = Host.RowOf(name); }

  FakeFileOpQuestions Questions;
  FakePrompter Prompts;
  TempTree Tree;
  FakeCommandHost Host;
  TFileCommands Commands{Host};
};

TEST_F(CopyMoveTest, CopyOfOneObjectUnderANewName) {
  Select("b.txt");
  Prompts.InputAnswers = {QStringLiteral("renamed.txt")};
  Commands.Copy();
  EXPECT_EQ(Prompts.Inputs, QStringList{"Имя объекта"});
  EXPECT_TRUE(Prompts.Questions.isEmpty());
  EXPECT_EQ(ReadAll(Tree.Path("panel/renamed.txt")), "b.txt");
  EXPECT_EQ(ReadAll(Tree.Path("src/b.txt")), "b.txt");
  EXPECT_EQ(Host.Statuses, QStringList{" Копирование..."});
  EXPECT_EQ(Host.PanelShows, 1);
  EXPECT_EQ(Host.PanelFills, 1);
  EXPECT_EQ(Host.Listings, 1);  // the main list is not listed again
}

TEST_F(CopyMoveTest, CopyOfOneObjectWithItsOwnNameGoesIntoThePanelFolder) {
  Select("c.txt");
  Prompts.InputAnswers = {QStringLiteral("c.txt")};
  Commands.Copy();
  EXPECT_EQ(ReadAll(Tree.Path("panel/c.txt")), "c.txt");
  EXPECT_TRUE(Prompts.Messages.isEmpty());
}

TEST_F(CopyMoveTest, CancelledNameCopiesNothing) {
  Select("c.txt");
  Commands.Copy();
  EXPECT_FALSE(QFileInfo::exists(Tree.Path("panel/c.txt")));
  EXPECT_EQ(Host.PanelFills, 0);
}

TEST_F(CopyMoveTest, CopyOfSixListsAllSixNamesThenDots) {
  Host.Mark({"a.txt", "b.txt", "c.txt", "d.txt", "e.txt", "f.txt"});
  Prompts.Answers = {true};
  Commands.Copy();
  const QString expected = "Корировать : 6 объект(ов)\r\na.txt\r\nb.txt\r\nc.txt\r\nd.txt\r\ne.txt\r\nf.txt\r\n...\r\n\r\n"
                           "В папку : " + Host.Panel + "\r\n\r\n В Ы П О Л Н И Т Ь ?";
  EXPECT_EQ(Prompts.Questions, QStringList{expected});
  EXPECT_EQ(ReadAll(Tree.Path("panel/f.txt")), "f.txt");
  for (const auto& row : Host.Rows) EXPECT_FALSE(row.Marked);
  EXPECT_GE(Host.Repaints, 1);
}

TEST_F(CopyMoveTest, CopyOfSevenListsSixNamesAndDeclinedCopiesNothing) {
  Host.Mark({"a.txt", "b.txt", "c.txt", "d.txt", "e.txt", "f.txt", "g.txt"});
  Commands.Copy();
  const QString expected = "Корировать : 7 объект(ов)\r\na.txt\r\nb.txt\r\nc.txt\r\nd.txt\r\ne.txt\r\nf.txt\r\n...\r\n\r\n"
                           "В папку : " + Host.Panel + "\r\n\r\n В Ы П О Л Н И Т Ь ?";
  EXPECT_EQ(Prompts.Questions, QStringList{expected});
  EXPECT_FALSE(QFileInfo::exists(Tree.Path("panel/a.txt")));
  EXPECT_TRUE(Host.Rows[0].Marked);
  EXPECT_EQ(Host.PanelFills, 0);
}

TEST_F(CopyMoveTest, FailedCopyKeepsMarksAndSaysSo) {
  Host.Mark({"a.txt", "b.txt"});
  Host.Panel = Tree.Path("vanished") + "/";
  Prompts.Answers = {true};
  Commands.Copy();
  EXPECT_EQ(Prompts.Messages, QStringList{"Ошибка при выполнении копирования "});
  EXPECT_TRUE(Host.Rows[Host.RowOf("a.txt")].Marked);
  EXPECT_EQ(Host.PanelFills, 1);
}

TEST_F(CopyMoveTest, RefusesWithoutFocusOrPanelFolder) {
  Host.Focused = false;
  Commands.Copy();
  Commands.Move();
  EXPECT_EQ(Prompts.Messages, (QStringList{"Ничего не выбрано", "Ничего не выбрано"}));
  Host.Focused = true;
  Host.Panel.clear();
  Prompts.Messages.clear();
  Commands.Copy();
  Commands.Move();
  EXPECT_EQ(Prompts.Messages, (QStringList{NoPanelFolderText, NoPanelFolderText}));
  EXPECT_TRUE(Prompts.Inputs.isEmpty());
  EXPECT_EQ(QDir(Tree.Path("src")).entryList(QDir::Files).size(), 7);
}

TEST_F(CopyMoveTest, MoveOfTheRowUnderTheCursorPutsTheCursorOnTheNextRow) {
  Select("c.txt");
  Prompts.InputAnswers = {QStringLiteral("c.txt")};
  Commands.Move();
  EXPECT_EQ(ReadAll(Tree.Path("panel/c.txt")), "c.txt");
  EXPECT_FALSE(QFileInfo::exists(Tree.Path("src/c.txt")));
  EXPECT_EQ(Host.FocusName, QStringLiteral("d.txt"));
  EXPECT_EQ(Host.Rows.at(Host.CurrentRow()).Name, QStringLiteral("d.txt"));
  EXPECT_EQ(Host.Statuses, QStringList{"Перемещение..."});
  EXPECT_EQ(Host.TreePositions, 1);
  EXPECT_EQ(Host.TreeRefreshes, 1);
  EXPECT_EQ(Host.PanelFills, 1);
}

TEST_F(CopyMoveTest, MoveOfTheLastRowPutsTheCursorOnTheFirst) {
  Select("g.txt");
  Prompts.InputAnswers = {QStringLiteral("moved.txt")};
  Commands.Move();
  EXPECT_EQ(ReadAll(Tree.Path("panel/moved.txt")), "g.txt");
  EXPECT_TRUE(Host.FocusNameSet);
  EXPECT_TRUE(Host.FocusName.isEmpty());
  EXPECT_EQ(Host.CurrentRow(), 0);
}

TEST_F(CopyMoveTest, MoveOfMarkedRowsAsksWithoutNamesAndLeavesTheFocusName) {
  Host.Mark({"a.txt", "e.txt"});
  Select("b.txt");
  Prompts.Answers = {true};
  Commands.Move();
  EXPECT_EQ(Prompts.Questions,
            QStringList{"Переместить : 2\r\n\r\nВ папку : " + Host.Panel + "\r\n\r\n В Ы П О Л Н И Т Ь ?"});
  EXPECT_FALSE(Host.FocusNameSet);
  EXPECT_TRUE(QFileInfo::exists(Tree.Path("panel/a.txt")));
  EXPECT_TRUE(QFileInfo::exists(Tree.Path("panel/e.txt")));
  EXPECT_EQ(Host.ItemCount(), 5);
}

TEST_F(CopyMoveTest, DeclinedMoveDoesNothingMore) {
  Host.Mark({"a.txt", "e.txt"});
  Commands.Move();
  EXPECT_TRUE(QFileInfo::exists(Tree.Path("src/a.txt")));
  EXPECT_EQ(Host.PanelFills, 0);
  EXPECT_EQ(Host.Listings, 1);
}

TEST_F(CopyMoveTest, NamesThatAreNotUtf8AreCopiedByTheirBytes) {
  Tree.CreateFile("src/bad\xff\n.bin", "raw");
  Host.List(Tree.Path("src"));
  Host.Current = Host.RowOf(FromNativeName(QByteArray("bad\xff\n.bin")));
  ASSERT_GE(Host.Current, 0);
  Prompts.InputAnswers = {Host.ItemName(Host.Current)};
  Commands.Copy();
  struct stat facts {};
  EXPECT_EQ(::stat(Tree.PathBytes("panel/bad\xff\n.bin").constData(), &facts), 0);
  EXPECT_EQ(facts.st_size, 3);
}

}  // namespace
}  // namespace zarn
