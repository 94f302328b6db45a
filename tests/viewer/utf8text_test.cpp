#include "viewer/utf8text.h"

#include <gtest/gtest.h>

namespace zarn {
namespace {

const QString kMark{QChar(QChar::ReplacementCharacter)};

TEST(Utf8Text, EveryInvalidByteIsOneMarkInItsOwnPlace) {
  EXPECT_EQ(DecodeUtf8Lossy(QStringLiteral("Привет 😀").toUtf8()), QStringLiteral("Привет 😀"));
  // Overlong "/" in two and three bytes, a surrogate, a value past U+10FFFF,
  // a stray continuation, and a character cut short at the end.
  EXPECT_EQ(DecodeUtf8Lossy("a\xC0\xAF" "b"), "a" + kMark + kMark + "b");
  EXPECT_EQ(DecodeUtf8Lossy("\xE0\x80\xAF"), kMark + kMark + kMark);
  EXPECT_EQ(DecodeUtf8Lossy("\xED\xA0\x80z"), kMark + kMark + kMark + "z");
  EXPECT_EQ(DecodeUtf8Lossy("\xF4\x90\x80\x80"), kMark + kMark + kMark + kMark);
  EXPECT_EQ(DecodeUtf8Lossy("\x80"), kMark);
  EXPECT_EQ(DecodeUtf8Lossy("ok\xD0"), "ok" + kMark);
  EXPECT_EQ(DecodeUtf8Lossy("ok\xF0\x9F\x98"), "ok" + kMark + kMark + kMark);
}

TEST(Utf8Text, AFileIsTakenForUtf8ByItsNonAsciiBytes) {
  EXPECT_TRUE(LooksLikeUtf8(QStringLiteral("just Привет").toUtf8(), false));
  EXPECT_FALSE(LooksLikeUtf8("plain ASCII", false));
  EXPECT_FALSE(LooksLikeUtf8("\xCF\xF0\xE8\xE2\xE5\xF2", false));  // 1251
  EXPECT_FALSE(LooksLikeUtf8("\xC0\xAF", false));
  // The first 64 KiB of a longer file may end inside a character.
  const QByteArray cut = QStringLiteral("Привет").toUtf8().left(5);
  EXPECT_TRUE(LooksLikeUtf8(cut, true));
  EXPECT_FALSE(LooksLikeUtf8(cut, false));
}

TEST(Utf8Text, PagesAreCutBetweenCharacters) {
  // "a" and a four-byte character at bytes 1-4, then "b".
  const QByteArray bytes = "a\xF0\x9F\x98\x80" "b";
  // A page that begins inside the character begins at its first byte.
  for (qsizetype begin = 2; begin <= 4; ++begin) {
    EXPECT_EQ(WholeCharacters(bytes, begin, true).Begin, 1) << begin;
  }
  EXPECT_EQ(WholeCharacters(bytes, 5, true).Begin, 5);
  // A page that ends inside it leaves it to the next page; the file's end keeps it, invalid.
  const QByteArray cut = bytes.left(3);
  EXPECT_EQ(WholeCharacters(cut, 0, false).End, 1);
  EXPECT_EQ(WholeCharacters(cut, 0, true).End, 3);
  EXPECT_EQ(WholeCharacters(bytes, 0, false).End, 6);
}

TEST(Utf8Text, HexCellsShowACharacterAtItsFirstByte) {
  const QString dot{QChar(kUtf8Continuation)};
  EXPECT_EQ(Utf8ByteCells(QStringLiteral("Яz").toUtf8(), true), QStringList({QStringLiteral("Я"), dot, "z"}));
  // The tail of a character begun on the line before, and one cut at the end.
  EXPECT_EQ(Utf8ByteCells("\xAF" "a\xD0", false), QStringList({dot, "a", dot}));
  EXPECT_EQ(Utf8ByteCells("\xAF" "a\xD0", true), QStringList({dot, "a", kMark}));
  EXPECT_EQ(Utf8ByteCells("\xFF", true), QStringList({kMark}));
}

}  // namespace
}  // namespace zarn
