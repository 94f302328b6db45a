#include "platform/groupdigits.h"

namespace zarn {

QString GroupDigits(const QString& text) {
  QString grouped;
  grouped.reserve(text.size() + text.size() / 3);
  const qsizetype length = text.size();
  for (qsizetype i = 0; i < length; ++i) {
    if (i > 0 && (length - i) % 3 == 0) grouped.append(QLatin1Char(' '));
    grouped.append(text.at(i));
  }
  return grouped;
}

}  // namespace zarn
