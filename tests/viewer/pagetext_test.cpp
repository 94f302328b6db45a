#include "viewer/pagetext.h"

#include <gtest/gtest.h>

#include <ostream>

namespace zarn {
namespace {

const QString kMark = QString(QChar(kMarkSymbol));

QByteArray Units(std::initializer_list<char16_t> units) {
  QByteArray bytes;
  for (const char16_t unit : units) {
    bytes.append(static_cast<char>(unit & 0xFF));
    bytes.append(static_cast<char>(unit >> 8));
  }
  return bytes;
}

TEST(HexLine, FullLineHasOffsetHexAndCharacterColumns) {
  QByteArray bytes;
  for (char byte = 0x41; byte <= 0x50; ++byte) bytes.append(byte);
  EXPECT_EQ(HexPageLines(bytes, 0x20, CodePage::Win),
            QStringList{"00000020: 41 42 43 44 45 46 47 48|49 4A 4B 4C 4D 4E 4F 50 | ABCDEFGHIJKLMNOP"});
}

TEST(HexLine, ShortLineIsPaddedTo48Characters) {
  const QStringList lines = HexPageLines("0123456789", 0, CodePage::Win);
  ASSERT_EQ(lines.size(), 1);
  const QString& line = lines[0];
  EXPECT_TRUE(line.startsWith("00000000: 30 31 32 33 34 35 36 37|38 39 "));
  EXPECT_EQ(line.mid(10, 48), QString("30 31 32 33 34 35 36 37|38 39 ").leftJustified(48, ' '));
  EXPECT_EQ(line.mid(58), "| 0123456789");
}

TEST(HexLine, ControlBytesAreVisibleAndLinesFollowTheOffset) {
  QByteArray bytes(20, 'a');
  bytes[0] = 0;
  bytes[1] = '\t';
  bytes[2] = '\r';
  bytes[3] = '\n';
  const QStringList lines = HexPageLines(bytes, 0x1FFFFFFF0ull, CodePage::Win);
  ASSERT_EQ(lines.size(), 2);
  EXPECT_TRUE(lines[0].startsWith("1FFFFFFF0: 00 09 0D 0A"));
  EXPECT_TRUE(lines[0].endsWith("| " + kMark + kMark + kMark + QChar(0x25D9) + QString(12, 'a')));
  EXPECT_TRUE(lines[1].startsWith("200000000: 61 61 61 61 "));
  EXPECT_FALSE(lines.join(QString()).contains('\n'));
}

TEST(HexLine, CharacterColumnFollowsTheCodePage) {
  // "Да" in 866 and in 1251.
  EXPECT_TRUE(HexPageLines("\x84\xA0", 0, CodePage::Dos)[0].endsWith(QString::fromUtf8("| Да")));
  EXPECT_TRUE(HexPageLines("\xC4\xE0", 0, CodePage::Win)[0].endsWith(QString::fromUtf8("| Да")));
  const QByteArray wide = Units({0x0414, 0x0430, 0x0041, 0x2603});
  EXPECT_TRUE(HexPageLines(wide, 0, CodePage::Ucode)[0].endsWith(QString::fromUtf8("| ДаA") + QChar(0x2665) + "&"));
}

struct WideCase {
  std::vector<char16_t> Units;
  QByteArray Expected;  // 1251 bytes
};

void PrintTo(const WideCase& wideCase, std::ostream* out) {
  for (const char16_t unit : wideCase.Units) *out << "U+" << std::hex << static_cast<int>(unit) << ' ';
}

class WideUnitTable : public ::testing::TestWithParam<WideCase> {};

TEST_P(WideUnitTable, UnitsBecome1251Bytes) {
  QByteArray bytes;
  for (const char16_t unit : GetParam().Units) bytes += Units({unit});
  EXPECT_EQ(WideUnitsAs1251(bytes), GetParam().Expected);
}

INSTANTIATE_TEST_SUITE_P(
    Units, WideUnitTable,
    ::testing::Values(WideCase{{0x0041}, "A"}, WideCase{{0x0410, 0x044F}, "\xC0\xFF"},
                      WideCase{{0x2603}, "\x03\x26"}, WideCase{{0xFEFF}, "\xFF\xFE"},
                      WideCase{{0x0000, 0x0042}, "B"}, WideCase{{0x0400, 0x0401, 0x0451}, "\xA8\xB8"},
                      WideCase{{0x000D, 0x000A, 0x0043}, "\r\nC"}, WideCase{{0x0009}, "\t"},
                      WideCase{{0x0900}, QByteArray("\x10\x10", 2)}, WideCase{{0x04FF}, "?"}));

TEST(WideUnitTable, RussianAlphabetComesOutIn1251) {
  QByteArray bytes;
  QByteArray expected;
  for (char16_t unit = 0x0410; unit <= 0x044F; ++unit) {
    bytes += Units({unit});
    expected.append(static_cast<char>(0xC0 + unit - 0x0410));
  }
  EXPECT_EQ(WideUnitsAs1251(bytes), expected);
  EXPECT_EQ(TextPageText(bytes, CodePage::Ucode).left(3), QString::fromUtf8("АБВ"));
}

TEST(WholeFileText, MarksZeroAndPadsTabs) {
  EXPECT_EQ(WholeFileText(QByteArray("a\0b\tc\r\nd", 8), CodePage::Win), "a" + kMark + "b\t    c\nd");
  EXPECT_EQ(WholeFileText("\x8F\xE0\xA8", CodePage::Dos), QString::fromUtf8("При"));
  EXPECT_EQ(WholeFileText(Units({0x041F, 0x000D, 0x000A, 0x0430}) + "x", CodePage::Ucode), QString::fromUtf8("П\nа"));
  EXPECT_EQ(WholeFileText({}, CodePage::Win), QString());
}

TEST(TextPageText, MarksZeroAndTabButKeepsLineBreaks) {
  EXPECT_EQ(TextPageText(QByteArray("a\0b\tc\r\nd\ne\rf", 12), CodePage::Win),
            "a" + kMark + "b" + kMark + "c\nd\ne\nf");
}

TEST(LineLabel, IsTheLineOffsetInEightOrMoreDigits) {
  EXPECT_EQ(LineLabel(0x1234), "00001230");
  EXPECT_EQ(LineLabel(5), "00000000");
  EXPECT_EQ(LineLabel(0x123456789ull), "123456780");
}

}  // namespace
}  // namespace zarn
