#include "viewer/codepages.h"

#include <gtest/gtest.h>
#include <iconv.h>

#include <optional>

namespace zarn {
namespace {

// What iconv makes of one byte, or nothing when it refuses it.
std::optional<QByteArray> Iconv(const char* to, const char* from, unsigned char byte) {
  iconv_t converter = iconv_open(to, from);
  if (converter == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
  char input[1] = {static_cast<char>(byte)};
  char output[8] = {};
  char* in = input;
  char* out = output;
  size_t inLeft = 1;
  size_t outLeft = sizeof output;
  const size_t result = iconv(converter, &in, &inLeft, &out, &outLeft);
  iconv_close(converter);
  if (result == static_cast<size_t>(-1)) return std::nullopt;
  return QByteArray(output, static_cast<qsizetype>(sizeof output - outLeft));
}

char16_t Utf16(const QByteArray& littleEndian) {
  return static_cast<char16_t>(static_cast<unsigned char>(littleEndian[0]) |
                               (static_cast<unsigned char>(littleEndian[1]) << 8));
}

TEST(CodePageTables, DecodingAgreesWithIconvForEveryByte) {
  for (int byte = 0; byte < 256; ++byte) {
    const auto win = Iconv("UTF-16LE", "CP1251", static_cast<unsigned char>(byte));
    if (win) EXPECT_EQ(Cp1251ToUnicode(static_cast<unsigned char>(byte)), Utf16(*win)) << byte;
    else EXPECT_EQ(byte, 0x98);  // the one byte 1251 leaves unassigned
    const auto dos = Iconv("UTF-16LE", "CP866", static_cast<unsigned char>(byte));
    ASSERT_TRUE(dos.has_value()) << byte;
    EXPECT_EQ(Cp866ToUnicode(static_cast<unsigned char>(byte)), Utf16(*dos)) << byte;
  }
}

TEST(CodePageTables, OemToAnsiAgreesWithIconvWhereWindowsHasTheCharacter) {
  for (int byte = 0; byte < 256; ++byte) {
    const QByteArray converted = OemToAnsi(QByteArray(1, static_cast<char>(byte)));
    ASSERT_EQ(converted.size(), 1);
    const auto expected = Iconv("CP1251", "CP866", static_cast<unsigned char>(byte));
    if (expected) {
      EXPECT_EQ(converted, *expected) << byte;
    } else {
      // Pseudographics: an ASCII look-alike, never a letter.
      EXPECT_TRUE(QByteArray("|-+#v\xB7").contains(converted[0])) << byte;
    }
  }
  EXPECT_EQ(OemToAnsi({}), QByteArray());
}

TEST(CodePageTables, AnsiToOemMovesRussianLettersAndKeepsTheRest) {
  for (int byte = 0; byte < 256; ++byte) {
    const QByteArray converted = AnsiToOem(QByteArray(1, static_cast<char>(byte)));
    const auto expected = Iconv("CP866", "CP1251", static_cast<unsigned char>(byte));
    EXPECT_EQ(converted, expected ? *expected : QByteArray(1, static_cast<char>(byte))) << byte;
  }
  EXPECT_EQ(AnsiToOem("\xC0\xEF\xF0\xFF\xA8\xB8"), QByteArray("\x80\xAF\xE0\xEF\xF0\xF1"));
}

TEST(CodePageTables, CaseTablesFollowUnicodeLetterCase) {
  for (int byte = 0; byte < 256; ++byte) {
    const QChar character(Cp1251ToUnicode(static_cast<unsigned char>(byte)));
    const char lower = LowerByte1251(static_cast<char>(byte));
    const char upper = UpperByte1251(static_cast<char>(byte));
    unsigned char expected = static_cast<unsigned char>(byte);
    if (!UnicodeToCp1251(character.toLower().unicode(), &expected)) expected = static_cast<unsigned char>(byte);
    EXPECT_EQ(static_cast<unsigned char>(lower), expected) << byte;
    expected = static_cast<unsigned char>(byte);
    if (!UnicodeToCp1251(character.toUpper().unicode(), &expected)) expected = static_cast<unsigned char>(byte);
    EXPECT_EQ(static_cast<unsigned char>(upper), expected) << byte;
  }
  EXPECT_EQ(LowerCase1251("ABC \xC0\xDF\xA8 xyz"), QByteArray("abc \xE0\xFF\xB8 xyz"));
  EXPECT_EQ(UpperCase1251("abc \xE0\xFF\xB8"), QByteArray("ABC \xC0\xDF\xA8"));
}

TEST(CodePageTables, DecodeAndEncodeRoundTrip) {
  QByteArray all;
  for (int byte = 0; byte < 256; ++byte) all.append(static_cast<char>(byte));
  EXPECT_EQ(EncodeCp1251(DecodeCodePage(all, CodePage::Win)), all);
  EXPECT_EQ(DecodeCodePage(QByteArray("\x10\x04\x41\x00\x03", 5), CodePage::Ucode), QString::fromUtf8("АA"));
  EXPECT_EQ(DecodeCodePage("\x80\xA0\xF1", CodePage::Dos), QString::fromUtf8("Ааё"));
  EXPECT_EQ(EncodeCp1251(QString::fromUtf8("Я☃")), QByteArray("\xDF?"));
}

TEST(CodePageCycle, GoesWinDosUcodeUtf8Win) {
  EXPECT_EQ(NextCodePage(CodePage::Win), CodePage::Dos);
  EXPECT_EQ(NextCodePage(CodePage::Dos), CodePage::Ucode);
  EXPECT_EQ(NextCodePage(CodePage::Ucode), CodePage::Utf8);
  EXPECT_EQ(NextCodePage(CodePage::Utf8), CodePage::Win);
  EXPECT_EQ(CodePageName(CodePage::Utf8), "UTF-8");
}

}  // namespace
}  // namespace zarn
