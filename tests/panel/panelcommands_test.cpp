#include "panel/panelcommands.h"

#include <QLineEdit>

#include <gtest/gtest.h>

#include "fakeprompter.h"
#include "panel/mainwindowhooks.h"
#include "panel/tform4.h"
#include "platform/errors.h"
#include "platform/shellnamespace.h"
#include "temptree.h"

namespace zarn {
namespace {

// The main window as the panel sees it: a path box and navigation.
class PanelCommandsTest : public testing::Test {
 protected:
  void SetUp() override {
    Tree.CreateDir("A/inside");
    Tree.CreateDir("B/other");
    MainFolder = Path("A/");
    MainWindowHooks.PathText = [this] { return MainFolder; };
    MainWindowHooks.SetPath = [this](const QString& path) {
      if (!DirectoryExists(path)) RaiseError(QStringLiteral("no folder: ") + path);
      MainFolder = path;
    };
    MainWindowHooks.ScrollTreeSelectionToTop = [this] { ++TreeScrolls; };
    MainWindowHooks.SetPanelGlyph = [this](const QString& name) { Glyphs << name; };
    PanelPath.clear();
  }
  void TearDown() override {
    MainWindowHooks = {};
    PanelPath.clear();
  }
  QString Path(const char* relative) const { return Tree.Path(QString::fromUtf8(relative)); }

  test::TempTree Tree;
  test::FakePrompter Prompts;
  TForm4 Panel;
  QString MainFolder;
  QStringList Glyphs;
  int TreeScrolls = 0;
};

TEST_F(PanelCommandsTest, SwapTradesTheTwoFolders) {
  PanelPath = Path("B/");
  Panel.FillPanelList(PanelPath);
  SwapPanelFolders();
  EXPECT_EQ(MainFolder, Path("B/"));
  EXPECT_EQ(PanelPath, Path("A/"));
  EXPECT_EQ(Panel.Captions(), QStringList({"inside"}));
  EXPECT_EQ(TreeScrolls, 1);
  EXPECT_TRUE(Panel.isVisible());
  EXPECT_EQ(Glyphs, QStringList({"TOONE"}));
}

TEST_F(PanelCommandsTest, SwapWithAVanishedPanelFolderChangesNothing) {
  PanelPath = Path("gone/");
  EXPECT_THROW(SwapPanelFolders(), ZarnError);
  EXPECT_EQ(MainFolder, Path("A/"));
  EXPECT_EQ(PanelPath, Path("gone/"));
}

TEST_F(PanelCommandsTest, SwapWithAnEmptyPanelOnlyGivesItTheMainFolder) {
  SwapPanelFolders();
  EXPECT_EQ(MainFolder, Path("A/"));
  EXPECT_EQ(PanelPath, Path("A/"));
}

TEST_F(PanelCommandsTest, SendAndBringMoveOneFolderAcross) {
  SendFolderToPanel();
  EXPECT_EQ(PanelPath, Path("A/"));
  EXPECT_EQ(Panel.Edit1->text(), Path("A/"));
  PanelPath = Path("B/");
  BringPanelFolderToMain();
  EXPECT_EQ(MainFolder, Path("B/"));
  EXPECT_EQ(PanelPath, Path("B/"));
  EXPECT_EQ(TreeScrolls, 1);
}

TEST_F(PanelCommandsTest, AVirtualMainFolderIsNotSentToThePanel) {
  MainFolder = ComputerParsingName;
  EXPECT_THROW(SendFolderToPanel(), ZarnError);
  EXPECT_TRUE(PanelPath.isEmpty());
}

TEST_F(PanelCommandsTest, BringWithoutAPanelFolderStaysPut) {
  BringPanelFolderToMain();
  EXPECT_EQ(MainFolder, Path("A/"));
  EXPECT_TRUE(Panel.isVisible());
}

TEST_F(PanelCommandsTest, ToggleHidesAndShowsWithoutRereading) {
  PanelPath = Path("A/");
  Panel.FillPanelList(PanelPath);
  Tree.CreateDir("A/later");
  ToggleSecondPanel();
  EXPECT_TRUE(SecondPanelVisible());
  ToggleSecondPanel();
  EXPECT_FALSE(SecondPanelVisible());
  EXPECT_EQ(Glyphs, QStringList({"TOONE", "TOTWO"}));
  EXPECT_EQ(Panel.Captions(), QStringList({"inside"}));
}

}  // namespace
}  // namespace zarn
