#pragma once
// The texts of the file-operation questions.

#include <QString>

#include "platform/fileop.h"

namespace zarn {

QString ReplaceQuestionText(const ObjectFacts& source, const ObjectFacts& existing);
QString ErrorQuestionText(const OsError& error);
QString DeleteForGoodQuestionText(const QString& path, const OsError& reason);

}  // namespace zarn
