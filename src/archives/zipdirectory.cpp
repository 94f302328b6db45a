#include "archives/zipdirectory.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <limits>

#include "platform/filedescriptor.h"
#include "platform/filenames.h"

namespace zarn {
namespace {

constexpr quint32 EndSignature = 0x06054b50;
constexpr quint32 Zip64EndSignature = 0x06064b50;
constexpr quint32 Zip64LocatorSignature = 0x07064b50;
constexpr quint32 CentralSignature = 0x02014b50;
constexpr quint32 LocalSignature = 0x04034b50;
constexpr qint64 EndBytes = 22;
constexpr qint64 MaxCommentBytes = 0xFFFF;
constexpr qint64 LocatorBytes = 20;
constexpr qint64 Zip64EndBytes = 56;
constexpr qint64 CentralBytes = 46;
constexpr qint64 LocalBytes = 30;
constexpr quint32 Escape32 = 0xFFFFFFFF;  // "the value is in the ZIP64 extra field"
constexpr quint16 Escape16 = 0xFFFF;

constexpr quint16 EncryptedFlag = 0x0001;
constexpr quint16 Utf8Flag = 0x0800;
constexpr unsigned UnixSystem = 3;
constexpr unsigned MsDosSystem = 0;
constexpr quint32 DosReadOnly = 0x01;
constexpr quint32 DosFolder = 0x10;

constexpr quint16 Zip64Field = 0x0001;
constexpr quint16 NtfsField = 0x000a;
constexpr quint16 ExtendedTimeField = 0x5455;
constexpr quint16 UnicodePathField = 0x7075;

// Bytes read from the file; every field is read through a range check.
class TBytes {
 public:
  explicit TBytes(const QByteArray& bytes)
      : Data_(reinterpret_cast<const uchar*>(bytes.constData())), Size_(bytes.size()) {}
  TBytes(const uchar* data, qint64 size) : Data_(data), Size_(size) {}

  qint64 Size() const { return Size_; }
  bool Has(qint64 offset, qint64 count) const {
    return offset >= 0 && count >= 0 && offset <= Size_ && count <= Size_ - offset;
  }
  // Callers check Has first.
  quint8 U8(qint64 offset) const { return Data_[offset]; }
  quint16 U16(qint64 offset) const { return quint16(Data_[offset] | (Data_[offset + 1] << 8)); }
  quint32 U32(qint64 offset) const { return quint32(U16(offset)) | (quint32(U16(offset + 2)) << 16); }
  quint64 U64(qint64 offset) const { return quint64(U32(offset)) | (quint64(U32(offset + 4)) << 32); }
  QByteArray Slice(qint64 offset, qint64 count) const {
    return QByteArray(reinterpret_cast<const char*>(Data_ + offset), count);
  }
  TBytes Part(qint64 offset, qint64 count) const { return TBytes(Data_ + offset, count); }

