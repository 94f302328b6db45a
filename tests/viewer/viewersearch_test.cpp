#include "viewer/viewersearch.h"

#include <gtest/gtest.h>

namespace zarn {
namespace {

TEST(FindInLines, FindsFromTheCaretIgnoringCase) {
  const QStringList lines{"one ABC", "Abc two", "", "x abc"};
  auto match = FindInLines(lines, 0, 0, "abc");
  ASSERT_TRUE(match);
  EXPECT_EQ(match->Line, 0);
  EXPECT_EQ(match->Column, 4);
  match = FindInLines(lines, 0, 7, "abc");
  ASSERT_TRUE(match);
  EXPECT_EQ(match->Line, 1);
  EXPECT_EQ(match->Column, 0);
  match = FindInLines(lines, 1, 3, "ABC");
  ASSERT_TRUE(match);
  EXPECT_EQ(match->Line, 3);
  EXPECT_EQ(match->Column, 2);
  EXPECT_FALSE(FindInLines(lines, 3, 3, "abc"));
  EXPECT_FALSE(FindInLines(lines, 0, 0, ""));
}

TEST(FindInLines, CyrillicLettersInEitherCase) {
  const QStringList lines{QString::fromUtf8("Ёлка и ЯЩИК"), QString::fromUtf8("ёжик")};
  EXPECT_EQ(FindInLines(lines, 0, 0, QString::fromUtf8("ёлка"))->Column, 0);
  EXPECT_EQ(FindInLines(lines, 0, 0, QString::fromUtf8("ящик"))->Column, 7);
  EXPECT_EQ(FindInLines(lines, 0, 1, QString::fromUtf8("ЁЖИК"))->Line, 1);
}

TEST(HexSearch, StartPositionAndLabel) {
  EXPECT_EQ(HexSearchStart(0), 16);
  EXPECT_EQ(HexSearchStart(1), 32);
  EXPECT_EQ(MatchPosition(0x1234, 100000), 0x123);
  EXPECT_EQ(MatchPosition(0x1234, 5), 5);
  const QStringList lines{"00001220: 30 30 30 30 31 32 33 30", "00001230: 41"};
  EXPECT_EQ(FindLabelLine(lines, "00001230"), 1);
  EXPECT_EQ(FindLabelLine(lines, "00001240"), -1);
}

TEST(SearchMessages, DashesDifferBetweenTheStates) {
  EXPECT_EQ(NotFoundInTextMessage("abc"), QString::fromUtf8("abc- не найдено"));
  EXPECT_EQ(NotFoundInFileMessage("abc"), QString::fromUtf8("abc - не найдено"));
}

}  // namespace
}  // namespace zarn
