#include "ops/shellfileop.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <sys/stat.h>
#include <unistd.h>

#include "fakefileopquestions.h"
#include "ops/fileprompts.h"
#include "ops/tprogress.h"
#include "ops/tprogresstext.h"
#include "fileprobes.h"
#include "privatedatahome.h"
#include "temptree.h"

namespace zarn {
namespace {

using test::FakeFileOpQuestions;
using test::PrivateDataHome;
using test::ReadAll;
using test::TempTree;

class ShellFileOpTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetFileOpQuestions(&Questions);
    SetProgressDelay(std::chrono::milliseconds(500));
  }
  void TearDown() override { SetFileOpQuestions(nullptr); }
  FakeFileOpQuestions Questions;
  TempTree Tree;
};

struct RequestCase {
  int Operation;
  quint16 Flags;
  FileOpKind Kind;
  DeleteMode Delete;
  CollisionMode Collision;
};

TEST(ShellFileOpRequest, CodesAndFlagsMapOntoTheEngine) {
  const RequestCase cases[] = {
      {FO_MOVE, 0, FileOpKind::Move, DeleteMode::ToTrash, CollisionMode::Ask},
      {FO_COPY, 0, FileOpKind::Copy, DeleteMode::ToTrash, CollisionMode::Ask},
      {FO_DELETE, 0, FileOpKind::Delete, DeleteMode::ToTrash, CollisionMode::Ask},
      {FO_DELETE, FOF_MULTIDESTFILES, FileOpKind::Delete, DeleteMode::ForGood, CollisionMode::Ask},
      {FO_COPY, FOF_RENAMEONCOLLISION, FileOpKind::Copy, DeleteMode::ForGood, CollisionMode::RenameNew},
      {FO_DELETE, FOF_ALLOWUNDO | FOF_RENAMEONCOLLISION, FileOpKind::Delete, DeleteMode::ToTrash,
       CollisionMode::RenameNew},
  };
  for (const RequestCase& each : cases) {
    const auto request = RequestFor({"/a", "/b", "/c"}, "/dest/", each.Operation, each.Flags);
    ASSERT_TRUE(request.has_value());
    EXPECT_EQ(request->Kind, each.Kind);
    EXPECT_EQ(request->Delete, each.Delete) << each.Operation << " " << each.Flags;
    EXPECT_EQ(request->Collision, each.Collision);
    EXPECT_EQ(request->Sources, QStringList({"/a", "/b", "/c"}));
  }
  EXPECT_FALSE(RequestFor({"/a"}, "/d", 4, 0).has_value());
  EXPECT_FALSE(ShellFileOp({}, "/tmp", FO_COPY, 0));
}

TEST_F(ShellFileOpTest, CopiesThreeObjectsIntoAFolder) {
  Tree.CreateFile("a.txt", "a");
  Tree.CreateFile("b.txt", "b");
  Tree.CreateFile("c/inner", "c");
  Tree.CreateDir("panel");
  EXPECT_TRUE(ShellFileOp({Tree.Path("a.txt"), Tree.Path("b.txt"), Tree.Path("c")}, Tree.Path("panel/"), FO_COPY, 0));
  EXPECT_EQ(ReadAll(Tree.Path("panel/a.txt")), "a");
  EXPECT_EQ(ReadAll(Tree.Path("panel/b.txt")), "b");
  EXPECT_EQ(ReadAll(Tree.Path("panel/c/inner")), "c");
  EXPECT_TRUE(QFileInfo::exists(Tree.Path("a.txt")));
}

TEST_F(ShellFileOpTest, MovesOneObjectUnderANewName) {
  Tree.CreateFile("a.txt", "a");
  Tree.CreateDir("panel");
  EXPECT_TRUE(ShellFileOp({Tree.Path("a.txt")}, Tree.Path("panel/renamed.txt"), FO_MOVE, 0));
  EXPECT_EQ(ReadAll(Tree.Path("panel/renamed.txt")), "a");
  EXPECT_FALSE(QFileInfo::exists(Tree.Path("a.txt")));
}

