#include "ops/tprogresstext.h"

namespace zarn {

QString GroupThousands(qint64 value) {
  QString digits = QString::number(value < 0 ? -value : value);
  for (qsizetype position = digits.size() - 3; position > 0; position -= 3) digits.insert(position, QLatin1Char(' '));
  return value < 0 ? QLatin1Char('-') + digits : digits;
}

QString ProgressCaption(FileOpKind kind) {
  switch (kind) {
    case FileOpKind::Copy: return QStringLiteral("Копирование...");
    case FileOpKind::Move: return QStringLiteral("Перемещение...");
    case FileOpKind::Delete: return QStringLiteral("Удаление...");
  }
  return {};
}

namespace {

QString PhaseText(FileOpPhase phase) {
  switch (phase) {
    case FileOpPhase::Planning: return QStringLiteral("Подсчёт объектов...");
    case FileOpPhase::Working: return QStringLiteral("Выполняется...");
    case FileOpPhase::Flushing: return QStringLiteral("Запись на диск...");
    case FileOpPhase::Finished: return QStringLiteral("Готово");
  }
  return {};
}

int PercentOf(qint64 done, qint64 total) {
  if (total <= 0) return 0;
  if (done >= total) return 100;
  return int(done * 100 / total);
}

}  // namespace

ProgressTexts FormatProgress(const FileOpProgress& progress) {
  ProgressTexts texts;
  texts.Objects = QStringLiteral("Объектов: %1 из %2")
                      .arg(GroupThousands(progress.ObjectsDone), GroupThousands(progress.ObjectsTotal));
  texts.Bytes = QStringLiteral("Байт: %1 из %2")
                    .arg(GroupThousands(progress.BytesDone), GroupThousands(progress.BytesTotal));
  texts.Name = progress.CurrentName;
  texts.Phase = PhaseText(progress.Phase);
  texts.Percent = progress.BytesTotal > 0 ? PercentOf(progress.BytesDone, progress.BytesTotal)
                                          : PercentOf(progress.ObjectsDone, progress.ObjectsTotal);
  if (progress.Phase == FileOpPhase::Flushing || progress.Phase == FileOpPhase::Finished) texts.Percent = 100;
  return texts;
}

}  // namespace zarn
