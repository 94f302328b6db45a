#pragma once
// Archives the tests make: through libarchive's writer in any format and
// filter, a zip written byte by byte where the UTF-8 flag of each name must
// be chosen, and the archivers run with argument lists.

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

// A stored zip whose names are exactly `Path`'s bytes; `Utf8` sets the flag.
struct TZipName {
  QByteArray Path;
  QByteArray Data;
  bool Utf8 = false;
};

// `bytes` may pass 4: the bytes past the value's are zero.
inline void AppendLittle(QByteArray& out, quint32 value, int bytes) {
  for (int i = 0; i < bytes; ++i) out.append(char(i < 4 ? (value >> (8 * i)) & 0xFF : 0));
}

inline bool WriteRawZip(const QString& path, const std::vector<TZipName>& names) {
  QByteArray body;
  QByteArray central;
  for (const TZipName& name : names) {
    const quint32 crc = quint32(crc32(0, reinterpret_cast<const Bytef*>(name.Data.constData()), uInt(name.Data.size())));
    const quint32 flags = name.Utf8 ? 0x800 : 0;
    const quint32 offset = quint32(body.size());
    QByteArray common;  // version needed .. extra length, shared by both headers
    AppendLittle(common, 10, 2);
    AppendLittle(common, flags, 2);
    AppendLittle(common, 0, 2);             // stored
    AppendLittle(common, 0x50210000, 4);    // midnight, 2020-01-01
    AppendLittle(common, crc, 4);
    AppendLittle(common, quint32(name.Data.size()), 4);
    AppendLittle(common, quint32(name.Data.size()), 4);
    AppendLittle(common, quint32(name.Path.size()), 2);
    AppendLittle(common, 0, 2);
    AppendLittle(body, 0x04034b50, 4);
    body += common + name.Path + name.Data;
    AppendLittle(central, 0x02014b50, 4);
    AppendLittle(central, 20, 2);           // made by: MS-DOS
    central += common;
    AppendLittle(central, 0, 2 + 2 + 2 + 4);  // comment, disk, internal, external attributes
    AppendLittle(central, offset, 4);
    central += name.Path;
  }
  QByteArray end;
  AppendLittle(end, 0x06054b50, 4);
  AppendLittle(end, 0, 4);
  AppendLittle(end, quint32(names.size()), 2);
  AppendLittle(end, quint32(names.size()), 2);
  AppendLittle(end, quint32(central.size()), 4);
  AppendLittle(end, quint32(body.size()), 4);
  AppendLittle(end, 0, 2);
  QFile file(path);
  return file.open(QIODevice::WriteOnly) && file.write(body + central + end) == body.size() + central.size() + end.size();
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
