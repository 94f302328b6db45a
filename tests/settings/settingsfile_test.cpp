#include "settings/settingsfile.h"

#include <gtest/gtest.h>

#include "platform/filenames.h"
#include "temptree.h"

namespace zarn {
namespace {

using test::TempTree;

TEST(SettingsFileTest, WritesCrLfAndReadsBothLineEnds) {
  TempTree tree;
  const QString path = tree.Path(QStringLiteral("zarn.ini"));
  ASSERT_FALSE(WriteSettingsLines(path, {QStringLiteral("a"), QString(), QStringLiteral("путь; с, запятой")}).IsError());
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  EXPECT_EQ(file.readAll(), QByteArray("a\r\n\r\n") + QStringLiteral("путь; с, запятой").toUtf8() + "\r\n");
  tree.CreateFile("lf.ini", "\xEF\xBB\xBFone\ntwo\r\nthree");
  EXPECT_EQ(ValueOrRaise(ReadSettingsLines(tree.Path(QStringLiteral("lf.ini")))),
            QStringList({QStringLiteral("one"), QStringLiteral("two"), QStringLiteral("three")}));
}

TEST(SettingsFileTest, PathsThatAreNotUtf8KeepTheirBytes) {
  TempTree tree;
  const QString path = tree.Path(QStringLiteral("zarn.ini"));
  const QString odd = FromNativeName(QByteArray("/tmp/bad\xff name"));
  ASSERT_FALSE(WriteSettingsLines(path, {odd}).IsError());
  EXPECT_EQ(ToNativeName(ValueOrRaise(ReadSettingsLines(path)).value(0)), QByteArray("/tmp/bad\xff name"));
}

TEST(SettingsFileTest, DamagedFilesReadAsFarAsTheyMakeSense) {
  TempTree tree;
  QByteArray huge(MaxSettingsLineBytes * 3, 'x');
  tree.CreateFile("huge.ini", huge + "\r\nsecond\r\n");
  const QStringList lines = ValueOrRaise(ReadSettingsLines(tree.Path(QStringLiteral("huge.ini"))));
  ASSERT_EQ(lines.size(), 2);
  EXPECT_LT(lines[0].size(), MaxSettingsLineBytes);
  EXPECT_EQ(lines[1], QStringLiteral("second"));
  EXPECT_TRUE(ValueOrRaise(ReadSettingsLines(tree.Path(QStringLiteral("missing.ini")))).isEmpty());
}

TEST(SettingsFileTest, ConfigFolderComesFromTheEnvironment) {
  TempTree tree;
  qputenv("ZARN_CONFIG_DIR", tree.Root().toUtf8());
  EXPECT_EQ(SettingsFilePath(QStringLiteral("zarn.ini")), tree.Path(QStringLiteral("zarn.ini")));
  qunsetenv("ZARN_CONFIG_DIR");
}

TEST(SettingsFileTest, WriteIntoAMissingFolderFailsWithAMessage) {
  TempTree tree;
  const ErrorOrDone written = WriteSettingsLines(tree.Path(QStringLiteral("no/such/zarn.ini")), {QStringLiteral("x")});
  ASSERT_TRUE(written.IsError());
  EXPECT_FALSE(written.Error().Text().isEmpty());
}

}  // namespace
}  // namespace zarn
