#include "platform/fileop.h"

#include <gtest/gtest.h>

#include <QDir>

#include <set>

#include <fcntl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include "deeptree.h"
#include "fakefileopquestions.h"
#include "platform/fileop_remove.h"
#include "fileprobes.h"
#include "privatemounts.h"
#include "temptree.h"

namespace zarn {
namespace {

using test::MountPrivately;

using test::FakeFileOpQuestions;
using test::Exists;
using test::ReadAll;
using test::TempTree;

int RenameCrossingDevices(const char*, const char*, unsigned) {
  errno = EXDEV;
  return -1;
}

FileOpResult Move(const QStringList& sources, const QString& destination, FakeFileOpQuestions& questions,
                  RenameCall rename = {}, TFileOpObserver* observer = nullptr,
                  std::function<void(FileOperation&)> prepare = {}) {
  FileOpRequest request;
  request.Kind = FileOpKind::Move;
  request.Sources = sources;
  request.Destination = destination;
  FileOperation operation(request, questions, observer);
  if (rename) operation.SetRenameCall(rename);
  if (prepare) prepare(operation);
  return operation.Run();
}

void MakeTree(TempTree& tree, int files) {
  for (int i = 0; i < files; ++i)
    tree.CreateFile("src/d" + QByteArray::number(i % 5) + "/f" + QByteArray::number(i), "content " + QByteArray::number(i));
}

TEST(FileOpMove, WithinOneFileSystemIsOneRename) {
  TempTree tree;
  MakeTree(tree, 20);
  tree.CreateDir("dst");
  int renames = 0;
  FakeFileOpQuestions questions;
  const FileOpResult result = Move({tree.Path("src")}, tree.Path("dst"), questions, [&](const char* from, const char* to, unsigned flags) {
    ++renames;
    return ::renameat2(AT_FDCWD, from, AT_FDCWD, to, flags);
  });
  ASSERT_TRUE(result.Succeeded());
  EXPECT_EQ(renames, 1);
  EXPECT_FALSE(Exists(tree.PathBytes("src")));
  EXPECT_EQ(ReadAll(tree.PathBytes("dst/src/d3/f8")), "content 8");
}

TEST(FileOpMove, AcrossFileSystemsCopiesThenRemovesEachSource) {
  TempTree tree;
  MakeTree(tree, 20);
  tree.CreateSymlink("src/link", "d0");
  tree.SetMode("src/d1", 0700);
  tree.CreateDir("dst");
  FakeFileOpQuestions questions;
  const FileOpResult result = Move({tree.Path("src")}, tree.Path("dst"), questions, RenameCrossingDevices);
  ASSERT_TRUE(result.Succeeded()) << questions.Errors.join("\n").toStdString();
  EXPECT_FALSE(Exists(tree.PathBytes("src")));
  for (int i = 0; i < 20; ++i)
    EXPECT_EQ(ReadAll(tree.PathBytes("dst/src/d" + QByteArray::number(i % 5) + "/f" + QByteArray::number(i))),
              "content " + QByteArray::number(i));
  struct stat info;
  ASSERT_EQ(::lstat(tree.PathBytes("dst/src/link").constData(), &info), 0);
  EXPECT_TRUE(S_ISLNK(info.st_mode));
  ASSERT_EQ(::lstat(tree.PathBytes("dst/src/d1").constData(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0700u);
}

class CancelAfterObjects : public TFileOpObserver {
 public:
  void Progress(const FileOpProgress& progress) override {
    if (progress.ObjectsDone >= Limit && Operation) Operation->Cancel();
  }
  FileOperation* Operation = nullptr;
  qint64 Limit = 0;
};

TEST(FileOpMove, CancelInTheMiddleOfACrossDeviceMoveLosesNothing) {
  TempTree tree;
  MakeTree(tree, 60);
  tree.CreateDir("dst");
  FakeFileOpQuestions questions;
  CancelAfterObjects observer;
  observer.Limit = 25;
  const FileOpResult result = Move({tree.Path("src")}, tree.Path("dst"), questions, RenameCrossingDevices, &observer,
                                   [&](FileOperation& operation) { observer.Operation = &operation; });
  EXPECT_TRUE(result.Cancelled);
  int moved = 0;
  for (int i = 0; i < 60; ++i) {
    const QByteArray relative = "d" + QByteArray::number(i % 5) + "/f" + QByteArray::number(i);
    const QByteArray expected = "content " + QByteArray::number(i);
    const bool atSource = ReadAll(tree.PathBytes("src/" + relative)) == expected;
    const bool atTarget = ReadAll(tree.PathBytes("dst/src/" + relative)) == expected;
    EXPECT_TRUE(atSource != atTarget) << relative.constData();
    moved += atTarget;
  }
  EXPECT_GT(moved, 0);
  EXPECT_LT(moved, 60);
}

// A tmpfs mounted inside the test tree when permitted, else /dev/shm when it is
// another file system; empty when neither is available.
class OtherFileSystem {
 public:
  explicit OtherFileSystem(TempTree& tree) {
    const QByteArray mountPoint = tree.PathBytes("mnt");
    tree.CreateDir("mnt");
    if (MountPrivately() && ::mount("tmpfs", mountPoint.constData(), "tmpfs", 0, "size=16m") == 0) {
      MountPoint_ = mountPoint;
      Folder_ = mountPoint;
      return;
    }
    struct stat shm, here;
    if (::stat("/dev/shm", &shm) == 0 && ::stat(tree.RootBytes().constData(), &here) == 0 &&
        shm.st_dev != here.st_dev && ::access("/dev/shm", W_OK) == 0) {
      char name[] = "/dev/shm/zarn-move-XXXXXX";
      if (::mkdtemp(name)) Folder_ = name;
    }
  }
  ~OtherFileSystem() {
    if (!MountPoint_.isEmpty()) {
      ::umount2(MountPoint_.constData(), MNT_DETACH);
    } else if (!Folder_.isEmpty()) {
      (void)RemoveTree(Folder_);
    }
  }
  const QByteArray& Folder() const { return Folder_; }

 private:
  QByteArray MountPoint_;
  QByteArray Folder_;
};

TEST(FileOpMove, ToARealOtherFileSystem) {
  TempTree tree;
  MakeTree(tree, 10);
  OtherFileSystem other(tree);
  if (other.Folder().isEmpty()) GTEST_SKIP() << "no second file system is available";
  FakeFileOpQuestions questions;
  const FileOpResult result = Move({tree.Path("src")}, QString::fromUtf8(other.Folder()), questions);
  ASSERT_TRUE(result.Succeeded()) << questions.Errors.join("\n").toStdString();
  EXPECT_FALSE(Exists(tree.PathBytes("src")));
  EXPECT_EQ(ReadAll(other.Folder() + "/src/d2/f7"), "content 7");
}

TEST(FileOpMove, TreeDeeperThanPathMaxGoesWholeToATmpfs) {
  TempTree tree;
  tree.CreateDir("src");
  tree.CreateDir("expected");
  tree.CreateDir("mnt");
  const QByteArray mountPoint = tree.PathBytes("mnt");
  if (!MountPrivately() || ::mount("tmpfs", mountPoint.constData(), "tmpfs", 0, "size=16m") != 0)
    GTEST_SKIP() << "a tmpfs can be mounted only by root: the move across file systems is not tried";
  test::MakeDeepTree(tree.PathBytes("src"));
  test::MakeDeepTree(tree.PathBytes("expected"));
  FakeFileOpQuestions questions;
  const FileOpResult result = Move({tree.Path("src")}, tree.Path("mnt"), questions);
  const std::string difference = test::CompareTrees(tree.PathBytes("expected"), mountPoint + "/src");
  ::umount2(mountPoint.constData(), MNT_DETACH);
  EXPECT_TRUE(result.Succeeded()) << questions.Errors.join("\n").toStdString();
  EXPECT_EQ(difference, "");
  EXPECT_FALSE(Exists(tree.PathBytes("src")));
}

TEST(FileOpMove, FolderSwappedForALinkMidwayLeadsNowhereOutside) {
  TempTree tree;
  tree.CreateFile("src/a/file", "a");
  tree.CreateFile("src/b/x1", "b1");
  tree.CreateFile("src/b/x2", "b2");
  tree.CreateFile("outside/x1", "outside 1");
  tree.CreateFile("outside/x2", "outside 2");
  tree.CreateDir("dst");
  FakeFileOpQuestions questions;
  const QString swapAfter = tree.Path("src/a/file");
  const FileOpResult result = Move({tree.Path("src")}, tree.Path("dst"), questions, RenameCrossingDevices, nullptr,
                                   [&](FileOperation& operation) {
                                     operation.SetBetweenObjects([&](const QString& done) {
                                       if (done != swapAfter) return;
                                       ::rename(tree.PathBytes("src/b").constData(), tree.PathBytes("b-away").constData());
                                       tree.CreateSymlink("src/b", "../outside");
                                     });
                                   });
  EXPECT_FALSE(result.Succeeded());
  EXPECT_FALSE(questions.Errors.isEmpty());
  EXPECT_EQ(ReadAll(tree.PathBytes("outside/x1")), "outside 1");
  EXPECT_EQ(ReadAll(tree.PathBytes("outside/x2")), "outside 2");
  EXPECT_NE(ReadAll(tree.PathBytes("dst/src/b/x1")), "outside 1");
  EXPECT_NE(ReadAll(tree.PathBytes("dst/src/b/x2")), "outside 2");
  // What was in the folder is kept where it went.
  EXPECT_EQ(ReadAll(tree.PathBytes("b-away/x1")), "b1");
  EXPECT_EQ(ReadAll(tree.PathBytes("dst/src/a/file")), "a");
}

// The path a descriptor of this process stands for.
QByteArray PathOfDescriptor(int fd) {
  char path[4096];
  const ssize_t length = ::readlink(("/proc/self/fd/" + QByteArray::number(fd)).constData(), path, sizeof path);
  return length < 0 ? QByteArray() : QByteArray(path, length);
}

TEST(FileOpMove, SourcesGoOnlyAfterTheirCopiesWereFlushed) {
  TempTree tree;
  MakeTree(tree, 30);
  tree.CreateDir("dst");
  std::set<QByteArray> flushed;  // targets complete at a flush
  QStringList calls;
  int early = 0;
  FakeFileOpQuestions questions;
  const QByteArray sourceRoot = tree.PathBytes("src");
  const QByteArray targetRoot = tree.PathBytes("dst/src");
  const FileOpResult result = Move({tree.Path("src")}, tree.Path("dst"), questions, RenameCrossingDevices, nullptr,
                                   [&](FileOperation& operation) {
    operation.SetFlushCall([&](int fd) {
      calls << QStringLiteral("flush");
      for (int i = 0; i < 30; ++i) {
        const QByteArray relative = "/d" + QByteArray::number(i % 5) + "/f" + QByteArray::number(i);
        if (ReadAll(targetRoot + relative) == "content " + QByteArray::number(i)) flushed.insert(relative);
      }
      return ::syncfs(fd);
    });
    operation.SetUnlinkCall([&](int folder, const char* name, int flags) {
      const QByteArray relative = (PathOfDescriptor(folder) + '/' + name).mid(sourceRoot.size());
      calls << QStringLiteral("unlink");
      if (!(flags & AT_REMOVEDIR) && !flushed.count(relative)) ++early;
      return ::unlinkat(folder, name, flags);
    });
  });
  ASSERT_TRUE(result.Succeeded()) << questions.Errors.join("\n").toStdString();
  EXPECT_EQ(early, 0) << "a source went before its copy was on the device";
  ASSERT_FALSE(calls.isEmpty());
  EXPECT_EQ(calls.front(), QStringLiteral("flush"));
  EXPECT_EQ(calls.count(QStringLiteral("unlink")), 30 + 5 + 1);  // the files, their folders, the top
  EXPECT_FALSE(Exists(sourceRoot));
  EXPECT_EQ(ReadAll(targetRoot + "/d4/f29"), "content 29");
}

TEST(FileOpMove, FolderIntoItselfIsRefused) {
  TempTree tree;
  tree.CreateFile("a/b/c.txt", "x");
  FakeFileOpQuestions questions;
  EXPECT_FALSE(Move({tree.Path("a")}, tree.Path("a/b"), questions).Succeeded());
  EXPECT_EQ(ReadAll(tree.PathBytes("a/b/c.txt")), "x");
  ASSERT_EQ(questions.Errors.size(), 1);
  EXPECT_TRUE(questions.Errors[0].startsWith(QStringLiteral("Нельзя переместить папку в саму себя")));
}

TEST(FileOpMove, OntoAnExistingFileAsksAndReplaces) {
  TempTree tree;
  tree.CreateFile("a.txt", "new");
  tree.CreateFile("dst/a.txt", "old");
  FakeFileOpQuestions questions;
  questions.ReplaceAnswers = {ConflictAnswer::Skip};
  FileOpResult result = Move({tree.Path("a.txt")}, tree.Path("dst"), questions);
  EXPECT_EQ(result.SkippedByChoice, 1);
  EXPECT_EQ(ReadAll(tree.PathBytes("dst/a.txt")), "old");
  EXPECT_TRUE(Exists(tree.PathBytes("a.txt")));
  questions.ReplaceAnswers = {ConflictAnswer::Replace};
  result = Move({tree.Path("a.txt")}, tree.Path("dst"), questions);
  EXPECT_TRUE(result.Succeeded());
  EXPECT_EQ(ReadAll(tree.PathBytes("dst/a.txt")), "new");
  EXPECT_FALSE(Exists(tree.PathBytes("a.txt")));
}

TEST(FileOpMove, OntoAnExistingFolderMergesAfterAsking) {
  TempTree tree;
  tree.CreateFile("src/keep/one", "1");
  tree.CreateFile("src/clash", "new");
  tree.CreateFile("dst/src/clash", "old");
  tree.CreateFile("dst/src/theirs", "t");
  FakeFileOpQuestions questions;
  questions.ReplaceAnswers = {ConflictAnswer::Replace, ConflictAnswer::Skip};
  const FileOpResult result = Move({tree.Path("src")}, tree.Path("dst"), questions);
  EXPECT_TRUE(result.Succeeded());
  EXPECT_EQ(ReadAll(tree.PathBytes("dst/src/keep/one")), "1");
  EXPECT_EQ(ReadAll(tree.PathBytes("dst/src/clash")), "old");
  EXPECT_EQ(ReadAll(tree.PathBytes("dst/src/theirs")), "t");
  // The skipped file keeps its source folder.
  EXPECT_EQ(ReadAll(tree.PathBytes("src/clash")), "new");
  EXPECT_FALSE(Exists(tree.PathBytes("src/keep")));
}

TEST(FileOpMove, SingleObjectUnderANewName) {
  TempTree tree;
  tree.CreateFile("a.txt", "x");
  tree.CreateDir("dst");
  FakeFileOpQuestions questions;
  ASSERT_TRUE(Move({tree.Path("a.txt")}, tree.Path("dst/b.txt"), questions).Succeeded());
  EXPECT_EQ(ReadAll(tree.PathBytes("dst/b.txt")), "x");
  EXPECT_FALSE(Exists(tree.PathBytes("a.txt")));
}

TEST(FileOpMove, OntoItselfIsRefused) {
  TempTree tree;
  tree.CreateFile("a.txt", "x");
  FakeFileOpQuestions questions;
  EXPECT_FALSE(Move({tree.Path("a.txt")}, tree.Root(), questions).Succeeded());
  EXPECT_EQ(ReadAll(tree.PathBytes("a.txt")), "x");
}

}  // namespace
}  // namespace zarn
