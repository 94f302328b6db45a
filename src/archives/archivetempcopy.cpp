#include "archives/archivetempcopy.h"

#include <QDir>

#include "archives/archiveextraction.h"
#include "archives/archiveindex.h"

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

TArchiveTempCopy::~TArchiveTempCopy() = default;

}  // namespace zarn
