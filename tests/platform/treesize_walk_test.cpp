#include "platform/treesize.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <vector>

#include "platform/fileop_remove.h"
#include "privatemounts.h"
#include "temptree.h"
#include "unprivileged.h"

namespace zarn {
namespace {

using test::TempTree;

struct Reports {
  std::vector<std::int64_t> Totals;
  std::vector<bool> Finals;
  TreeSizeReport Callback() {
    return [this](std::int64_t bytes, bool final) {
      Totals.push_back(bytes);
      Finals.push_back(final);
    };
  }
};

TreeSizeResult Walk(const QByteArray& folder, Reports& reports, int threads = 2) {
  std::atomic<bool> stop{false};
  TreeSizeOptions options;
  options.Threads = threads;
  return WalkTreeSize(folder, stop, reports.Callback(), options);
}

TEST(TreeSizeWalk, CountsFilesInNestedFoldersAndEndsWithTheExactTotal) {
  TempTree tree;
  tree.CreateFile("a.bin", QByteArray(1000, 'a'));
  tree.CreateFile("sub/b.bin", QByteArray(2000, 'b'));
  tree.CreateFile("sub/deeper/c.bin", QByteArray(3000, 'c'));
  tree.CreateDir("empty");
  for (int threads : {1, 2, 4}) {
    Reports reports;
    const TreeSizeResult result = Walk(tree.RootBytes(), reports, threads);
    EXPECT_EQ(result.Bytes, 6000) << threads;
    EXPECT_EQ(result.Files, 3);
    EXPECT_EQ(result.Folders, 4);
    ASSERT_FALSE(reports.Totals.empty());
    EXPECT_EQ(reports.Totals.back(), 6000);
    EXPECT_TRUE(reports.Finals.back());
    EXPECT_EQ(std::count(reports.Finals.begin(), reports.Finals.end(), true), 1);
  }
}

TEST(TreeSizeWalk, LinksAreCountedAsLinksAndFolderLinksAreNotEntered) {
  TempTree tree;
  tree.CreateFile("outside/big.bin", QByteArray(50000, 'x'));
  tree.CreateFile("walked/file.bin", QByteArray(10, 'x'));
  tree.CreateSymlink("walked/to-outside", "../outside");  // 10 bytes of link text
  tree.CreateSymlink("walked/to-root", "..");            // 2 bytes, a loop if followed
  Reports reports;
  const TreeSizeResult result = Walk(tree.PathBytes("walked"), reports);
  EXPECT_EQ(result.Bytes, 10 + 10 + 2);
  EXPECT_EQ(result.Folders, 1);
}

TEST(TreeSizeWalk, HostileTreeIsWalkedWithoutFollowingOrOpeningSpecialFiles) {
  TempTree tree;
  tree.Hostile();
  Reports reports;
  const TreeSizeResult result = Walk(tree.RootBytes(), reports);
  EXPECT_GT(result.Files, 5);
  EXPECT_EQ(reports.Totals.back(), result.Bytes);
  // QTemporaryDir cannot remove names that are not UTF-8.
  ::unlink(tree.PathBytes("bad\xff\xfe name").constData());
}

TEST(TreeSizeWalk, UnreadableSubfolderCountsAsFarAsReadable) {
  test::AsUnprivilegedUser([] {
    TempTree tree;
    tree.CreateFile("open/a.bin", QByteArray(100, 'a'));
    tree.CreateFile("closed/b.bin", QByteArray(100, 'b'));
    tree.SetMode("closed", 0);
    Reports reports;
    const TreeSizeResult result = Walk(tree.RootBytes(), reports);
    EXPECT_EQ(result.Bytes, 100);
    EXPECT_EQ(result.Unreadable, 1);
  });
}

TEST(TreeSizeWalk, MissingRootGivesOneFinalReportOfZero) {
  TempTree tree;
  Reports reports;
  const TreeSizeResult result = Walk(tree.PathBytes("vanished"), reports);
  EXPECT_TRUE(result.RootMissing);
  ASSERT_EQ(reports.Totals.size(), 1u);
  EXPECT_EQ(reports.Totals[0], 0);
  EXPECT_TRUE(reports.Finals[0]);
}

TEST(TreeSizeWalk, StopRaisedBeforehandEndsAtOnceWithAFinalReport) {
  TempTree tree;
  for (int i = 0; i < 50; ++i) tree.CreateFile("d" + QByteArray::number(i) + "/f", "x");
  std::atomic<bool> stop{true};
  Reports reports;
  const TreeSizeResult result = WalkTreeSize(tree.RootBytes(), stop, reports.Callback());
  EXPECT_TRUE(result.Stopped);
  EXPECT_LT(result.Files, 50);
  ASSERT_FALSE(reports.Finals.empty());
  EXPECT_TRUE(reports.Finals.back());
}

TEST(TreeSizeWalk, SizesAreAddedAsSixtyFourBitValues) {
  TempTree tree;
  tree.CreateFile("huge.bin");
  const std::int64_t fiveGiB = 5LL * 1024 * 1024 * 1024;
  ASSERT_EQ(::truncate(tree.PathBytes("huge.bin").constData(), fiveGiB), 0);  // sparse
  Reports reports;
  EXPECT_EQ(Walk(tree.RootBytes(), reports).Bytes, fiveGiB + 0);
  EXPECT_EQ(reports.Totals.back() / 1024, 5242880);
}

TEST(TreeSizeWalk, TreeDeeperThanPathMaxIsWalkedToTheBottom) {
  TempTree tree;
  int fd = ::open(tree.RootBytes().constData(), O_RDONLY | O_DIRECTORY);
  const std::string name(200, 'd');
  for (int level = 0; level < 40; ++level) {  // about 8000 bytes of path
    ASSERT_EQ(::mkdirat(fd, name.c_str(), 0755), 0);
    const int next = ::openat(fd, name.c_str(), O_RDONLY | O_DIRECTORY);
    ::close(fd);
    fd = next;
  }
  const int file = ::openat(fd, "bottom", O_WRONLY | O_CREAT, 0644);
  ASSERT_EQ(::write(file, "12345", 5), 5);
  ::close(file);
  ::close(fd);
  Reports reports;
  EXPECT_EQ(Walk(tree.RootBytes(), reports).Bytes, 5);
  // QTemporaryDir cannot remove a tree this deep.
  EXPECT_TRUE(RemoveTree(tree.PathBytes(QByteArray::fromStdString(name))));
}

TEST(TreeSizeWalk, BindMountLoopEnds) {
  TempTree tree;
  tree.CreateFile("a/file", QByteArray(7, 'x'));
  tree.CreateDir("a/loop");
  const QByteArray loop = tree.PathBytes("a/loop");
  if (!test::MountPrivately() || ::mount(tree.PathBytes("a").constData(), loop.constData(), nullptr, MS_BIND, nullptr) != 0)
    GTEST_SKIP() << "bind mounts are not permitted here";
  Reports reports;
  const TreeSizeResult result = Walk(tree.PathBytes("a"), reports);
  ::umount2(loop.constData(), MNT_DETACH);
  EXPECT_EQ(result.Bytes, 7);
}

}  // namespace
}  // namespace zarn
