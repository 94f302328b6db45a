#include "archives/archiveindex.h"

#include <archive.h>
#include <archive_entry.h>

#include <algorithm>
#include <limits>
#include <utility>

#include "archives/archiveheader.h"
#include "archives/archiveindexreaders.h"
#include "archives/archivestream.h"
#include "archives/archivetempcopy.h"
#include "archives/zipdirectory.h"
#include "platform/filenames.h"
#include "viewer/codepages.h"

namespace zarn {
namespace {

// A lone compressed file has no size in any header: its data is read this far
// to learn it, and beyond that the size stays unknown (a bomb stays unread).
constexpr qint64 SingleFileSizeProbe = qint64(256) << 20;

struct TNormalPath {
  QByteArray Path;
  bool Absolute = false;
  bool Climbs = false;
};

// True when the name has no empty, "." or ".." part and does not start with
// "/": nearly every name, kept as it is (a trailing "/" aside) without
// splitting it.
bool IsPlainPath(const QByteArray& raw, qsizetype end) {
  if (end <= 0 || raw.startsWith('/')) return false;
  for (qsizetype start = 0; start <= end;) {
    qsizetype slash = raw.indexOf('/', start);
    if (slash < 0 || slash > end) slash = end;
    const qsizetype length = slash - start;
    if (length == 0 || (raw[start] == '.' && (length == 1 || (length == 2 && raw[start + 1] == '.')))) return false;
    start = slash + 1;
  }
  return true;
}

TNormalPath Normalize(const QByteArray& raw) {
  TNormalPath result;
  const qsizetype end = raw.endsWith('/') ? raw.size() - 1 : raw.size();
  if (IsPlainPath(raw, end)) {
    result.Path = raw.left(end);
    return result;
  }
  result.Absolute = raw.startsWith('/');
  QList<QByteArray> parts;
  for (const QByteArray& part : raw.split('/')) {
    if (part.isEmpty() || part == ".") continue;
    if (part == "..") result.Climbs = true;
    parts.append(part);
  }
  result.Path = parts.join('/');
  return result;
}

bool HasNonAscii(const QByteArray& bytes) {
  return std::any_of(bytes.begin(), bytes.end(), [](char byte) { return static_cast<unsigned char>(byte) >= 0x80; });
}

ArchiveEntryType TypeOf(archive_entry* header) {
  if (archive_entry_hardlink(header)) return ArchiveEntryType::HardLink;
  switch (archive_entry_filetype(header)) {
    case AE_IFREG: return ArchiveEntryType::File;
    case AE_IFDIR: return ArchiveEntryType::Folder;
    case AE_IFLNK: return ArchiveEntryType::Symlink;
    default: return ArchiveEntryType::Special;
  }
}

QDateTime ModifiedOf(archive_entry* header) {
  if (!archive_entry_mtime_is_set(header)) return {};
  // In UTC: a local time would look up the time zone for every header.
  return QDateTime::fromMSecsSinceEpoch(qint64(archive_entry_mtime(header)) * 1000 +
                                            archive_entry_mtime_nsec(header) / 1000000,
                                        Qt::UTC);
}

OsError Refusal(const char* why, const QByteArray& raw) {
  return OsError::WithText(QString::fromUtf8(why), FromNativeName(raw));
}

qint64 CountData(TArchiveStream& stream) {
  std::vector<char> buffer(1 << 16);
  qint64 total = 0;
  while (total <= SingleFileSizeProbe) {
    const qint64 count = stream.ReadData(buffer.data(), qint64(buffer.size()));
    if (count < 0) return -1;
    if (count == 0) return total;
    total += count;
  }
  return -1;
}

}  // namespace

qint64 AddEntrySize(qint64 total, qint64 size) {
  qint64 sum = 0;
  if (__builtin_add_overflow(total, std::max<qint64>(size, 0), &sum)) return std::numeric_limits<qint64>::max();
  return sum;
}

QByteArray ArchiveParentPath(const QByteArray& path) {
  const qsizetype slash = path.lastIndexOf('/');
  return slash < 0 ? QByteArray() : path.left(slash);
}

// Builds an index from headers in the order a pass through the archive meets
// them: the tree first, the names' texts once every name's code page is known.
class TArchiveIndex::Builder {
 public:
  explicit Builder(TArchiveIndex& index) : Index_(index) {}

