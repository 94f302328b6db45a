#include "archives/archivefolder.h"

#include <QMimeDatabase>
#include <QMutex>

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <vector>

#include "archives/archiveindex.h"
#include "platform/filenames.h"
#include "platform/sortkeys.h"

namespace zarn {
namespace {

QByteArray JoinInside(const QByteArray& folder, const QByteArray& name) {
  return folder.isEmpty() ? name : folder + '/' + name;
}

QByteArray LastPart(const QByteArray& path) { return path.mid(path.lastIndexOf('/') + 1); }

// The archives the user was in lately, newest last, with what their file was
// like when read, so that a rewritten archive is read anew.
class IndexCache {
 public:
  ErrorOr<std::shared_ptr<TArchiveIndex>> Open(const QByteArray& path, const QList<QByteArray>& chain) {
    QMutexLocker lock(&Mutex_);
    const FileStamp stamp = StampOf(path);
    auto outer = Cached(path, {}, stamp);
    if (outer.IsError()) return outer;
    std::shared_ptr<TArchiveIndex> index = outer.TakeValue();
    QList<QByteArray> walked;
    for (const QByteArray& inner : chain) {
      walked.append(inner);
      if (auto* known = Find(path, walked, stamp)) {
        index = known->Index;
        continue;
      }
      auto opened = TArchiveIndex::OpenInside(index, inner);
      if (opened.IsError()) return opened.Error();
      index = opened.TakeValue();
      Remember(path, walked, stamp, index);
    }
    return index;
  }

 private:
  struct FileStamp {
    dev_t Device = 0;
    ino_t Inode = 0;
    off_t Size = 0;
    timespec Modified{};
    bool operator==(const FileStamp& other) const {
      return Device == other.Device && Inode == other.Inode && Size == other.Size &&
             Modified.tv_sec == other.Modified.tv_sec && Modified.tv_nsec == other.Modified.tv_nsec;
    }
  };
  struct Entry {
    QByteArray Path;
    QList<QByteArray> Chain;
    FileStamp Stamp;
    std::shared_ptr<TArchiveIndex> Index;
  };
  static constexpr std::size_t kKept = 6;

  static FileStamp StampOf(const QByteArray& path) {
    struct stat info {};
    if (::stat(path.constData(), &info) != 0) return {};
    return {info.st_dev, info.st_ino, info.st_size, info.st_mtim};
  }

  Entry* Find(const QByteArray& path, const QList<QByteArray>& chain, const FileStamp& stamp) {
    for (auto it = Entries_.begin(); it != Entries_.end(); ++it) {
      if (it->Path != path || it->Chain != chain) continue;
      if (!(it->Stamp == stamp)) {
        Entries_.erase(it);
        return nullptr;
      }
      std::rotate(it, it + 1, Entries_.end());
      return &Entries_.back();
    }
    return nullptr;
  }

  ErrorOr<std::shared_ptr<TArchiveIndex>> Cached(const QByteArray& path, const QList<QByteArray>& chain,
                                                       const FileStamp& stamp) {
    if (Entry* known = Find(path, chain, stamp)) return known->Index;
    auto opened = TArchiveIndex::Open(FromNativeName(path));
    if (opened.IsError()) return opened.Error();
    std::shared_ptr<TArchiveIndex> index = opened.TakeValue();
    Remember(path, chain, stamp, index);
    return index;
  }

  void Remember(const QByteArray& path, const QList<QByteArray>& chain, const FileStamp& stamp,
                std::shared_ptr<TArchiveIndex> index) {
    Entries_.push_back({path, chain, stamp, std::move(index)});
    if (Entries_.size() > kKept) Entries_.erase(Entries_.begin());
  }

