#include "panel/panelfolder.h"

#include <QLocale>

#include <algorithm>
#include <cerrno>

#include <sys/stat.h>
#include <unistd.h>

#include "platform/filenames.h"
#include "platform/folderwalk.h"
#include "platform/groupdigits.h"
#include "platform/pathtext.h"
#include "platform/shellicons.h"
#include "platform/shellnamespace.h"
#include "platform/sortkeys.h"
#include "panel/panelpath.h"

namespace zarn {
namespace {

// Icons come from the shell namespace, which names items by identifier lists;
// the folder is parsed once and each entry appended to it.
class IconSource {
 public:
  explicit IconSource(const QString& folderPath) {
    auto parsed = SHGetDesktopFolder()->ParseDisplayName(folderPath);
    if (parsed) FolderId_ = parsed.TakeValue();
  }

  int IconOf(ItemKind kind, const QByteArray& name) const {
    if (!FolderId_) return FallbackOf(kind);
    const IdListPtr child = MakeShellChild(kind, name);
    const IdListPtr absolute(ConcatIdLists(FolderId_.get(), child.get()));
    return ShellIconIndex(absolute.get());
  }

 private:
  static int FallbackOf(ItemKind kind) {
    if (kind == ItemKind::File) return ShellIconIndexOf({QStringLiteral("text-x-generic"), {}, IconFallback::File});
    return ShellIconIndexOf({QStringLiteral("folder"), {}, IconFallback::Folder});
  }

  IdListPtr FolderId_;
};

// Links count by what they lead to, so a link to a folder can be entered like one.
void AddEntry(TPanelListing& listing, const IconSource& icons, const FolderReader& reader, const FolderEntry& entry) {
  const QByteArray name = entry.NameBytes();
  TPanelEntry item{FromNativeName(name), reader.ResolveType(entry, LinkPolicy::Follow) == EntryType::Folder, -1};
  ItemKind kind = ItemKind::File;
  if (item.IsFolder) {
    const bool isLink = reader.ResolveType(entry, LinkPolicy::DoNotFollow) == EntryType::Link;
    kind = isLink ? ItemKind::FolderLink : ItemKind::Folder;
  }
  item.IconIndex = icons.IconOf(kind, name);
  (item.IsFolder ? listing.Folders : listing.Files).push_back(std::move(item));
}

// The main list's order, so that both windows show a folder the same way.
void SortEntries(std::vector<TPanelEntry>& entries) {
  NameCollator collator;
  SortKeys keys;
  std::string key;
  for (const TPanelEntry& entry : entries) {
    key.clear();
    AppendNameKey(collator, entry.Name, ToNativeName(entry.Name), key);
    keys.Add(key);
  }
  std::vector<TPanelEntry> sorted;
  sorted.reserve(entries.size());
  for (std::uint32_t position : keys.SortedOrder()) sorted.push_back(std::move(entries[position]));
  entries = std::move(sorted);
}

}  // namespace

TPanelListing ReadPanelFolder(const QString& folderPath) {
  TPanelListing listing;
  if (folderPath.isEmpty()) return listing;
  auto folder = FolderHandle::Open(ToNativeName(folderPath), LinkPolicy::Follow);
  if (folder.IsError()) return listing;
  const IconSource icons(folderPath);
  FolderReader reader;
  reader.Start(folder.Value());
  FolderEntry entry;
  while (reader.Next(entry)) AddEntry(listing, icons, reader, entry);
  SortEntries(listing.Folders);
  SortEntries(listing.Files);
  return listing;
}

QString PanelDateText(const QDateTime& local) {
  const QLocale locale;
  // The long time format may end in a time-zone name; cutting the seconds must not cut that instead.
  QString timeFormat = locale.timeFormat(QLocale::LongFormat);
  timeFormat.remove(QLatin1Char('t'));
  QString text = locale.toString(local.date(), QLocale::ShortFormat) + QLatin1Char(' ') +
                 locale.toString(local.time(), timeFormat.trimmed());
  text.chop(3);
  return text;
}

std::optional<QString> PanelInfoLine(const QString& folderPath, const QString& name) {
  if (folderPath.isEmpty() || name.isEmpty()) return std::nullopt;
  const QByteArray path = ToNativeName(folderPath + name);
  struct stat info;
  // A dangling link still has a date of its own.
  if (::stat(path.constData(), &info) != 0 && ::lstat(path.constData(), &info) != 0) return std::nullopt;
  const qint64 milliseconds = qint64(info.st_mtim.tv_sec) * 1000 + info.st_mtim.tv_nsec / 1000000;
  const QString date = PanelDateText(QDateTime::fromMSecsSinceEpoch(milliseconds).toLocalTime());
  if (S_ISDIR(info.st_mode)) return QStringLiteral("Папка: ") + name + QStringLiteral(" - ") + date;
  return QStringLiteral("Файл: ") + name + QStringLiteral(" - ") + date + QStringLiteral("  - ") +
         GroupDigits(QString::number(qint64(info.st_size))) + QStringLiteral(" byte");
}

bool IsPlainEntryName(const QString& name) {
  return !name.isEmpty() && name != QLatin1String(".") && name != QLatin1String("..") &&
         !name.contains(QLatin1Char('/')) && !name.contains(QChar(0));
}

ErrorOrDone CreatePanelFolder(const QString& folderPath, const QString& name) {
  // An empty or relative folder would put the new folder in the process's current directory.
  if (!folderPath.startsWith(QLatin1Char('/'))) return OsError(ENOENT, folderPath);
  if (!IsPlainEntryName(name)) return OsError(EINVAL, name);
  const QString path = WithTrailingSlash(folderPath) + name;
  if (::mkdir(ToNativeName(path).constData(), 0777) != 0) return OsError(errno, path);
  return Done{};
}

}  // namespace zarn
