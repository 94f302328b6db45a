#include "platform/shellnamespace.h"

#include <QDir>
#include <QMimeDatabase>
#include <QRegularExpression>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/filenames.h"
#include "platform/folderwalk.h"
#include "platform/shellicons.h"
#include "platform/volumes.h"

namespace zarn {
namespace {

QByteArray JoinPath(const QByteArray& folder, const QByteArray& name) {
  return folder.endsWith('/') ? folder + name : folder + '/' + name;
}

QByteArray HomePathBytes() {
  const QByteArray home = qgetenv("HOME");
  return home.isEmpty() ? ToNativeName(QDir::homePath()) : home;
}

bool IsFolderKind(ItemKind kind) { return kind != ItemKind::File && kind != ItemKind::ArchiveFile; }

bool IsArchiveKind(ItemKind kind) {
  return kind == ItemKind::Archive || kind == ItemKind::ArchiveFolder || kind == ItemKind::ArchiveFile;
}

ArchiveNamespace Archives;

// Classifies a directory entry: links count by what they lead to, so a link
// to a folder can be browsed like one.
ItemKind KindOfEntry(const FolderReader& reader, const FolderEntry& entry) {
  const EntryType own = reader.ResolveType(entry, LinkPolicy::DoNotFollow);
  if (own == EntryType::Folder) return ItemKind::Folder;
  if (own != EntryType::Link) return ItemKind::File;
  return reader.ResolveType(entry, LinkPolicy::Follow) == EntryType::Folder ? ItemKind::FolderLink : ItemKind::File;
}

// Reads a folder through the folder walker's reader, one buffer at a time.
class FileSystemEnumerator final : public IdEnumerator {
 public:
  FileSystemEnumerator(FolderHandle folder, std::uint32_t flags) : Folder_(std::move(folder)), Flags_(flags) {
    Reader_.Start(Folder_);
  }

  // An error mid-listing ends it with what was read.
  IdListPtr Next() override {
    FolderEntry entry;
    while (Reader_.Next(entry)) {
      if (IdListPtr child = Accept(entry)) return child;
    }
    return nullptr;
  }

 private:
  IdListPtr Accept(const FolderEntry& entry) const {
    if (entry.Name[0] == '.' && !(Flags_ & SHCONTF_INCLUDEHIDDEN)) return nullptr;
    const ItemKind kind = KindOfEntry(Reader_, entry);
    const bool wanted = IsFolderKind(kind) ? (Flags_ & SHCONTF_FOLDERS) : (Flags_ & SHCONTF_NONFOLDERS);
    if (!wanted) return nullptr;
    return MakeShellChild(kind, QByteArray::fromRawData(entry.Name, entry.Length));
  }

