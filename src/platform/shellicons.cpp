#include "platform/shellicons.h"

#include <QList>
#include <QMutex>

namespace zarn {
namespace {

QMutex IconsMutex;
QList<ShellIcon> Icons;  // protected by IconsMutex

}  // namespace

int ShellIconIndexOf(const ShellIcon& icon) {
  QMutexLocker lock(&IconsMutex);
  const qsizetype found = Icons.indexOf(icon);
  if (found >= 0) return int(found);
  Icons.append(icon);
  return int(Icons.size() - 1);
}

ShellIcon ShellIconAt(int index) {
  QMutexLocker lock(&IconsMutex);
  if (index < 0 || index >= Icons.size()) return ShellIcon{};
  return Icons.at(index);
}

}  // namespace zarn
