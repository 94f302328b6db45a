#pragma once
// The two readers under TArchiveIndex::Open, each on its own, for the index
// itself and for tests that hold one reader's index against the other's.
// Both feed the same builder, so for the same plain zip they give the same index.

#include <QString>

#include <memory>

#include "archives/archiveindex.h"
#include "platform/errors.h"

namespace zarn {

struct TArchiveIndexReaders {
  // Every header through libarchive's loop, for any format it reads.
  static ErrorOr<std::shared_ptr<TArchiveIndex>> ThroughLibarchive(const QString& path);
  // A zip's central directory alone (archives/zipdirectory.h); null when the
  // file is not a plain zip and libarchive must read it.
  static std::shared_ptr<TArchiveIndex> ThroughZipDirectory(const QString& path);
};

}  // namespace zarn
