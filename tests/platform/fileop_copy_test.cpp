#include "platform/fileop.h"

#include <gtest/gtest.h>

#include <QDir>

#include <fcntl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include "deeptree.h"
#include "fakefileopquestions.h"
#include "platform/filenames.h"
#include "platform/fileop_remove.h"
#include "fileprobes.h"
#include "privatemounts.h"
#include "temptree.h"
#include "unprivileged.h"

namespace zarn {
namespace {

using test::FakeFileOpQuestions;
using test::Exists;
using test::ReadAll;
using test::TempTree;

struct stat Lstat(const QByteArray& path) {
  struct stat info {};
  ::lstat(path.constData(), &info);
  return info;
}

class RecordingObserver : public TFileOpObserver {
 public:
  void Progress(const FileOpProgress& progress) override {
    Last = progress;
    if (progress.Phase == FileOpPhase::Flushing) SawFlush = true;
  }
  FileOpProgress Last;
  bool SawFlush = false;
};

FileOpResult Copy(const QStringList& sources, const QString& destination, FakeFileOpQuestions& questions,
                  CollisionMode collision = CollisionMode::Ask, TFileOpObserver* observer = nullptr) {
  FileOpRequest request;
  request.Kind = FileOpKind::Copy;
  request.Sources = sources;
  request.Destination = destination;
  request.Collision = collision;
  FileOperation operation(request, questions, observer);
  return operation.Run();
}

TEST(FileOpCopy, TreeKeepsContentsModesTimesAndLinksAsLinks) {
  TempTree tree;
  tree.CreateFile("src/top.txt", "top");
  tree.CreateFile("src/sub/inner.bin", QByteArray("a\0b", 3));
  tree.CreateSymlink("src/link-out", "/etc/passwd");
  tree.CreateSymlink("src/link-sub", "sub");
  tree.CreateFifo("src/pipe");
  tree.SetMode("src/sub/inner.bin", 0640);
  tree.SetMode("src/sub", 0750);
  tree.CreateDir("dst");
  FakeFileOpQuestions questions;
  RecordingObserver observer;
  const FileOpResult result =
      Copy({tree.Path("src")}, tree.Path("dst/"), questions, CollisionMode::Ask, &observer);
  ASSERT_TRUE(result.Succeeded()) << questions.Errors.join("\n").toStdString();
  EXPECT_EQ(ReadAll(tree.PathBytes("dst/src/top.txt")), "top");
  EXPECT_EQ(ReadAll(tree.PathBytes("dst/src/sub/inner.bin")), QByteArray("a\0b", 3));
  EXPECT_EQ(Lstat(tree.PathBytes("dst/src/sub/inner.bin")).st_mode & 07777, 0640u);
  EXPECT_EQ(Lstat(tree.PathBytes("dst/src/sub")).st_mode & 07777, 0750u);
  EXPECT_EQ(Lstat(tree.PathBytes("dst/src/top.txt")).st_mtim.tv_sec, TempTree::FixedTime().toSecsSinceEpoch());
  EXPECT_TRUE(S_ISLNK(Lstat(tree.PathBytes("dst/src/link-out")).st_mode));
  EXPECT_TRUE(S_ISLNK(Lstat(tree.PathBytes("dst/src/link-sub")).st_mode));
  EXPECT_TRUE(S_ISFIFO(Lstat(tree.PathBytes("dst/src/pipe")).st_mode));
  EXPECT_TRUE(observer.SawFlush);
  EXPECT_EQ(observer.Last.Phase, FileOpPhase::Finished);
  EXPECT_EQ(observer.Last.BytesDone, 6);
  EXPECT_EQ(observer.Last.ObjectsDone, observer.Last.ObjectsTotal);
  EXPECT_TRUE(questions.ReplaceQuestions.isEmpty());
}

TEST(FileOpCopy, HostileNamesAreCopiedByTheirBytes) {
  TempTree tree;
  tree.CreateFile("src/bad-\xff\xfe.txt", "latin");
  tree.CreateFile("src/new\nline", "nl");
  tree.CreateDir("dst");
  FakeFileOpQuestions questions;
  const QString source = FromNativeName(tree.PathBytes("src"));
  ASSERT_TRUE(Copy({source}, tree.Path("dst"), questions).Succeeded());
  EXPECT_EQ(ReadAll(tree.PathBytes("dst/src/bad-\xff\xfe.txt")), "latin");
  EXPECT_EQ(ReadAll(tree.PathBytes("dst/src/new\nline")), "nl");
  // QTemporaryDir cannot remove names that are not UTF-8.
  EXPECT_TRUE(RemoveTree(tree.PathBytes("src")));
  EXPECT_TRUE(RemoveTree(tree.PathBytes("dst")));
}

TEST(FileOpCopy, SingleSourceOntoANewNameCopiesToThatName) {
  TempTree tree;
  tree.CreateFile("a.txt", "data");
  tree.CreateDir("dst");
  FakeFileOpQuestions questions;
  ASSERT_TRUE(Copy({tree.Path("a.txt")}, tree.Path("dst/b.txt"), questions).Succeeded());
  EXPECT_EQ(ReadAll(tree.PathBytes("dst/b.txt")), "data");
  EXPECT_FALSE(Exists(tree.PathBytes("dst/a.txt")));
}

TEST(FileOpCopy, MissingOrUnusableDestinationIsRefusedBeforeAnyWrite) {
  TempTree tree;
  tree.CreateFile("a.txt", "1");
  tree.CreateFile("b.txt", "2");
  tree.CreateFile("plain", "3");
  FakeFileOpQuestions questions;
  // A folder path that vanished (trailing slash) must not become a file name.
  EXPECT_FALSE(Copy({tree.Path("a.txt")}, tree.Path("gone/"), questions).Succeeded());
  EXPECT_FALSE(Exists(tree.PathBytes("gone")));
  // Several sources need an existing folder.
  EXPECT_FALSE(Copy({tree.Path("a.txt"), tree.Path("b.txt")}, tree.Path("gone"), questions).Succeeded());
  EXPECT_FALSE(Copy({tree.Path("a.txt"), tree.Path("b.txt")}, tree.Path("plain"), questions).Succeeded());
  EXPECT_EQ(ReadAll(tree.PathBytes("plain")), "3");
  // No destination at all.
  EXPECT_FALSE(Copy({tree.Path("a.txt")}, QString(), questions).Succeeded());
  EXPECT_EQ(questions.Errors.size(), 4);
}

TEST(FileOpCopy, ReadOnlyDestinationIsRefused) {
  TempTree tree;
  tree.CreateFile("a.txt", "1");
  tree.CreateDir("locked");
  const QByteArray locked = tree.PathBytes("locked");
  int expected = EACCES;
  if (test::RunningAsRoot()) {
    // Root ignores modes: a read-only bind mount stands in for the read-only folder.
    if (!test::MountPrivately() || ::mount(locked.constData(), locked.constData(), nullptr, MS_BIND, nullptr) != 0 ||
        ::mount(nullptr, locked.constData(), nullptr, MS_BIND | MS_REMOUNT | MS_RDONLY, nullptr) != 0)
      GTEST_SKIP() << "no read-only folder can be made here";
    expected = EROFS;
  } else {
    tree.SetMode("locked", 0555);
  }
  FakeFileOpQuestions questions;
  const bool copied = Copy({tree.Path("a.txt")}, tree.Path("locked"), questions).Succeeded();
  if (test::RunningAsRoot()) ::umount2(locked.constData(), MNT_DETACH);
  EXPECT_FALSE(copied);
  ASSERT_FALSE(questions.ErrorCodes.empty());
  EXPECT_EQ(questions.ErrorCodes.front(), expected);
}

TEST(FileOpCopy, CopyOntoItselfGetsAFreeNameAndAHardLinkIsRefused) {
  TempTree tree;
  tree.CreateFile("a.txt", "data");
  tree.CreateFile("a (2).txt", "taken");
  tree.CreateDir("folder.d/inner");
  FakeFileOpQuestions questions;
  ASSERT_TRUE(Copy({tree.Path("a.txt"), tree.Path("folder.d")}, tree.Root(), questions).Succeeded());
  EXPECT_EQ(ReadAll(tree.PathBytes("a (3).txt")), "data");
  EXPECT_EQ(ReadAll(tree.PathBytes("a (2).txt")), "taken");
  EXPECT_TRUE(Exists(tree.PathBytes("folder.d (2)/inner")));

  ASSERT_EQ(::link(tree.PathBytes("a.txt").constData(), tree.PathBytes("hard.txt").constData()), 0);
  EXPECT_FALSE(Copy({tree.Path("a.txt")}, tree.Path("hard.txt"), questions).Succeeded());
  EXPECT_EQ(ReadAll(tree.PathBytes("hard.txt")), "data");
}

TEST(FileOpCopy, FolderIntoItselfIsRefusedWithAClearMessage) {
  TempTree tree;
  tree.CreateFile("a/b/c.txt", "x");
  tree.CreateSymlink("via-link", "a/b");
  FakeFileOpQuestions questions;
  EXPECT_FALSE(Copy({tree.Path("a")}, tree.Path("a/b"), questions).Succeeded());
  EXPECT_FALSE(Copy({tree.Path("a")}, tree.Path("via-link"), questions).Succeeded());
  EXPECT_FALSE(Exists(tree.PathBytes("a/b/a")));
  ASSERT_EQ(questions.Errors.size(), 2);
  EXPECT_TRUE(questions.Errors[0].startsWith(QStringLiteral("Нельзя скопировать папку в саму себя")));
}

TEST(FileOpCopy, ConflictsAskReplaceSkipAndTheirAllForms) {
  TempTree tree;
  for (const char* name : {"1", "2", "3", "4"}) {
    tree.CreateFile(QByteArray("src/") + name, QByteArray("new") + name);
    tree.CreateFile(QByteArray("dst/src/") + name, "old");
  }
  FakeFileOpQuestions questions;
  // The merge of the folder is asked first, then three files; the fourth follows "replace all".
  questions.ReplaceAnswers = {ConflictAnswer::Replace, ConflictAnswer::Skip, ConflictAnswer::Replace,
                              ConflictAnswer::ReplaceAll};
  const FileOpResult result = Copy({tree.Path("src")}, tree.Path("dst"), questions);
  EXPECT_TRUE(result.Succeeded());
  EXPECT_EQ(questions.ReplaceQuestions.size(), 4);
  EXPECT_TRUE(questions.ReplaceQuestions[0].endsWith(QStringLiteral("dst/src")));
  int replaced = 0;
  for (const char* name : {"1", "2", "3", "4"})
    replaced += ReadAll(tree.PathBytes("dst/src/") + name) != "old";
  EXPECT_EQ(replaced, 3);
  EXPECT_EQ(result.SkippedByChoice, 1);
}

TEST(FileOpCopy, SkipAllKeepsEveryExistingFileAndCancelStopsAtOnce) {
  TempTree tree;
  tree.CreateFile("src/1", "new");
  tree.CreateFile("src/2", "new");
  tree.CreateFile("src/3", "new");
  tree.CreateFile("dst/1", "old");
  tree.CreateFile("dst/2", "old");
  tree.CreateFile("dst/3", "old");
  const QStringList sources = {tree.Path("src/1"), tree.Path("src/2"), tree.Path("src/3")};
  FakeFileOpQuestions questions;
  questions.ReplaceAnswers = {ConflictAnswer::SkipAll};
  FileOpResult result = Copy(sources, tree.Path("dst"), questions);
  EXPECT_TRUE(result.Succeeded());
  EXPECT_EQ(result.SkippedByChoice, 3);
  EXPECT_EQ(questions.ReplaceQuestions.size(), 1);

  FakeFileOpQuestions cancelling;
  cancelling.ReplaceAnswers = {ConflictAnswer::Replace, ConflictAnswer::Cancel};
  result = Copy(sources, tree.Path("dst"), cancelling);
  EXPECT_TRUE(result.Cancelled);
  EXPECT_FALSE(result.Succeeded());
  EXPECT_EQ(ReadAll(tree.PathBytes("dst/1")), "new");
  EXPECT_EQ(ReadAll(tree.PathBytes("dst/2")), "old");
  EXPECT_EQ(ReadAll(tree.PathBytes("dst/3")), "old");
  EXPECT_EQ(cancelling.ReplaceQuestions.size(), 2);
}

TEST(FileOpCopy, RenameOnCollisionPicksANumberedName) {
  TempTree tree;
  tree.CreateFile("src/report.txt", "new");
  tree.CreateFile("dst/report.txt", "old");
  FakeFileOpQuestions questions;
  ASSERT_TRUE(Copy({tree.Path("src/report.txt")}, tree.Path("dst"), questions, CollisionMode::RenameNew).Succeeded());
  EXPECT_EQ(ReadAll(tree.PathBytes("dst/report.txt")), "old");
  EXPECT_EQ(ReadAll(tree.PathBytes("dst/report (2).txt")), "new");
  EXPECT_TRUE(questions.ReplaceQuestions.isEmpty());
}

TEST(FileOpCopy, ProcFilesAreReadToTheirEnd) {
  TempTree tree;
  FakeFileOpQuestions questions;
  ASSERT_TRUE(Copy({"/proc/self/status"}, tree.Path("status"), questions).Succeeded());
  EXPECT_TRUE(ReadAll(tree.PathBytes("status")).contains("Name:"));
}

TEST(FileOpCopy, UnreadableFileIsSkippedAndTheOthersAreDone) {
  test::AsUnprivilegedUser([] {
    TempTree tree;
    tree.CreateFile("src/a", "a");
    tree.CreateFile("src/secret", "s");
    tree.CreateFile("src/z", "z");
    tree.SetMode("src/secret", 0);
    FakeFileOpQuestions questions;
    const FileOpResult result = Copy({tree.Path("src")}, tree.Path("dst"), questions);
    EXPECT_FALSE(result.Succeeded());
    EXPECT_EQ(result.Failures.size(), 1);
    EXPECT_EQ(ReadAll(tree.PathBytes("dst/a")), "a");
    EXPECT_EQ(ReadAll(tree.PathBytes("dst/z")), "z");
    EXPECT_FALSE(Exists(tree.PathBytes("dst/secret")));
  });
}

TEST(FileOpCopy, TreeDeeperThanPathMaxIsCopiedWhole) {
  TempTree tree;
  tree.CreateDir("src");
  tree.CreateDir("dst");
  test::MakeDeepTree(tree.PathBytes("src"));
  FakeFileOpQuestions questions;
  const FileOpResult result = Copy({tree.Path("src")}, tree.Path("dst"), questions);
  EXPECT_TRUE(result.Succeeded()) << questions.Errors.join("\n").toStdString();
  EXPECT_TRUE(questions.Errors.isEmpty());
  EXPECT_EQ(test::CompareTrees(tree.PathBytes("src"), tree.PathBytes("dst/src")), "");
}

TEST(FileOpCopy, RetryAfterAnErrorTriesTheObjectAgain) {
  TempTree tree;
  tree.CreateFile("a.txt", "x");
  FakeFileOpQuestions questions;
  questions.ErrorAnswers = {ErrorAnswer::Retry, ErrorAnswer::Cancel};
  const FileOpResult result = Copy({tree.Path("missing.txt")}, tree.Root(), questions);
  EXPECT_TRUE(result.Cancelled);
  EXPECT_EQ(questions.Errors.size(), 2);
  EXPECT_TRUE(questions.Errors[0].contains(QStringLiteral("missing.txt")));
}

TEST(FileOpCopy, PathsOverTheSystemLimitAreRefusedNotTruncated) {
  TempTree tree;
  tree.CreateFile("a.txt", "x");
  FakeFileOpQuestions questions;
  const QString longName(300, QLatin1Char('n'));
  EXPECT_FALSE(Copy({tree.Path("a.txt")}, tree.Path(longName), questions).Succeeded());
  ASSERT_EQ(questions.ErrorCodes.size(), 1u);
  EXPECT_EQ(questions.ErrorCodes.front(), ENAMETOOLONG);
}

// The observer cancels once the first chunk of a large file is through.
class CancellingObserver : public TFileOpObserver {
 public:
  void Progress(const FileOpProgress& progress) override {
    if (progress.BytesDone > 0 && Operation) Operation->Cancel();
  }
  FileOperation* Operation = nullptr;
};

TEST(FileOpCopy, CancelDuringAReplaceLeavesTheOldFileAndNoPartialFile) {
  TempTree tree;
  tree.CreateFile("big.bin");
  ASSERT_EQ(::truncate(tree.PathBytes("big.bin").constData(), 64 << 20), 0);
  tree.CreateFile("dst/big.bin", "old");
  FakeFileOpQuestions questions;
  questions.ReplaceAnswers = {ConflictAnswer::Replace};
  FileOpRequest request;
  request.Sources = {tree.Path("big.bin")};
  request.Destination = tree.Path("dst");
  CancellingObserver observer;
  FileOperation operation(request, questions, &observer);
  observer.Operation = &operation;
  const FileOpResult result = operation.Run();
  EXPECT_TRUE(result.Cancelled);
  EXPECT_EQ(ReadAll(tree.PathBytes("dst/big.bin")), "old");
  QStringList left = QDir(tree.Path("dst")).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
  EXPECT_EQ(left, QStringList{"big.bin"});
}

// Appends to the source once the first chunk of it has been copied.
class GrowingSource : public TFileOpObserver {
 public:
  void Progress(const FileOpProgress& progress) override {
    if (progress.BytesDone == 0 || Grown) return;
    Grown = true;
    const int fd = ::open(Path.constData(), O_WRONLY | O_APPEND);
    if (::write(fd, "more", 4) != 4) ADD_FAILURE() << "cannot append";
    ::close(fd);
  }
  QByteArray Path;
  bool Grown = false;
};

TEST(FileOpCopy, SourceChangedDuringTheCopyIsReportedAndItsCopyRemoved) {
  TempTree tree;
  tree.CreateFile("growing.bin");
  ASSERT_EQ(::truncate(tree.PathBytes("growing.bin").constData(), 64 << 20), 0);
  tree.CreateDir("dst");
  FakeFileOpQuestions questions;
  GrowingSource observer;
  observer.Path = tree.PathBytes("growing.bin");
  const FileOpResult result = Copy({tree.Path("growing.bin")}, tree.Path("dst"), questions, CollisionMode::Ask, &observer);
  EXPECT_FALSE(result.Succeeded());
  ASSERT_EQ(questions.Errors.size(), 1);
  EXPECT_TRUE(questions.Errors[0].contains(QStringLiteral("изменился")));
  EXPECT_TRUE(QDir(tree.Path("dst")).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot));
}

TEST(FileOpCopy, FullDiskGivesAClearErrorAndLeavesNoHalfFile) {
  TempTree tree;
  tree.CreateDir("small");
  const QByteArray mountPoint = tree.PathBytes("small");
  if (!test::MountPrivately() || ::mount("tmpfs", mountPoint.constData(), "tmpfs", 0, "size=1m") != 0)
    GTEST_SKIP() << "mounts are not permitted here";
  tree.CreateFile("big.bin", QByteArray(3 << 20, 'x'));
  tree.CreateFile("small/kept.bin", "old");
  FakeFileOpQuestions questions;
  questions.ReplaceAnswers = {ConflictAnswer::Replace};
  const FileOpResult result = Copy({tree.Path("big.bin")}, tree.Path("small/kept.bin"), questions);
  const QStringList left = QDir(tree.Path("small")).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
  const QByteArray kept = ReadAll(tree.PathBytes("small/kept.bin"));
  ::umount2(mountPoint.constData(), MNT_DETACH);
  EXPECT_FALSE(result.Succeeded());
  ASSERT_EQ(questions.ErrorCodes.size(), 1u);
  EXPECT_EQ(questions.ErrorCodes.front(), ENOSPC);
  EXPECT_EQ(left, QStringList{"kept.bin"});
  EXPECT_EQ(kept, "old");
  EXPECT_EQ(ReadAll(tree.PathBytes("big.bin")).size(), 3 << 20);
}

TEST(FileOpCopy, OwnershipIsKeptWherePermitted) {
  if (!test::RunningAsRoot()) GTEST_SKIP() << "only root may give files away";
  TempTree tree;
  tree.CreateFile("owned", "o");
  ASSERT_EQ(::chown(tree.PathBytes("owned").constData(), 1234, 2345), 0);
  FakeFileOpQuestions questions;
  ASSERT_TRUE(Copy({tree.Path("owned")}, tree.Path("copy"), questions).Succeeded());
  EXPECT_EQ(Lstat(tree.PathBytes("copy")).st_uid, 1234u);
  EXPECT_EQ(Lstat(tree.PathBytes("copy")).st_gid, 2345u);
}

TEST(FileOpCopy, NewFilesAreNeverMorePermissiveThanTheSource) {
  TempTree tree;
  tree.CreateFile("private", "p");
  tree.SetMode("private", 0600);
  FakeFileOpQuestions questions;
  ASSERT_TRUE(Copy({tree.Path("private")}, tree.Path("copy"), questions).Succeeded());
  EXPECT_EQ(Lstat(tree.PathBytes("copy")).st_mode & 07777, 0600u);
}

}  // namespace
}  // namespace zarn