  FolderHandle Folder_;
  std::uint32_t Flags_;
  FolderReader Reader_;
};

QString ChildDisplayName(ConstItemIdList child) {
  switch (ChildKind(child)) {
    case ItemKind::Home: return HomeDisplayName;
    case ItemKind::Computer: return ComputerDisplayName;
    case ItemKind::Volume:
    case ItemKind::Folder:
    case ItemKind::FolderLink:
    case ItemKind::File:
    case ItemKind::Archive:
    case ItemKind::ArchiveFolder:
    case ItemKind::ArchiveFile: break;
  }
  return FromNativeName(ChildNameBytes(child));
}

std::string NameKey(ConstItemIdList child) {
  std::string key;
  key.push_back(IsFolderKind(ChildKind(child)) ? '\0' : '\1');
  return key;
}

void AppendNameTail(NameCollator& collator, ConstItemIdList child, std::string& key) {
  AppendNameKey(collator, ChildDisplayName(child), ChildNameBytes(child), key);
}

FindData FindDataOfPath(const QByteArray& path, bool hiddenName) {
  FindData data;
  struct stat info;
  if (::stat(path.constData(), &info) != 0 && ::lstat(path.constData(), &info) != 0) return data;
  if (S_ISDIR(info.st_mode)) data.Attributes |= FILE_ATTRIBUTE_DIRECTORY;
  if (S_ISCHR(info.st_mode) || S_ISBLK(info.st_mode) || S_ISFIFO(info.st_mode) || S_ISSOCK(info.st_mode)) {
    data.Attributes |= FILE_ATTRIBUTE_SYSTEM;
  }
  if (hiddenName) data.Attributes |= FILE_ATTRIBUTE_HIDDEN;
  if (::faccessat(AT_FDCWD, path.constData(), W_OK, AT_EACCESS) != 0) data.Attributes |= FILE_ATTRIBUTE_READONLY;
  if (S_ISREG(info.st_mode)) {
    const auto size = std::uint64_t(info.st_size);
    data.SizeHigh = std::uint32_t(size >> 32);
    data.SizeLow = std::uint32_t(size & 0xFFFFFFFFu);
  }
  data.LastWriteSeconds = info.st_mtim.tv_sec;
  data.LastWriteNanoseconds = std::int32_t(info.st_mtim.tv_nsec);
  return data;
}

// A folder of the file system, named by its absolute path.
class FileSystemFolder final : public ShellFolder {
 public:
  explicit FileSystemFolder(QByteArray path) : Path_(std::move(path)) {}

  ErrorOr<std::unique_ptr<IdEnumerator>> EnumObjects(std::uint32_t flags) override {
    auto folder = FolderHandle::Open(Path_, LinkPolicy::Follow);
    if (folder.IsError()) return folder.Error();
    return std::unique_ptr<IdEnumerator>(std::make_unique<FileSystemEnumerator>(folder.TakeValue(), flags));
  }

  void MakeSortKeys(int column, const std::vector<ConstItemIdList>& children, SortKeys& keys) override {
    if (column == SortByName) return ShellFolder::MakeSortKeys(column, children, keys);
    NameCollator collator;
    QMimeDatabase mimeTypes;
    keys.Reserve(children.size(), children.size() * 48);
    std::string key;
    for (ConstItemIdList child : children) {
      key = NameKey(child);
      if (column == SortByType) {
        collator.AppendKey(TypeNameOfChild(mimeTypes, child), key);
      } else {
        const FindData data = GetFindData(child);
        if (column == SortBySize) {
          AppendBigEndian(key, (std::uint64_t(data.SizeHigh) << 32) | data.SizeLow);
        } else {
          AppendBigEndian(key, OrderedBits(data.LastWriteSeconds));
          AppendBigEndian(key, std::uint64_t(data.LastWriteNanoseconds));
        }
      }
      AppendNameTail(collator, child, key);
      keys.Add(key);
    }
  }

  QString GetDisplayNameOf(ConstItemIdList relative, std::uint32_t flags) const override {
    if (!(flags & SHGDN_FORPARSING)) return ChildDisplayName(relative);
    return FromNativeName(ChildPath(relative));
  }

  FindData GetFindData(ConstItemIdList child) const override {
    const QByteArray name = ChildNameBytes(child);
    return FindDataOfPath(JoinPath(Path_, name), name.startsWith('.'));
  }

  ErrorOr<std::unique_ptr<ShellFolder>> BindToObject(ConstItemIdList relative) const override {
    QByteArray path = Path_;
    for (ConstItemIdList item = relative; ItemByteCount(item) != 0; item = NextId(item)) {
      path = JoinPath(path, ChildNameBytes(item));
    }
    return BindFileSystemPath(path);
  }

  ShellLocation Location() const override { return {ShellLocation::Kind::FileSystem, Path_, {}}; }

  static ErrorOr<std::unique_ptr<ShellFolder>> BindFileSystemPath(const QByteArray& path) {
    struct stat info;
    if (::stat(path.constData(), &info) != 0) return OsError(errno, FromNativeName(path));
    if (!S_ISDIR(info.st_mode)) return OsError(ENOTDIR, FromNativeName(path));
    return std::unique_ptr<ShellFolder>(std::make_unique<FileSystemFolder>(path));
  }

