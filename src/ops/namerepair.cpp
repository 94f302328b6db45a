#include "ops/namerepair.h"

#include <algorithm>
#include <array>
#include <map>

#include "viewer/codepages.h"
#include "platform/filenames.h"

namespace zarn {
namespace {

constexpr std::array kSources = {NameSource::Cp1251, NameSource::Cp866, NameSource::Koi8r, NameSource::DoubleUtf8};

// Bytes 0x80..0x9F as the Windows Latin code page shows them: a name encoded
// twice has often passed through it rather than through Latin-1.
constexpr char16_t kCp1252Specials[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

bool HasNonAscii(const QByteArray& bytes) {
  return std::any_of(bytes.begin(), bytes.end(), [](char byte) { return static_cast<unsigned char>(byte) >= 0x80; });
}

bool IsUtf8(const QByteArray& bytes) { return IsValidUtf8(bytes.constData(), bytes.size()); }

// The bytes a text came from when each character stood for one byte.
std::optional<QByteArray> SingleByteOrigin(const QString& text) {
  QByteArray bytes;
  bytes.reserve(text.size());
  for (const QChar unit : text) {
    const char16_t character = unit.unicode();
    if (character <= 0xFF) {
      bytes.append(static_cast<char>(character));
      continue;
    }
    const auto* special = std::find(std::begin(kCp1252Specials), std::end(kCp1252Specials), character);
    if (special == std::end(kCp1252Specials)) return std::nullopt;
    bytes.append(static_cast<char>(0x80 + (special - std::begin(kCp1252Specials))));
  }
  return bytes;
}

bool IsCyrillicLetter(char16_t character) {
  return (character >= 0x0410 && character <= 0x044F) || character == 0x0401 || character == 0x0451;
}

bool IsUpperCyrillic(char16_t character) { return (character >= 0x0410 && character <= 0x042F) || character == 0x0401; }

bool IsRussianVowel(char16_t character) {
  return QStringLiteral("аеёиоуыэюяАЕЁИОУЫЭЮЯ").contains(QChar(character));
}

// How a run of Cyrillic letters looks as a word: its letter case (all small,
// all capital or capitalised) and its share of vowels.
int WordScore(const QString& word) {
  int score = 0;
  const bool restUpper = std::all_of(word.begin() + 1, word.end(), [](QChar c) { return IsUpperCyrillic(c.unicode()); });
  const bool restLower = std::none_of(word.begin() + 1, word.end(), [](QChar c) { return IsUpperCyrillic(c.unicode()); });
  if (!restUpper && !restLower) score -= 4 * int(word.size());
  if (!restLower && !IsUpperCyrillic(word[0].unicode())) score -= 4 * int(word.size());
  if (word.size() >= 4) {
    const auto vowels = std::count_if(word.begin(), word.end(), [](QChar c) { return IsRussianVowel(c.unicode()); });
    const double share = double(vowels) / double(word.size());
    if (share < 0.2 || share > 0.75) score -= 2 * int(word.size());
  }
  if (QStringLiteral("ЪЬЫъьы").contains(word[0])) score -= 6;
  return score;
}

// Cyrillic letters in words of a plausible shape count for a reading; signs
// no file name holds (box drawing, controls, marks of invalid bytes) count
// against it.
int Plausibility(const QString& text) {
  int score = 0;
  int cyrillic = 0;
  QString word;
  const auto endWord = [&] {
    if (!word.isEmpty()) score += WordScore(word);
    word.clear();
  };
  for (const QChar unit : text) {
    const char16_t character = unit.unicode();
    if (IsCyrillicLetter(character)) {
      word.append(unit);
      score += 3;
      ++cyrillic;
      continue;
    }
    endWord();
    const bool plain = character < 0x80 && character >= 0x20;
    score += plain ? 1 : -8;
  }
  endWord();
  return cyrillic > 0 ? score : -1;
}

}  // namespace

QString NameSourceCaption(NameSource source) {
  switch (source) {
    case NameSource::Cp1251: return QStringLiteral("1251 (WIN)");
    case NameSource::Cp866: return QStringLiteral("866 (DOS)");
    case NameSource::Koi8r: return QStringLiteral("KOI8-R");
    case NameSource::DoubleUtf8: return QStringLiteral("UTF-8, закодированный дважды");
  }
  return {};
}

std::optional<QString> ReadNameAs(const QByteArray& name, NameSource source) {
  const bool utf8 = IsUtf8(name);
  switch (source) {
    case NameSource::Cp1251: return utf8 ? std::nullopt : std::optional(DecodeSingleBytes(name, Cp1251ToUnicode));
    case NameSource::Cp866: return utf8 ? std::nullopt : std::optional(DecodeSingleBytes(name, Cp866ToUnicode));
    case NameSource::Koi8r: return utf8 ? std::nullopt : std::optional(DecodeSingleBytes(name, Koi8rToUnicode));
    case NameSource::DoubleUtf8: {
      if (!utf8) return std::nullopt;
      const std::optional<QByteArray> origin = SingleByteOrigin(QString::fromUtf8(name));
      if (!origin || !HasNonAscii(*origin) || !IsUtf8(*origin)) return std::nullopt;
      return QString::fromUtf8(*origin);
    }
  }
  return std::nullopt;
}

bool NameNeedsRepair(const QByteArray& name) {
  return !IsUtf8(name) || ReadNameAs(name, NameSource::DoubleUtf8).has_value();
}

std::vector<TNameReading> PlausibleReadings(const QByteArray& name) {
  std::vector<TNameReading> readings;
  for (const NameSource source : kSources) {
    const std::optional<QString> read = ReadNameAs(name, source);
    if (!read) continue;
    const int score = Plausibility(*read);
    if (score > 0) readings.push_back({source, *read, score});
  }
  std::stable_sort(readings.begin(), readings.end(),
                   [](const TNameReading& a, const TNameReading& b) { return a.Score > b.Score; });
  return readings;
}

std::vector<NameSource> CommonSources(const std::vector<QByteArray>& names) {
  std::map<NameSource, int> totals;
  std::map<NameSource, int> readers;
  for (const QByteArray& name : names) {
    for (const TNameReading& reading : PlausibleReadings(name)) {
      totals[reading.Source] += reading.Score;
      ++readers[reading.Source];
    }
  }
  std::vector<NameSource> common;
  for (const NameSource source : kSources) {
    if (readers[source] == int(names.size()) && !names.empty()) common.push_back(source);
  }
  std::stable_sort(common.begin(), common.end(), [&](NameSource a, NameSource b) { return totals[a] > totals[b]; });
  return common;
}

}  // namespace zarn
