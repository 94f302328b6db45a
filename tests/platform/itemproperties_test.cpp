#include "platform/itemproperties.h"

#include <gtest/gtest.h>

#include <QMimeDatabase>

#include <cerrno>

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/filenames.h"
#include "temptree.h"

namespace zarn {
namespace {

using test::TempTree;

mode_t ModeOf(const QByteArray& path) {
  struct stat info;
  return ::lstat(path.constData(), &info) == 0 ? info.st_mode & 07777 : 0;
}

QString UserName() {
  const passwd* entry = ::getpwuid(::geteuid());
  return entry ? QString::fromLocal8Bit(entry->pw_name) : QString::number(::geteuid());
}

TEST(ItemPropertiesTest, FileIsDescribedByNameFolderTypeSizeOwnerAndPermissions) {
  TempTree tree;
  tree.CreateFile("notes.txt", QByteArray(1234, 'x'));
  tree.SetMode("notes.txt", 0640);
  auto properties = ReadItemProperties(tree.Path(QStringLiteral("notes.txt")));
  ASSERT_FALSE(properties.IsError()) << properties.Error().Text().toStdString();
  const ItemProperties& item = properties.Value();
  EXPECT_EQ(item.Name, QStringLiteral("notes.txt"));
  EXPECT_EQ(item.Location, tree.Root());
  EXPECT_EQ(item.FileType, ItemFileType::File);
  EXPECT_EQ(item.TypeName, QMimeDatabase().mimeTypeForName(QStringLiteral("text/plain")).comment());
  EXPECT_EQ(item.Size, 1234);
  EXPECT_EQ(item.Modified, TempTree::FixedTime());
  EXPECT_EQ(item.Owner, UserName());
  EXPECT_FALSE(item.Group.isEmpty());
  EXPECT_EQ(item.Permissions, mode_t(0640));
  EXPECT_TRUE(item.PermissionsEditable);
}

TEST(ItemPropertiesTest, FoldersLinksAndTheRootAreToldApart) {
  TempTree tree;
  tree.CreateDir("folder");
  tree.CreateSymlink("link", "folder");
  auto folder = ReadItemProperties(tree.Path(QStringLiteral("folder/")));
  ASSERT_FALSE(folder.IsError());
  EXPECT_EQ(folder.Value().FileType, ItemFileType::Folder);
  EXPECT_EQ(folder.Value().Name, QStringLiteral("folder"));
  auto link = ReadItemProperties(tree.Path(QStringLiteral("link")));
  ASSERT_FALSE(link.IsError());
  EXPECT_EQ(link.Value().FileType, ItemFileType::Link);
  EXPECT_EQ(link.Value().LinkTarget, QStringLiteral("folder"));
  EXPECT_FALSE(link.Value().PermissionsEditable);
  auto root = ReadItemProperties(QStringLiteral("/"));
  ASSERT_FALSE(root.IsError());
  EXPECT_EQ(root.Value().Name, QStringLiteral("/"));
  EXPECT_TRUE(root.Value().Location.isEmpty());
  EXPECT_EQ(root.Value().Owner, QStringLiteral("root"));
  EXPECT_EQ(root.Value().PermissionsEditable, ::geteuid() == 0);
}

TEST(ItemPropertiesTest, NameThatIsNotUtf8KeepsItsBytes) {
  TempTree tree;
  tree.CreateFile("bad\xfe.bin", "x");
  auto properties = ReadItemProperties(FromNativeName(tree.PathBytes("bad\xfe.bin")));
  ASSERT_FALSE(properties.IsError());
  EXPECT_EQ(ToNativeName(properties.Value().Name), QByteArray("bad\xfe.bin"));
}

TEST(ItemPropertiesTest, VanishedItemGivesTheSystemsMessage) {
  TempTree tree;
  auto properties = ReadItemProperties(tree.Path(QStringLiteral("gone")));
  ASSERT_TRUE(properties.IsError());
  EXPECT_EQ(properties.Error().Code(), ENOENT);
  auto changed = SetPermissions(tree.Path(QStringLiteral("gone")), 0600);
  ASSERT_TRUE(changed.IsError());
  EXPECT_TRUE(changed.Error().Text().contains(SystemMessage(ENOENT)));
}

TEST(ItemPropertiesTest, SetPermissionsChangesOnlyThePermissionBits) {
  TempTree tree;
  tree.CreateFile("script", "#!/bin/sh\n");
  ASSERT_FALSE(SetPermissions(tree.Path(QStringLiteral("script")), S_IFREG | 0750).IsError());
  EXPECT_EQ(ModeOf(tree.PathBytes("script")), mode_t(0750));
  if (::geteuid() != 0) {
    auto refused = SetPermissions(QStringLiteral("/"), 0777);
    ASSERT_TRUE(refused.IsError());
    EXPECT_EQ(refused.Error().Code(), EPERM);
  }
}

TEST(ItemPropertiesTest, PermissionTextShowsSpecialBits) {
  EXPECT_EQ(PermissionsText(0640), QStringLiteral("rw-r-----"));
  EXPECT_EQ(PermissionsText(04755), QStringLiteral("rwsr-xr-x"));
  EXPECT_EQ(PermissionsText(02644), QStringLiteral("rw-r-Sr--"));
  EXPECT_EQ(PermissionsText(01777), QStringLiteral("rwxrwxrwt"));
  EXPECT_EQ(SizeText(1234567), QStringLiteral("1 234 567 байт"));
}

}  // namespace
}  // namespace zarn
