#include "platform/pathtext.h"

namespace zarn {

QString LastPathComponent(const QString& path) {
  if (path == QLatin1String("/")) return path;
  QString trimmed = path;
  if (trimmed.endsWith(QLatin1Char('/'))) trimmed.chop(1);
  const qsizetype slash = trimmed.lastIndexOf(QLatin1Char('/'));
  if (slash < 0) return {};
  return trimmed.mid(slash + 1);
}

QString WithTrailingSlash(const QString& path) {
  if (path.isEmpty() || path.endsWith(QLatin1Char('/'))) return path;
  return path + QLatin1Char('/');
}

QString WithoutTrailingSlash(const QString& path) {
  QString result = path;
  while (result.size() > 1 && result.endsWith(QLatin1Char('/'))) result.chop(1);
  return result;
}

}  // namespace zarn
