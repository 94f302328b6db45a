#pragma once
// One entry of an archive copied out to a private temporary folder, for the
// viewer or to be opened as an archive in turn. The folder (mode 0700) and
// the copy go when the owner of this object lets it go.

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

#include <memory>

#include "platform/errors.h"

namespace zarn {

class TArchiveIndex;

class TArchiveTempCopy {
 public:
  // Copies out the file entry at `entry` (a path inside the archive). Blocks
  // while it decompresses; the copy obeys the extraction's rules.
  static ErrorOr<std::unique_ptr<TArchiveTempCopy>> Extract(const std::shared_ptr<const TArchiveIndex>& index,
                                                            const QByteArray& entry);
  ~TArchiveTempCopy();

  // The copy, named as the entry.
  const QString& FilePath() const { return FilePath_; }

 private:
  TArchiveTempCopy() = default;
  QTemporaryDir Folder_;
  QString FilePath_;
};

}  // namespace zarn
