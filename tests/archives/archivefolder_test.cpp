#include "archives/archivefolder.h"

#include <gtest/gtest.h>

#include <QFile>

#include "archivesamples.h"
#include "platform/filenames.h"
#include "temptree.h"
#include "viewer/codepages.h"

namespace zarn {
namespace {

using test::TempTree;

QStringList ChildNames(ShellFolder& folder) {
  QStringList names;
  auto children = folder.EnumObjects(SHCONTF_FOLDERS | SHCONTF_NONFOLDERS | SHCONTF_INCLUDEHIDDEN);
  if (children.IsError()) return {children.Error().Text()};
  while (IdListPtr child = children.Value()->Next()) names << folder.GetDisplayNameOf(child.get(), SHGDN_NORMAL);
  return names;
}

ErrorOr<std::unique_ptr<ShellFolder>> BindPath(const QString& path) {
  const std::unique_ptr<ShellFolder> desktop = SHGetDesktopFolder();
  auto parsed = desktop->ParseDisplayName(path);
  if (parsed.IsError()) return parsed.Error();
  const QString named = ShellParsingName(parsed.Value().get());
  if (named + QLatin1Char('/') != path && named != path) return OsError(EINVAL, named);
  return desktop->BindToObject(parsed.Value().get());
}

QByteArray FileBytes(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A path typed through an archive inside an archive is listed and names itself
// back; the namespace keeps it read-only and gives each entry's header size.
TEST(ArchiveFolder, APathThroughAnArchiveInsideAnArchiveListsAndNamesItselfBack) {
  RegisterArchiveFolders();
  TempTree tree;
  const QString inner = tree.Path(QStringLiteral("inner.tar.gz"));
  ASSERT_TRUE(test::WriteArchive(inner, ARCHIVE_FORMAT_TAR_USTAR, ARCHIVE_FILTER_GZIP,
                                 {{"deep/big.txt", QByteArray(3000, 'b')}, {"deep/small.txt", "s"}}));
  const QString outer = tree.Path(QStringLiteral("outer.zip"));
  ASSERT_TRUE(test::WriteArchive(outer, ARCHIVE_FORMAT_ZIP, ARCHIVE_FILTER_NONE,
                                 {{"pack/inner.tar.gz", FileBytes(inner)}, {"pack/.hidden", "h"}}));

  auto pack = BindPath(outer + QStringLiteral("/pack"));
  ASSERT_FALSE(pack.IsError()) << pack.Error().Text().toStdString();
  EXPECT_EQ(ChildNames(*pack.Value()), QStringList({QStringLiteral("inner.tar.gz"), QStringLiteral(".hidden")}));

  auto deep = BindPath(outer + QStringLiteral("/pack/inner.tar.gz/deep"));
  ASSERT_FALSE(deep.IsError()) << deep.Error().Text().toStdString();
  EXPECT_EQ(ChildNames(*deep.Value()), QStringList({QStringLiteral("big.txt"), QStringLiteral("small.txt")}));
  EXPECT_EQ(ArchiveParsingName(deep.Value()->Location()), outer + QStringLiteral("/pack/inner.tar.gz/deep"));
  IdListPtr big = MakeShellChild(ItemKind::ArchiveFile, "big.txt");
  EXPECT_EQ(deep.Value()->GetFindData(big.get()).SizeLow, 3000u);
  EXPECT_EQ(deep.Value()->CompareIDs(SortBySize, big.get(), MakeShellChild(ItemKind::ArchiveFile, "small.txt").get()) > 0,
            true);

  EXPECT_TRUE(BindPath(outer + QStringLiteral("/pack/missing")).IsError());
  EXPECT_TRUE(BindPath(outer + QStringLiteral("/pack/.hidden/x")).IsError());
}

// The index of an archive is kept while the user is inside it, but an archive
// written anew meanwhile is read anew.
TEST(ArchiveFolder, AnArchiveWrittenAnewIsReadAnew) {
  RegisterArchiveFolders();
  TempTree tree;
  const QString path = tree.Path(QStringLiteral("a.tar"));
  ASSERT_TRUE(test::WriteArchive(path, ARCHIVE_FORMAT_TAR_USTAR, ARCHIVE_FILTER_NONE, {{"one.txt", "1"}}));
  // A path that ends at an archive names a file; with a "/" after it, the archive's root.
  EXPECT_TRUE(BindPath(path).IsError());
  auto first = BindPath(path + QLatin1Char('/'));
  ASSERT_FALSE(first.IsError()) << first.Error().Text().toStdString();
  EXPECT_EQ(ChildNames(*first.Value()), QStringList{QStringLiteral("one.txt")});
  ASSERT_TRUE(QFile::remove(path));
  ASSERT_TRUE(test::WriteArchive(path, ARCHIVE_FORMAT_TAR_USTAR, ARCHIVE_FILTER_NONE, {{"two.txt", "22"}}));
  auto second = BindPath(path + QLatin1Char('/'));
  ASSERT_FALSE(second.IsError());
  EXPECT_EQ(ChildNames(*second.Value()), QStringList{QStringLiteral("two.txt")});
}

// Zip names without the UTF-8 flag read as 866 until the user chooses another
// code page for the whole archive.
TEST(ArchiveFolder, NamesInAnOldCodePageAreReadAnewForTheWholeArchive) {
  RegisterArchiveFolders();
  TempTree tree;
  const QString path = tree.Path(QStringLiteral("old.zip"));
  const QByteArray report866("\x8e\xe2\xe7\xf1\xe2.txt");  // "Отчёт.txt" in 866
  const QByteArray folder866("\x8f\xa0\xaf\xaa\xa0");  // "Папка" in 866
  ASSERT_TRUE(test::WriteRawZip(
      path, {{report866, "r", false}, {"plain.txt", "p", false}, {folder866 + "/in.txt", "i", false}}));
  auto root = BindPath(path + QLatin1Char('/'));
  ASSERT_FALSE(root.IsError()) << root.Error().Text().toStdString();
  EXPECT_EQ(ChildNames(*root.Value()), QStringList({QStringLiteral("Отчёт.txt"), QStringLiteral("plain.txt"),
                                                    QStringLiteral("Папка")}));
  const ShellLocation location = root.Value()->Location();
  EXPECT_EQ(LegacyArchiveNames(location), (std::vector<QByteArray>{report866, folder866, "in.txt"}));
  // The path box shows such a folder by its decoded name, and that name typed back leads there.
  auto inside = BindPath(path + QStringLiteral("/Папка"));
  ASSERT_FALSE(inside.IsError()) << inside.Error().Text().toStdString();
  EXPECT_EQ(ChildNames(*inside.Value()), QStringList{QStringLiteral("in.txt")});

  ASSERT_FALSE(DecodeArchiveNames(location, Cp1251ToUnicode).IsError());
  EXPECT_EQ(ChildNames(*root.Value()), QStringList({DecodeSingleBytes(report866, Cp1251ToUnicode),
                                                    QStringLiteral("plain.txt"),
                                                    DecodeSingleBytes(folder866, Cp1251ToUnicode)}));
}

}  // namespace
}  // namespace zarn
