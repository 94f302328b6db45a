#include "panel/panelpath.h"

namespace zarn {

QString ParentPath(const QString& path) {
  if (path.size() < 2) return path;
  QString trimmed = path;
  if (trimmed.endsWith(QLatin1Char('/'))) trimmed.chop(1);
  const qsizetype slash = trimmed.lastIndexOf(QLatin1Char('/'));
  if (slash < 0) return path;
  return trimmed.left(slash + 1);
}

}  // namespace zarn
