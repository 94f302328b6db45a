#pragma once
// Archives the tests make: through libarchive's writer in any format and
// filter, a zip written byte by byte where the UTF-8 flag, the system, the
// attributes and the extra fields of each entry must be chosen, and the
// archivers run with argument lists.

#include <QByteArray>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QString>
#include <QStringList>

#include <archive.h>
#include <archive_entry.h>
#include <zlib.h>

#include <algorithm>
#include <utility>
#include <vector>

namespace zarn::test {

struct TSampleEntry {
  QByteArray Path;
  QByteArray Data;
  unsigned Type = AE_IFREG;
  unsigned Mode = 0644;
  QByteArray Symlink;   // a symlink's target
  QByteArray HardLink;  // a hard link's file inside the archive
  qint64 Modified = 1600000000;
};

inline TSampleEntry SampleFolder(const QByteArray& path, unsigned mode = 0755) {
  return {path, {}, AE_IFDIR, mode, {}, {}, 1600000000};
}
inline TSampleEntry SampleLink(const QByteArray& path, const QByteArray& target) {
  return {path, {}, AE_IFLNK, 0777, target, {}, 1600000000};
}

// `format` and `filter` are libarchive's ARCHIVE_FORMAT_* and ARCHIVE_FILTER_*.
inline bool WriteArchive(const QString& path, int format, int filter, const std::vector<TSampleEntry>& entries) {
  archive* writer = archive_write_new();
  bool good = archive_write_set_format(writer, format) == ARCHIVE_OK &&
              archive_write_add_filter(writer, filter) == ARCHIVE_OK &&
              archive_write_open_filename(writer, QFile::encodeName(path).constData()) == ARCHIVE_OK;
  for (const TSampleEntry& sample : entries) {
    if (!good) break;
    archive_entry* entry = archive_entry_new();
    archive_entry_copy_pathname(entry, sample.Path.constData());
    archive_entry_set_filetype(entry, sample.Type);
    archive_entry_set_perm(entry, sample.Mode);
    archive_entry_set_mtime(entry, sample.Modified, 0);
    if (!sample.Symlink.isEmpty()) archive_entry_copy_symlink(entry, sample.Symlink.constData());
    if (!sample.HardLink.isEmpty()) archive_entry_copy_hardlink(entry, sample.HardLink.constData());
    archive_entry_set_size(entry, sample.Data.size());
    good = archive_write_header(writer, entry) == ARCHIVE_OK &&
           archive_write_data(writer, sample.Data.constData(), sample.Data.size()) == sample.Data.size();
    archive_entry_free(entry);
  }
  good = archive_write_close(writer) == ARCHIVE_OK && good;
  archive_write_free(writer);
  return good;
}

// A stored zip entry whose name is exactly `Path`'s bytes; `Utf8` sets the flag.
struct TZipName {
  QByteArray Path;
  QByteArray Data;
  bool Utf8 = false;
  quint16 MadeBy = 20;      // "version made by": the system in the high byte (0 MS-DOS, 3 Unix)
  quint32 Attributes = 0;   // external: MS-DOS attributes low, a Unix mode in the high half
  QByteArray Extra;         // extra fields, in both headers
  quint16 Flags = 0;        // general purpose bits besides the UTF-8 flag
  quint32 DosTime = 0x50210000;  // midnight, 2020-01-01
};

enum class ZipLayout {
  Plain,
  DirectoryReversed,  // the central directory lists the entries last to first
  Zip64,              // every size and offset in ZIP64 fields, with the ZIP64 end record
};

// `bytes` may pass 4: the bytes past the value's are zero.
inline void AppendLittle(QByteArray& out, quint32 value, int bytes) {
  for (int i = 0; i < bytes; ++i) out.append(char(i < 4 ? (value >> (8 * i)) & 0xFF : 0));
}

inline QByteArray ZipExtraField(quint16 id, const QByteArray& data) {
  QByteArray field;
  AppendLittle(field, id, 2);
  AppendLittle(field, quint32(data.size()), 2);
  return field + data;
}

// An Info-ZIP Unicode Path field naming `utf8` for the header name `name`;
// `matching` false gives it a check value that does not fit the name.
inline QByteArray UnicodePathField(const QByteArray& utf8, const QByteArray& name, bool matching = true) {
  QByteArray data(1, '\x01');
  const quint32 crc = quint32(crc32(0, reinterpret_cast<const Bytef*>(name.constData()), uInt(name.size())));
  AppendLittle(data, matching ? crc : ~crc, 4);
  return ZipExtraField(0x7075, data + utf8);
}

inline QByteArray ExtendedTimeField(quint32 modified) {
  QByteArray data(1, '\x01');
  AppendLittle(data, modified, 4);
  return ZipExtraField(0x5455, data);
}

inline QByteArray Zip64Field(quint32 size, quint32 offset, bool withOffset) {
  QByteArray data;
  AppendLittle(data, size, 8);
  AppendLittle(data, size, 8);
  if (withOffset) AppendLittle(data, offset, 8);
  return ZipExtraField(0x0001, data);
}

inline bool WriteRawZip(const QString& path, const std::vector<TZipName>& names, ZipLayout layout = ZipLayout::Plain) {
  const bool zip64 = layout == ZipLayout::Zip64;
  QByteArray body;
  std::vector<QByteArray> central;
  for (const TZipName& name : names) {
    const quint32 crc = quint32(crc32(0, reinterpret_cast<const Bytef*>(name.Data.constData()), uInt(name.Data.size())));
    const quint32 size = quint32(name.Data.size());
    const quint32 offset = quint32(body.size());
    const auto common = [&](bool inDirectory) {  // version needed .. extra length
      const QByteArray extra = (zip64 ? Zip64Field(size, offset, inDirectory) : QByteArray()) + name.Extra;
      QByteArray fields;
      AppendLittle(fields, zip64 ? 45 : 10, 2);
      AppendLittle(fields, (name.Utf8 ? 0x800 : 0) | name.Flags, 2);
      AppendLittle(fields, 0, 2);  // stored
      AppendLittle(fields, name.DosTime, 4);
      AppendLittle(fields, crc, 4);
      AppendLittle(fields, zip64 ? 0xFFFFFFFF : size, 4);
      AppendLittle(fields, zip64 ? 0xFFFFFFFF : size, 4);
      AppendLittle(fields, quint32(name.Path.size()), 2);
      AppendLittle(fields, quint32(extra.size()), 2);
      return std::pair(fields, extra);
    };
    const auto [local, localExtra] = common(false);
    AppendLittle(body, 0x04034b50, 4);
    body += local + name.Path + localExtra + name.Data;
    const auto [fields, extra] = common(true);
    QByteArray entry;
    AppendLittle(entry, 0x02014b50, 4);
    AppendLittle(entry, name.MadeBy, 2);
    entry += fields;
    AppendLittle(entry, 0, 2 + 2 + 2);  // comment, disk, internal attributes
    AppendLittle(entry, name.Attributes, 4);
    AppendLittle(entry, zip64 ? 0xFFFFFFFF : offset, 4);
    central.push_back(entry + name.Path + extra);
  }
  if (layout == ZipLayout::DirectoryReversed) std::reverse(central.begin(), central.end());
  QByteArray directory;
  for (const QByteArray& entry : central) directory += entry;
  QByteArray end;
  if (zip64) {
    const quint32 recordAt = quint32(body.size() + directory.size());
    AppendLittle(end, 0x06064b50, 4);
    AppendLittle(end, 44, 8);
    AppendLittle(end, 45, 2);
    AppendLittle(end, 45, 2);
    AppendLittle(end, 0, 4 + 4);  // disks
    AppendLittle(end, quint32(names.size()), 8);
    AppendLittle(end, quint32(names.size()), 8);
    AppendLittle(end, quint32(directory.size()), 8);
    AppendLittle(end, quint32(body.size()), 8);
    AppendLittle(end, 0x07064b50, 4);
    AppendLittle(end, 0, 4);
    AppendLittle(end, recordAt, 8);
    AppendLittle(end, 1, 4);
  }
  AppendLittle(end, 0x06054b50, 4);
  AppendLittle(end, 0, 4);
  AppendLittle(end, zip64 ? 0xFFFF : quint32(names.size()), 2);
  AppendLittle(end, zip64 ? 0xFFFF : quint32(names.size()), 2);
  AppendLittle(end, zip64 ? 0xFFFFFFFF : quint32(directory.size()), 4);
  AppendLittle(end, zip64 ? 0xFFFFFFFF : quint32(body.size()), 4);
  AppendLittle(end, 0, 2);
  QFile file(path);
  const QByteArray all = body + directory + end;
  return file.open(QIODevice::WriteOnly) && file.write(all) == all.size();
}

// Runs a program in `folder` with an argument list; its exit status.
inline int RunIn(const QString& folder, const QString& program, const QStringList& arguments) {
  QProcess process;
  process.setWorkingDirectory(folder);
  process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
  process.start(program, arguments);
  if (!process.waitForFinished(120000)) return -1;
  return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

// Every path below `folder`, hidden ones included, relative and sorted.
inline QStringList TreeBelow(const QString& folder) {
  QStringList paths;
  QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                  QDirIterator::Subdirectories);
  while (it.hasNext()) paths << QDir(folder).relativeFilePath(it.next());
  paths.sort();
  return paths;
}

}  // namespace zarn::test
