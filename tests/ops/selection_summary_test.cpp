#include "ops/selection.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QThread>

#include <algorithm>

#include "fakecommandhost.h"
#include "ops/selectionsummary.h"
#include "temptree.h"

namespace zarn {
namespace {

using test::FakeCommandHost;
using test::TempTree;

TEST(SelectionSummaryText, CountsAndGroupedKilobytes) {
  EXPECT_EQ(SelectionSummaryText(0, 0, 0), QStringLiteral("Выделено в 0 папках и в 0 файлах: 0 KB"));
  EXPECT_EQ(SelectionSummaryText(2, 13, 5242880), QStringLiteral("Выделено в 2 папках и в 13 файлах: 5 242 880 KB"));
}

TEST(SelectionSummaryText, FileKilobytesRoundDownButAtLeastOne) {
  EXPECT_EQ(SummaryFileKb(0), 1);
  EXPECT_EQ(SummaryFileKb(1023), 1);
  EXPECT_EQ(SummaryFileKb(1025), 1);
  EXPECT_EQ(SummaryFileKb(2048), 2);
  EXPECT_EQ(SummaryFileKb(5LL << 30), 5242880);
}

class SelectionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Tree.CreateDir("folder");
    Tree.CreateFile("empty.txt");
    Tree.CreateFile("k1025.bin", QByteArray(1025, 'x'));
    Tree.CreateFile("k2048.bin", QByteArray(2048, 'x'));
    Host.List(Tree.Root());
  }
  TempTree Tree;
  FakeCommandHost Host;
  TSelection Selection{Host, nullptr};
};

TEST_F(SelectionTest, NothingMarkedShowsZeros) {
  Selection.ShowSelectionInfo();
  EXPECT_EQ(Host.Summary, QStringLiteral("Выделено в 0 папках и в 0 файлах: 0 KB"));
}

TEST_F(SelectionTest, FilesCountOnDiskSizeFoldersTheirStoredSize) {
  Host.Mark({"folder", "empty.txt", "k1025.bin", "k2048.bin"});
  Host.Rows[Host.RowOf("folder")].SizeKb = 1500;
  Selection.ShowSelectionInfo();
  EXPECT_EQ(Host.Summary, QStringLiteral("Выделено в 1 папках и в 3 файлах: 1 504 KB"));
  EXPECT_EQ(Selection.Totals.Kb, 1504);
}

TEST_F(SelectionTest, FiveGibibyteFileCountsInFull) {
  Tree.CreateFile("big.bin");
  ASSERT_EQ(::truncate(Tree.PathBytes("big.bin").constData(), 5LL << 30), 0);
  Host.List(Tree.Root());
  Host.Mark({"big.bin"});
  Selection.ShowSelectionInfo();
  EXPECT_EQ(Host.Summary, QStringLiteral("Выделено в 0 папках и в 1 файлах: 5 242 880 KB"));
}

TEST_F(SelectionTest, VanishedRowIsLeftOut) {
  Host.Mark({"folder", "k2048.bin"});
  ASSERT_TRUE(QFile::remove(Tree.Path("k2048.bin")));
  ASSERT_EQ(::rmdir(Tree.PathBytes("folder").constData()), 0);
  Selection.ShowSelectionInfo();
  EXPECT_EQ(Host.Summary, QStringLiteral("Выделено в 0 папках и в 0 файлах: 0 KB"));
}

TEST_F(SelectionTest, SpaceFlipsTheMarkWithoutMoving) {
  Host.Current = Host.RowOf("k1025.bin");
  Selection.ToggleMark(MarkAdvance::Stay);
  EXPECT_TRUE(Host.Rows[Host.Current].Marked);
  EXPECT_EQ(Host.Current, Host.RowOf("k1025.bin"));
  EXPECT_EQ(Host.Summary, QStringLiteral("Выделено в 0 папках и в 1 файлах: 1 KB"));
  Selection.ToggleMark(MarkAdvance::Stay);
  EXPECT_FALSE(Host.Rows[Host.Current].Marked);
  EXPECT_EQ(Host.Summary, QStringLiteral("Выделено в 0 папках и в 0 файлах: 0 KB"));
}

TEST_F(SelectionTest, InsertAdvancesExceptOnTheLastRow) {
  Host.Current = 0;
  Selection.ToggleMark(MarkAdvance::NextRow);
  EXPECT_EQ(Host.Current, 1);
  const int last = Host.ItemCount() - 1;
  Host.Current = last;
  Selection.ToggleMark(MarkAdvance::NextRow);
  EXPECT_EQ(Host.Current, last);
  EXPECT_TRUE(Host.Rows[last].Marked);
  EXPECT_EQ(Host.Summary, QStringLiteral("Выделено в 1 папках и в 1 файлах: 3 KB"));
}

TEST_F(SelectionTest, NoCurrentRowDoesNothing) {
  Host.Current = -1;
  Selection.ToggleMark(MarkAdvance::NextRow);
  EXPECT_TRUE(Host.Summary.isEmpty());
}

