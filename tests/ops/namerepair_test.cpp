#include "ops/namerepair.h"

#include <gtest/gtest.h>

namespace zarn {
namespace {

NameSource Likeliest(const QByteArray& name) {
  const std::vector<TNameReading> readings = PlausibleReadings(name);
  return readings.empty() ? NameSource::DoubleUtf8 : readings.front().Source;
}

TEST(NameRepair, TheLikeliestReadingComesFirst) {
  const QByteArray win("\xCF\xF0\xE8\xE2\xE5\xF2.txt");
  const QByteArray dos("\x8E\xE2\xE7\xF1\xE2 \xA7\xA0 2024 \xA3\xAE\xA4.doc");
  const QByteArray koi("\xE4\xCF\xCB\xD5\xCD\xC5\xCE\xD4\xD9");
  for (const QByteArray& name : {win, dos, koi}) EXPECT_TRUE(NameNeedsRepair(name));
  EXPECT_EQ(Likeliest(win), NameSource::Cp1251);
  EXPECT_EQ(PlausibleReadings(win).front().Name, QStringLiteral("Привет.txt"));
  EXPECT_EQ(Likeliest(dos), NameSource::Cp866);
  EXPECT_EQ(PlausibleReadings(dos).front().Name, QStringLiteral("Отчёт за 2024 год.doc"));
  EXPECT_EQ(Likeliest(koi), NameSource::Koi8r);
  EXPECT_EQ(PlausibleReadings(koi).front().Name, QStringLiteral("Документы"));
}

TEST(NameRepair, ANameEncodedTwiceIsReadBack) {
  // Through Latin-1 and through the Windows Latin code page.
  const QByteArray latin1("\xC3\x90\xC2\x9F\xC3\x91\xC2\x80\xC3\x90\xC2\xB8\xC3\x90\xC2\xB2\xC3\x90\xC2\xB5\xC3\x91\xC2\x82");
  const QByteArray windows = QStringLiteral("Ð¡Ñ‡Ñ‘Ñ‚").toUtf8();
  EXPECT_TRUE(NameNeedsRepair(latin1));
  ASSERT_EQ(PlausibleReadings(latin1).size(), 1u);
  EXPECT_EQ(PlausibleReadings(latin1).front().Name, QStringLiteral("Привет"));
  EXPECT_EQ(ReadNameAs(windows, NameSource::DoubleUtf8), QStringLiteral("Счёт"));
}

TEST(NameRepair, SoundNamesAndNoiseAreOfferedNothing) {
  EXPECT_FALSE(NameNeedsRepair(QStringLiteral("Привет.txt").toUtf8()));
  EXPECT_FALSE(NameNeedsRepair("plain.txt"));
  EXPECT_FALSE(NameNeedsRepair(QStringLiteral("Crème brûlée").toUtf8()));
  const QByteArray noise("\xB0\xB1\xB2\xDB\x9F\x01");
  EXPECT_TRUE(NameNeedsRepair(noise));
  EXPECT_TRUE(PlausibleReadings(noise).empty());
  EXPECT_TRUE(CommonSources({noise}).empty());
}

TEST(NameRepair, SeveralNamesShareOneChoice) {
  const std::vector<QByteArray> names{QByteArray("\xCF\xF0\xE8\xE2\xE5\xF2"), QByteArray("\xCC\xE8\xF0 2.txt")};
  const std::vector<NameSource> common = CommonSources(names);
  ASSERT_FALSE(common.empty());
  EXPECT_EQ(common.front(), NameSource::Cp1251);
  EXPECT_EQ(ReadNameAs(names[1], common.front()), QStringLiteral("Мир 2.txt"));
  // A way that one of them cannot take is not offered.
  EXPECT_TRUE(CommonSources({names[0], QStringLiteral("Ð¡Ñ‡Ñ‘Ñ‚").toUtf8()}).empty());
}

}  // namespace
}  // namespace zarn