 private:
  const uchar* Data_;
  qint64 Size_;
};

// Exactly `count` bytes at `offset`, or nothing.
std::optional<QByteArray> ReadAt(int fd, qint64 offset, qint64 count) {
  QByteArray bytes(count, Qt::Uninitialized);
  for (qint64 done = 0; done < count;) {
    const ssize_t got = ::pread(fd, bytes.data() + done, size_t(count - done), off_t(offset + done));
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return std::nullopt;
    done += got;
  }
  return bytes;
}

struct TDirectoryPlace {
  qint64 Offset = 0;
  qint64 Size = 0;
  quint64 Count = 0;
};

// The ZIP64 end record named by the locator just before the end record at `endAt`.
std::optional<TDirectoryPlace> ReadZip64End(int fd, const TBytes& locator, qint64 endAt) {
  const quint64 recordAt = locator.U64(8);
  if (locator.U32(4) != 0 || locator.U32(16) > 1) return std::nullopt;  // another disk
  if (endAt < LocatorBytes + Zip64EndBytes || recordAt > quint64(endAt - LocatorBytes - Zip64EndBytes)) {
    return std::nullopt;
  }
  const auto read = ReadAt(fd, qint64(recordAt), Zip64EndBytes);
  if (!read) return std::nullopt;
  const TBytes record(*read);
  if (record.U32(0) != Zip64EndSignature || record.U32(16) != 0 || record.U32(20) != 0) return std::nullopt;
  if (record.U64(24) != record.U64(32)) return std::nullopt;
  const quint64 size = record.U64(40);
  const quint64 offset = record.U64(48);
  if (size > recordAt || offset != recordAt - size) return std::nullopt;
  return TDirectoryPlace{qint64(offset), qint64(size), record.U64(32)};
}

// Where the directory is, from the end record: the last one whose comment
// reaches exactly to the end of the file.
std::optional<TDirectoryPlace> FindDirectory(int fd, qint64 fileSize) {
  const qint64 tailBytes = std::min(fileSize, EndBytes + MaxCommentBytes + LocatorBytes);
  if (tailBytes < EndBytes) return std::nullopt;
  const auto read = ReadAt(fd, fileSize - tailBytes, tailBytes);
  if (!read) return std::nullopt;
  const TBytes tail(*read);
  qint64 at = tailBytes - EndBytes;
  while (at >= 0 && !(tail.U32(at) == EndSignature && at + EndBytes + tail.U16(at + 20) == tailBytes)) --at;
  if (at < 0) return std::nullopt;
  const qint64 endAt = fileSize - tailBytes + at;
  if (at >= LocatorBytes && tail.U32(at - LocatorBytes) == Zip64LocatorSignature) {
    return ReadZip64End(fd, tail.Part(at - LocatorBytes, LocatorBytes), endAt);
  }
  if (tail.U16(at + 4) != 0 || tail.U16(at + 6) != 0 || tail.U16(at + 8) != tail.U16(at + 10)) return std::nullopt;
  const quint32 size = tail.U32(at + 12);
  const quint32 offset = tail.U32(at + 16);
  if (qint64(offset) + qint64(size) != endAt) return std::nullopt;
  return TDirectoryPlace{qint64(offset), qint64(size), tail.U16(at + 10)};
}

// MS-DOS dates and times as local time, as libarchive reads them. The last
// value is remembered, since neighbouring entries mostly share their time;
// one clock serves one reading of a directory.
class TDosClock {
 public:
  QDateTime Time(quint16 date, quint16 time) {
    const quint32 stamp = (quint32(date) << 16) | time;
    if (!LastSeconds_ || stamp != LastStamp_) {
      tm parts{};
      parts.tm_year = ((date >> 9) & 0x7f) + 80;
      parts.tm_mon = ((date >> 5) & 0x0f) - 1;
      parts.tm_mday = date & 0x1f;
      parts.tm_hour = (time >> 11) & 0x1f;
      parts.tm_min = (time >> 5) & 0x3f;
      parts.tm_sec = (time << 1) & 0x3e;
      parts.tm_isdst = -1;
      LastSeconds_ = qint64(::mktime(&parts));
      LastStamp_ = stamp;
    }
    return QDateTime::fromSecsSinceEpoch(*LastSeconds_, Qt::UTC);
  }

