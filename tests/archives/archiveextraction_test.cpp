#include "archives/archiveextraction.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>

#include "archives/archiveindex.h"
#include "archivesamples.h"
#include "fakefileopquestions.h"
#include "temptree.h"

namespace zarn {
namespace {

using test::FakeFileOpQuestions;
using test::SampleLink;
using test::TempTree;

FileOpResult ExtractRoot(const std::shared_ptr<const TArchiveIndex>& index, const QString& destination,
                         FakeFileOpQuestions& questions, TArchiveExtraction::FreeSpaceCall space = {}) {
  QList<QByteArray> chosen;
  for (const TArchiveEntry* entry : index->Children("")) chosen << entry->Path;
  TArchiveExtraction extraction({index, chosen, destination}, questions);
  if (space) extraction.SetFreeSpaceCall(space);
  return extraction.Run();
}

std::shared_ptr<const TArchiveIndex> Open(const QString& path) {
  auto index = TArchiveIndex::Open(path);
  return index ? index.Value() : nullptr;
}

// Nothing lands outside the destination: ".." names are refused, absolute
// names lose their "/", a file through a link entry is refused, the link
// stays a link, setuid bits go and a hard link joins its file.
TEST(ArchiveExtraction, NothingIsWrittenOutsideTheDestination) {
  TempTree tree;
  tree.CreateDir("outside");
  tree.CreateDir("dest");
  const QString path = tree.Path(QStringLiteral("hostile.tar"));
  const QByteArray outside = tree.PathBytes("outside");
  ASSERT_TRUE(test::WriteArchive(path, ARCHIVE_FORMAT_TAR_PAX_RESTRICTED, ARCHIVE_FILTER_NONE,
                                 {{"../escaped", "x"},
                                  {"/abs/file", "a"},
                                  SampleLink("ln", outside),
                                  {"ln/through", "t"},
                                  {"tool", "#!", AE_IFREG, 04755},
                                  {"hard", {}, AE_IFREG, 0644, {}, "tool"}}));
  const auto index = Open(path);
  ASSERT_TRUE(index);
  EXPECT_EQ(index->Refusals().size(), 3);
  FakeFileOpQuestions questions;
  const FileOpResult result = ExtractRoot(index, tree.Path(QStringLiteral("dest")), questions);
  EXPECT_TRUE(result.Succeeded()) << (result.Failures.isEmpty() ? "" : result.Failures[0].Text().toStdString());

  EXPECT_TRUE(test::TreeBelow(tree.Path(QStringLiteral("outside"))).isEmpty());
  EXPECT_FALSE(QFileInfo::exists(tree.Path(QStringLiteral("escaped"))));
  EXPECT_EQ(test::TreeBelow(tree.Path(QStringLiteral("dest"))),
            (QStringList{"abs", "abs/file", "hard", "ln", "tool"}));
  EXPECT_TRUE(QFileInfo(tree.Path(QStringLiteral("dest/ln"))).isSymLink());
  struct stat tool {}, hard {};
  ASSERT_EQ(::stat(tree.PathBytes("dest/tool").constData(), &tool), 0);
  ASSERT_EQ(::stat(tree.PathBytes("dest/hard").constData(), &hard), 0);
  EXPECT_EQ(tool.st_mode & 07777, 0755u);
  EXPECT_EQ(tool.st_ino, hard.st_ino);
}

// A small archive that expands past the free space stops with a message and
// leaves no file, whole or half.
TEST(ArchiveExtraction, BombStopsBeforeTheDiskIsFullAndLeavesNoHalfFile) {
  TempTree tree;
  tree.CreateDir("dest");
  const QString path = tree.Path(QStringLiteral("zeros.gz"));
  ASSERT_TRUE(test::WriteArchive(path, ARCHIVE_FORMAT_RAW, ARCHIVE_FILTER_GZIP, {{"data", QByteArray(300 << 20, 'z')}}));
  const auto index = Open(path);
  ASSERT_TRUE(index);
  ASSERT_TRUE(index->Find("zeros"));
  ASSERT_EQ(index->Find("zeros")->Size, -1);  // too large to be counted while listing
  const QString dest = tree.Path(QStringLiteral("dest"));
  qint64 lowest = -1;
  const auto space = [&](int) {
    qint64 used = 0;
    for (const QString& name : test::TreeBelow(dest)) used += QFileInfo(dest + QLatin1Char('/') + name).size();
    lowest = (qint64(32) << 20) - used;
    return lowest;
  };
  FakeFileOpQuestions questions;
  const FileOpResult result = ExtractRoot(index, dest, questions, space);
  ASSERT_EQ(result.Failures.size(), 1);
  EXPECT_TRUE(result.Failures[0].Text().contains(QStringLiteral("Недостаточно места")));
  EXPECT_TRUE(test::TreeBelow(dest).isEmpty());
  EXPECT_NE(lowest, -1);
}

// An encrypted entry is named as such and not written.
TEST(ArchiveExtraction, EncryptedZipEntryIsReported) {
  TempTree tree;
  tree.CreateFile("secret.txt", "hidden words");
  tree.CreateDir("dest");
  ASSERT_EQ(test::RunIn(tree.Root(), QStringLiteral("zip"), {"-q", "-P", "password", "locked.zip", "secret.txt"}), 0);
  const auto index = Open(tree.Path(QStringLiteral("locked.zip")));
  ASSERT_TRUE(index);
  ASSERT_TRUE(index->Find("secret.txt"));
  EXPECT_TRUE(index->Find("secret.txt")->Encrypted);
  FakeFileOpQuestions questions;
  const FileOpResult result = ExtractRoot(index, tree.Path(QStringLiteral("dest")), questions);
  ASSERT_EQ(result.Failures.size(), 1);
  EXPECT_TRUE(result.Failures[0].Text().contains(QStringLiteral("зашифрован")));
  EXPECT_TRUE(test::TreeBelow(tree.Path(QStringLiteral("dest"))).isEmpty());
}

// The headers of a zip whose directory lists them in another order than
// their data are matched to the extraction's pass in the order of that data.
TEST(ArchiveExtraction, CopyOutOfZipWhoseDirectoryIsInAnotherOrder) {
  TempTree tree;
  tree.CreateDir("dest");
  const QString path = tree.Path(QStringLiteral("reordered.zip"));
  ASSERT_TRUE(test::WriteRawZip(path, {{"a/first.txt", "first"}, {"b/second.txt", "second"}, {"a/third.txt", "third"}},
                                test::ZipLayout::DirectoryReversed));
  const auto index = Open(path);
  ASSERT_TRUE(index);
  EXPECT_LT(index->Find("a/first.txt")->Ordinal, index->Find("a/third.txt")->Ordinal);
  FakeFileOpQuestions questions;
  const FileOpResult result = ExtractRoot(index, tree.Path(QStringLiteral("dest")), questions);
  EXPECT_TRUE(result.Succeeded()) << (result.Failures.isEmpty() ? "" : result.Failures[0].Text().toStdString());
  for (const char* name : {"a/first.txt", "b/second.txt", "a/third.txt"}) {
    QFile file(tree.Path(QStringLiteral("dest/") + QString::fromLatin1(name)));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << name;
    EXPECT_EQ(file.readAll(), QByteArray(name).mid(2, QByteArray(name).indexOf('.') - 2));
  }
}

// A copied-out tree equals bsdtar's extraction of the same archive; a second
// copy asks about the names in the way and keeps them when told to skip.
TEST(ArchiveExtraction, CopyOutEqualsBsdtarAndAsksAboutExistingNames) {
  TempTree tree;
  tree.CreateFile("src/top.txt", "top");
  tree.CreateFile("src/folder/inner.bin", QByteArray(200000, 'i'));
  tree.CreateDir("src/folder/empty");
  tree.CreateSymlink("src/folder/link", "inner.bin");
  tree.SetMode("src/top.txt", 0600);
  tree.CreateDir("ours");
  tree.CreateDir("theirs");
  ASSERT_EQ(test::RunIn(tree.Path(QStringLiteral("src")), QStringLiteral("bsdtar"),
                        {"-czf", tree.Path(QStringLiteral("tree.tgz")), "top.txt", "folder"}), 0);
  ASSERT_EQ(test::RunIn(tree.Path(QStringLiteral("theirs")), QStringLiteral("bsdtar"),
                        {"-xpf", tree.Path(QStringLiteral("tree.tgz"))}), 0);
  const auto index = Open(tree.Path(QStringLiteral("tree.tgz")));
  ASSERT_TRUE(index);
  FakeFileOpQuestions questions;
  ASSERT_TRUE(ExtractRoot(index, tree.Path(QStringLiteral("ours")), questions).Succeeded());
  EXPECT_EQ(test::RunIn(tree.Root(), QStringLiteral("diff"), {"-r", "--no-dereference", "ours", "theirs"}), 0);
  const QStringList names = test::TreeBelow(tree.Path(QStringLiteral("ours")));
  EXPECT_EQ(names, test::TreeBelow(tree.Path(QStringLiteral("theirs"))));
  for (const QString& name : names) {
    struct stat ours {}, theirs {};
    ::lstat(tree.PathBytes("ours/" + name.toUtf8()).constData(), &ours);
    ::lstat(tree.PathBytes("theirs/" + name.toUtf8()).constData(), &theirs);
    EXPECT_EQ(ours.st_mode, theirs.st_mode) << name.toStdString();
  }

  questions.DefaultReplace = ConflictAnswer::SkipAll;
  const FileOpResult again = ExtractRoot(index, tree.Path(QStringLiteral("ours")), questions);
  EXPECT_EQ(questions.ReplaceQuestions.size(), 1);
  EXPECT_GT(again.SkippedByChoice, 0);
  EXPECT_EQ(test::RunIn(tree.Root(), QStringLiteral("diff"), {"-r", "--no-dereference", "ours", "theirs"}), 0);
}

}  // namespace
}  // namespace zarn
