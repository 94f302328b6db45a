#include "ops/fileprompts_texts.h"

#include "ops/tprogresstext.h"

namespace zarn {
namespace {

QString Describe(const ObjectFacts& facts) {
  const QString when = facts.Modified.toLocalTime().toString(QStringLiteral("dd.MM.yyyy HH:mm:ss"));
  if (facts.IsFolder) return facts.Path + QStringLiteral("\n    папка, изменена ") + when;
  return facts.Path + QStringLiteral("\n    ") + GroupThousands(facts.Size) + QStringLiteral(" байт, изменён ") + when;
}

}  // namespace

QString ReplaceQuestionText(const ObjectFacts& source, const ObjectFacts& existing) {
  const QString head = existing.IsFolder && source.IsFolder
                           ? QStringLiteral("Папка уже существует. Объединить её содержимое с копируемой папкой?")
                           : QStringLiteral("Объект уже существует. Заменить его?");
  return head + QStringLiteral("\n\nСуществующий:\n") + Describe(existing) + QStringLiteral("\n\nНовый:\n") +
         Describe(source);
}

QString ErrorQuestionText(const OsError& error) { return QStringLiteral("Ошибка:\n") + error.Text(); }

QString DeleteForGoodQuestionText(const QString& path, const OsError& reason) {
  return QStringLiteral("Объект нельзя переместить в корзину:\n") + path + QStringLiteral("\n(") + reason.Text() +
         QStringLiteral(")\n\nУдалить его безвозвратно?");
}

}  // namespace zarn
