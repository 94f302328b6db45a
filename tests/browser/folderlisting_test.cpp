#include "browser/folderlisting.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QTest>

#include <fcntl.h>
#include <algorithm>
#include <unistd.h>

#include "mainwindowfixture.h"
#include "ops/filemask.h"
#include "ops/selection.h"
#include "ops/selectionsummary.h"
#include "platform/filenames.h"

namespace zarn {
namespace {

// A folder of generated names, read as fast as memory allows: a million
// entries without a million files.
class GeneratedFolder final : public ShellFolder {
 public:
  explicit GeneratedFolder(int count) : Count_(count) {}

  ErrorOr<std::unique_ptr<IdEnumerator>> EnumObjects(std::uint32_t) override {
    std::vector<IdListPtr> children;
    children.reserve(size_t(Count_));
    // Written backwards, so that the order shown is the sort's own work.
    for (int i = Count_ - 1; i >= 0; --i) {
      children.push_back(MakeShellChild(ItemKind::File, "entry-" + QByteArray::number(i) + ".dat"));
    }
    return std::unique_ptr<IdEnumerator>(std::make_unique<ListIdEnumerator>(std::move(children)));
  }
  QString GetDisplayNameOf(ConstItemIdList relative, std::uint32_t) const override {
    return FromNativeName(ChildNameBytes(relative));
  }
  ErrorOr<std::unique_ptr<ShellFolder>> BindToObject(ConstItemIdList) const override { return OsError(ENOTDIR); }
  ShellLocation Location() const override { return {}; }

 private:
  int Count_;
};

constexpr int Million = 1000000;

TEST(FolderListing, AMillionEntriesComeInNaturalOrderAndACancelDropsThem) {
  auto listing = TFolderListing::Start(std::make_unique<GeneratedFolder>(Million), SortByName);
  ASSERT_TRUE(listing->WaitFor(std::chrono::minutes(2)));
  auto listed = listing->TakeResult();
  ASSERT_FALSE(listed.IsError()) << listed.Error().Text().toStdString();
  const std::vector<TShellItem>& rows = listed.Value().Items;
  ASSERT_EQ(rows.size(), size_t(Million));
  for (int i = 0; i < Million; i += 99991) {
    ASSERT_EQ(rows[size_t(i)].DisplayName, QStringLiteral("entry-%1.dat").arg(i)) << i;
  }
  EXPECT_EQ(rows.back().DisplayName, QStringLiteral("entry-%1.dat").arg(Million - 1));

  auto cancelled = TFolderListing::Start(std::make_unique<GeneratedFolder>(Million), SortByName);
  cancelled->Cancel();
  ASSERT_TRUE(cancelled->WaitFor(std::chrono::minutes(2)));
  const auto result = cancelled->TakeResult();
  ASSERT_TRUE(result.IsError());
  EXPECT_EQ(result.Error().Code(), ECANCELED);
}

// The window with a folder big enough that its listing is still under way
// when the navigation returns (the wait before going on is none here).
class FolderListingWindowTest : public test::MainWindowFixture {
 protected:
  static constexpr int BigCount = 30000;

  void SetUp() override {
    Tree.CreateFile("small/a.txt");
    Tree.CreateFile("small/b.txt");
    Tree.CreateFile("other/c.txt");
    Tree.CreateDir("big");
    const QByteArray big = Tree.Path(QStringLiteral("big")).toUtf8() + '/';
    for (int i = 0; i < BigCount; ++i) {
      const int fd = ::open((big + "entry-" + QByteArray::number(i) + ".dat").constData(), O_CREAT | O_WRONLY | O_CLOEXEC, 0644);
      ASSERT_GE(fd, 0);
      ::close(fd);
    }
    Open(Tree.Path(QStringLiteral("small")));
    ListingWaitBudget = std::chrono::milliseconds(0);
  }

