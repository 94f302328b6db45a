#include "ops/tfoldersize.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QSignalSpy>

#include "fakecommandhost.h"
#include "ops/selection.h"
#include "temptree.h"

namespace zarn {
namespace {

using test::FakeCommandHost;
using test::TempTree;

class FolderSizeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (int index = 0; index < 10; ++index) {
      Tree.CreateFile("list/tree/sub/f" + QByteArray::number(index), QByteArray(4096, 'x'));
    }
    Tree.CreateFile("list/tree/top.bin", QByteArray(10240, 'x'));
    Tree.CreateDir("list/hollow/a/b");
    Tree.CreateFile("list/plain.txt", "x");
    Host.List(Tree.Path("list"));
  }
  // Waits until every worker has ended and its notices were handled.
  void WaitForWorkers() {
    QSignalSpy ended(&Workers, &TFolderSizeWorkers::WorkerEnded);
    while (Workers.RunningCount() > 0) ASSERT_TRUE(ended.wait(10000));
    QCoreApplication::processEvents();
  }
  TempTree Tree;
  FakeCommandHost Host;
  TSelection Selection{Host, &Workers};
  TFolderSizeWorkers Workers{Host, Selection.Totals};
};

TEST_F(FolderSizeTest, MarkedFolderGetsItsSizeInItsRow) {
  const int row = Host.RowOf("tree");
  Host.Current = row;
  Selection.ToggleMark(MarkAdvance::Stay);
  EXPECT_EQ(Workers.RunningCount(), 1);
  WaitForWorkers();
  EXPECT_EQ(Host.Rows[row].SizeKb, 50);
  EXPECT_EQ(Host.Statuses.last(), SizingStatusText);
  // The running line adds the walk to the last summary (which held the row at 1 KB).
  EXPECT_EQ(Host.Summary, QStringLiteral("Выделено в 1 папках и в 0 файлах: 51 KB"));
  Selection.ShowSelectionInfo();
  EXPECT_EQ(Host.Summary, QStringLiteral("Выделено в 1 папках и в 0 файлах: 50 KB"));
}

TEST_F(FolderSizeTest, ReportsNeverReachAnotherListing) {
  const int row = Host.RowOf("tree");
  Host.Current = row;
  Selection.ToggleMark(MarkAdvance::Stay);
  Tree.CreateDir("other/x");
  Tree.CreateDir("other/y");
  Tree.CreateDir("other/z");
  Host.List(Tree.Path("other"));  // the worker's reports are still queued
  WaitForWorkers();
  for (const auto& each : Host.Rows) EXPECT_EQ(each.SizeKb, 1) << each.Name.toStdString();
  EXPECT_EQ(Host.ChangedRows, std::vector<int>{row});
  EXPECT_FALSE(Host.Statuses.contains(SizingStatusText));
}

TEST_F(FolderSizeTest, StoppedWorkersEndAndStaySilent) {
  Workers.RunThread(Tree.Path("list/tree"), Host.RowOf("tree"));
  Workers.StopAll();
  WaitForWorkers();
  EXPECT_EQ(Host.Rows[Host.RowOf("tree")].SizeKb, 1);
  EXPECT_FALSE(Host.Statuses.contains(SizingStatusText));
}

TEST_F(FolderSizeTest, WaitAtCloseLeavesNoWorkerAndNoLateReport) {
  for (int index = 0; index < 4; ++index) Workers.RunThread(Tree.Path("list/tree"), Host.RowOf("tree"));
  Workers.WaitForStopped();
  EXPECT_EQ(Workers.RunningCount(), 0);
  QCoreApplication::processEvents();
  EXPECT_EQ(Host.Rows[Host.RowOf("tree")].SizeKb, 1);
}

TEST_F(FolderSizeTest, TreeWithoutFilesReportsNothing) {
  Workers.RunThread(Tree.Path("list/hollow"), Host.RowOf("hollow"));
  Workers.RunThread(Tree.Path("list/vanished"), 0);
  WaitForWorkers();
  EXPECT_TRUE(Host.Statuses.isEmpty());
  EXPECT_EQ(Host.Rows[Host.RowOf("hollow")].SizeKb, 1);
}

TEST_F(FolderSizeTest, ReportAddsToTheLastSummaryAndSkipsMissingRows) {
  Selection.Totals = {2, 3, 100};
  Workers.AddListVievSize(99, 5.0 * 1024 * 1024 * 1024);
  EXPECT_EQ(Host.Summary, QStringLiteral("Выделено в 2 папках и в 3 файлах: 5 242 980 KB"));
  EXPECT_TRUE(Host.ChangedRows.empty());
  Workers.AddListVievSize(0, 2047);
  EXPECT_EQ(Host.Rows[0].SizeKb, 1);
  Workers.AddListVievSize(0, 5.0 * 1024 * 1024 * 1024);
  EXPECT_EQ(Host.Rows[0].SizeKb, 5242880);
  EXPECT_EQ(Host.ChangedRows, (std::vector<int>{0, 0}));
}

}  // namespace
}  // namespace zarn