  // Room for `headers` more, when a reader knows how many are coming.
  void Reserve(qsizetype headers) {
    Index_.Entries_.reserve(Index_.Entries_.size() + size_t(headers));
    Index_.ByPath_.reserve(Index_.ByPath_.size() + headers);
  }

  // The next header; its ordinal is the count of headers added before it.
  void Add(const TArchiveHeader& header) {
    const int ordinal = NextOrdinal_++;
    const TNormalPath normal = Normalize(header.Name);
    if (normal.Climbs) return Index_.Refusals_.append(Refusal("Имя выходит за пределы архива", header.Name));
    if (normal.Path.isEmpty()) return;  // the root itself ("./")
    if (normal.Absolute) Index_.Refusals_.append(Refusal("Начальный \"/\" в имени убран", header.Name));

    TArchiveEntry entry;
    entry.Path = normal.Path;
    entry.Type = header.Type;
    const bool hardLink = header.Type == ArchiveEntryType::HardLink;
    entry.LinkTarget = hardLink ? Normalize(header.LinkTarget).Path : header.LinkTarget;
    entry.Size = header.Size;
    entry.Modified = header.Modified;
    entry.Mode = header.Mode & 07777;
    entry.Encrypted = header.Encrypted;
    entry.LegacyName = header.LegacyName;
    entry.Ordinal = ordinal;
    Insert(std::move(entry), header.Name);
  }

  // Decides anew whether names are legacy: `decide(entry)` gives the answer
  // for the entries it knows better about.
  template <typename Decide>
  void Redecide(Decide decide) {
    for (TArchiveEntry& entry : Index_.Entries_) {
      if (!entry.Implicit) entry.LegacyName = decide(entry).value_or(entry.LegacyName);
    }
  }

  void Finish() {
    for (const auto& [folder, origin] : ImplicitOrigins_) {
      const TArchiveEntry* needer = Index_.Find(origin);
      Index_.Entries_[folder].LegacyName = needer && needer->LegacyName;
    }
    Index_.SetLegacyCodePage(Cp866ToUnicode);
  }

 private:
  void Insert(TArchiveEntry entry, const QByteArray& raw) {
    const int parent = EnsureFolder(ArchiveParentPath(entry.Path), entry.Path);
    if (parent == NotFolder) return Index_.Refusals_.append(Refusal("Путь проходит через ссылку", raw));
    const auto existing = Index_.ByPath_.constFind(entry.Path);
    if (existing == Index_.ByPath_.constEnd()) return Append(std::move(entry));
    TArchiveEntry& earlier = Index_.Entries_[*existing];
    const bool wasFolder = earlier.Type == ArchiveEntryType::Folder;
    if (wasFolder != (entry.Type == ArchiveEntryType::Folder)) {
      return Index_.Refusals_.append(Refusal("В архиве уже есть объект другого типа с этим именем", raw));
    }
    // A later header of the same name replaces the earlier, as extraction would.
    earlier = std::move(entry);
  }

  static constexpr int NotFolder = -2;
  static constexpr int Root = -1;

  // The index of the folder at `path`, made implicit when no header named it
  // yet; NotFolder when a link or a file stands there.
  int EnsureFolder(const QByteArray& path, const QByteArray& origin) {
    if (path.isEmpty()) return Root;
    const auto found = Index_.ByPath_.constFind(path);
    if (found != Index_.ByPath_.constEnd()) {
      return Index_.Entries_[*found].Type == ArchiveEntryType::Folder ? *found : NotFolder;
    }
    if (EnsureFolder(ArchiveParentPath(path), origin) == NotFolder) return NotFolder;
    TArchiveEntry folder;
    folder.Path = path;
    folder.Type = ArchiveEntryType::Folder;
    folder.Implicit = true;
    ImplicitOrigins_.emplace_back(int(Index_.Entries_.size()), origin);
    Append(std::move(folder));
    return int(Index_.Entries_.size()) - 1;
  }

