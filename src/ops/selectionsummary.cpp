#include "ops/selectionsummary.h"

#include <sys/stat.h>

#include <algorithm>

#include "ops/commandhost.h"
#include "platform/filenames.h"
#include "platform/groupdigits.h"

namespace zarn {

namespace {

enum class EntryKind { Missing, Folder, File };

struct EntryFacts {
  EntryKind Kind = EntryKind::Missing;
  std::int64_t Bytes = 0;
};

// A link counts as what it points to; a dangling link as the link itself.
EntryFacts LookUp(const QString& path) {
  const QByteArray native = ToNativeName(path);
  struct stat facts {};
  if (::stat(native.constData(), &facts) != 0 && ::lstat(native.constData(), &facts) != 0) return {};
  if (S_ISDIR(facts.st_mode)) return {EntryKind::Folder, 0};
  return {EntryKind::File, std::int64_t(facts.st_size)};
}

}  // namespace

QString SelectionSummaryText(int folders, int files, std::int64_t kb) {
  return QStringLiteral("Выделено в ") + QString::number(folders) + QStringLiteral(" папках и в ") +
         QString::number(files) + QStringLiteral(" файлах: ") + GroupDigits(QString::number(kb)) +
         QStringLiteral(" KB");
}

QString SelectionSummaryText(const TSelectionTotals& totals) {
  return SelectionSummaryText(totals.Folders, totals.Files, totals.Kb);
}

std::int64_t SummaryFileKb(std::int64_t bytes) { return std::max<std::int64_t>(1, bytes / 1024); }

TSelectionTotals CountSelection(const TCommandHost& host) {
  TSelectionTotals totals;
  const int count = host.ItemCount();
  for (int row = 0; row < count; ++row) {
    if (!host.ItemMarked(row)) continue;
    const EntryFacts facts = LookUp(host.ItemPath(row));
    if (facts.Kind == EntryKind::Folder) {
      ++totals.Folders;
      totals.Kb += host.ItemSizeKb(row);
    } else if (facts.Kind == EntryKind::File) {
      ++totals.Files;
      totals.Kb += SummaryFileKb(facts.Bytes);
    }
  }
  return totals;
}

}  // namespace zarn
