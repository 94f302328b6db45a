#include "platform/filenames.h"

#include <gtest/gtest.h>

namespace zarn {
namespace {

class FileNameRoundTrip : public testing::TestWithParam<QByteArray> {};

TEST_P(FileNameRoundTrip, EncodesBackToTheSameBytes) {
  const QByteArray bytes = GetParam();
  EXPECT_EQ(ToNativeName(FromNativeName(bytes)), bytes);
}

INSTANTIATE_TEST_SUITE_P(Names, FileNameRoundTrip,
                         testing::Values(QByteArray("plain.txt"), QByteArray("файл ☃ 𝄞.txt"),
                                         QByteArray("bad\xff\xfe name"), QByteArray("\xc3"),
                                         QByteArray("\xed\xb2\x80 encoded surrogate"),
                                         QByteArray("\xc0\xaf overlong"), QByteArray("new\nline"),
                                         QByteArray("\xf4\x90\x80\x80 beyond")));

TEST(FileNamesTest, ValidUtf8DecodesAsText) {
  EXPECT_EQ(FromNativeName(QByteArray("файл")), QString::fromUtf8("файл"));
  EXPECT_TRUE(IsValidUtf8("файл", qsizetype(strlen("файл"))));
  EXPECT_FALSE(IsValidUtf8("a\xff", 2));
}

TEST(FileNamesTest, InvalidBytesBecomeEscapesThatDisplayLossily) {
  const QString name = FromNativeName(QByteArray("a\xffz"));
  ASSERT_EQ(name.size(), 3);
  EXPECT_EQ(name.at(1).unicode(), 0xDCFF);
}

}  // namespace
}  // namespace zarn
