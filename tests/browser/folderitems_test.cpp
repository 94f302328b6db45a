#include "browser/folderitems.h"

#include <gtest/gtest.h>

#include <QAbstractItemModelTester>
#include <QSignalSpy>

#include "browser/browsingstate.h"
#include "temptree.h"

namespace zarn {
namespace {

using test::TempTree;

// A folder whose enumeration is refused, as a folder without read permission.
class RefusingFolder final : public ShellFolder {
 public:
  ErrorOr<std::unique_ptr<IdEnumerator>> EnumObjects(std::uint32_t) override { return OsError(EACCES, "/locked"); }
  QString GetDisplayNameOf(ConstItemIdList, std::uint32_t) const override { return {}; }
  ErrorOr<std::unique_ptr<ShellFolder>> BindToObject(ConstItemIdList) const override { return OsError(EACCES); }
  ShellLocation Location() const override { return {}; }
};

class FolderItemsTest : public testing::Test {
 protected:
  void List(const QString& path) {
    auto desktop = SHGetDesktopFolder();
    IdListPtr id = ValueOrRaise(desktop->ParseDisplayName(path));
    auto folder = ValueOrRaise(desktop->BindToObject(id.get()));
    ASSERT_FALSE(Items.PopulateIDList(std::move(folder)).IsError());
    Items.SetCurrentIdList(std::move(id), path);
  }
  int Row(const QString& name) const {
    for (int i = 0; i < Items.Count(); ++i) {
      if (Items.FolderItems[size_t(i)].DisplayName == name) return i;
    }
    return -1;
  }
  QString Cell(int row, int column) const { return Items.index(row, column).data().toString(); }

  void TearDown() override { SortMode = 0; }

