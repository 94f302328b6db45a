#include "panel/panelfolder.h"

#include <QLocale>
#include <QTimeZone>

#include <gtest/gtest.h>

#include "panel/panelpath.h"
#include "platform/filenames.h"
#include "platform/pathtext.h"
#include "platform/shellnamespace.h"
#include "temptree.h"

namespace zarn {
namespace {

QStringList NamesOf(const std::vector<TPanelEntry>& entries) {
  QStringList names;
  for (const TPanelEntry& entry : entries) names << entry.Name;
  return names;
}

QString FolderOf(const test::TempTree& tree) { return tree.Root() + QLatin1Char('/'); }

TEST(PanelFolder, FoldersThenFilesEachInCaseInsensitiveOrder) {
  test::TempTree tree;
  tree.CreateFile("b.txt");
  tree.CreateDir("c");
  tree.CreateFile("a.txt");
  tree.CreateDir("A");
  const TPanelListing listing = ReadPanelFolder(FolderOf(tree));
  EXPECT_EQ(NamesOf(listing.Folders), QStringList({"A", "c"}));
  EXPECT_EQ(NamesOf(listing.Files), QStringList({"a.txt", "b.txt"}));
}

TEST(PanelFolder, MixedCaseNamesInterleave) {
  test::TempTree tree;
  for (const char* name : {"beta", "Alpha", "alpha2", "BETA2", ".hidden"}) tree.CreateFile(name);
  EXPECT_EQ(NamesOf(ReadPanelFolder(FolderOf(tree)).Files),
            QStringList({".hidden", "Alpha", "alpha2", "beta", "BETA2"}));
}

TEST(PanelFolder, LinksToFoldersAreFoldersEverythingElseIsAFile) {
  test::TempTree tree;
  tree.CreateDir("real");
  tree.CreateSymlink("to-real", "real");
  tree.CreateSymlink("dangling", "nowhere");
  tree.CreateFifo("pipe");
  const TPanelListing listing = ReadPanelFolder(FolderOf(tree));
  EXPECT_EQ(NamesOf(listing.Folders), QStringList({"real", "to-real"}));
  EXPECT_EQ(NamesOf(listing.Files), QStringList({"dangling", "pipe"}));
  for (const TPanelEntry& entry : listing.Folders) EXPECT_GE(entry.IconIndex, 0);
}

TEST(PanelFolder, HostileNamesAreListedByTheirBytes) {
  test::TempTree tree;
  tree.Hostile();
  const TPanelListing listing = ReadPanelFolder(FolderOf(tree));
  bool foundBytes = false;
  for (const auto* group : {&listing.Folders, &listing.Files}) {
    for (const TPanelEntry& entry : *group) {
      if (ToNativeName(entry.Name) == QByteArray("bad\xff\xfe name")) foundBytes = true;
      EXPECT_TRUE(PanelInfoLine(FolderOf(tree), entry.Name).has_value()) << entry.Name.toStdString();
    }
  }
  EXPECT_TRUE(foundBytes);
  EXPECT_EQ(NamesOf(listing.Folders).filter(QStringLiteral("link-to-folder")).size(), 1);
}

TEST(PanelFolder, UnreadableOrMissingFoldersGiveAnEmptyListing) {
  test::TempTree tree;
  tree.CreateFile("plain");
  for (const QString& path : {tree.Path("gone/"), tree.Path("plain/"), QString()}) {
    const TPanelListing listing = ReadPanelFolder(path);
    EXPECT_TRUE(listing.Folders.empty() && listing.Files.empty()) << path.toStdString();
  }
  if (!test::RunningAsRoot()) {
    tree.CreateDir("closed/inner");
    tree.SetMode("closed", 0);
    EXPECT_TRUE(ReadPanelFolder(tree.Path("closed/")).Folders.empty());
  }
}

TEST(PanelFolder, InfoLineOfAFileEndsInTheGroupedSize) {
  test::TempTree tree;
  tree.CreateFile("big.bin", QByteArray(1234567, 'x'));
  const std::optional<QString> line = PanelInfoLine(FolderOf(tree), QStringLiteral("big.bin"));
  ASSERT_TRUE(line.has_value());
  EXPECT_TRUE(line->startsWith(QStringLiteral("Файл: big.bin - "))) << line->toStdString();
  EXPECT_TRUE(line->endsWith(QStringLiteral("  - 1 234 567 byte"))) << line->toStdString();
}

TEST(PanelFolder, InfoLineOfAFolderHasItsDateWithoutSeconds) {
  test::TempTree tree;
  tree.CreateDir("docs");
  const QDateTime modified(QDate(2021, 3, 4), QTime(5, 6, 7), QTimeZone::utc());
  tree.SetModified("docs", modified);
  const QString date = PanelDateText(modified.toLocalTime());
  EXPECT_EQ(PanelInfoLine(FolderOf(tree), QStringLiteral("docs")), QStringLiteral("Папка: docs - ") + date);
  EXPECT_FALSE(date.contains(QStringLiteral(":07"))) << date.toStdString();
  EXPECT_FALSE(PanelInfoLine(FolderOf(tree), QStringLiteral("vanished")).has_value());
}

TEST(PanelFolder, DateTextDropsOnlyTheSeconds) {
  QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
  const QDateTime local(QDate(2021, 3, 4), QTime(15, 16, 17));
  EXPECT_EQ(PanelDateText(local), QStringLiteral("04.03.2021 15:16"));
  QLocale::setDefault(QLocale::c());
}

TEST(PanelFolder, CreatesFoldersAndRefusesWhatItCannot) {
  test::TempTree tree;
  EXPECT_FALSE(CreatePanelFolder(FolderOf(tree), QStringLiteral("new")).IsError());
  EXPECT_TRUE(DirectoryExists(tree.Path("new")));
  const ErrorOrDone again = CreatePanelFolder(FolderOf(tree), QStringLiteral("new"));
  ASSERT_TRUE(again.IsError());
  EXPECT_EQ(again.Error().Code(), EEXIST);
  for (const QString& name : {QString(), QStringLiteral(".."), QStringLiteral("a/b")}) {
    EXPECT_TRUE(CreatePanelFolder(FolderOf(tree), name).IsError()) << name.toStdString();
  }
  // A panel with no folder yet must not create anything in the current directory.
  EXPECT_TRUE(CreatePanelFolder(QString(), QStringLiteral("stray")).IsError());
  EXPECT_TRUE(CreatePanelFolder(QStringLiteral("relative/"), QStringLiteral("stray")).IsError());
}

struct PathCase {
  const char* Path;
  const char* Parent;
  const char* Name;
};

class PanelPathArithmetic : public testing::TestWithParam<PathCase> {};

TEST_P(PanelPathArithmetic, ParentAndLastComponent) {
  const PathCase& sample = GetParam();
  EXPECT_EQ(ParentPath(QString::fromUtf8(sample.Path)), QString::fromUtf8(sample.Parent));
  EXPECT_EQ(LastPathComponent(QString::fromUtf8(sample.Path)), QString::fromUtf8(sample.Name));
}

INSTANTIATE_TEST_SUITE_P(Paths, PanelPathArithmetic,
                         testing::Values(PathCase{"/work/docs/", "/work/", "docs"}, PathCase{"/work/", "/", "work"},
                                         PathCase{"/", "/", "/"}, PathCase{"", "", ""},
                                         PathCase{"/a/b", "/a/", "b"}));

}  // namespace
}  // namespace zarn
