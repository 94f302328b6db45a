#include "platform/shellnamespace.h"

#include <gtest/gtest.h>

#include <QStringList>

#include <clocale>
#include <cstdlib>

#include "platform/filenames.h"
#include "temptree.h"

namespace zarn {
namespace {

using test::TempTree;

IdListPtr Parse(const QString& path) {
  auto parsed = SHGetDesktopFolder()->ParseDisplayName(path);
  EXPECT_FALSE(parsed.IsError()) << path.toStdString() << ": " << (parsed.IsError() ? parsed.Error().Text().toStdString() : "");
  return parsed.IsError() ? nullptr : parsed.TakeValue();
}

// The display names of a folder's children in sorted order.
QStringList SortedNames(ShellFolder& folder, int column = SortByName, std::uint32_t flags = SHCONTF_FOLDERS | SHCONTF_NONFOLDERS | SHCONTF_INCLUDEHIDDEN) {
  auto enumerator = folder.EnumObjects(flags);
  EXPECT_FALSE(enumerator.IsError());
  std::vector<IdListPtr> children;
  while (IdListPtr child = enumerator.Value()->Next()) children.push_back(std::move(child));
  std::vector<ConstItemIdList> ids;
  for (const auto& child : children) ids.push_back(child.get());
  SortKeys keys;
  folder.MakeSortKeys(column, ids, keys);
  QStringList names;
  for (auto position : keys.SortedOrder()) names << folder.GetDisplayNameOf(ids[position], SHGDN_NORMAL);
  return names;
}

std::unique_ptr<ShellFolder> Bind(const QString& path) {
  auto desktop = SHGetDesktopFolder();
  IdListPtr id = Parse(path);
  auto folder = desktop->BindToObject(id.get());
  EXPECT_FALSE(folder.IsError());
  return folder.IsError() ? nullptr : folder.TakeValue();
}

TEST(ShellNamespaceTest, RootParsesAsTheVolumeUnderTheComputer) {
  IdListPtr root = Parse(QStringLiteral("/"));
  ASSERT_TRUE(root);
  EXPECT_EQ(IdListItemCount(root.get()), 2);
  EXPECT_EQ(ShellParsingName(root.get()), QStringLiteral("/"));
  StripLastId(root.get());
  EXPECT_EQ(ShellParsingName(root.get()), ComputerParsingName);
  StripLastId(root.get());
  EXPECT_EQ(IdListItemCount(root.get()), 0);
}

TEST(ShellNamespaceTest, ComputerParsingNameParsesBack) {
  IdListPtr computer = Parse(ComputerParsingName);
  ASSERT_TRUE(computer);
  EXPECT_TRUE(IdListsEqual(computer.get(), ComputerIdList().get()));
  auto folder = SHGetDesktopFolder()->BindToObject(computer.get());
  ASSERT_FALSE(folder.IsError());
  EXPECT_TRUE(SortedNames(*folder.Value()).contains(QStringLiteral("/")));
}

TEST(ShellNamespaceTest, PathsParseComponentByComponentAndNormalize) {
  TempTree tree;
  tree.CreateDir("a/b");
  IdListPtr id = Parse(tree.Path(QStringLiteral("a/./b/../b/")));
  ASSERT_TRUE(id);
  EXPECT_EQ(ShellParsingName(id.get()), tree.Path(QStringLiteral("a/b")));
  EXPECT_EQ(ShellDisplayName(id.get()), QStringLiteral("b"));
  IdListPtr blanks = Parse(tree.Path(QStringLiteral("a/b  ")));
  ASSERT_TRUE(blanks);
  EXPECT_EQ(ShellParsingName(blanks.get()), tree.Path(QStringLiteral("a/b")));
}

TEST(ShellNamespaceTest, ParseFailuresCarryTheSystemMessage) {
  TempTree tree;
  tree.CreateFile("file", "x");
  auto desktop = SHGetDesktopFolder();
  auto missing = desktop->ParseDisplayName(tree.Path(QStringLiteral("missing/deeper")));
  ASSERT_TRUE(missing.IsError());
  EXPECT_EQ(missing.Error().Code(), ENOENT);
  EXPECT_TRUE(missing.Error().Text().contains(SystemMessage(ENOENT)));
  EXPECT_EQ(desktop->ParseDisplayName(tree.Path(QStringLiteral("file/below"))).Error().Code(), ENOTDIR);
  EXPECT_TRUE(desktop->ParseDisplayName(QStringLiteral("relative/path")).IsError());
  EXPECT_TRUE(desktop->ParseDisplayName(QString()).IsError());
}

TEST(ShellNamespaceTest, BindingAFileOrAVanishedFolderFails) {
  TempTree tree;
  tree.CreateFile("file", "x");
  tree.CreateDir("gone");
  auto desktop = SHGetDesktopFolder();
  IdListPtr file = Parse(tree.Path(QStringLiteral("file")));
  EXPECT_EQ(desktop->BindToObject(file.get()).Error().Code(), ENOTDIR);
  IdListPtr gone = Parse(tree.Path(QStringLiteral("gone")));
  ASSERT_EQ(::rmdir(tree.PathBytes("gone").constData()), 0);
  EXPECT_EQ(desktop->BindToObject(gone.get()).Error().Code(), ENOENT);
}

TEST(ShellNamespaceTest, ListsHostileNamesByTheirTrueBytes) {
  TempTree tree;
  tree.Hostile();
  auto folder = Bind(tree.Root());
  const QStringList names = SortedNames(*folder);
  EXPECT_TRUE(names.contains(FromNativeName(QByteArray("bad\xff\xfe name"))));
  EXPECT_TRUE(names.contains(QStringLiteral("new\nline")));
  EXPECT_TRUE(names.contains(QString(255, QLatin1Char('n'))));
  IdListPtr bad = Parse(tree.Path(FromNativeName(QByteArray("bad\xff\xfe name"))));
  ASSERT_TRUE(bad);
  EXPECT_EQ(ShellFileSystemPath(bad.get()), tree.PathBytes("bad\xff\xfe name"));
}

TEST(ShellNamespaceTest, FolderLinksAreFoldersAndDanglingLinksAreFiles) {
  TempTree tree;
  tree.CreateDir("real");
  tree.CreateSymlink("link", "real");
  tree.CreateSymlink("dangling", "nowhere");
  auto folder = Bind(tree.Root());
  EXPECT_EQ(SortedNames(*folder, SortByName, SHCONTF_FOLDERS | SHCONTF_INCLUDEHIDDEN),
            QStringList({QStringLiteral("link"), QStringLiteral("real")}));
  EXPECT_EQ(SortedNames(*folder, SortByName, SHCONTF_NONFOLDERS | SHCONTF_INCLUDEHIDDEN),
            QStringList({QStringLiteral("dangling")}));
  IdListPtr link = Parse(tree.Path(QStringLiteral("link")));
  EXPECT_FALSE(SHGetDesktopFolder()->BindToObject(link.get()).IsError());
}

TEST(ShellNamespaceTest, HiddenEntriesNeedTheFlag) {
  TempTree tree;
  tree.CreateFile(".hidden");
  tree.CreateFile("shown");
  auto folder = Bind(tree.Root());
  EXPECT_EQ(SortedNames(*folder, SortByName, SHCONTF_NONFOLDERS), QStringList({QStringLiteral("shown")}));
  EXPECT_EQ(SortedNames(*folder).size(), 2);
}

TEST(ShellNamespaceTest, NameOrderIsNaturalCaseInsensitiveFoldersFirst) {
  TempTree tree;
  for (const char* name : {"file10", "File2", "file1", "b", "A0", "A00", "a"}) tree.CreateFile(name);
  tree.CreateDir("zdir");
  tree.CreateDir("Adir");
  auto folder = Bind(tree.Root());
  EXPECT_EQ(SortedNames(*folder), QStringList({"Adir", "zdir", "a", "A0", "A00", "b", "file1", "File2", "file10"}));
}

TEST(ShellNamespaceTest, NaturalOrderHoldsInTheCLocale) {
  const std::string saved = std::setlocale(LC_COLLATE, nullptr);
  std::setlocale(LC_COLLATE, "C");
  TempTree tree;
  for (const char* name : {"x10", "x9", "x100"}) tree.CreateFile(name);
  auto folder = Bind(tree.Root());
  EXPECT_EQ(SortedNames(*folder), QStringList({"x9", "x10", "x100"}));
  std::setlocale(LC_COLLATE, saved.c_str());
}

TEST(ShellNamespaceTest, SizeAndDateColumnsSortWithNameTieBreak) {
  TempTree tree;
  tree.CreateFile("big", QByteArray(3000, 'x'), TempTree::FixedTime().addDays(-2));
  tree.CreateFile("small", "x", TempTree::FixedTime());
  tree.CreateFile("same-b", "xx", TempTree::FixedTime().addDays(-1));
  tree.CreateFile("same-a", "xx", TempTree::FixedTime().addDays(-1));
  tree.CreateDir("dir");
  auto folder = Bind(tree.Root());
  EXPECT_EQ(SortedNames(*folder, SortBySize), QStringList({"dir", "small", "same-a", "same-b", "big"}));
  EXPECT_EQ(SortedNames(*folder, SortByModified), QStringList({"dir", "big", "same-a", "same-b", "small"}));
  auto enumerator = folder->EnumObjects(SHCONTF_NONFOLDERS);
  IdListPtr first = enumerator.Value()->Next();
  IdListPtr second = enumerator.Value()->Next();
  const int order = folder->CompareIDs(SortByName, first.get(), second.get());
  EXPECT_EQ(order, -folder->CompareIDs(SortByName, second.get(), first.get()));
  EXPECT_NE(order, 0);
}

TEST(ShellNamespaceTest, FindDataGivesAttributesSizeAndTime) {
  TempTree tree;
  tree.CreateFile(".secret", QByteArray(1025, 'x'));
  tree.CreateFifo("pipe");
  tree.CreateDir("dir");
  auto folder = Bind(tree.Root());
  auto child = [&](const char* name) {
    auto enumerator = folder->EnumObjects(SHCONTF_FOLDERS | SHCONTF_NONFOLDERS | SHCONTF_INCLUDEHIDDEN);
    while (IdListPtr id = enumerator.Value()->Next()) {
      if (ChildNameBytes(id.get()) == name) return id;
    }
    return IdListPtr();
  };
  const FindData secret = folder->GetFindData(child(".secret").get());
  EXPECT_EQ(secret.SizeLow, 1025u);
  EXPECT_TRUE(secret.Attributes & FILE_ATTRIBUTE_HIDDEN);
  EXPECT_EQ(secret.LastWriteSeconds, TempTree::FixedTime().toSecsSinceEpoch());
  EXPECT_TRUE(folder->GetFindData(child("pipe").get()).Attributes & FILE_ATTRIBUTE_SYSTEM);
  EXPECT_TRUE(folder->GetFindData(child("dir").get()).Attributes & FILE_ATTRIBUTE_DIRECTORY);
  EXPECT_NE(folder->GetAttributesOf(child("dir").get(), SFGAO_FOLDER), 0u);
  EXPECT_EQ(folder->GetAttributesOf(child("pipe").get(), SFGAO_FOLDER), 0u);
}

TEST(ShellNamespaceTest, DesktopHoldsHomeAndComputer) {
  auto desktop = SHGetDesktopFolder();
  EXPECT_EQ(SortedNames(*desktop), QStringList({HomeDisplayName, ComputerDisplayName}));
}

TEST(ShellNamespaceTest, TypeNamesComeFromTheFileName) {
  TempTree tree;
  tree.CreateFile("notes.txt", "plain");
  tree.CreateDir("folder");
  IdListPtr text = Parse(tree.Path(QStringLiteral("notes.txt")));
  IdListPtr folder = Parse(tree.Path(QStringLiteral("folder")));
  EXPECT_FALSE(ShellTypeName(text.get()).isEmpty());
  EXPECT_NE(ShellTypeName(text.get()), ShellTypeName(folder.get()));
  EXPECT_NE(ShellIconIndex(text.get()), ShellIconIndex(folder.get()));
}

}  // namespace
}  // namespace zarn