TEST_F(SelectionTest, ClickRemembersTheRowName) {
  Host.Current = Host.RowOf("k2048.bin");
  Selection.ListViewClick();
  EXPECT_EQ(CurrentItemName, QStringLiteral("k2048.bin"));
}


// A selection past the background limit: counted on a worker while events go
// on, with the same totals as a count on the spot; stopped, it leaves the
// summary as it was; one row's mark then changes the totals by that row.
TEST(LargeSelectionTest, IsCountedInTheBackgroundStoppedOrAdjustedByRow) {
  TempTree tree;
  const int files = int(kCountInBackgroundFrom) + 100;
  for (int index = 0; index < files; ++index) {
    tree.CreateFile("f" + QByteArray::number(index), QByteArray(index % 3 == 0 ? 3000 : 10, 'x'));
  }
  FakeCommandHost host;
  host.List(tree.Root());
  for (auto& row : host.Rows) row.Marked = true;
  const TSelectionTotals expected = CountSelection(host);
  ASSERT_EQ(expected.Files, files);

  TSelection selection(host, nullptr);
  host.Summary = QStringLiteral("before");
  selection.ShowSelectionInfo();
  EXPECT_TRUE(selection.IsCounting());
  EXPECT_EQ(host.Summary, QStringLiteral("before"));
  ASSERT_FALSE(host.Statuses.isEmpty());
  EXPECT_TRUE(host.Statuses.back().startsWith(QStringLiteral("Подсчёт выделенного: 0 из ")));
  const auto waitForCount = [&selection] {
    QDeadlineTimer deadline(60000);
    while (selection.IsCounting() && !deadline.hasExpired()) QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    return !selection.IsCounting();
  };
  ASSERT_TRUE(waitForCount());
  EXPECT_EQ(host.Summary, SelectionSummaryText(expected));

  // A count of changed marks stopped halfway: the totals are older than the marks.
  for (int row = 1; row <= 10; ++row) host.Rows[row].Marked = false;
  host.Summary = QStringLiteral("before");
  selection.ShowSelectionInfo();
  EXPECT_TRUE(selection.StopCounting());
  QCoreApplication::processEvents();
  EXPECT_FALSE(selection.IsCounting());
  EXPECT_EQ(host.Summary, QStringLiteral("before"));
  EXPECT_EQ(selection.Totals.Files, expected.Files);

  // So a row's mark then starts a full count rather than adjusting them.
  host.Current = 0;
  selection.ToggleMark(MarkAdvance::Stay);
  ASSERT_TRUE(waitForCount());
  EXPECT_EQ(host.Summary, SelectionSummaryText(CountSelection(host)));

  // With the totals up to date again, a row's mark changes them by that row.
  host.Current = 1;
  selection.ToggleMark(MarkAdvance::Stay);
  EXPECT_FALSE(selection.IsCounting());
  EXPECT_EQ(host.Summary, SelectionSummaryText(CountSelection(host)));
}

// Marking past the background limit goes a slice per turn of the event loop,
// ends in the same totals as a count on the spot, and stops where it is.
TEST(LargeSelectionTest, IsMarkedSliceBySliceAndStopsWhereItIs) {
  TempTree tree;
  const int files = int(kCountInBackgroundFrom) + 100;
  for (int index = 0; index < files; ++index) tree.CreateFile("f" + QByteArray::number(index));
  FakeCommandHost host;
  host.List(tree.Root());
  TSelection selection(host, nullptr);
  const auto markAll = [&host](bool marked) {
    return [&host, marked](int first, int last) {
      for (int row = first; row < last; ++row) host.Rows[size_t(row)].Marked = marked;
    };
  };
  const auto markedRows = [&host] {
    return std::count_if(host.Rows.begin(), host.Rows.end(), [](const auto& row) { return row.Marked; });
  };

  selection.MarkRows(markAll(true));
  EXPECT_TRUE(selection.IsCounting());
  EXPECT_EQ(markedRows(), 0);
  EXPECT_EQ(host.Statuses.back(), MarkingStatusText(0, std::size_t(files)));
  QDeadlineTimer deadline(60000);
  while (selection.IsCounting() && !deadline.hasExpired()) QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
  ASSERT_FALSE(selection.IsCounting());
  EXPECT_EQ(markedRows(), files);
  EXPECT_EQ(host.Summary, SelectionSummaryText(CountSelection(host)));

  host.Summary = QStringLiteral("before");
  const auto slowUnmark = [&](int first, int last) {
    QThread::msleep(20);  // a turn then takes two slices of three
    markAll(false)(first, last);
  };
  selection.MarkRows(slowUnmark);
  QCoreApplication::processEvents();
  EXPECT_TRUE(selection.StopCounting());
  const auto left = markedRows();
  EXPECT_GT(left, 0);
  EXPECT_LT(left, files);
  QCoreApplication::processEvents();
  EXPECT_EQ(markedRows(), left);
  EXPECT_EQ(host.Summary, QStringLiteral("before"));
}

}  // namespace
}  // namespace zarn
