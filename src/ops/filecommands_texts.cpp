#include "ops/filecommands_texts.h"

namespace zarn {

namespace {

const QString LineEnd = QStringLiteral("\r\n");
const QString Execute = QStringLiteral(" В Ы П О Л Н И Т Ь ?");

// Each name on its own line, at most `limit` of them; once the limit is
// reached "..." and an empty line follow, even when nothing was left out.
QString NameLines(const QStringList& sources, int limit) {
  QString text;
  for (int index = 0; index < sources.size(); ++index) {
    text += FileNamePart(sources[index]) + LineEnd;
    if (index + 1 == limit) {
      text += QStringLiteral("...") + LineEnd + LineEnd;
      break;
    }
  }
  return text;
}

}  // namespace

QString FileNamePart(const QString& path) {
  QString trimmed = path;
  while (trimmed.size() > 1 && trimmed.endsWith(QLatin1Char('/'))) trimmed.chop(1);
  return trimmed.mid(trimmed.lastIndexOf(QLatin1Char('/')) + 1);
}

QString CopyConfirmationText(const QStringList& sources, const QString& panelPath) {
  return QStringLiteral("Корировать : ") + QString::number(sources.size()) + QStringLiteral(" объект(ов)") + LineEnd +
         NameLines(sources, 6) + QStringLiteral("В папку : ") + panelPath + LineEnd + LineEnd + Execute;
}

QString MoveConfirmationText(int count, const QString& panelPath) {
  return QStringLiteral("Переместить : ") + QString::number(count) + LineEnd + LineEnd + QStringLiteral("В папку : ") +
         panelPath + LineEnd + LineEnd + Execute;
}

QString DeleteConfirmationText(const QStringList& sources) {
  return QStringLiteral("Удалить : ") + QString::number(sources.size()) + QStringLiteral(" объект(ов)") + LineEnd +
         NameLines(sources, 5) + LineEnd + LineEnd + Execute;
}

}  // namespace zarn