 private:
  QByteArray ChildPath(ConstItemIdList child) const { return JoinPath(Path_, ChildNameBytes(child)); }

  QString TypeNameOfChild(QMimeDatabase& mimeTypes, ConstItemIdList child) const {
    if (IsFolderKind(ChildKind(child))) return mimeTypes.mimeTypeForName(QStringLiteral("inode/directory")).comment();
    return mimeTypes.mimeTypeForFile(ChildDisplayName(child), QMimeDatabase::MatchExtension).comment();
  }

  QByteArray Path_;
};

// The computer: one child per mounted volume.
class ComputerFolder final : public ShellFolder {
 public:
  ErrorOr<std::unique_ptr<IdEnumerator>> EnumObjects(std::uint32_t flags) override {
    std::vector<IdListPtr> children;
    if (flags & SHCONTF_FOLDERS) {
      for (const Volume& volume : ListVolumes()) children.push_back(MakeShellChild(ItemKind::Volume, volume.MountPoint));
    }
    return std::unique_ptr<IdEnumerator>(std::make_unique<ListIdEnumerator>(std::move(children)));
  }

  QString GetDisplayNameOf(ConstItemIdList relative, std::uint32_t) const override {
    return ChildDisplayName(relative);
  }

  FindData GetFindData(ConstItemIdList child) const override {
    return FindDataOfPath(ChildNameBytes(child), false);
  }

  ErrorOr<std::unique_ptr<ShellFolder>> BindToObject(ConstItemIdList relative) const override {
    if (ChildKind(relative) != ItemKind::Volume) return OsError(EINVAL);
    const ShellFolder& volume = FileSystemFolder(ChildNameBytes(relative));
    return volume.BindToObject(NextId(relative));
  }

  ShellLocation Location() const override { return {ShellLocation::Kind::Computer, {}, {}}; }
};

ErrorOr<std::unique_ptr<ShellFolder>> BindArchive(const ShellLocation& location) {
  if (!Archives.Bind) return OsError(ENOTDIR, FromNativeName(location.Path));
  return Archives.Bind(location);
}

// The namespace root: the home folder and the computer.
class DesktopFolder final : public ShellFolder {
 public:
  ErrorOr<std::unique_ptr<IdEnumerator>> EnumObjects(std::uint32_t flags) override {
    std::vector<IdListPtr> children;
    if (flags & SHCONTF_FOLDERS) {
      children.push_back(MakeShellChild(ItemKind::Home, HomePathBytes()));
      children.push_back(MakeShellChild(ItemKind::Computer, {}));
    }
    return std::unique_ptr<IdEnumerator>(std::make_unique<ListIdEnumerator>(std::move(children)));
  }

  QString GetDisplayNameOf(ConstItemIdList relative, std::uint32_t flags) const override {
    if (flags & SHGDN_FORPARSING) return ShellParsingName(relative);
    return ShellDisplayName(relative);
  }

  FindData GetFindData(ConstItemIdList child) const override {
    return ChildKind(child) == ItemKind::Home ? FindDataOfPath(ChildNameBytes(child), false) : FindData{};
  }

  ErrorOr<IdListPtr> ParseDisplayName(const QString& text) const override;

  ErrorOr<std::unique_ptr<ShellFolder>> BindToObject(ConstItemIdList relative) const override {
    auto location = ResolveIdList(relative);
    if (location.IsError()) return location.Error();
    switch (location.Value().Type) {
      case ShellLocation::Kind::Desktop: return std::unique_ptr<ShellFolder>(std::make_unique<DesktopFolder>());
      case ShellLocation::Kind::Computer: return std::unique_ptr<ShellFolder>(std::make_unique<ComputerFolder>());
      case ShellLocation::Kind::FileSystem: break;
      case ShellLocation::Kind::Archive: return BindArchive(location.Value());
    }
    return FileSystemFolder::BindFileSystemPath(location.Value().Path);
  }