TEST_F(ShellFileOpTest, CopyIntoAVanishedPanelFolderFailsAndAsks) {
  Tree.CreateFile("a.txt", "a");
  EXPECT_FALSE(ShellFileOp({Tree.Path("a.txt")}, Tree.Path("vanished/"), FO_COPY, 0));
  EXPECT_EQ(Questions.Errors.size(), 1);
  EXPECT_FALSE(QFileInfo::exists(Tree.Path("vanished")));
  EXPECT_FALSE(LastFileOpResult().Succeeded());
}

TEST_F(ShellFileOpTest, DeleteWithFlagOneRemovesForGood) {
  Tree.CreateFile("a.txt", "a");
  Tree.CreateFile("folder/b.txt", "b");
  EXPECT_TRUE(ShellFileOp({Tree.Path("a.txt"), Tree.Path("folder")}, Tree.Path("panel/"), FO_DELETE,
                          FOF_MULTIDESTFILES));
  EXPECT_FALSE(QFileInfo::exists(Tree.Path("a.txt")));
  EXPECT_FALSE(QFileInfo::exists(Tree.Path("folder")));
}

TEST_F(ShellFileOpTest, DeleteWithFlagsZeroGoesToTheTrash) {
  const QString dataHome = PrivateDataHome();
  Tree.CreateFile("undo-me.txt", "a");
  EXPECT_TRUE(ShellFileOp({Tree.Path("undo-me.txt")}, Tree.Path("panel/"), FO_DELETE, 0));
  EXPECT_FALSE(QFileInfo::exists(Tree.Path("undo-me.txt")));
  EXPECT_EQ(ReadAll(dataHome + "/Trash/files/undo-me.txt"), "a");
}

TEST_F(ShellFileOpTest, RenameOntoAnExistingNameKeepsBothObjects) {
  Tree.CreateFile("old.txt", "moved");
  Tree.CreateFile("new.txt", "existing");
  EXPECT_EQ(ShellRename(Tree.Path("old.txt"), Tree.Path("new.txt"), true), 0);
  EXPECT_EQ(ReadAll(Tree.Path("new.txt")), "existing");
  EXPECT_EQ(ReadAll(Tree.Path("new (2).txt")), "moved");
  EXPECT_FALSE(QFileInfo::exists(Tree.Path("old.txt")));
  EXPECT_TRUE(Questions.ReplaceQuestions.isEmpty());
}

TEST_F(ShellFileOpTest, RenameOntoAnExistingFolderNameRenamesInsteadOfMovingInto) {
  Tree.CreateDir("folder");
  Tree.CreateDir("Existing");
  EXPECT_EQ(ShellRename(Tree.Path("folder"), Tree.Path("Existing"), true), 0);
  EXPECT_TRUE(QFileInfo(Tree.Path("Existing (2)")).isDir());
  EXPECT_FALSE(QFileInfo::exists(Tree.Path("Existing/folder")));
}

TEST_F(ShellFileOpTest, RenameRefusesPathsOverTheSystemLimit) {
  Tree.CreateFile("a.txt", "a");
  EXPECT_EQ(ShellRename(Tree.Path("a.txt"), Tree.Path(QString(300, QLatin1Char('x'))), true), ENAMETOOLONG);
  EXPECT_TRUE(QFileInfo::exists(Tree.Path("a.txt")));
  EXPECT_NE(ShellRename(QString(), Tree.Path("b"), true), 0);
}

