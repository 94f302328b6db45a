#include "settings/taboutbox.h"

#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include "fakeprompter.h"
#include "temptree.h"

namespace zarn {
namespace {

class TAboutBoxTest : public testing::Test {
 protected:
  void SetUp() override {
    Box.HelpFolder = Tree_.Root();
    Box.ManualPath = Tree_.Path(QStringLiteral("share/zarn/help/index.html"));
    Box.OpenWithShell = [this](const QString& target) {
      Opened << target;
      VisibleWhenOpened = Box.isVisible();
    };
    Box.OpenManual = [this](const QString& page) {
      OpenedInBrowser << page;
      VisibleWhenOpened = Box.isVisible();
    };
  }
  void ClickHelp() {
    Box.show();
    QTest::mouseClick(Box.Button2, Qt::LeftButton);
  }
  test::TempTree Tree_;
  test::FakePrompter Prompts;
  TAboutBox Box;
  QStringList Opened;
  QStringList OpenedInBrowser;
  bool VisibleWhenOpened = true;
};

TEST_F(TAboutBoxTest, DesignedTexts) {
  EXPECT_EQ(AboutBox, &Box);
  EXPECT_EQ(Box.windowTitle(), QStringLiteral("  О программе"));
  EXPECT_EQ(Box.findChild<QLabel*>(QStringLiteral("Label2"))->text(), QStringLiteral("Version  1.4   (10.2012)"));
  EXPECT_EQ(Box.findChild<QLabel*>(QStringLiteral("Label6"))->text(), QStringLiteral("Сайты автора программы:"));
  EXPECT_EQ(Box.findChild<QPushButton*>(QStringLiteral("Button2"))->text(), QStringLiteral("Помощь"));
  EXPECT_EQ(Box.Image1->size(), QSize(41, 41));
}

TEST_F(TAboutBoxTest, HelpClosesTheBoxThenOpensTheFile) {
  Tree_.CreateFile("hzarn.chm", "help");
  Box.show();
  QTest::mouseClick(Box.Button2, Qt::LeftButton);
  EXPECT_EQ(Opened, QStringList{Tree_.Path(QStringLiteral("hzarn.chm"))});
  EXPECT_FALSE(VisibleWhenOpened);
  EXPECT_TRUE(Prompts.Messages.isEmpty());
}

TEST_F(TAboutBoxTest, MissingHelpFileShowsTheMessageAfterClosing) {
  ClickHelp();
  EXPECT_FALSE(Box.isVisible());
  EXPECT_EQ(Prompts.Messages, QStringList{QStringLiteral("Файл помощи hzarn.chm не найден")});
  EXPECT_TRUE(Opened.isEmpty());
  EXPECT_TRUE(OpenedInBrowser.isEmpty());
}

TEST_F(TAboutBoxTest, WithoutTheHelpFileTheInstalledManualOpensInTheBrowser) {
  Tree_.CreateFile("share/zarn/help/index.html", "<html>");
  ClickHelp();
  EXPECT_EQ(OpenedInBrowser, QStringList{Box.ManualPath});
  EXPECT_FALSE(VisibleWhenOpened);
  EXPECT_TRUE(Prompts.Messages.isEmpty());
  // The help file, where there is one, comes first.
  Tree_.CreateFile("hzarn.chm", "help");
  ClickHelp();
  EXPECT_EQ(Opened, QStringList{Tree_.Path(QStringLiteral("hzarn.chm"))});
  EXPECT_EQ(OpenedInBrowser.size(), 1);
}

TEST_F(TAboutBoxTest, SiteLabelsOpenTheirAddresses) {
  Box.show();
  QTest::mouseClick(Box.Label7, Qt::LeftButton);
  QTest::mouseClick(Box.Label8, Qt::LeftButton);
  EXPECT_EQ(Opened, (QStringList{TAboutBox::FirstSite, TAboutBox::SecondSite}));
}

TEST_F(TAboutBoxTest, OkClosesAModalRun) {
  QTimer::singleShot(0, &Box, [this] { QTest::mouseClick(Box.Button1, Qt::LeftButton); });
  EXPECT_EQ(Box.exec(), QDialog::Accepted);
}

}  // namespace
}  // namespace zarn