  QString Status() const { return Form->Label9->text(); }
  bool WaitForListing() {
    return QTest::qWaitFor([this] { return !Form->IsListing(); }, 60000);
  }
};

TEST_F(FolderListingWindowTest, ABigFolderIsShownOnceReadWithTheOrderOfAListingThatWaited) {
  Form->SetPath(Tree.Path(QStringLiteral("big")));
  ASSERT_TRUE(Form->IsListing());
  // Meanwhile the window shows what it showed, and says what it does.
  EXPECT_EQ(Names(), (QStringList{"a.txt", "b.txt"}));
  EXPECT_EQ(Form->PathText(), Tree.Path(QStringLiteral("small/")));
  EXPECT_TRUE(Status().startsWith(QStringLiteral("Чтение папки... "))) << Status().toStdString();
  ASSERT_TRUE(WaitForListing());

  EXPECT_EQ(Form->PathText(), Tree.Path(QStringLiteral("big/")));
  EXPECT_FALSE(Status().startsWith(QStringLiteral("Чтение папки")));
  TFolderItems waited;
  ASSERT_FALSE(waited.PopulateIDList(ValueOrRaise(Form->DesktopFolder().BindToObject(Form->CurrentIdList()))).IsError());
  QStringList expected;
  for (const TShellItem& item : waited.FolderItems) expected << item.DisplayName;
  EXPECT_EQ(Names(), expected);
  EXPECT_EQ(Names().value(2), QStringLiteral("entry-2.dat"));
}

TEST_F(FolderListingWindowTest, EscapeOrTheNextNavigationCancelsAListing) {
  Form->SetPath(Tree.Path(QStringLiteral("big")));
  ASSERT_TRUE(Form->IsListing());
  FocusList();
  Press(Qt::Key_Escape);
  EXPECT_FALSE(Form->IsListing());
  EXPECT_EQ(Status(), QStringLiteral("Чтение папки прервано"));
  EXPECT_EQ(Names(), (QStringList{"a.txt", "b.txt"}));
  EXPECT_EQ(Form->PathText(), Tree.Path(QStringLiteral("small/")));

  Form->SetPath(Tree.Path(QStringLiteral("big")));
  Form->SetPath(Tree.Path(QStringLiteral("other")));
  ASSERT_TRUE(WaitForListing());
  EXPECT_EQ(Names(), (QStringList{"c.txt"}));
  EXPECT_EQ(Form->PathText(), Tree.Path(QStringLiteral("other/")));
  // The history holds the folders shown, not the one left unread.
  EXPECT_EQ(Form->cbPath->findText(Tree.Path(QStringLiteral("big"))), -1);
}

TEST_F(FolderListingWindowTest, MarkingAllOfABigFolderEndsInItsTotalsOrStopsByEscapeOrLeaving) {
  ListingWaitBudget = std::chrono::minutes(1);
  Form->SetPath(Tree.Path(QStringLiteral("big")));
  FocusList();
  const auto marked = [this] {
    return std::count_if(Form->Items().FolderItems.begin(), Form->Items().FolderItems.end(),
                         [](const TShellItem& item) { return item.Marked; });
  };
  Form->RunMarkOperation(MarkOperation::Mark, QStringLiteral("*.*"));
  ASSERT_TRUE(QTest::qWaitFor([this] { return !Form->Selection().IsCounting(); }, 60000));
  EXPECT_EQ(marked(), BigCount);
  EXPECT_EQ(Form->Label1->text(), SelectionSummaryText(0, BigCount, BigCount));

  Form->RunMarkOperation(MarkOperation::Unmark, QStringLiteral("*.*"));
  EXPECT_TRUE(Form->Selection().IsCounting());
  Press(Qt::Key_Escape);
  EXPECT_FALSE(Form->Selection().IsCounting());
  EXPECT_EQ(Status(), QStringLiteral("Жду команды..."));

  Form->RunMarkOperation(MarkOperation::Invert, QString());
  Form->SetPath(Tree.Path(QStringLiteral("other")));
  EXPECT_FALSE(Form->Selection().IsCounting());
  EXPECT_EQ(Names(), (QStringList{"c.txt"}));
  EXPECT_EQ(marked(), 0);
}

}  // namespace
}  // namespace zarn
