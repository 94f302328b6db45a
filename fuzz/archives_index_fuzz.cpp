// The archive index on any bytes, as a file: every folder's children walked
// and its size summed, each child found again by its path, and the first
// small file copied out to a temporary copy that goes at once.
#include <QByteArray>
#include <QFile>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "archives/archiveindex.h"
#include "archives/archivetempcopy.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

QTemporaryDir& Folder() {
  static QTemporaryDir folder;
  return folder;
}

// Returns the path of a file entry worth copying out, or nothing.
QByteArray Walk(const zarn::TArchiveIndex& index, const QByteArray& folder, int depth) {
  QByteArray small;
  if (depth > 64) return small;
  const zarn::TArchiveFolderSize size = index.FolderSize(folder);
  Check(size.Bytes >= 0 && size.Files >= 0 && size.Folders >= 0);
  for (const zarn::TArchiveEntry* child : index.Children(folder)) {
    Check(index.Find(child->Path) == child);
    Check(zarn::ArchiveParentPath(child->Path) == folder);
    if (child->Type == zarn::ArchiveEntryType::Folder) {
      const QByteArray inside = Walk(index, child->Path, depth + 1);
      if (small.isEmpty()) small = inside;
    } else if (small.isEmpty() && child->Type == zarn::ArchiveEntryType::File && !child->Encrypted &&
               child->Size >= 0 && child->Size <= (1 << 20)) {
      small = child->Path;
    }
  }
  return small;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QString path = Folder().path() + QStringLiteral("/input");
  QFile file(path);
  Check(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
  Check(file.write(reinterpret_cast<const char*>(data), qint64(size)) == qint64(size));
  file.close();
  auto index = zarn::TArchiveIndex::Open(path);
  if (index.IsError()) return 0;
  const QByteArray small = Walk(*index.Value(), QByteArray(), 0);
  if (!small.isEmpty()) (void)zarn::TArchiveTempCopy::Extract(index.Value(), small);
  return 0;
}
