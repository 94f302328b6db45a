#pragma once

#include <QString>

namespace zarn {

// A blank between groups of three characters counted from the right; no blank
// in front of the first character. Callers pass the decimal form of a
// non-negative number and append their own unit.
QString GroupDigits(const QString& text);

}  // namespace zarn
