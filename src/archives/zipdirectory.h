#pragma once
// A zip's central directory read on its own: the end record (and the ZIP64
// end record through its locator) at the file's end says where the directory
// is, and the directory holds every entry's name, sizes, times and attributes
// in one block, so listing costs two or three reads instead of one per entry.
//
// Only plain zips are read this way; for anything else the answer is "not
// plain", and the caller reads the archive through libarchive, which also
// says where a damaged one breaks. Not plain: no end record, more than one
// disk, a directory that does not end where its end record starts or whose
// entries do not fill it exactly, an entry that runs past it, a local header
// offset outside the file's data or shared by two entries, a symbolic link
// or a device (their targets and kinds need the entries' data), a first
// local header that is not one.
//
// Nothing is read outside the file, and no buffer is sized from a claimed
// length before that length is checked against the file's size.

#include <QString>

#include <optional>
#include <vector>

#include "archives/archiveheader.h"

namespace zarn {

// The headers in the order of their local headers, the order in which a pass
// through libarchive meets them; nullopt when the file is not a plain zip.
std::optional<std::vector<TArchiveHeader>> ReadZipDirectory(const QString& path);

}  // namespace zarn
