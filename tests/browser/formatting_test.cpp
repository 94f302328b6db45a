#include "browser/formatting.h"

#include <gtest/gtest.h>

#include <QLocale>
#include <QTimeZone>

namespace zarn {
namespace {

struct GroupCase {
  const char* Input;
  const char* Expected;
};

class GroupDigitsTest : public testing::TestWithParam<GroupCase> {};

TEST_P(GroupDigitsTest, PutsABlankBetweenGroupsOfThree) {
  EXPECT_EQ(GroupDigits(QString::fromLatin1(GetParam().Input)), QString::fromLatin1(GetParam().Expected));
}

INSTANTIATE_TEST_SUITE_P(Cases, GroupDigitsTest,
                         testing::Values(GroupCase{"", ""}, GroupCase{"7", "7"}, GroupCase{"100", "100"},
                                         GroupCase{"1000", "1 000"}, GroupCase{"1234", "1 234"},
                                         GroupCase{"123456", "123 456"}, GroupCase{"1234567", "1 234 567"}));

TEST(FormattingTest, SizesRoundUpToWholeKbNeverBelowOne) {
  auto kb = [](std::uint64_t bytes) {
    FindData data;
    data.SizeHigh = std::uint32_t(bytes >> 32);
    data.SizeLow = std::uint32_t(bytes);
    return SizeKbOf(data);
  };
  EXPECT_EQ(kb(0), 1);
  EXPECT_EQ(kb(1024), 1);
  EXPECT_EQ(kb(1025), 2);
  EXPECT_EQ(kb(1536 * 1024), 1536);
  EXPECT_EQ(kb(5ull << 30), 5 * 1024 * 1024);
}

TEST(FormattingTest, AttributeLettersInOrder) {
  EXPECT_EQ(AttributeLetters(0), QString());
  EXPECT_EQ(AttributeLetters(FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE), QStringLiteral("RA"));
  EXPECT_EQ(AttributeLetters(0x01 | 0x02 | 0x20 | 0x10), QStringLiteral("RHA"));
  EXPECT_EQ(AttributeLetters(0x04), QStringLiteral("S"));
}

TEST(FormattingTest, MidnightShowsTheDateAlone) {
  const QDateTime midnight(QDate(2021, 3, 4), QTime(0, 0), QTimeZone::systemTimeZone());
  const QDateTime later(QDate(2021, 3, 4), QTime(13, 14, 15), QTimeZone::systemTimeZone());
  const QString dateOnly = FormatModifiedTime(midnight);
  EXPECT_EQ(dateOnly, QLocale().toString(midnight.date(), QLocale::ShortFormat));
  EXPECT_TRUE(FormatModifiedTime(later).startsWith(dateOnly + QLatin1Char(' ')));
  EXPECT_TRUE(FormatModifiedTime(later).contains(QStringLiteral("14")));
  EXPECT_EQ(ModifiedTextOf(FindData{}), QString());
}

TEST(FormattingTest, FreeSpaceBarSplitsTwoHundredTwentyPixels) {
  const FreeSpaceBar quarter = ComputeFreeSpaceBar(1000000, 250000);
  EXPECT_EQ(quarter.FreeWidth, 55);
  EXPECT_EQ(quarter.FreeLeft, 320);
  EXPECT_EQ(quarter.UsedLeft, 157);
  EXPECT_EQ(quarter.UsedWidth, 165);
  const FreeSpaceBar empty = ComputeFreeSpaceBar(0, 0);
  EXPECT_EQ(empty.FreeWidth + empty.UsedWidth, 220);
  EXPECT_EQ(ComputeFreeSpaceBar(-1, -1).FreeWidth, 0);
  // Exactly half a pixel rounds to the even neighbour.
  EXPECT_EQ(ComputeFreeSpaceBar(440, 1).FreeWidth, 0);
  EXPECT_EQ(ComputeFreeSpaceBar(440, 3).FreeWidth, 2);
}

}  // namespace
}  // namespace zarn
