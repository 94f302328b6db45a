#include "settings/startsettings.h"

#include <QFile>

#include <gtest/gtest.h>

#include "settings/settingsfile.h"
#include "settings/textent.h"
#include "settings/tset1.h"
#include "temptree.h"

namespace zarn {
namespace {

class StartSettingsTest : public testing::Test {
 protected:
  void SetUp() override {
    qputenv("ZARN_CONFIG_DIR", Tree_.Path(QStringLiteral("config")).toUtf8());
    Tree_.CreateDir("config");
    Tree_.CreateFile("bin/viewer", "#!/bin/sh\n");
    Tree_.CreateDir("bin/folder");
  }
  void TearDown() override { qunsetenv("ZARN_CONFIG_DIR"); }
  QByteArray IniBytes() const {
    QFile file(Tree_.Path(QStringLiteral("config/zarn.ini")));
    file.open(QIODevice::ReadOnly);
    return file.readAll();
  }
  test::TempTree Tree_;
};

TEST_F(StartSettingsTest, WithoutIniNothingIsAppliedAndCloseWritesFourLines) {
  TSet1 window;
  auto folder = LoadStartSettings();
  ASSERT_FALSE(folder.IsError());
  EXPECT_FALSE(folder.Value());
  EXPECT_FALSE(window.CheckBox1->isChecked());
  EXPECT_TRUE(window.Edit1->text().isEmpty());
  ASSERT_FALSE(SaveSettingsAtClose(QStringLiteral("/home/")).IsError());
  EXPECT_EQ(IniBytes(), QByteArray("\r\n\r\n\r\n/home/\r\n"));
}

TEST_F(StartSettingsTest, ExistingProgramsAreAppliedAndTicked) {
  const QString viewer = Tree_.Path(QStringLiteral("bin/viewer"));
  Tree_.CreateFile("config/zarn.ini", (viewer + "\r\n" + Tree_.Path("bin/folder") + "\r\n" + Tree_.Path("bin/gone") +
                                       "\r\n/work/\r\nextra\r\n")
                                          .toUtf8());
  TSet1 window;
  auto folder = LoadStartSettings();
  ASSERT_FALSE(folder.IsError());
  EXPECT_EQ(folder.Value(), QStringLiteral("/work/"));
  EXPECT_TRUE(window.CheckBox1->isChecked());
  EXPECT_EQ(window.Edit1->text(), viewer);
  // A folder, or a program that is gone, is dropped and forgotten at the next close.
  EXPECT_FALSE(window.CheckBox2->isChecked());
  EXPECT_TRUE(window.Edit2->text().isEmpty());
  EXPECT_FALSE(window.CheckBox3->isChecked());
  ASSERT_FALSE(SaveSettingsAtClose(QStringLiteral("/work/")).IsError());
  EXPECT_EQ(IniBytes(), (viewer + "\r\n\r\n\r\n/work/\r\n").toUtf8());
}

TEST_F(StartSettingsTest, ShortIniRestoresWhatItHas) {
  const QString viewer = Tree_.Path(QStringLiteral("bin/viewer"));
  const auto settings = StartSettingsFromLines({viewer, viewer});
  EXPECT_TRUE(settings.Programs[0]);
  EXPECT_TRUE(settings.Programs[1]);
  EXPECT_FALSE(settings.Programs[2]);
  EXPECT_TRUE(settings.SavedFolder.isEmpty());
}

TEST_F(StartSettingsTest, TypedPathIsStoredWhateverItsBox) {
  TSet1 window;
  window.Edit4->setText(QStringLiteral("/usr/bin/unticked editor"));
  EXPECT_EQ(SettingsLinesAtClose(window, QStringLiteral("/tmp/")),
            (QStringList{"", "", "/usr/bin/unticked editor", "/tmp/"}));
}

TEST_F(StartSettingsTest, AssociationsAreLoadedAtStartOnlyWhenTheFileExists) {
  TExtent window;
  window.SetTable({{".keep", "/bin/keep"}});
  ASSERT_FALSE(LoadAssociationsAtStart().IsError());
  EXPECT_EQ(window.Table().size(), 1);
  Tree_.CreateFile("config/zarn.ext", ".txt\r\n/bin/ed\r\n");
  ASSERT_FALSE(LoadAssociationsAtStart().IsError());
  EXPECT_EQ(window.Table(), (TAssociationTable{{".txt", "/bin/ed"}}));
}

}  // namespace
}  // namespace zarn
