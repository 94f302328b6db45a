#include "settings/associations.h"

#include "platform/filenames.h"
#include "settings/settingsfile.h"

namespace zarn {

QString FileExtension(const QString& path) {
  const qsizetype nameStart = path.lastIndexOf(QLatin1Char('/')) + 1;
  const qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
  return dot >= nameStart ? path.mid(dot) : QString();
}

QString TrimControlAndBlank(const QString& text) {
  qsizetype first = 0;
  qsizetype last = text.size();
  while (first < last && text.at(first).unicode() <= 32) ++first;
  while (last > first && text.at(last - 1).unicode() <= 32) --last;
  return text.mid(first, last - first);
}

QString LookupAssociation(const TAssociationTable& table, const QString& extension) {
  for (const TAssociation& row : table) {
    if (TrimControlAndBlank(row.Extension) == extension) return row.Program;
  }
  return {};
}

TAssociationTable AssociationsFromLines(const QStringList& lines) {
  TAssociationTable table;
  table.reserve((lines.size() + 1) / 2);
  for (qsizetype i = 0; i < lines.size(); i += 2) {
    table.append({lines.at(i), i + 1 < lines.size() ? lines.at(i + 1) : QString()});
  }
  return table;
}

QStringList AssociationsToLines(const TAssociationTable& table) {
  QStringList lines;
  lines.reserve(table.size() * 2);
  for (const TAssociation& row : table) lines << row.Extension << row.Program;
  return lines;
}

QString UnstorableReason(const QString& text) {
  if (text.contains(QLatin1Char('\n')) || text.contains(QLatin1Char('\r'))) {
    return QStringLiteral("Перевод строки не может быть сохранён в zarn.ext: %1").arg(text);
  }
  if (ToNativeName(text) != text.toUtf8()) {
    return QStringLiteral("Имя не в кодировке UTF-8 не может быть сохранено в zarn.ext: %1").arg(text);
  }
  return {};
}

QString AssociationsFilePath() { return SettingsFilePath(QStringLiteral("zarn.ext")); }

ErrorOr<std::optional<TAssociationTable>> LoadAssociations(const QString& path) {
  if (!SettingsFileExists(path)) return std::optional<TAssociationTable>();
  auto lines = ReadSettingsLines(path);
  if (lines.IsError()) return lines.Error();
  return std::optional<TAssociationTable>(AssociationsFromLines(lines.Value()));
}

ErrorOrDone SaveAssociations(const QString& path, const TAssociationTable& table) {
  const QStringList lines = AssociationsToLines(table);
  for (const QString& line : lines) {
    const QString reason = UnstorableReason(line);
    if (!reason.isEmpty()) return OsError::WithText(reason, path);
  }
  return WriteSettingsLines(path, lines);
}

}  // namespace zarn