  QMutex Mutex_;
  std::vector<Entry> Entries_;
};

IndexCache& Cache() {
  static IndexCache cache;
  return cache;
}

ErrorOr<std::unique_ptr<ShellFolder>> BindArchiveFolder(const ShellLocation& location);

// One folder inside an archive. Children are named by the last part of their
// path; the index gives everything else.
class ArchiveFolder final : public ShellFolder {
 public:
  ArchiveFolder(std::shared_ptr<const TArchiveIndex> index, ShellLocation location)
      : Index_(std::move(index)), Location_(std::move(location)) {}

  const TArchiveIndex& Index() const { return *Index_; }
  std::shared_ptr<const TArchiveIndex> SharedIndex() const { return Index_; }
  QByteArray PathOf(ConstItemIdList child) const { return JoinInside(Folder(), ChildNameBytes(child)); }

  ErrorOr<std::unique_ptr<IdEnumerator>> EnumObjects(std::uint32_t flags) override {
    std::vector<IdListPtr> children;
    for (const TArchiveEntry* entry : Index_->Children(Folder())) {
      const QByteArray name = LastPart(entry->Path);
      if (name.startsWith('.') && !(flags & SHCONTF_INCLUDEHIDDEN)) continue;
      const bool folder = entry->Type == ArchiveEntryType::Folder;
      if (!(flags & (folder ? SHCONTF_FOLDERS : SHCONTF_NONFOLDERS))) continue;
      children.push_back(MakeShellChild(folder ? ItemKind::ArchiveFolder : ItemKind::ArchiveFile, name));
    }
    return std::unique_ptr<IdEnumerator>(std::make_unique<ListIdEnumerator>(std::move(children)));
  }

  void MakeSortKeys(int column, const std::vector<ConstItemIdList>& children, SortKeys& keys) override {
    NameCollator collator;
    QMimeDatabase mimeTypes;
    keys.Reserve(children.size(), children.size() * 48);
    std::string key;
    for (ConstItemIdList child : children) {
      const TArchiveEntry* entry = Index_->Find(PathOf(child));
      const bool folder = ChildKind(child) == ItemKind::ArchiveFolder;
      key.assign(1, folder ? '\0' : '\1');
      if (column == SortByType && !folder) {
        collator.AppendKey(mimeTypes.mimeTypeForFile(NameOf(child), QMimeDatabase::MatchExtension).comment(), key);
      } else if (column == SortBySize) {
        AppendBigEndian(key, entry && !folder && entry->Size > 0 ? std::uint64_t(entry->Size) : 0);
      } else if (column == SortByModified) {
        AppendBigEndian(key, OrderedBits(entry && entry->Modified.isValid() ? entry->Modified.toSecsSinceEpoch() : 0));
      }
      AppendNameKey(collator, NameOf(child), ChildNameBytes(child), key);
      keys.Add(key);
    }
  }

  QString GetDisplayNameOf(ConstItemIdList relative, std::uint32_t flags) const override {
    if (flags & SHGDN_FORPARSING) return ArchiveParsingName(Location_) + QLatin1Char('/') + NameOf(relative);
    return NameOf(relative);
  }

  FindData GetFindData(ConstItemIdList child) const override {
    FindData data;
    const TArchiveEntry* entry = Index_->Find(PathOf(child));
    if (!entry) return data;
    if (entry->Type == ArchiveEntryType::Folder) data.Attributes |= FILE_ATTRIBUTE_DIRECTORY;
    if (entry->Type == ArchiveEntryType::Special) data.Attributes |= FILE_ATTRIBUTE_SYSTEM;
    if (entry->Name.startsWith(QLatin1Char('.'))) data.Attributes |= FILE_ATTRIBUTE_HIDDEN;
    if (entry->Mode != 0 && !(entry->Mode & S_IWUSR)) data.Attributes |= FILE_ATTRIBUTE_READONLY;
    if (entry->Type != ArchiveEntryType::Folder && entry->Size > 0) {
      data.SizeHigh = std::uint32_t(std::uint64_t(entry->Size) >> 32);
      data.SizeLow = std::uint32_t(std::uint64_t(entry->Size) & 0xFFFFFFFFu);
    }
    if (entry->Modified.isValid()) data.LastWriteSeconds = entry->Modified.toSecsSinceEpoch();
    return data;
  }

