#include "ops/listkeys.h"

#include "platform/prompter.h"

namespace zarn {

QString AskMaskForKey(MaskBox box) {
  const QString standard = QStringLiteral("*.*");
  const bool marking = box == MaskBox::Mark;
  const auto answer = Prompter().InputBox(
      marking ? QStringLiteral("Выделение файлов") : QStringLiteral("Отмена выделения файлов"),
      marking ? QStringLiteral("Введите маску выбора") : QStringLiteral("Введите маску отмены"), standard);
  return answer.value_or(standard);
}

}  // namespace zarn