  ShellLocation Location() const override { return {ShellLocation::Kind::Desktop, {}, {}}; }
};

// Appends one item to a list being built.
void AppendItem(QByteArray& list, ItemKind kind, const QByteArray& name) {
  const int count = 2 + 1 + int(name.size());
  list.append(char(count & 0xFF));
  list.append(char(count >> 8));
  list.append(char(kind));
  list.append(name);
}

ErrorOr<IdListPtr> ListFromBytes(QByteArray items) {
  items.append('\0');
  items.append('\0');
  ItemIdList list = AllocIdList(size_t(items.size()));
  if (!list) return OsError(ENOMEM);
  std::memcpy(list, items.constData(), size_t(items.size()));
  return IdListPtr(list);
}

// The path with "~" expanded, "." and empty components dropped and ".."
// applied; empty when the text is not an absolute path.
QByteArray NormalizedPath(QByteArray path) {
  if (path == "~" || path.startsWith("~/")) path = HomePathBytes() + path.mid(1);
  if (!path.startsWith('/')) return {};
  QList<QByteArray> kept;
  for (const QByteArray& component : path.split('/')) {
    if (component.isEmpty() || component == ".") continue;
    if (component == "..") {
      if (!kept.isEmpty()) kept.removeLast();
      continue;
    }
    kept.append(component);
  }
  return '/' + kept.join('/');
}

// A typed path that goes on past a file: the file is an archive and the rest
// a path inside it, or the path names no folder.
ErrorOr<IdListPtr> ParseThroughArchive(QByteArray items, const QByteArray& archive, const QByteArray& rest) {
  auto folder = BindArchive({ShellLocation::Kind::Archive, archive, {QByteArray()}});
  if (folder.IsError()) return OsError(ENOTDIR, FromNativeName(archive));
  AppendItem(items, ItemKind::Archive, archive.mid(archive.lastIndexOf('/') + 1));
  auto root = ListFromBytes(items);
  if (root.IsError() || rest.isEmpty()) return root;
  auto inside = folder.Value()->ParseDisplayName(FromNativeName(rest));
  if (inside.IsError()) return inside.Error();
  return IdListPtr(ConcatIdLists(root.Value().get(), inside.Value().get()));
}

// With `folderWanted` (the text ended with "/"), a path that ends at an
// archive names the archive's root.
ErrorOr<IdListPtr> ParseFileSystemPath(const QByteArray& path, bool folderWanted) {
  QByteArray items;
  AppendItem(items, ItemKind::Computer, {});
  AppendItem(items, ItemKind::Volume, "/");
  QByteArray walked;
  for (const QByteArray& component : path.split('/')) {
    if (component.isEmpty()) continue;
    walked += '/' + component;
    if (items.size() + component.size() > 0xFFF0) return OsError(ENAMETOOLONG, FromNativeName(path));
    struct stat info;
    if (::lstat(walked.constData(), &info) != 0) return OsError(errno, FromNativeName(walked));
    ItemKind kind = ItemKind::File;
    if (S_ISDIR(info.st_mode)) {
      kind = ItemKind::Folder;
    } else if (S_ISLNK(info.st_mode) && ::stat(walked.constData(), &info) == 0 && S_ISDIR(info.st_mode)) {
      kind = ItemKind::FolderLink;
    }
    if (walked.size() < path.size() && kind == ItemKind::File) {
      return ParseThroughArchive(items, walked, path.mid(walked.size() + 1));
    }
    if (walked.size() == path.size() && kind == ItemKind::File && folderWanted) {
      return ParseThroughArchive(items, walked, {});
    }
    AppendItem(items, kind, component);
  }
  return ListFromBytes(items);
}

ErrorOr<IdListPtr> DesktopFolder::ParseDisplayName(const QString& text) const {
  if (text.trimmed().isEmpty()) return OsError(ENOENT, text);
  if (text.trimmed().compare(ComputerParsingName, Qt::CaseInsensitive) == 0) return ComputerIdList();
  QByteArray path = NormalizedPath(ToNativeName(text));
  if (path.isEmpty()) return OsError::WithText(QStringLiteral("Путь должен начинаться с \"/\""), text);
  auto parsed = ParseFileSystemPath(path, text.trimmed().endsWith(QLatin1Char('/')));
  // A path typed with trailing blanks names the folder without them, unless a
  // name really ends with blanks.
  const QString trimmed = QString(text).remove(QRegularExpression(QStringLiteral("\\s+$")));
  if (parsed.IsError() && trimmed != text && !trimmed.isEmpty()) {
    path = NormalizedPath(ToNativeName(trimmed));
    if (!path.isEmpty()) {
      auto retried = ParseFileSystemPath(path, trimmed.endsWith(QLatin1Char('/')));
      if (!retried.IsError()) return retried;
    }
  }
  return parsed;
}

}  // namespace

ItemKind ChildKind(ConstItemIdList child) {
  return ItemByteCount(child) >= 3 ? ItemKind(child[2]) : ItemKind::File;
}

QByteArray ChildNameBytes(ConstItemIdList child) {
  const int count = ItemByteCount(child);
  if (count <= 3) return {};
  return QByteArray(reinterpret_cast<const char*>(child + 3), count - 3);
}

IdListPtr MakeShellChild(ItemKind kind, const QByteArray& name) {
  QByteArray payload;
  payload.reserve(name.size() + 1);
  payload.append(char(kind));
  payload.append(name);
  return IdListPtr(MakeChildId(reinterpret_cast<const std::uint8_t*>(payload.constData()), size_t(payload.size())));
}

IdListPtr ListIdEnumerator::Next() { return Index_ < Children_.size() ? std::move(Children_[Index_++]) : nullptr; }

ErrorOr<ShellLocation> ResolveIdList(ConstItemIdList absolute) {
  ShellLocation location;
  if (!absolute) return location;
  for (ConstItemIdList item = absolute; ItemByteCount(item) != 0; item = NextId(item)) {
    const ItemKind kind = ChildKind(item);
    const bool atDesktop = location.Type == ShellLocation::Kind::Desktop;
    const bool atComputer = location.Type == ShellLocation::Kind::Computer;
    if (atDesktop && kind == ItemKind::Computer) {
      location.Type = ShellLocation::Kind::Computer;
    } else if ((atDesktop && kind == ItemKind::Home) || (atComputer && kind == ItemKind::Volume)) {
      location = {ShellLocation::Kind::FileSystem, ChildNameBytes(item), {}};
    } else if (location.Type == ShellLocation::Kind::FileSystem && kind == ItemKind::Archive) {
      location = {ShellLocation::Kind::Archive, JoinPath(location.Path, ChildNameBytes(item)), {QByteArray()}};
    } else if (location.Type == ShellLocation::Kind::FileSystem && !IsArchiveKind(kind) && kind != ItemKind::Home &&
               kind != ItemKind::Computer && kind != ItemKind::Volume) {
      location.Path = JoinPath(location.Path, ChildNameBytes(item));
    } else if (location.Type == ShellLocation::Kind::Archive && IsArchiveKind(kind)) {
      QByteArray& inside = location.Inside.back();
      inside = inside.isEmpty() ? ChildNameBytes(item) : inside + '/' + ChildNameBytes(item);
      if (kind == ItemKind::Archive) location.Inside.append(QByteArray());
    } else {
      return OsError(EINVAL);
    }
  }
  return location;
}

int ShellFolder::CompareIDs(int column, ConstItemIdList a, ConstItemIdList b) {
  SortKeys keys;
  MakeSortKeys(column, {a, b}, keys);
  return keys.Compare(0, 1);
}

void ShellFolder::MakeSortKeys(int, const std::vector<ConstItemIdList>& children, SortKeys& keys) {
  NameCollator collator;
  keys.Reserve(children.size(), children.size() * 40);
  std::string key;
  for (ConstItemIdList child : children) {
    key = NameKey(child);
    AppendNameTail(collator, child, key);
    keys.Add(key);
  }
}

std::uint32_t ShellFolder::GetAttributesOf(ConstItemIdList child, std::uint32_t mask) const {
  std::uint32_t attributes = 0;
  const ItemKind kind = ChildKind(child);
  if (IsFolderKind(kind)) attributes |= SFGAO_FOLDER;
  if (kind != ItemKind::Computer) attributes |= SFGAO_FILESYSTEM;
  return attributes & mask;
}

FindData ShellFolder::GetFindData(ConstItemIdList) const { return {}; }

ErrorOr<IdListPtr> ShellFolder::ParseDisplayName(const QString& text) const { return OsError(EINVAL, text); }

std::unique_ptr<ShellFolder> SHGetDesktopFolder() { return std::make_unique<DesktopFolder>(); }

IdListPtr ComputerIdList() { return MakeShellChild(ItemKind::Computer, {}); }

QString ShellParsingName(ConstItemIdList absolute) {
  auto location = ResolveIdList(absolute);
  if (location.IsError()) return {};
  switch (location.Value().Type) {
    case ShellLocation::Kind::Desktop: return {};
    case ShellLocation::Kind::Computer: return ComputerParsingName;
    case ShellLocation::Kind::FileSystem: break;
    case ShellLocation::Kind::Archive: return ArchiveParsingName(location.Value());
  }
  return FromNativeName(location.Value().Path);
}

QString ArchiveParsingName(const ShellLocation& location) {
  if (Archives.ParsingName) {
    const QString decoded = Archives.ParsingName(location);
    if (!decoded.isEmpty()) return decoded;
  }
  QByteArray path = location.Path;
  for (const QByteArray& inside : location.Inside) {
    if (!inside.isEmpty()) path = JoinPath(path, inside);
  }
  return FromNativeName(path);
}

void SetArchiveNamespace(const ArchiveNamespace& archives) { Archives = archives; }

bool IsArchiveLocation(ConstItemIdList absolute) {
  auto location = ResolveIdList(absolute);
  return !location.IsError() && location.Value().Type == ShellLocation::Kind::Archive;
}

QByteArray ShellFileSystemPath(ConstItemIdList absolute) {
  auto location = ResolveIdList(absolute);
  if (location.IsError() || location.Value().Type != ShellLocation::Kind::FileSystem) return {};
  return location.Value().Path;
}

QString ShellDisplayName(ConstItemIdList absolute) {
  if (!absolute || ItemByteCount(absolute) == 0) return {};
  ConstItemIdList last = absolute;
  for (ConstItemIdList item = NextId(absolute); ItemByteCount(item) != 0; item = NextId(item)) last = item;
  return ChildDisplayName(last);
}

namespace {

ConstItemIdList LastItem(ConstItemIdList absolute) {
  ConstItemIdList last = absolute;
  for (ConstItemIdList item = absolute; ItemByteCount(item) != 0; item = NextId(item)) last = item;
  return last;
}

QString VolumeTypeName(const QByteArray& mountPoint) {
  for (const Volume& volume : ListVolumes()) {
    if (volume.MountPoint == mountPoint) return QStringLiteral("Том ") + volume.FileSystem;
  }
  return QStringLiteral("Том");
}

QMimeType MimeTypeOfPath(const QByteArray& path, ItemKind kind) {
  QMimeDatabase mimeTypes;
  if (IsFolderKind(kind)) return mimeTypes.mimeTypeForName(QStringLiteral("inode/directory"));
  struct stat info;
  if (::lstat(path.constData(), &info) == 0) {
    const char* special = S_ISFIFO(info.st_mode)  ? "inode/fifo"
                          : S_ISCHR(info.st_mode) ? "inode/chardevice"
                          : S_ISBLK(info.st_mode) ? "inode/blockdevice"
                          : S_ISSOCK(info.st_mode) ? "inode/socket"
                                                   : nullptr;
    if (special) return mimeTypes.mimeTypeForName(QLatin1String(special));
    if (S_ISLNK(info.st_mode) && ::stat(path.constData(), &info) != 0) {
      return mimeTypes.mimeTypeForName(QStringLiteral("inode/symlink"));
    }
  }
  const qsizetype slash = path.lastIndexOf('/');
  return mimeTypes.mimeTypeForFile(FromNativeName(path.mid(slash + 1)), QMimeDatabase::MatchExtension);
}

// Entries of an archive are typed by their names: their contents are not at hand.
QMimeType MimeTypeOfArchiveEntry(ConstItemIdList item) {
  QMimeDatabase mimeTypes;
  if (IsFolderKind(ChildKind(item))) return mimeTypes.mimeTypeForName(QStringLiteral("inode/directory"));
  return mimeTypes.mimeTypeForFile(ChildDisplayName(item), QMimeDatabase::MatchExtension);
}

}  // namespace

QString ShellTypeName(ConstItemIdList absolute) {
  if (!absolute || ItemByteCount(absolute) == 0) return {};
  const ItemKind kind = ChildKind(LastItem(absolute));
  if (kind == ItemKind::Home || kind == ItemKind::Computer) return QStringLiteral("Системная папка");
  if (IsArchiveKind(kind)) return MimeTypeOfArchiveEntry(LastItem(absolute)).comment().left(80);
  const QByteArray path = ShellFileSystemPath(absolute);
  if (kind == ItemKind::Volume) return VolumeTypeName(path);
  return MimeTypeOfPath(path, kind).comment().left(80);
}

int ShellIconIndex(ConstItemIdList absolute, bool, bool) {
  if (!absolute || ItemByteCount(absolute) == 0) return ShellIconIndexOf({QStringLiteral("user-desktop"), {}, IconFallback::Folder});
  const ItemKind kind = ChildKind(LastItem(absolute));
  switch (kind) {
    case ItemKind::Home: return ShellIconIndexOf({QStringLiteral("user-home"), QStringLiteral("folder"), IconFallback::Home});
    case ItemKind::Computer: return ShellIconIndexOf({QStringLiteral("computer"), {}, IconFallback::Computer});
    case ItemKind::Volume: return ShellIconIndexOf({QStringLiteral("drive-harddisk"), {}, IconFallback::Volume});
    case ItemKind::Folder: return ShellIconIndexOf({QStringLiteral("folder"), {}, IconFallback::Folder});
    case ItemKind::FolderLink: return ShellIconIndexOf({QStringLiteral("folder"), {}, IconFallback::FolderLink});
    case ItemKind::Archive:
    case ItemKind::ArchiveFolder: return ShellIconIndexOf({QStringLiteral("folder"), {}, IconFallback::Folder});
    case ItemKind::File:
    case ItemKind::ArchiveFile: break;
  }
  const QMimeType type = kind == ItemKind::ArchiveFile ? MimeTypeOfArchiveEntry(LastItem(absolute))
                                                       : MimeTypeOfPath(ShellFileSystemPath(absolute), kind);
  const bool special = type.name().startsWith(QLatin1String("inode/"));
  return ShellIconIndexOf({type.iconName(), type.genericIconName(), special ? IconFallback::Special : IconFallback::File});
}

bool DirectoryExistsBytes(const QByteArray& path) {
  struct stat info;
  return !path.isEmpty() && ::stat(path.constData(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool DirectoryExists(const QString& path) {
  return DirectoryExistsBytes(ToNativeName(path));
}

}  // namespace zarn