  // "docs/a.txt", relative to this folder; a file followed by more parts is an
  // archive inside this one.
  ErrorOr<IdListPtr> ParseDisplayName(const QString& text) const override {
    IdListPtr parsed(AllocIdList(2));
    QByteArray walked = Folder();
    const QList<QByteArray> parts = ToNativeName(text).split('/');
    for (qsizetype index = 0; index < parts.size(); ++index) {
      const QByteArray& part = parts[index];
      if (part.isEmpty() || part == ".") continue;
      const TArchiveEntry* entry = FindChild(walked, part);
      if (!entry) return OsError(ENOENT, text);
      walked = entry->Path;
      const bool last = std::all_of(parts.begin() + index + 1, parts.end(), [](const QByteArray& rest) {
        return rest.isEmpty() || rest == ".";
      });
      if (entry->Type == ArchiveEntryType::Folder || last) {
        const ItemKind kind = entry->Type == ArchiveEntryType::Folder ? ItemKind::ArchiveFolder : ItemKind::ArchiveFile;
        parsed = Appended(parsed.get(), MakeShellChild(kind, LastPart(walked)).get());
        continue;
      }
      IdListPtr archive = MakeShellChild(ItemKind::Archive, LastPart(walked));
      ShellLocation inner = Location_;
      inner.Inside.back() = walked;
      inner.Inside.append(QByteArray());
      auto folder = BindArchiveFolder(inner);
      if (folder.IsError()) return folder.Error();
      QByteArray rest;
      for (qsizetype next = index + 1; next < parts.size(); ++next) rest += parts[next] + '/';
      auto inside = folder.Value()->ParseDisplayName(FromNativeName(rest));
      if (inside.IsError()) return inside.Error();
      return Appended(Appended(parsed.get(), archive.get()).get(), inside.Value().get());
    }
    return parsed;
  }

  ErrorOr<std::unique_ptr<ShellFolder>> BindToObject(ConstItemIdList relative) const override {
    ShellLocation location = Location_;
    for (ConstItemIdList item = relative; ItemByteCount(item) != 0; item = NextId(item)) {
      const ItemKind kind = ChildKind(item);
      if (kind != ItemKind::ArchiveFolder && kind != ItemKind::Archive) return OsError(ENOTDIR, NameOf(item));
      location.Inside.back() = JoinInside(location.Inside.back(), ChildNameBytes(item));
      if (kind == ItemKind::Archive) location.Inside.append(QByteArray());
    }
    return BindArchiveFolder(location);
  }

  ShellLocation Location() const override { return Location_; }

 private:
  static IdListPtr Appended(ConstItemIdList list, ConstItemIdList item) {
    return IdListPtr(ConcatIdLists(list, item));
  }

  const QByteArray& Folder() const { return Location_.Inside.back(); }

  // The child of `folder` named `part`: by its bytes, else by its name as
  // the listing shows it (a name decoded from an old code page, typed back).
  const TArchiveEntry* FindChild(const QByteArray& folder, const QByteArray& part) const {
    if (const TArchiveEntry* entry = Index_->Find(JoinInside(folder, part))) return entry;
    const QString shown = FromNativeName(part);
    for (const TArchiveEntry* child : Index_->Children(folder)) {
      if (child->Name == shown) return child;
    }
    return nullptr;
  }

  // The entry's name as decoded by the index (names in an old code page), else the bytes.
  QString NameOf(ConstItemIdList child) const {
    const TArchiveEntry* entry = Index_->Find(PathOf(child));
    return entry ? entry->Name : FromNativeName(ChildNameBytes(child));
  }

