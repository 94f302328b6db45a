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
EntryFacts LookUp(const QByteArray& native) {
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

TMarkedEntry MarkedEntryOf(const TCommandHost& host, int row) {
  const std::optional<std::int64_t> known = host.ItemKnownBytes(row);
  if (known) return {{}, host.ItemSizeKb(row), known, host.ItemIsFolder(row)};
  return {ToNativeName(host.ItemPath(row)), host.ItemSizeKb(row), std::nullopt, false};
}

std::vector<TMarkedEntry> MarkedEntries(const TCommandHost& host) {
  std::vector<TMarkedEntry> entries;
  const int count = host.ItemCount();
  for (int row = 0; row < count; ++row) {
    if (host.ItemMarked(row)) entries.push_back(MarkedEntryOf(host, row));
  }
  return entries;
}

TSelectionTotals CountMarkedEntries(const std::vector<TMarkedEntry>& entries, const std::atomic<bool>& stop,
                                    const TCountProgress& progress) {
  constexpr std::size_t kProgressEvery = 8192;
  TSelectionTotals totals;
  for (std::size_t index = 0; index < entries.size(); ++index) {
    if (index % kProgressEvery == 0 && index > 0) {
      if (stop.load(std::memory_order_relaxed)) break;
      if (progress) progress(index);
    }
    const TMarkedEntry& entry = entries[index];
    if (entry.KnownBytes && entry.Folder) {
      ++totals.Folders;
      totals.Kb += *entry.KnownBytes / 1024;
      continue;
    }
    const EntryFacts facts = entry.KnownBytes ? EntryFacts{EntryKind::File, *entry.KnownBytes} : LookUp(entry.NativePath);
    if (facts.Kind == EntryKind::Folder) {
      ++totals.Folders;
      totals.Kb += entries[index].RowSizeKb;
    } else if (facts.Kind == EntryKind::File) {
      ++totals.Files;
      totals.Kb += SummaryFileKb(facts.Bytes);
    }
  }
  return totals;
}

TSelectionTotals CountSelection(const TCommandHost& host) {
  const std::atomic<bool> never{false};
  return CountMarkedEntries(MarkedEntries(host), never);
}

}  // namespace zarn
