#include "platform/childorder.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include "platform/shellnamespace.h"
#include "temptree.h"

namespace zarn {
namespace {

using test::TempTree;

struct Listed {
  std::unique_ptr<ShellFolder> Folder;
  std::vector<IdListPtr> Children;
  std::vector<ConstItemIdList> Ids;
};

Listed List(const QString& path) {
  Listed listed;
  auto desktop = SHGetDesktopFolder();
  auto id = desktop->ParseDisplayName(path);
  EXPECT_FALSE(id.IsError());
  auto folder = desktop->BindToObject(id.Value().get());
  EXPECT_FALSE(folder.IsError());
  listed.Folder = folder.TakeValue();
  auto enumerator = listed.Folder->EnumObjects(SHCONTF_FOLDERS | SHCONTF_NONFOLDERS | SHCONTF_INCLUDEHIDDEN);
  while (IdListPtr child = enumerator.Value()->Next()) listed.Children.push_back(std::move(child));
  for (const IdListPtr& child : listed.Children) listed.Ids.push_back(child.get());
  return listed;
}

std::vector<std::uint32_t> OneSort(Listed& listed, int column) {
  SortKeys keys;
  listed.Folder->MakeSortKeys(column, listed.Ids, keys);
  return keys.SortedOrder();
}

// Enough names for the order to be made on two threads, mixing cases, numbers
// and folders so that both halves hold every kind.
TEST(ChildOrderTest, BigFolderSortsOnTwoThreadsExactlyAsOneSort) {
  TempTree tree;
  for (int i = 0; i < 24000; ++i) {
    const QByteArray name = (i % 3 == 0 ? "Item" : "item") + QByteArray::number((i * 7919) % 24000) +
                            (i % 5 == 0 ? "" : ".txt");
    if (i % 997 == 0) {
      tree.CreateDir(name + "-dir");
    } else {
      const int fd = ::open(tree.PathBytes(name).constData(), O_CREAT | O_WRONLY | O_CLOEXEC, 0644);
      ASSERT_GE(fd, 0);
      ::close(fd);
    }
  }
  Listed listed = List(tree.Root());
  ASSERT_EQ(listed.Ids.size(), 24000u);
  for (const int column : {SortByName, SortBySize}) {
    const std::vector<std::uint32_t> order = SortedChildOrder(*listed.Folder, column, listed.Ids);
    EXPECT_EQ(order, OneSort(listed, column)) << "column " << column;
  }
  const std::vector<std::uint32_t> order = SortedChildOrder(*listed.Folder, SortByName, listed.Ids);
  EXPECT_TRUE(listed.Folder->GetAttributesOf(listed.Ids[order.front()], SFGAO_FOLDER));
}

TEST(ChildOrderTest, SmallAndEmptyFoldersSort) {
  TempTree tree;
  tree.CreateFile("b10", "");
  tree.CreateFile("B2", "");
  tree.CreateDir("z");
  Listed listed = List(tree.Root());
  const std::vector<std::uint32_t> order = SortedChildOrder(*listed.Folder, SortByName, listed.Ids);
  ASSERT_EQ(order.size(), 3u);
  QStringList names;
  for (auto position : order) names << listed.Folder->GetDisplayNameOf(listed.Ids[position], SHGDN_NORMAL);
  EXPECT_EQ(names, QStringList({"z", "B2", "b10"}));
  EXPECT_TRUE(SortedChildOrder(*listed.Folder, SortByName, {}).empty());
}

}  // namespace
}  // namespace zarn
