#include "viewer/viewersearch.h"

#include <algorithm>

namespace zarn {

QString NotFoundInTextMessage(const QString& text) { return text + QStringLiteral("- не найдено"); }

QString NotFoundInFileMessage(const QString& text) { return text + QStringLiteral(" - не найдено"); }

std::optional<TTextMatch> FindInLines(const QStringList& lines, int caretLine, int caretColumn, const QString& text) {
  if (text.isEmpty()) return std::nullopt;
  for (int line = std::max(caretLine, 0); line < lines.size(); ++line) {
    const int from = line == caretLine ? std::max(caretColumn, 0) : 0;
    if (from > lines[line].size()) continue;
    const qsizetype found = lines[line].indexOf(text, from, Qt::CaseInsensitive);
    if (found >= 0) return TTextMatch{line, static_cast<int>(found), static_cast<int>(text.size())};
  }
  return std::nullopt;
}

qint64 HexSearchStart(qint64 position) { return 16 * (position + 1); }

qint64 MatchPosition(qint64 offset, qint64 maximum) { return std::min(offset / 16, maximum); }

int FindLabelLine(const QStringList& lines, const QString& label) {
  // Only the offset column counts: the same digits may stand in a character column.
  const QString prefix = label + QLatin1Char(':');
  for (int index = 0; index < lines.size(); ++index) {
    if (lines[index].startsWith(prefix)) return index;
  }
  return -1;
}

}  // namespace zarn
