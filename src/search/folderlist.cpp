#include "search/folderlist.h"

#include <QStringList>

#include <algorithm>

#include "platform/filenames.h"
#include "platform/folderwalk.h"

namespace zarn {
namespace {

QStringList VisibleSubfolders(const QString& folder) {
  QStringList names;
  auto handle = FolderHandle::Open(ToNativeName(folder), LinkPolicy::Follow);
  if (handle.IsError()) return names;
  FolderReader reader;
  reader.Start(handle.Value());
  FolderEntry entry;
  while (reader.Next(entry)) {
    if (IsHiddenName(entry.Name, entry.Length)) continue;
    if (reader.ResolveType(entry, LinkPolicy::Follow) == EntryType::Folder) {
      names << FromNativeName(entry.Name, entry.Length);
    }
  }
  std::sort(names.begin(), names.end(), [](const QString& left, const QString& right) {
    const int order = left.compare(right, Qt::CaseInsensitive);
    return order != 0 ? order < 0 : left < right;
  });
  return names;
}

}  // namespace

QString NormalFolderPath(const QString& folder) {
  QString path = folder;
  while (path.size() > 1 && path.endsWith(u'/')) path.chop(1);
  if (!path.startsWith(u'/')) path.prepend(u'/');
  return path;
}

std::vector<TFolderListLine> FolderListLines(const QString& folder) {
  const QString path = NormalFolderPath(folder);
  std::vector<TFolderListLine> lines;
  lines.push_back({QStringLiteral("/"), QStringLiteral("/"), 0, true});
  QString walked;
  int depth = 0;
  for (const QString& part : path.split(u'/', Qt::SkipEmptyParts)) {
    walked += u'/' + part;
    lines.push_back({part, walked, ++depth, true});
  }
  const QString prefix = path == QLatin1String("/") ? path : path + u'/';
  for (const QString& name : VisibleSubfolders(path)) lines.push_back({name, prefix + name, depth + 1, false});
  return lines;
}

}  // namespace zarn