TEST_F(ShellFileOpTest, ProgressWindowAppearsAndItsCancelStopsTheCopy) {
  Tree.CreateFile("big.bin");
  ASSERT_EQ(::truncate(Tree.PathBytes("big.bin").constData(), 4LL << 30), 0);  // sparse
  Tree.CreateDir("panel");
  SetProgressDelay(std::chrono::milliseconds(0));
  bool sawWindow = false;
  QTimer clicker;
  QObject::connect(&clicker, &QTimer::timeout, [&] {
    if (!Progress || !Progress->isVisible()) return;
    sawWindow = true;
    EXPECT_EQ(Progress->windowTitle(), QStringLiteral("Копирование..."));
    auto* cancel = Progress->findChild<QPushButton*>(QStringLiteral("ButtonCancel"));
    if (cancel && cancel->isEnabled()) QTest::mouseClick(cancel, Qt::LeftButton);
  });
  clicker.start(5);
  EXPECT_FALSE(ShellFileOp({Tree.Path("big.bin")}, Tree.Path("panel"), FO_COPY, 0));
  EXPECT_TRUE(sawWindow);
  EXPECT_TRUE(LastFileOpResult().Cancelled);
  EXPECT_TRUE(QDir(Tree.Path("panel")).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot));
}

// Presses a button of the next modal dialog once it is up.
void PressInNextDialog(const QString& buttonName) {
  auto* poll = new QTimer;
  QObject::connect(poll, &QTimer::timeout, [poll, buttonName] {
    QWidget* dialog = QApplication::activeModalWidget();
    if (!dialog) return;
    auto* button = dialog->findChild<QPushButton*>(buttonName);
    if (!button) return;
    poll->stop();
    poll->deleteLater();
    button->click();
  });
  poll->start(5);
}

TEST_F(ShellFileOpTest, RealDialogsAnswerFromTheWorkerThread) {
  SetFileOpQuestions(nullptr);
  Tree.CreateFile("a.txt", "new");
  Tree.CreateFile("panel/a.txt", "old");
  PressInNextDialog(QStringLiteral("ButtonReplace"));
  EXPECT_TRUE(ShellFileOp({Tree.Path("a.txt")}, Tree.Path("panel"), FO_COPY, 0));
  EXPECT_EQ(ReadAll(Tree.Path("panel/a.txt")), "new");
  PressInNextDialog(QStringLiteral("ButtonCancel"));
  EXPECT_FALSE(ShellFileOp({Tree.Path("missing.txt")}, Tree.Path("panel"), FO_COPY, 0));
  EXPECT_TRUE(LastFileOpResult().Cancelled);
}

TEST(FilePrompts, ButtonsGiveTheirAnswers) {
  TFilePrompts prompts;
  ObjectFacts facts;
  facts.Path = QStringLiteral("/x/y.txt");
  PressInNextDialog(QStringLiteral("ButtonSkipAll"));
  EXPECT_EQ(prompts.AskReplace(facts, facts), ConflictAnswer::SkipAll);
  PressInNextDialog(QStringLiteral("ButtonRetry"));
  EXPECT_EQ(prompts.AskOnError(OsError(ENOSPC, "/x")), ErrorAnswer::Retry);
  PressInNextDialog(QStringLiteral("ButtonNo"));
  EXPECT_FALSE(prompts.AskDeleteForGood(QStringLiteral("/x"), OsError(EXDEV)));
}

TEST(ProgressTexts, FiguresAreGroupedAndThePercentFollowsTheBytes) {
  FileOpProgress progress;
  progress.Phase = FileOpPhase::Working;
  progress.ObjectsDone = 3;
  progress.ObjectsTotal = 10;
  progress.BytesDone = 1048576;
  progress.BytesTotal = 4194304;
  ProgressTexts texts = FormatProgress(progress);
  EXPECT_EQ(texts.Objects, QStringLiteral("Объектов: 3 из 10"));
  EXPECT_EQ(texts.Bytes, QStringLiteral("Байт: 1 048 576 из 4 194 304"));
  EXPECT_EQ(texts.Percent, 25);
  progress.BytesTotal = 0;
  EXPECT_EQ(FormatProgress(progress).Percent, 30);
  progress.Phase = FileOpPhase::Flushing;
  EXPECT_EQ(FormatProgress(progress).Phase, QStringLiteral("Запись на диск..."));
  EXPECT_EQ(GroupThousands(0), QStringLiteral("0"));
  EXPECT_EQ(GroupThousands(5368709120), QStringLiteral("5 368 709 120"));
}

}  // namespace
}  // namespace zarn
