#include "ops/filemask.h"

#include <gtest/gtest.h>

#include "platform/filenames.h"

namespace zarn {
namespace {

struct MatchCase {
  const char* Name;
  const char* Mask;
  bool Expected;
};

class MaskMatching : public testing::TestWithParam<MatchCase> {};

TEST_P(MaskMatching, MatchesWholeName) {
  const MatchCase& row = GetParam();
  auto result = NameMatchesMask(QString::fromUtf8(row.Name), QString::fromUtf8(row.Mask));
  ASSERT_FALSE(result.IsError()) << result.Error().Text().toStdString();
  EXPECT_EQ(result.Value(), row.Expected) << row.Name << " ~ " << row.Mask;
}

INSTANTIATE_TEST_SUITE_P(
    Wildcards, MaskMatching,
    testing::Values(MatchCase{"a.txt", "*.*", true}, MatchCase{"README", "*.*", false},
                    MatchCase{"README", "*", true}, MatchCase{"", "*", true}, MatchCase{"", "", true},
                    MatchCase{"a", "", false}, MatchCase{"abc", "a?c", true}, MatchCase{"ac", "a?c", false},
                    MatchCase{"abbbc", "a*c", true}, MatchCase{"abcd", "a*c", false},
                    MatchCase{"ab.c.d", "*.d", true}, MatchCase{"abab", "*ab", true},
                    MatchCase{"aXbXc", "a*b*c", true}, MatchCase{"acb", "a*b*c", false},
                    // A "?" right after a star is absorbed by it, so it does not demand a character.
                    MatchCase{"a", "a*?", true}, MatchCase{"a", "a*??*?", true}, MatchCase{"a", "a?*", false},
                    MatchCase{"ab", "a?*", true}, MatchCase{"x.txt", "*?.txt", true},
                    MatchCase{".txt", "*?.txt", true}, MatchCase{"a.b", "a?b", true}));

INSTANTIATE_TEST_SUITE_P(
    LetterCase, MaskMatching,
    testing::Values(MatchCase{"a.txt", "*.TXT", true}, MatchCase{"B.Txt", "*.TXT", true},
                    MatchCase{"A.TXT", "*.txt", true}, MatchCase{"файл.txt", "ФАЙЛ.*", false},
                    MatchCase{"ФАЙЛ.txt", "ФАЙЛ.*", true}, MatchCase{"ä", "Ä", false},
                    MatchCase{"b", "[A-C]", true}, MatchCase{"B", "[a-c]", true}));

INSTANTIATE_TEST_SUITE_P(
    Sets, MaskMatching,
    testing::Values(MatchCase{"a1", "a[0-9]", true}, MatchCase{"ax", "a[0-9]", false},
                    MatchCase{"ax", "a[!0-9]", true}, MatchCase{"a5", "a[!0-9]", false},
                    MatchCase{"b", "[abc]", true}, MatchCase{"d", "[abc]", false},
                    MatchCase{"-", "[a-]", true}, MatchCase{"a", "[a-]", true},
                    MatchCase{"!", "[x!]", true}, MatchCase{"ж", "[а-я]", true}, MatchCase{"Ж", "[а-я]", false},
                    MatchCase{"*", "[*]", true}, MatchCase{"a", "[*]", false}, MatchCase{"q", "[z-a]", false},
                    MatchCase{"notes.md", "*.[mt][dx]*", true}));

INSTANTIATE_TEST_SUITE_P(
    Characters, MaskMatching,
    testing::Values(MatchCase{"жук", "???", true}, MatchCase{"жук", "????", false},
                    MatchCase{"\xF0\x9F\x98\x80.png", "?.png", true}, MatchCase{"日本.txt", "??.*", true}));

TEST(MaskMatchingTest, BytesOfNamesThatAreNotUtf8CountOneEachAndStayDistinct) {
  const QString name = FromNativeName(QByteArray("a\xFF"));
  EXPECT_TRUE(NameMatchesMask(name, QStringLiteral("a?")).Value());
  EXPECT_TRUE(NameMatchesMask(name, name).Value());
  EXPECT_FALSE(NameMatchesMask(name, FromNativeName(QByteArray("a\xFE"))).Value());
}

TEST(MaskMatchingTest, ManyStarsAgainstLongNameStayFast) {
  const QString name(5000, QLatin1Char('a'));
  const QString mask = QStringLiteral("*a*a*a*a*a*a*a*a*a*a*a*a*a*a*b");
  EXPECT_FALSE(NameMatchesMask(name, mask).Value());
}

struct InvalidCase {
  const char* Mask;
  int Position;
};

class InvalidMasks : public testing::TestWithParam<InvalidCase> {};

TEST_P(InvalidMasks, ReportMaskAndPosition) {
  const InvalidCase& row = GetParam();
  const QString mask = QString::fromUtf8(row.Mask);
  auto result = NameMatchesMask(QStringLiteral("name"), mask);
  ASSERT_TRUE(result.IsError());
  EXPECT_EQ(result.Error().Text(), QStringLiteral("'%1' is an invalid mask at (%2)").arg(mask).arg(row.Position));
}

INSTANTIATE_TEST_SUITE_P(Malformed, InvalidMasks,
                         testing::Values(InvalidCase{"[abc", 1}, InvalidCase{"ab[", 3}, InvalidCase{"[", 1},
                                         InvalidCase{"[!", 1}, InvalidCase{"[]", 2}, InvalidCase{"x[!]", 4},
                                         InvalidCase{"[-z]", 2}, InvalidCase{"[!-z]", 3},
                                         InvalidCase{"ж[-", 3}));

TEST(MaskLimitsTest, ThirtyStarPlacesAreAllowedAndTheThirtyFirstIsNot) {
  QString thirty;
  for (int i = 0; i < 30; ++i) thirty += QStringLiteral("*a");
  EXPECT_FALSE(NameMatchesMask(QStringLiteral("aaa"), thirty).IsError());
  const QString thirtyOne = thirty + QStringLiteral("**x*");
  auto result = NameMatchesMask(QStringLiteral("aaa"), thirtyOne);
  ASSERT_TRUE(result.IsError());
  EXPECT_EQ(result.Error().Text(), QStringLiteral("'%1' is an invalid mask at (61)").arg(thirtyOne));
}

TEST(MaskLimitsTest, StarRunsAndAbsorbedQuestionMarksCountOnce) {
  QString mask;
  for (int i = 0; i < 30; ++i) mask += QStringLiteral("***?*?.");
  EXPECT_FALSE(NameMatchesMask(QStringLiteral("a"), mask).IsError());
}

TEST(MaskLimitsTest, PercentSignsInTheMaskAppearAsTyped) {
  auto result = NameMatchesMask(QStringLiteral("a"), QStringLiteral("%1%2["));
  ASSERT_TRUE(result.IsError());
  EXPECT_EQ(result.Error().Text(), QStringLiteral("'%1%2[' is an invalid mask at (5)"));
}

std::vector<TMarkRow> SampleRows() {
  return {{QStringLiteral("docs.txt"), true, false}, {QStringLiteral("a.txt"), false, false},
          {QStringLiteral("B.Txt"), false, false},   {QStringLiteral("README"), false, false},
          {QStringLiteral("old.txt"), true, true},   {QStringLiteral("c.cpp"), false, true}};
}

std::vector<bool> Marks(const std::vector<TMarkRow>& rows) {
  std::vector<bool> marks;
  for (const TMarkRow& row : rows) marks.push_back(row.Marked);
  return marks;
}

TEST(MarkOperationsTest, MarkByMaskMarksMatchingFilesOnly) {
  auto rows = SampleRows();
  ASSERT_FALSE(MarkByMask(rows, QStringLiteral("*.*")).IsError());
  EXPECT_EQ(Marks(rows), (std::vector<bool>{false, true, true, false, true, true}));
}

TEST(MarkOperationsTest, UnmarkByMaskLeavesFoldersAndOtherFiles) {
  auto rows = SampleRows();
  for (auto& row : rows) row.Marked = true;
  ASSERT_FALSE(UnmarkByMask(rows, QStringLiteral("*.TXT")).IsError());
  EXPECT_EQ(Marks(rows), (std::vector<bool>{true, false, false, true, true, true}));
}

TEST(MarkOperationsTest, InvertFlipsFilesAndKeepsFolderMarks) {
  auto rows = SampleRows();
  InvertMarks(rows);
  EXPECT_EQ(Marks(rows), (std::vector<bool>{false, true, true, true, true, false}));
}

TEST(MarkOperationsTest, MalformedMaskChangesNothing) {
  auto rows = SampleRows();
  const auto before = Marks(rows);
  EXPECT_TRUE(MarkByMask(rows, QStringLiteral("[")).IsError());
  EXPECT_TRUE(UnmarkByMask(rows, QStringLiteral("[]")).IsError());
  EXPECT_TRUE(MarkMissing(rows, QStringLiteral("[-"), {}).IsError());
  EXPECT_EQ(Marks(rows), before);
}

TEST(MarkOperationsTest, MarkMissingComparesEveryPanelEntry) {
  auto rows = SampleRows();
  // "a.txt" is the panel's first entry and has a namesake too; "B.txt" differs
  // in case from "B.Txt"; "c.cpp" has a namesake and loses its old mark.
  const QStringList panel{QStringLiteral("a.txt"), QStringLiteral("B.txt"), QStringLiteral("c.cpp"),
                          QStringLiteral("old.txt")};
  ASSERT_FALSE(MarkMissing(rows, QStringLiteral("*.txt"), panel).IsError());
  EXPECT_EQ(Marks(rows), (std::vector<bool>{false, false, true, false, true, false}));
}

TEST(MarkOperationsTest, MarkMissingWithSingleEntryPanelComparesIt) {
  auto rows = SampleRows();
  ASSERT_FALSE(MarkMissing(rows, QStringLiteral("*"), {QStringLiteral("c.cpp")}).IsError());
  EXPECT_EQ(Marks(rows), (std::vector<bool>{false, true, true, true, true, false}));
  ASSERT_FALSE(MarkMissing(rows, QStringLiteral("*"), {}).IsError());
}

TEST(MarkOperationsTest, ApplyMarkOperationFollowsTheChoiceOrder) {
  auto rows = SampleRows();
  ASSERT_FALSE(ApplyMarkOperation(MarkOperation::Mark, rows, QStringLiteral("a.*")).IsError());
  EXPECT_TRUE(rows[1].Marked);
  ASSERT_FALSE(ApplyMarkOperation(MarkOperation::Unmark, rows, QStringLiteral("?.*")).IsError());
  EXPECT_FALSE(rows[1].Marked);
  EXPECT_FALSE(rows[5].Marked);
  ASSERT_FALSE(ApplyMarkOperation(MarkOperation::Invert, rows, QStringLiteral("[")).IsError());
  EXPECT_TRUE(rows[3].Marked);
  ASSERT_FALSE(
      ApplyMarkOperation(MarkOperation::MarkMissing, rows, QStringLiteral("*"), {"x", "README"}).IsError());
  EXPECT_FALSE(rows[3].Marked);
}

}  // namespace
}  // namespace zarn
