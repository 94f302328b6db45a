#pragma once
// The entries of one archive, read once: every header, in the order the
// archive holds them, and a tree of folders over their paths, so that a
// folder's children are found in O(children) however large the archive.
// Folders that no header names but other entries' paths pass through are in
// the tree too (Implicit).
//
// Paths inside the archive are bytes without a leading "/" or "./", without
// "." parts and without a trailing "/"; the root is the empty path. Entries
// whose names climb out (".."), and those that pass through a link entry,
// are kept out of the tree and listed in Refusals(); absolute names lose
// their leading "/" and are listed there too.
//
// Names: zip names without the UTF-8 flag (and without an Info-ZIP Unicode
// Path field that matches them) are in the code page of the system that wrote
// them, 866 unless SetLegacyCodePage says another; every other name is UTF-8
// (bytes that are not show through surrogate escapes, see
// platform/filenames.h).
//
// A plain zip is listed from its central directory alone (zipdirectory.h),
// every other archive through libarchive's header loop; the index is the same
// either way, ordinals included: those are the positions at which a pass
// through libarchive meets the headers, which the extraction relies on.
//
// Build and read an index on one thread; a finished index may be read from
// several threads while nobody calls SetLegacyCodePage.

#include <QByteArray>
#include <QDateTime>
#include <QHash>
#include <QList>
#include <QString>

#include <memory>
#include <optional>
#include <vector>

#include "platform/errors.h"

namespace zarn {

class TArchiveTempCopy;

enum class ArchiveEntryType { File, Folder, Symlink, HardLink, Special };

struct TArchiveEntry {
  QByteArray Path;        // inside the archive, as above
  QString Text;           // Path as text
  QString Name;           // the last part of Text
  ArchiveEntryType Type = ArchiveEntryType::File;
  QByteArray LinkTarget;  // a symlink's target as stored; a hard link's path inside the archive
  qint64 Size = -1;       // from the header; -1 when it does not say
  QDateTime Modified;     // invalid when the header has no time
  unsigned Mode = 0;      // permission bits, setuid, setgid and sticky included
  bool Encrypted = false;
  bool Implicit = false;    // a folder no header names
  bool LegacyName = false;  // a zip name without the UTF-8 flag
  int Ordinal = -1;         // the header's position in the archive; -1 when Implicit
};

struct TArchiveFolderSize {
  qint64 Bytes = 0;
  qint64 Files = 0;
  qint64 Folders = 0;
};

class TArchiveIndex {
 public:
  // Reads every header of the archive at `path`. An archive that breaks
  // midway gives the entries read before the break and ReadError(); an error
  // only when nothing can be read as an archive. For a zip the cost is that
  // of reading its directory, not of a pass over its data.
  static ErrorOr<std::shared_ptr<TArchiveIndex>> Open(const QString& path);
  // The archive stored as `entry` of `outer`, copied out to a private
  // temporary file that this index removes when it goes.
  static ErrorOr<std::shared_ptr<TArchiveIndex>> OpenInside(const std::shared_ptr<const TArchiveIndex>& outer,
                                                            const QByteArray& entry);
  ~TArchiveIndex();

  // The archive's file (a temporary copy for an archive inside another).
  const QString& ArchivePath() const { return ArchivePath_; }
  // The archive as the user reached it: "/home/me/a.zip", "/home/me/a.zip/inner.tar".
  const QString& DisplayPath() const { return DisplayPath_; }
  bool IsSingleFile() const { return SingleFile_; }

  // Every entry in header order, each implicit folder just before the entry that needed it.
  const std::vector<TArchiveEntry>& Entries() const { return Entries_; }
  // The entry at a path inside the archive, or null. O(1).
  const TArchiveEntry* Find(const QByteArray& path) const;
  // The children of a folder ("" is the root), in header order; empty for
  // anything that is not a folder. O(children).
  std::vector<const TArchiveEntry*> Children(const QByteArray& folder) const;
  // The sizes summed from the headers of everything below a folder.
  TArchiveFolderSize FolderSize(const QByteArray& folder) const;

  // Where the archive broke, when it did.
  const std::optional<OsError>& ReadError() const { return ReadError_; }
  // Names refused or stripped, one error each naming the entry.
  const QList<OsError>& Refusals() const { return Refusals_; }

  // True when some names are in the code page of the system that wrote them.
  bool HasLegacyNames() const;
  // Decodes those names anew through a byte map of the code-page table
  // (Cp866ToUnicode, Cp1251ToUnicode, Koi8rToUnicode).
  void SetLegacyCodePage(char16_t (*byteToUnicode)(unsigned char byte));

 private:
  TArchiveIndex() = default;
  class Builder;
  friend struct TArchiveIndexReaders;  // archiveindexreaders.h

  QString ArchivePath_;
  QString DisplayPath_;
  bool SingleFile_ = false;
  std::vector<TArchiveEntry> Entries_;
  QHash<QByteArray, int> ByPath_;
  QHash<QByteArray, std::vector<int>> Children_;
  std::optional<OsError> ReadError_;
  QList<OsError> Refusals_;
  std::unique_ptr<TArchiveTempCopy> TempCopy_;  // the file of an archive inside another
};

// `total` with an entry's size added, an unknown size counting as 0; sizes
// come from headers that may claim anything, so the sum stops at the largest
// qint64 instead of overflowing.
qint64 AddEntrySize(qint64 total, qint64 size);

// The parent of a path inside an archive: "a/b" for "a/b/c", "" for "c".
QByteArray ArchiveParentPath(const QByteArray& path);

}  // namespace zarn