  TempTree Tree;
  TFolderItems Items;
};

TEST_F(FolderItemsTest, PassesTheModelTester) {
  Tree.Hostile();
  QAbstractItemModelTester tester(&Items, QAbstractItemModelTester::FailureReportingMode::Fatal);
  List(Tree.Root());
  Items.GetItemDetails(0, Items.Count() - 1);
  List(Tree.Root());
}

TEST_F(FolderItemsTest, RowsShowSizesDatesAndAttributes) {
  Tree.CreateFile("empty");
  Tree.CreateFile("exact", QByteArray(1024, 'x'));
  Tree.CreateFile("over", QByteArray(1025, 'x'));
  Tree.CreateFile(".hidden", "h");
  Tree.CreateDir("dir");
  List(Tree.Root());
  ASSERT_EQ(Items.Count(), 5);
  EXPECT_EQ(Row("dir"), 0);
  Items.GetItemDetails(0, Items.Count() - 1);
  EXPECT_EQ(Cell(Row("empty"), 1), QStringLiteral("1 Kb"));
  EXPECT_EQ(Cell(Row("exact"), 1), QStringLiteral("1 Kb"));
  EXPECT_EQ(Cell(Row("over"), 1), QStringLiteral("2 Kb"));
  EXPECT_EQ(Cell(Row("dir"), 1), QStringLiteral("<dir>"));
  Items.FolderItems[size_t(Row("dir"))].SizeKb = 4096;  // a folder size stored later
  EXPECT_EQ(Cell(Row("dir"), 1), QStringLiteral("<dir>"));
  EXPECT_TRUE(Cell(Row(".hidden"), 4).contains(QLatin1Char('H')));
  EXPECT_FALSE(Cell(Row("over"), 2).isEmpty());
  EXPECT_FALSE(Cell(Row("over"), 3).isEmpty());
}

TEST_F(FolderItemsTest, DetailsWaitForTheCacheHint) {
  Tree.CreateFile("a", QByteArray(5000, 'x'));
  Tree.CreateFile("b", QByteArray(5000, 'x'));
  List(Tree.Root());
  EXPECT_TRUE(Items.FolderItems[0].DetailsPending);
  EXPECT_EQ(Cell(0, 1), QStringLiteral("0 Kb"));
  Items.GetItemDetails(0, 0);
  EXPECT_FALSE(Items.FolderItems[0].DetailsPending);
  EXPECT_TRUE(Items.FolderItems[1].DetailsPending);
  EXPECT_EQ(Cell(0, 1), QStringLiteral("5 Kb"));
  Items.GetItemDetails(1, 5);  // a hint reaching past the list is ignored
  EXPECT_TRUE(Items.FolderItems[1].DetailsPending);
}

TEST_F(FolderItemsTest, GetItemOutsideTheListRaises) {
  Tree.CreateFile("only");
  List(Tree.Root());
  EXPECT_NO_THROW(Items.GetItem(0));
  EXPECT_THROW(Items.GetItem(1), ZarnError);
  EXPECT_THROW(Items.GetItem(-1), ZarnError);
}

TEST_F(FolderItemsTest, FindByPrefixFoldsAsciiOnlyAndWraps) {
  for (const char* name : {"Alpha", "beta", "Яблоко", "gamma", "Beta2"}) Tree.CreateFile(name);
  List(Tree.Root());
  EXPECT_EQ(Items.FindPrefix(QStringLiteral("al"), 0, false), Row(QStringLiteral("Alpha")));
  EXPECT_EQ(Items.FindPrefix(QStringLiteral("BETA"), Row(QStringLiteral("beta")) + 1, false), Row(QStringLiteral("Beta2")));
  EXPECT_EQ(Items.FindPrefix(QStringLiteral("Ябл"), 0, false), Row(QStringLiteral("Яблоко")));
  EXPECT_EQ(Items.FindPrefix(QStringLiteral("ябл"), 0, true), -1);
  EXPECT_EQ(Items.FindPrefix(QStringLiteral("alp"), Items.Count() - 1, false), -1);
  EXPECT_EQ(Items.FindPrefix(QStringLiteral("alp"), Items.Count() - 1, true), Row(QStringLiteral("Alpha")));
  EXPECT_EQ(Items.FindPrefix(QStringLiteral("zzz"), 0, true), -1);
  EXPECT_EQ(Items.FindPrefix(QStringLiteral("gam"), 0, false), Row(QStringLiteral("gamma")));
}

TEST_F(FolderItemsTest, EmptyFolderListsNoRowsAndStillAnnounces) {
  QSignalSpy populated(&Items, &TFolderItems::Populated);
  List(Tree.Root());
  EXPECT_EQ(Items.Count(), 0);
  EXPECT_EQ(populated.count(), 1);
}

TEST_F(FolderItemsTest, RefusedFolderKeepsThePreviousListing) {
  Tree.CreateFile("kept");
  List(Tree.Root());
  QSignalSpy populated(&Items, &TFolderItems::Populated);
  const ErrorOrDone result = Items.PopulateIDList(std::make_unique<RefusingFolder>());
  ASSERT_TRUE(result.IsError());
  EXPECT_TRUE(result.Error().Text().contains(SystemMessage(EACCES)));
  EXPECT_EQ(Items.Count(), 1);
  EXPECT_EQ(Items.FolderItems[0].DisplayName, QStringLiteral("kept"));
  EXPECT_EQ(Items.CurrentFolder()->Location().Path, Tree.RootBytes());
  EXPECT_EQ(populated.count(), 1);
}

TEST_F(FolderItemsTest, SortModeOrdersBySize) {
  Tree.CreateFile("big", QByteArray(4000, 'x'));
  Tree.CreateFile("small", "x");
  SortMode = 1;
  List(Tree.Root());
  EXPECT_EQ(Items.FolderItems[0].DisplayName, QStringLiteral("small"));
  EXPECT_LT(Items.CompareShellItems(Items.FolderItems[0], Items.FolderItems[1]), 0);
  EXPECT_GT(Items.CompareShellItems(Items.FolderItems[1], Items.FolderItems[0]), 0);
}

TEST_F(FolderItemsTest, ColumnMarkerMovesWithTheClickedColumn) {
  Items.MarkSortColumn(0);
  EXPECT_EQ(Items.ColumnCaption(0), QStringLiteral("Name  v"));
  EXPECT_EQ(Items.ColumnCaption(1), QStringLiteral("Size  "));
  Items.MarkSortColumn(2);
  EXPECT_EQ(Items.ColumnCaption(0), QStringLiteral("Name   "));
  EXPECT_EQ(Items.ColumnCaption(2), QStringLiteral("Date v"));
}

TEST_F(FolderItemsTest, MarkedRowsPaintRed) {
  Tree.CreateFile("f");
  List(Tree.Root());
  Items.FolderItems[0].Marked = true;
  EXPECT_EQ(Items.index(0, 3).data(Qt::ForegroundRole).value<QColor>(), QColor(255, 0, 0));
}

}  // namespace
}  // namespace zarn
