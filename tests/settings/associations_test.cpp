#include "settings/associations.h"

#include <QFile>

#include <gtest/gtest.h>

#include "platform/filenames.h"
#include "temptree.h"
#include "unprivileged.h"

namespace zarn {
namespace {

TEST(FileExtensionTest, TakesTheLastDotOfTheNamePart) {
  EXPECT_EQ(FileExtension(QStringLiteral("/a.b/c.tar.GZ")), QStringLiteral(".GZ"));
  EXPECT_EQ(FileExtension(QStringLiteral("/a.b/README")), QString());
  EXPECT_EQ(FileExtension(QStringLiteral("/home/u/.bashrc")), QStringLiteral(".bashrc"));
  EXPECT_EQ(FileExtension(QStringLiteral("name.")), QStringLiteral("."));
}

TEST(AssociationLookupTest, ComparesCaseAndTrimsOnlyCodesUpToBlank) {
  const TAssociationTable table{{QStringLiteral(" \t.txt\x01 "), QStringLiteral("/bin/first")},
                                {QStringLiteral(".txt"), QStringLiteral("/bin/second")},
                                {QStringLiteral("\u00A0.md"), QStringLiteral("/bin/md")},
                                {QStringLiteral(".odd"), QString()},
                                {QString(), QStringLiteral("/bin/bare")}};
  EXPECT_EQ(LookupAssociation(table, QStringLiteral(".txt")), QStringLiteral("/bin/first"));
  EXPECT_EQ(LookupAssociation(table, QStringLiteral(".TXT")), QString());
  // A no-break space is not one of the blanks the lookup removes.
  EXPECT_EQ(LookupAssociation(table, QStringLiteral(".md")), QString());
  EXPECT_EQ(LookupAssociation(table, QStringLiteral(".odd")), QString());
  EXPECT_EQ(LookupAssociation(table, FileExtension(QStringLiteral("/x/Makefile"))), QStringLiteral("/bin/bare"));
}

TEST(AssociationLinesTest, OddLineCountGivesARowWithoutProgram) {
  const auto table = AssociationsFromLines({".a", "/p/a", ".b"});
  ASSERT_EQ(table.size(), 2);
  EXPECT_EQ(table[1], (TAssociation{QStringLiteral(".b"), QString()}));
  EXPECT_TRUE(AssociationsFromLines({}).isEmpty());
  EXPECT_EQ(AssociationsToLines(table), (QStringList{".a", "/p/a", ".b", ""}));
}

class AssociationsFileTest : public testing::Test {
 protected:
  QString FilePath() const { return Tree_.Path(QStringLiteral("zarn.ext")); }
  QByteArray FileBytes() const {
    QFile file(FilePath());
    file.open(QIODevice::ReadOnly);
    return file.readAll();
  }
  test::TempTree Tree_;
};

TEST_F(AssociationsFileTest, SaveWritesUtf8WithCrLfAndLoadGivesItBack) {
  const TAssociationTable table{{QStringLiteral(".txt"), QStringLiteral("/opt/Редактор/bin/ed it")},
                                {QStringLiteral(" .c "), QString()}};
  ASSERT_FALSE(SaveAssociations(FilePath(), table).IsError());
  EXPECT_EQ(FileBytes(), QByteArray(".txt\r\n/opt/Редактор/bin/ed it\r\n .c \r\n\r\n"));
  auto loaded = LoadAssociations(FilePath());
  ASSERT_FALSE(loaded.IsError());
  ASSERT_TRUE(loaded.Value());
  EXPECT_EQ(*loaded.Value(), table);
}

TEST_F(AssociationsFileTest, EmptyTableIsAnEmptyFileAndMissingFileIsNothing) {
  auto missing = LoadAssociations(FilePath());
  ASSERT_FALSE(missing.IsError());
  EXPECT_FALSE(missing.Value());
  ASSERT_FALSE(SaveAssociations(FilePath(), {}).IsError());
  EXPECT_TRUE(FileBytes().isEmpty());
  auto empty = LoadAssociations(FilePath());
  ASSERT_TRUE(empty.Value());
  EXPECT_TRUE(empty.Value()->isEmpty());
}

TEST_F(AssociationsFileTest, HandMadeFilesWithLfEmptyAndHugeLinesLoad) {
  const QByteArray huge(2 * 1024 * 1024, 'x');
  Tree_.CreateFile("zarn.ext", "\n/bin/bare\n.big\n" + huge + "\n.txt\r\n/bin/ed\n.odd");
  auto loaded = LoadAssociations(FilePath());
  ASSERT_FALSE(loaded.IsError());
  const TAssociationTable& table = *loaded.Value();
  ASSERT_EQ(table.size(), 4);
  EXPECT_EQ(table[0], (TAssociation{QString(), QStringLiteral("/bin/bare")}));
  EXPECT_EQ(table[1].Extension, QStringLiteral(".big"));
  // The rows after an endless line keep their pairing.
  EXPECT_EQ(table[2], (TAssociation{QStringLiteral(".txt"), QStringLiteral("/bin/ed")}));
  EXPECT_EQ(table[3], (TAssociation{QStringLiteral(".odd"), QString()}));
}

TEST_F(AssociationsFileTest, UnreadableFileIsAnError) {
  Tree_.CreateFile("zarn.ext", ".a\n/b\n");
  Tree_.SetMode("zarn.ext", 0);
  test::AsUnprivilegedUser([&] { EXPECT_TRUE(LoadAssociations(FilePath()).IsError()); }, {Tree_.RootBytes()});
}

TEST_F(AssociationsFileTest, ValuesThatCannotBeReadBackAreRefusedAndTheOldFileKept) {
  ASSERT_FALSE(SaveAssociations(FilePath(), {{".a", "/bin/a"}}).IsError());
  const QByteArray before = FileBytes();
  EXPECT_TRUE(SaveAssociations(FilePath(), {{".a", "/bin/line\nbreak"}}).IsError());
  EXPECT_TRUE(SaveAssociations(FilePath(), {{".a", FromNativeName(QByteArray("/bin/\xFF"))}}).IsError());
  EXPECT_EQ(FileBytes(), before);
  EXPECT_TRUE(UnstorableReason(QStringLiteral("/usr/bin/kate")).isEmpty());
}

}  // namespace
}  // namespace zarn
