#include "platform/fileop.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "fakefileopquestions.h"
#include "platform/fileop_remove.h"
#include "fileprobes.h"
#include "privatemounts.h"
#include "temptree.h"

namespace zarn {
namespace {

using test::FakeFileOpQuestions;
using test::Exists;
using test::ReadAll;
using test::TempTree;

TEST(FileOpDelete, RemovesAHostileTreeWithoutFollowingLinksOut) {
  TempTree tree;
  tree.CreateFile("outside/precious", "keep");
  tree.CreateDir("victim");
  tree.CreateSymlink("victim/to-outside", "../outside");
  tree.CreateSymlink("victim/to-file", "../outside/precious");
  tree.CreateFile("victim/sub/\xff name\n", "x");
  tree.CreateFifo("victim/sub/pipe");
  ASSERT_TRUE(RemoveTree(tree.PathBytes("victim")));
  EXPECT_FALSE(Exists(tree.PathBytes("victim")));
  EXPECT_TRUE(Exists(tree.PathBytes("outside/precious")));
}

TEST(FileOpDelete, RemovesTreesDeeperThanPathMax) {
  TempTree tree;
  tree.CreateDir("deep");
  int fd = ::open(tree.PathBytes("deep").constData(), O_RDONLY | O_DIRECTORY);
  const std::string name(250, 'd');
  for (int level = 0; level < 30; ++level) {  // about 7500 bytes below "deep"
    ASSERT_EQ(::mkdirat(fd, name.c_str(), 0755), 0);
    ::close(::openat(fd, "file", O_WRONLY | O_CREAT, 0644));
    const int next = ::openat(fd, name.c_str(), O_RDONLY | O_DIRECTORY);
    ::close(fd);
    fd = next;
  }
  ::close(fd);
  ASSERT_TRUE(RemoveTree(tree.PathBytes("deep")));
  EXPECT_FALSE(Exists(tree.PathBytes("deep")));
}

TEST(FileOpDelete, LeavesAFileSystemMountedInsideAlone) {
  TempTree tree;
  tree.CreateFile("victim/a", "a");
  tree.CreateDir("victim/mounted");
  const QByteArray mountPoint = tree.PathBytes("victim/mounted");
  if (!test::MountPrivately() || ::mount("tmpfs", mountPoint.constData(), "tmpfs", 0, "size=1m") != 0)
    GTEST_SKIP() << "mounts are not permitted here";
  const QByteArray kept = mountPoint + "/kept";
  ::close(::open(kept.constData(), O_WRONLY | O_CREAT, 0644));
  ErrorOrDone removed = RemoveTree(tree.PathBytes("victim"));
  const bool keptThere = Exists(kept);
  ::umount2(mountPoint.constData(), MNT_DETACH);
  ASSERT_FALSE(removed);
  EXPECT_EQ(removed.Error().Code(), EXDEV);
  EXPECT_TRUE(keptThere);
  EXPECT_FALSE(Exists(tree.PathBytes("victim/a")));
}

TEST(FileOpDelete, CancelStopsTheWalk) {
  TempTree tree;
  for (int i = 0; i < 20; ++i) tree.CreateFile("victim/d" + QByteArray::number(i) + "/f", "x");
  std::atomic<bool> cancel{true};
  ErrorOrDone removed = RemoveTree(tree.PathBytes("victim"), &cancel);
  ASSERT_FALSE(removed);
  EXPECT_EQ(removed.Error().Code(), ECANCELED);
  EXPECT_TRUE(Exists(tree.PathBytes("victim")));
}

TEST(FileOpDelete, ForGoodRemovesEverySourceAndReportsAMissingOne) {
  TempTree tree;
  tree.CreateFile("a.txt", "a");
  tree.CreateFile("folder/b.txt", "b");
  FileOpRequest request;
  request.Kind = FileOpKind::Delete;
  request.Delete = DeleteMode::ForGood;
  request.Sources = {tree.Path("a.txt"), tree.Path("missing"), tree.Path("folder")};
  FakeFileOpQuestions questions;
  FileOperation operation(request, questions);
  const FileOpResult result = operation.Run();
  EXPECT_FALSE(result.Succeeded());
  ASSERT_EQ(questions.Errors.size(), 1);
  EXPECT_TRUE(questions.Errors[0].contains(QStringLiteral("missing")));
  EXPECT_FALSE(Exists(tree.PathBytes("a.txt")));
  EXPECT_FALSE(Exists(tree.PathBytes("folder")));
}

TEST(FileOpDelete, ALinkToAFolderIsRemovedAsALink) {
  TempTree tree;
  tree.CreateFile("target/kept", "k");
  tree.CreateSymlink("link", "target");
  ASSERT_TRUE(RemoveTree(tree.PathBytes("link")));
  EXPECT_FALSE(Exists(tree.PathBytes("link")));
  EXPECT_TRUE(Exists(tree.PathBytes("target/kept")));
}

}  // namespace
}  // namespace zarn
