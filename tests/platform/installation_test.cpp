#include "platform/installation.h"

#include <gtest/gtest.h>

#include "temptree.h"

namespace zarn {
namespace {

using test::TempTree;

// XDG data folders of the test's own, restored afterwards.
class InstallationTest : public testing::Test {
 protected:
  void SetUp() override {
    SavedHome_ = qgetenv("XDG_DATA_HOME");
    SavedDirs_ = qgetenv("XDG_DATA_DIRS");
    qputenv("XDG_DATA_HOME", Tree.Path(QStringLiteral("xdg-home")).toUtf8());
    qputenv("XDG_DATA_DIRS", (Tree.Path(QStringLiteral("xdg-a")) + u':' + Tree.Path(QStringLiteral("xdg-b"))).toUtf8());
  }
  void TearDown() override {
    qputenv("XDG_DATA_HOME", SavedHome_);
    qputenv("XDG_DATA_DIRS", SavedDirs_);
  }
  TempTree Tree;

 private:
  QByteArray SavedHome_;
  QByteArray SavedDirs_;
};

TEST_F(InstallationTest, AnInstallationIsABinFolderWithTheProgramsDataBesideIt) {
  Tree.CreateFile("prefix/bin/zarn");
  Tree.CreateFile("prefix/share/zarn/help/index.html", "<html>");
  Tree.CreateFile("build/zarn");
  EXPECT_EQ(InstalledDataFolder(Tree.Path(QStringLiteral("prefix/bin"))), Tree.Path(QStringLiteral("prefix/share/zarn")));
  EXPECT_EQ(InstalledDataFolder(Tree.Path(QStringLiteral("build"))), QString());
  EXPECT_EQ(InstalledDataFolder(QString()), QString());
}

TEST_F(InstallationTest, TheManualBesideTheProgramComesBeforeTheDataFolders) {
  Tree.CreateFile("prefix/bin/zarn");
  Tree.CreateFile("prefix/share/zarn/help/index.html", "<html>");
  Tree.CreateFile("xdg-b/zarn/help/index.html", "<html>");
  EXPECT_EQ(InstalledManual(Tree.Path(QStringLiteral("prefix/bin"))),
            Tree.Path(QStringLiteral("prefix/share/zarn/help/index.html")));
  // A build folder finds an installed manual through the XDG data folders, the first one first.
  EXPECT_EQ(InstalledManual(Tree.Path(QStringLiteral("build"))), Tree.Path(QStringLiteral("xdg-b/zarn/help/index.html")));
  Tree.CreateFile("xdg-a/zarn/help/index.html", "<html>");
  EXPECT_EQ(InstalledManual(Tree.Path(QStringLiteral("build"))), Tree.Path(QStringLiteral("xdg-a/zarn/help/index.html")));
}

TEST_F(InstallationTest, NoManualAnywhereIsEmpty) {
  // An installation whose manual is missing, and a folder named like one.
  Tree.CreateDir("prefix/share/zarn/help");
  Tree.CreateDir("xdg-a/zarn/help/index.html");
  EXPECT_EQ(InstalledManual(Tree.Path(QStringLiteral("prefix/bin"))), QString());
}

}  // namespace
}  // namespace zarn
