#pragma once
// The texts of the progress window, computed from the engine's figures.

#include <QString>

#include "platform/fileop.h"

namespace zarn {

struct ProgressTexts {
  QString Objects;  // "Объектов: 3 из 10"
  QString Bytes;    // "Байт: 1 048 576 из 5 242 880"
  QString Name;     // the current object's full path
  QString Phase;    // what the operation is doing
  int Percent = 0;  // by bytes when there are any, else by objects
};

ProgressTexts FormatProgress(const FileOpProgress& progress);
// The window caption for an operation.
QString ProgressCaption(FileOpKind kind);
// "1 234 567": a blank between groups of three digits.
QString GroupThousands(qint64 value);

}  // namespace zarn
