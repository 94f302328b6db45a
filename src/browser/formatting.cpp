#include "browser/formatting.h"

#include <QLocale>
#include <QTimeZone>

#include <algorithm>
#include <cmath>

namespace zarn {

std::int32_t SizeKbOf(const FindData& data) {
  const std::int64_t bytes = (std::int64_t(data.SizeHigh) << 32) + std::int64_t(data.SizeLow);
  const auto kb = std::int32_t((bytes + 1023) / 1024);
  return kb == 0 ? 1 : kb;
}

QString FormatModifiedTime(const QDateTime& local) {
  const QLocale locale;
  QString text = locale.toString(local.date(), QLocale::ShortFormat);
  if (local.time() == QTime(0, 0)) return text;
  // The locale's long time format may name the time zone; a file list has no use for it.
  QString timeFormat = locale.timeFormat(QLocale::LongFormat);
  timeFormat.remove(QLatin1Char('t'));
  return text + QLatin1Char(' ') + locale.toString(local.time(), timeFormat.trimmed());
}

QString ModifiedTextOf(const FindData& data) {
  if (data.LastWriteSeconds == 0 && data.LastWriteNanoseconds == 0) return {};
  const QDateTime local = QDateTime::fromSecsSinceEpoch(data.LastWriteSeconds, QTimeZone::systemTimeZone());
  if (!local.isValid()) return {};
  return FormatModifiedTime(local);
}

QString AttributeLetters(std::uint32_t attributes) {
  QString letters;
  if (attributes & FILE_ATTRIBUTE_READONLY) letters += QLatin1Char('R');
  if (attributes & FILE_ATTRIBUTE_HIDDEN) letters += QLatin1Char('H');
  if (attributes & FILE_ATTRIBUTE_SYSTEM) letters += QLatin1Char('S');
  if (attributes & FILE_ATTRIBUTE_ARCHIVE) letters += QLatin1Char('A');
  return letters;
}

FreeSpaceBar ComputeFreeSpaceBar(qint64 totalKb, qint64 freeKb) {
  FreeSpaceBar bar;
  // A volume that reports no size (or nonsense) shows as full rather than failing.
  const double ratio = totalKb > 0 ? std::clamp(double(freeKb) / double(totalKb), 0.0, 1.0) : 0.0;
  const int freeWidth = int(std::nearbyint(ratio * 220.0));
  bar.FreeWidth = freeWidth;
  bar.FreeLeft = 375 - freeWidth;
  bar.UsedWidth = 220 - freeWidth;
  return bar;
}

}  // namespace zarn