  std::shared_ptr<const TArchiveIndex> Index_;
  ShellLocation Location_;
};

// Each name inside an archive as the index of its archive decodes it.
QString DecodedParsingName(const ShellLocation& location) {
  QString text = FromNativeName(location.Path);
  ShellLocation level = location;
  level.Inside.clear();
  for (const QByteArray& inside : location.Inside) {
    level.Inside.append(inside);
    if (inside.isEmpty()) continue;
    auto index = ArchiveIndexAt(level);
    const TArchiveEntry* entry = index.IsError() ? nullptr : index.Value()->Find(inside);
    text += QLatin1Char('/') + (entry ? entry->Text : FromNativeName(inside));
  }
  return text;
}

ErrorOr<std::unique_ptr<ShellFolder>> BindArchiveFolder(const ShellLocation& location) {
  auto index = ArchiveIndexAt(location);
  if (index.IsError()) return index.Error();
  const QByteArray& folder = location.Inside.back();
  if (!folder.isEmpty()) {
    const TArchiveEntry* entry = index.Value()->Find(folder);
    if (!entry) return OsError(ENOENT, ArchiveParsingName(location));
    if (entry->Type != ArchiveEntryType::Folder) return OsError(ENOTDIR, ArchiveParsingName(location));
  }
  return std::unique_ptr<ShellFolder>(std::make_unique<ArchiveFolder>(index.TakeValue(), location));
}

}  // namespace

bool LooksLikeArchive(const QString& path, bool byNameOnly) {
  static const char* const kArchiveTypes[] = {
      "application/zip", "application/x-tar", "application/x-7z-compressed", "application/gzip",
      "application/x-xz", "application/zstd", "application/x-bzip2", "application/x-bzip",
      "application/x-lzma", "application/x-lz4", "application/x-cpio", "application/x-iso9660-image",
      "application/vnd.rar", "application/x-rar", "application/x-archive", "application/x-compressed-tar",
  };
  const QMimeType type = QMimeDatabase().mimeTypeForFile(
      path, byNameOnly ? QMimeDatabase::MatchExtension : QMimeDatabase::MatchDefault);
  return std::any_of(std::begin(kArchiveTypes), std::end(kArchiveTypes),
                     [&type](const char* name) { return type.inherits(QLatin1String(name)); });
}

void RegisterArchiveFolders() { SetArchiveNamespace({&BindArchiveFolder, &DecodedParsingName}); }

namespace {

ErrorOr<std::shared_ptr<TArchiveIndex>> OpenCachedIndex(const ShellLocation& location) {
  if (location.Type != ShellLocation::Kind::Archive || location.Inside.isEmpty()) return OsError(EINVAL);
  return Cache().Open(location.Path, location.Inside.mid(0, location.Inside.size() - 1));
}

}  // namespace

ErrorOr<std::shared_ptr<const TArchiveIndex>> ArchiveIndexAt(const ShellLocation& location) {
  auto index = OpenCachedIndex(location);
  if (index.IsError()) return index.Error();
  return std::shared_ptr<const TArchiveIndex>(index.TakeValue());
}

std::vector<QByteArray> LegacyArchiveNames(const ShellLocation& location) {
  constexpr std::size_t kNamesShown = 200;
  std::vector<QByteArray> names;
  auto index = ArchiveIndexAt(location);
  if (index.IsError()) return names;
  for (const TArchiveEntry& entry : index.Value()->Entries()) {
    if (entry.LegacyName) names.push_back(LastPart(entry.Path));
    if (names.size() == kNamesShown) break;
  }
  return names;
}

ErrorOrDone DecodeArchiveNames(const ShellLocation& location, char16_t (*byteToUnicode)(unsigned char byte)) {
  auto index = OpenCachedIndex(location);
  if (index.IsError()) return index.Error();
  index.Value()->SetLegacyCodePage(byteToUnicode);
  return Done{};
}

std::optional<TArchiveItem> ArchiveItemOf(const ShellFolder& folder, ConstItemIdList child) {
  const auto* archive = dynamic_cast<const ArchiveFolder*>(&folder);
  if (!archive) return std::nullopt;
  return TArchiveItem{archive->SharedIndex(), archive->PathOf(child)};
}

}  // namespace zarn