  void Append(TArchiveEntry entry) {
    const int position = int(Index_.Entries_.size());
    Index_.ByPath_.insert(entry.Path, position);
    Index_.Children_[ArchiveParentPath(entry.Path)].push_back(position);
    Index_.Entries_.push_back(std::move(entry));
  }

  TArchiveIndex& Index_;
  int NextOrdinal_ = 0;
  std::vector<std::pair<int, QByteArray>> ImplicitOrigins_;  // implicit folder, the path that needed it
};

namespace {

TArchiveHeader HeaderOf(TArchiveStream& stream, archive_entry* entry) {
  TArchiveHeader header;
  const char* name = archive_entry_pathname(entry);
  header.Name = stream.IsSingleFile() ? stream.SingleFileName() : QByteArray(name ? name : "");
  header.Type = TypeOf(entry);
  if (header.Type == ArchiveEntryType::Symlink) header.LinkTarget = archive_entry_symlink(entry);
  if (header.Type == ArchiveEntryType::HardLink) header.LinkTarget = archive_entry_hardlink(entry);
  header.Size = archive_entry_size_is_set(entry) ? archive_entry_size(entry) : -1;
  if (stream.IsSingleFile()) header.Size = CountData(stream);
  header.Modified = ModifiedOf(entry);
  header.Mode = archive_entry_perm(entry);
  header.Encrypted = archive_entry_is_encrypted(entry);
  header.LegacyName =
      stream.IsZip() && HasNonAscii(header.Name) && !IsValidUtf8(header.Name.constData(), header.Name.size());
  return header;
}

// libarchive hands over a zip name without the UTF-8 flag as its bytes, which
// may be valid UTF-8 too, and converts it only when told its code page. Read
// again as Latin-1, exactly those names come back as their bytes in Latin-1;
// flagged names come back unchanged, names from a Unicode Path field as the
// bytes they stand for.
QHash<int, QByteArray> Latin1ZipNames(const QString& path, int lastOrdinal) {
  QHash<int, QByteArray> names;
  auto again = TArchiveStream::Open(path, "zip:hdrcharset=ISO-8859-1");
  if (!again) return names;
  int ordinal = 0;
  while (archive_entry* header = again.Value()->Next()) {
    const char* name = archive_entry_pathname(header);
    names.insert(ordinal, Normalize(name ? name : "").Path);
    if (ordinal++ == lastOrdinal) break;
  }
  return names;
}

}  // namespace

ErrorOr<std::shared_ptr<TArchiveIndex>> TArchiveIndexReaders::ThroughLibarchive(const QString& path) {
  auto opened = TArchiveStream::Open(path);
  if (!opened) return opened.Error();
  TArchiveStream& stream = *opened.Value();
  std::shared_ptr<TArchiveIndex> index(new TArchiveIndex);
  index->ArchivePath_ = path;
  index->DisplayPath_ = path;
  index->SingleFile_ = stream.IsSingleFile();
  TArchiveIndex::Builder builder(*index);
  int ordinal = 0;
  int lastAmbiguous = -1;  // the last zip name that may or may not be UTF-8
  while (archive_entry* entry = stream.Next()) {
    const TArchiveHeader header = HeaderOf(stream, entry);
    if (stream.IsZip() && !header.LegacyName && HasNonAscii(header.Name)) lastAmbiguous = ordinal;
    builder.Add(header);
    ++ordinal;
  }
  if (stream.Error()) index->ReadError_ = stream.Error();
  if (lastAmbiguous >= 0) {
    const QHash<int, QByteArray> latin1 = Latin1ZipNames(path, lastAmbiguous);
    builder.Redecide([&](const TArchiveEntry& entry) -> std::optional<bool> {
      const auto found = latin1.constFind(entry.Ordinal);
      if (found == latin1.constEnd() || !HasNonAscii(entry.Path) || entry.LegacyName) return std::nullopt;
      return *found == QString::fromLatin1(entry.Path).toUtf8();
    });
  }
  builder.Finish();
  return index;
}

std::shared_ptr<TArchiveIndex> TArchiveIndexReaders::ThroughZipDirectory(const QString& path) {
  const auto headers = ReadZipDirectory(path);
  if (!headers) return nullptr;
  std::shared_ptr<TArchiveIndex> index(new TArchiveIndex);
  index->ArchivePath_ = path;
  index->DisplayPath_ = path;
  TArchiveIndex::Builder builder(*index);
  builder.Reserve(qsizetype(headers->size()));
  for (const TArchiveHeader& header : *headers) builder.Add(header);
  builder.Finish();
  return index;
}

ErrorOr<std::shared_ptr<TArchiveIndex>> TArchiveIndex::Open(const QString& path) {
  if (auto index = TArchiveIndexReaders::ThroughZipDirectory(path)) return index;
  return TArchiveIndexReaders::ThroughLibarchive(path);
}

ErrorOr<std::shared_ptr<TArchiveIndex>> TArchiveIndex::OpenInside(const std::shared_ptr<const TArchiveIndex>& outer,
                                                                  const QByteArray& entry) {
  auto copy = TArchiveTempCopy::Extract(outer, entry);
  if (!copy) return copy.Error();
  auto index = Open(copy.Value()->FilePath());
  if (!index) return index.Error();
  index.Value()->DisplayPath_ = outer->DisplayPath() + QLatin1Char('/') + outer->Find(entry)->Text;
  index.Value()->TempCopy_ = copy.TakeValue();
  return index;
}

TArchiveIndex::~TArchiveIndex() = default;

const TArchiveEntry* TArchiveIndex::Find(const QByteArray& path) const {
  const auto found = ByPath_.constFind(path);
  return found == ByPath_.constEnd() ? nullptr : &Entries_[*found];
}

std::vector<const TArchiveEntry*> TArchiveIndex::Children(const QByteArray& folder) const {
  std::vector<const TArchiveEntry*> children;
  const auto found = Children_.constFind(folder);
  if (found == Children_.constEnd()) return children;
  children.reserve(found->size());
  for (const int position : *found) children.push_back(&Entries_[position]);
  return children;
}

TArchiveFolderSize TArchiveIndex::FolderSize(const QByteArray& folder) const {
  TArchiveFolderSize size;
  std::vector<QByteArray> pending{folder};
  while (!pending.empty()) {
    const QByteArray current = std::move(pending.back());
    pending.pop_back();
    for (const TArchiveEntry* child : Children(current)) {
      if (child->Type == ArchiveEntryType::Folder) {
        ++size.Folders;
        pending.push_back(child->Path);
      } else {
        ++size.Files;
        size.Bytes = AddEntrySize(size.Bytes, child->Size);
      }
    }
  }
  return size;
}

bool TArchiveIndex::HasLegacyNames() const {
  return std::any_of(Entries_.begin(), Entries_.end(), [](const TArchiveEntry& entry) { return entry.LegacyName; });
}

void TArchiveIndex::SetLegacyCodePage(char16_t (*byteToUnicode)(unsigned char byte)) {
  for (TArchiveEntry& entry : Entries_) {
    entry.Text = entry.LegacyName ? DecodeSingleBytes(entry.Path, byteToUnicode) : FromNativeName(entry.Path);
    entry.Name = entry.Text.mid(entry.Text.lastIndexOf(QLatin1Char('/')) + 1);
  }
}

}  // namespace zarn
