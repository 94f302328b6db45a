#include "archives/archivetempcopy.h"

#include <QDir>

#include <unistd.h>

#include "archives/archiveextraction.h"
#include "archives/archiveindex.h"
#include "platform/filenames.h"

namespace zarn {
namespace {

// The private folder is new and empty: nothing can be in the way, so there is
// nothing to ask.
class TNoQuestions : public TFileOpQuestions {
 public:
  ConflictAnswer AskReplace(const ObjectFacts&, const ObjectFacts&) override { return ConflictAnswer::Cancel; }
  ErrorAnswer AskOnError(const OsError&) override { return ErrorAnswer::Cancel; }
  bool AskDeleteForGood(const QString&, const OsError&) override { return false; }
};

}  // namespace

ErrorOr<std::unique_ptr<TArchiveTempCopy>> TArchiveTempCopy::Extract(const std::shared_ptr<const TArchiveIndex>& index,
                                                                     const QByteArray& entry) {
  const TArchiveEntry* found = index->Find(entry);
  const QString shown = index->DisplayPath() + QLatin1Char('/') + (found ? found->Text : QString::fromUtf8(entry));
  if (!found) return OsError(ENOENT, shown);
  if (found->Type != ArchiveEntryType::File) return OsError(EISDIR, shown);
  std::unique_ptr<TArchiveTempCopy> copy(new TArchiveTempCopy);
  if (!copy->Folder_.isValid()) return OsError::WithText(copy->Folder_.errorString(), QDir::tempPath());
  TNoQuestions questions;
  TArchiveExtraction extraction({index, {entry}, copy->Folder_.path()}, questions);
  const FileOpResult result = extraction.Run();
  if (!result.Failures.isEmpty()) return result.Failures.front();
  copy->FilePath_ = copy->Folder_.path() + QLatin1Char('/') + found->Name;
  return copy;
}

TArchiveTempCopy::~TArchiveTempCopy() {
  // QTemporaryDir removes names through QString and cannot find one that is
  // not UTF-8; gone by its bytes first, the copy leaves an empty folder.
  if (!FilePath_.isEmpty()) ::unlink(ToNativeName(FilePath_).constData());
}

}  // namespace zarn