 private:
  quint32 LastStamp_ = 0;
  std::optional<qint64> LastSeconds_;
};

// 100-nanosecond ticks since 1601 in UTC.
QDateTime FromNtfsTime(quint64 ticks) {
  constexpr quint64 TicksTo1970 = 116444736000000000ULL;
  const qint64 ms =
      ticks >= TicksTo1970 ? qint64((ticks - TicksTo1970) / 10000) : -qint64((TicksTo1970 - ticks) / 10000);
  return QDateTime::fromMSecsSinceEpoch(ms, Qt::UTC);
}

// The fields of one central directory entry that the extra fields may replace.
struct TEntryFields {
  quint64 Size = 0;
  quint64 CompressedSize = 0;
  quint64 LocalOffset = 0;
  quint32 Disk = 0;
  QByteArray UnicodeName;  // from a Unicode Path field whose check matched the name
  bool HasUnicodeName = false;
  std::optional<QDateTime> ExtendedTime;
  std::optional<QDateTime> NtfsTime;
};

// The ZIP64 field holds, in this order, just those values whose ordinary field is the escape.
bool ReadZip64Field(const TBytes& field, TEntryFields& fields, quint32 size, quint32 compressed, quint32 offset,
                    quint16 disk) {
  qint64 at = 0;
  const auto take = [&](quint64& value, bool escaped, qint64 bytes) {
    if (!escaped) return true;
    if (!field.Has(at, bytes)) return false;
    value = bytes == 8 ? field.U64(at) : field.U32(at);
    at += bytes;
    return true;
  };
  quint64 diskValue = fields.Disk;
  const bool read = take(fields.Size, size == Escape32, 8) && take(fields.CompressedSize, compressed == Escape32, 8) &&
                    take(fields.LocalOffset, offset == Escape32, 8) && take(diskValue, disk == Escape16, 4);
  fields.Disk = quint32(diskValue);
  return read;
}

void ReadTimeFields(const TBytes& field, quint16 id, TEntryFields& fields) {
  if (id == ExtendedTimeField && field.Has(0, 5) && (field.U8(0) & 0x01)) {
    // Unsigned, as libarchive reads it: up to 2106 rather than back to 1901.
    fields.ExtendedTime = QDateTime::fromSecsSinceEpoch(qint64(field.U32(1)), Qt::UTC);
  }
  // Tag 1 of the NTFS field holds the modification time first.
  if (id == NtfsField && field.Has(4, 4 + 8) && field.U16(4) == 1 && field.U16(6) >= 8) {
    fields.NtfsTime = FromNtfsTime(field.U64(8));
  }
}

// False when the extra fields overrun their block or a needed ZIP64 value is missing.
bool ReadExtraFields(const TBytes& extra, const QByteArray& name, const TBytes& entry, TEntryFields& fields) {
  const bool needsZip64 = entry.U32(20) == Escape32 || entry.U32(24) == Escape32 || entry.U32(42) == Escape32 ||
                          entry.U16(34) == Escape16;
  bool zip64Read = false;
  for (qint64 at = 0; extra.Has(at, 4);) {
    const quint16 id = extra.U16(at);
    const quint16 length = extra.U16(at + 2);
    if (!extra.Has(at + 4, length)) return false;
    const TBytes field = extra.Part(at + 4, length);
    if (id == Zip64Field) {
      if (!ReadZip64Field(field, fields, entry.U32(24), entry.U32(20), entry.U32(42), entry.U16(34))) return false;
      zip64Read = true;
    } else if (id == UnicodePathField && field.Has(0, 5) && field.U8(0) == 1 &&
               field.U32(1) == quint32(crc32(0, reinterpret_cast<const Bytef*>(name.constData()), uInt(name.size())))) {
      fields.UnicodeName = field.Slice(5, length - 5);
      fields.HasUnicodeName = true;
    } else {
      ReadTimeFields(field, id, fields);
    }
    at += 4 + length;
  }
  return zip64Read || !needsZip64;
}

// Kind and permission bits, as libarchive gives them for the same entry,
// except that the MS-DOS attributes count for every system but Unix and that
// a read-only MS-DOS folder stays a folder. Null for links and devices.
std::optional<unsigned> ModeOf(unsigned system, quint32 external, const QByteArray& name) {
  unsigned mode = 0;
  if (system == UnixSystem) {
    mode = external >> 16;
  } else {
    mode = (external & DosFolder) ? (S_IFDIR | 0775) : (S_IFREG | 0664);
    if (external & DosReadOnly) mode &= ~0222u;
  }
  if (mode == 0) mode = S_IFREG | 0664;
  const unsigned type = mode & S_IFMT;
  if (type != 0 && type != S_IFREG && type != S_IFDIR) return std::nullopt;
  if (type != S_IFDIR && name.endsWith('/')) return (mode & ~unsigned(S_IFMT)) | S_IFDIR | 0111;
  return type == 0 ? mode | S_IFREG : mode;
}

bool HasNonAscii(const QByteArray& bytes) {
  return std::any_of(bytes.begin(), bytes.end(), [](char byte) { return static_cast<unsigned char>(byte) >= 0x80; });
}

struct TCentralEntry {
  TArchiveHeader Header;
  quint64 LocalOffset = 0;
};

// The entry at `at`, which moves past it; nothing when it is not plain.
std::optional<TCentralEntry> ReadEntry(const TBytes& directory, qint64& at, TDosClock& clock) {
  if (!directory.Has(at, CentralBytes) || directory.U32(at) != CentralSignature) return std::nullopt;
  const TBytes entry = directory.Part(at, CentralBytes);
  const qint64 nameLength = entry.U16(28);
  const qint64 extraLength = entry.U16(30);
  const qint64 total = CentralBytes + nameLength + extraLength + entry.U16(32);
  if (!directory.Has(at, total)) return std::nullopt;
  QByteArray name = directory.Slice(at + CentralBytes, nameLength);
  TEntryFields fields;
  fields.Size = entry.U32(24);
  fields.CompressedSize = entry.U32(20);
  fields.LocalOffset = entry.U32(42);
  fields.Disk = entry.U16(34);
  if (!ReadExtraFields(directory.Part(at + CentralBytes + nameLength, extraLength), name, entry, fields)) {
    return std::nullopt;
  }
  at += total;
  if (fields.Disk != 0 || fields.Size > quint64(std::numeric_limits<qint64>::max())) return std::nullopt;

  const unsigned system = entry.U16(4) >> 8;
  const quint16 flags = entry.U16(8);
  if (fields.HasUnicodeName) name = fields.UnicodeName;
  // MS-DOS writers may separate folders with "\". libarchive turns those
  // into "/" only in names that are valid UTF-8, and the extraction's pass
  // must meet the same paths.
  if (system == MsDosSystem && !name.contains('/') && IsValidUtf8(name.constData(), name.size())) {
    name.replace('\\', '/');
  }
  const auto mode = ModeOf(system, entry.U32(38), name);
  if (!mode) return std::nullopt;

  TCentralEntry result;
  TArchiveHeader& header = result.Header;
  const bool utf8 = fields.HasUnicodeName || (flags & Utf8Flag);
  header.Name = std::move(name);
  header.LegacyName = !utf8 && HasNonAscii(header.Name);
  header.Type = (*mode & S_IFMT) == S_IFDIR ? ArchiveEntryType::Folder : ArchiveEntryType::File;
  header.Size = qint64(fields.Size);
  header.Mode = *mode & 07777;
  header.Encrypted = flags & EncryptedFlag;
  header.Modified = fields.ExtendedTime ? *fields.ExtendedTime
                    : fields.NtfsTime   ? *fields.NtfsTime
                                        : clock.Time(entry.U16(14), entry.U16(12));
  result.LocalOffset = fields.LocalOffset;
  return result;
}

std::optional<std::vector<TCentralEntry>> ReadEntries(const TBytes& directory, quint64 count) {
  // Each entry takes at least its fixed part, which bounds what a damaged count may reserve.
  if (count > quint64(directory.Size() / CentralBytes)) return std::nullopt;
  std::vector<TCentralEntry> entries;
  entries.reserve(count);
  qint64 at = 0;
  TDosClock clock;
  for (quint64 i = 0; i < count; ++i) {
    auto entry = ReadEntry(directory, at, clock);
    if (!entry) return std::nullopt;
    entries.push_back(std::move(*entry));
  }
  if (at != directory.Size()) return std::nullopt;
  return entries;
}

// In local header order, each local header before the directory and none shared.
bool PutInLocalOrder(std::vector<TCentralEntry>& entries, qint64 directoryOffset) {
  const auto byOffset = [](const TCentralEntry& a, const TCentralEntry& b) { return a.LocalOffset < b.LocalOffset; };
  if (!std::is_sorted(entries.begin(), entries.end(), byOffset)) std::sort(entries.begin(), entries.end(), byOffset);
  for (size_t i = 0; i < entries.size(); ++i) {
    if (entries[i].LocalOffset + LocalBytes > quint64(directoryOffset)) return false;
    if (i > 0 && entries[i].LocalOffset == entries[i - 1].LocalOffset) return false;
  }
  return true;
}

}  // namespace

std::optional<std::vector<TArchiveHeader>> ReadZipDirectory(const QString& path) {
  const TFileDescriptor file(::open(ToNativeName(path).constData(), O_RDONLY | O_CLOEXEC));
  struct stat status {};
  if (!file.IsOpen() || ::fstat(file.Get(), &status) != 0 || !S_ISREG(status.st_mode)) return std::nullopt;
  const auto place = FindDirectory(file.Get(), qint64(status.st_size));
  if (!place) return std::nullopt;
  const auto block = ReadAt(file.Get(), place->Offset, place->Size);
  if (!block) return std::nullopt;
  auto entries = ReadEntries(TBytes(*block), place->Count);
  if (!entries || !PutInLocalOrder(*entries, place->Offset)) return std::nullopt;
  if (!entries->empty()) {
    const auto first = ReadAt(file.Get(), qint64(entries->front().LocalOffset), 4);
    if (!first || TBytes(*first).U32(0) != LocalSignature) return std::nullopt;
  }
  std::vector<TArchiveHeader> headers;
  headers.reserve(entries->size());
  for (TCentralEntry& entry : *entries) headers.push_back(std::move(entry.Header));
  return headers;
}

}  // namespace zarn
