#include <gtest/gtest.h>

#include "search/windowsmask.h"

namespace zarn {
namespace {

struct MaskCase {
  const char* Mask;
  const char* Name;
  bool Matches;
};

class WindowsMaskTest : public testing::TestWithParam<MaskCase> {};

TEST_P(WindowsMaskTest, MatchesLikeTheWindowsListing) {
  const MaskCase& item = GetParam();
  const TWindowsMask mask(QString::fromUtf8(item.Mask));
  EXPECT_EQ(mask.Matches(QByteArray(item.Name)), item.Matches) << item.Mask << " / " << item.Name;
  EXPECT_EQ(mask.MatchesText(QString::fromUtf8(item.Name)), item.Matches) << item.Mask << " / " << item.Name;
}

INSTANTIATE_TEST_SUITE_P(
    Masks, WindowsMaskTest,
    testing::Values(
        // "*.*" is every name, dots or not, "." and ".." included.
        MaskCase{"*.*", "readme", true}, MaskCase{"*.*", "a.b.c", true}, MaskCase{"*.*", ".", true},
        MaskCase{"*.*", "..", true}, MaskCase{"*", ".hidden", true},
        // Letters in either case.
        MaskCase{"a*.txt", "Abc.TXT", true}, MaskCase{"a*.txt", "a.txt", true}, MaskCase{"a*.txt", "b.txt", false},
        MaskCase{"a*.txt", "abc.txt.bak", false}, MaskCase{"a*.txt", "a.b.txt", true},
        MaskCase{"ПРИВЕТ.*", "привет.doc", true}, MaskCase{"ё*.*", "Ёлка", true},
        // A mask ending in "." takes names without an extension.
        MaskCase{"*.", "passport", true}, MaskCase{"*.", "passport.doc", false}, MaskCase{"*.", ".", true},
        MaskCase{"*.", "..", true}, MaskCase{"*.", ".bashrc", false}, MaskCase{"abc.", "ABC", true},
        // "x.*" also takes "x" itself.
        MaskCase{"*port.*", "passport", true}, MaskCase{"*port.*", "passport.doc", true},
        MaskCase{"*port.*", "portal", false},
        // "?" is one character, or none before a dot or the end.
        MaskCase{"a?c.*", "abc.txt", true}, MaskCase{"a?c.*", "ac.txt", false}, MaskCase{"ab?.*", "ab.txt", true},
        MaskCase{"ab??", "ab", true}, MaskCase{"ab??", "abcde", false}, MaskCase{"?.txt", "я.txt", true},
        // Literal characters that are special elsewhere.
        MaskCase{"[a].*", "[a].txt", true}, MaskCase{"[a].*", "a.txt", false},
        MaskCase{"*a*a*a*a*a*a*a*b.*", "aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa", false}));

TEST(WindowsMaskBytes, NameThatIsNotUtf8MatchesByItsCharacters) {
  const QByteArray name("caf\xE9.txt");  // Latin-1 "é": not UTF-8
  EXPECT_TRUE(TWindowsMask("caf?.txt").Matches(name));
  EXPECT_TRUE(TWindowsMask("*.txt").Matches(name));
  EXPECT_FALSE(TWindowsMask("cafe.txt").Matches(name));
  EXPECT_FALSE(TWindowsMask("caf\u00e9.txt").Matches(name));
}

TEST(WindowsMaskBytes, QuestionMarkTakesAWholeUtf8Character) {
  EXPECT_TRUE(TWindowsMask("?").Matches(QByteArray("\xD0\xAF")));  // "Я"
  EXPECT_FALSE(TWindowsMask("??x").Matches(QByteArray("\xD0\xAFx")));
}

TEST(WindowsMaskBytes, LongMaskBeyondTheInlineStates) {
  const QString longName(300, u'b');
  EXPECT_TRUE(TWindowsMask(QString(299, u'b') + u'?').MatchesText(longName));
  EXPECT_FALSE(TWindowsMask(QString(301, u'b')).MatchesText(longName));
}

TEST(WindowsMaskBytes, EverythingMasks) {
  EXPECT_TRUE(TWindowsMask("*.*").MatchesEverything());
  EXPECT_TRUE(TWindowsMask("**").MatchesEverything());
  EXPECT_FALSE(TWindowsMask("*.").MatchesEverything());
}

}  // namespace
}  // namespace zarn
