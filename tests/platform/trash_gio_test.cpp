#include "platform/trash.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "fakefileopquestions.h"
#include "platform/fileop.h"
#include "platform/fileop_remove.h"
#include "privatedatahome.h"
#include "temptree.h"

namespace zarn {
namespace {

using test::FakeFileOpQuestions;
using test::PrivateDataHome;
using test::TempTree;

class TrashTest : public ::testing::Test {
 protected:
  void SetUp() override { DataHome = PrivateDataHome(); }
  QStringList TrashedFiles() const {
    return QDir(DataHome + "/Trash/files").entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
  }
  QByteArray InfoText(const QString& trashedName) const {
    const QByteArray path = (DataHome + "/Trash/info/").toUtf8() + trashedName.toUtf8() + ".trashinfo";
    QByteArray text;
    const int fd = ::open(path.constData(), O_RDONLY);
    char buffer[4096];
    const ssize_t length = fd >= 0 ? ::read(fd, buffer, sizeof buffer) : 0;
    if (length > 0) text = QByteArray(buffer, length);
    if (fd >= 0) ::close(fd);
    return text;
  }
  QString DataHome;
};

TEST_F(TrashTest, NameWithANewlineGoesToTheHomeTrashWithAnEncodedPath) {
  TempTree tree;
  tree.CreateFile("two\nlines.txt", "x");
  const QStringList before = TrashedFiles();
  const TrashResult result = MoveToTrash(tree.PathBytes("two\nlines.txt"));
  ASSERT_TRUE(result.Succeeded()) << result.Error.Text().toStdString();
  struct stat info;
  EXPECT_NE(::lstat(tree.PathBytes("two\nlines.txt").constData(), &info), 0);
  const QStringList after = TrashedFiles();
  ASSERT_EQ(after.size(), before.size() + 1);
  QString added;
  for (const QString& name : after)
    if (!before.contains(name)) added = name;
  const QByteArray infoText = InfoText(added);
  EXPECT_TRUE(infoText.contains("[Trash Info]"));
  EXPECT_TRUE(infoText.contains("two%0Alines.txt")) << infoText.constData();
}

TEST_F(TrashTest, MissingObjectIsAnErrorNotAnOfferToDeleteForGood) {
  TempTree tree;
  const TrashResult result = MoveToTrash(tree.PathBytes("missing"));
  EXPECT_EQ(result.Failure, TrashFailure::Error);
  EXPECT_TRUE(result.Error.Text().contains(QStringLiteral("missing")));
}

TEST_F(TrashTest, DeleteOperationTrashesFoldersAndFiles) {
  TempTree tree;
  tree.CreateFile("folder/inside", "i");
  tree.CreateFile("file", "f");
  FileOpRequest request;
  request.Kind = FileOpKind::Delete;
  request.Delete = DeleteMode::ToTrash;
  request.Sources = {tree.Path("folder"), tree.Path("file")};
  FakeFileOpQuestions questions;
  FileOperation operation(request, questions);
  ASSERT_TRUE(operation.Run().Succeeded()) << questions.Errors.join("\n").toStdString();
  EXPECT_FALSE(QFileInfo::exists(tree.Path("folder")));
  EXPECT_FALSE(QFileInfo::exists(tree.Path("file")));
  EXPECT_TRUE(TrashedFiles().contains("file"));
  EXPECT_TRUE(questions.DeleteForGoodQuestions.isEmpty());
}

// /dev/shm is a system-internal mount where GLib refuses to trash: the
// operation then asks before deleting for good.
TEST_F(TrashTest, ObjectThatCannotBeTrashedIsDeletedForGoodOnlyAfterAsking) {
  char folder[] = "/dev/shm/zarn-trash-XXXXXX";
  if (!::mkdtemp(folder)) GTEST_SKIP() << "no /dev/shm here";
  const QByteArray path = QByteArray(folder) + "/victim";
  ::close(::open(path.constData(), O_WRONLY | O_CREAT, 0644));
  if (MoveToTrash(path).Failure != TrashFailure::NotPossible) {
    (void)RemoveTree(folder);
    GTEST_SKIP() << "this system has a trash for /dev/shm";
  }
  FileOpRequest request;
  request.Kind = FileOpKind::Delete;
  request.Sources = {QString::fromUtf8(path)};
  FakeFileOpQuestions declining;
  declining.DeleteForGoodAnswers = {false};
  EXPECT_TRUE(FileOperation(request, declining).Run().Succeeded());
  EXPECT_EQ(declining.DeleteForGoodQuestions.size(), 1);
  EXPECT_TRUE(QFileInfo::exists(QString::fromUtf8(path)));
  FakeFileOpQuestions accepting;
  accepting.DeleteForGoodAnswers = {true};
  EXPECT_TRUE(FileOperation(request, accepting).Run().Succeeded());
  EXPECT_FALSE(QFileInfo::exists(QString::fromUtf8(path)));
  (void)RemoveTree(folder);
}

}  // namespace
}  // namespace zarn
