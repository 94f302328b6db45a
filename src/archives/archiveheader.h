#pragma once
// One header of an archive as a reader found it, before the index's rules
// (paths made plain, refusals, implicit folders) are applied: what both the
// libarchive loop and the zip directory reader hand to the index builder.

#include <QByteArray>
#include <QDateTime>

#include "archives/archiveindex.h"

namespace zarn {

struct TArchiveHeader {
  QByteArray Name;  // as stored: may start with "/", hold "." or ".." parts, end in "/"
  ArchiveEntryType Type = ArchiveEntryType::File;
  QByteArray LinkTarget;  // a symlink's target; a hard link's file, named as stored
  qint64 Size = -1;       // -1 when the header does not say
  QDateTime Modified;     // invalid when the header has no time
  unsigned Mode = 0;      // permission bits, setuid, setgid and sticky included
  bool Encrypted = false;
  bool LegacyName = false;  // Name is in the code page of the system that wrote it
};

}  // namespace zarn
