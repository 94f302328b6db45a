#pragma once
// Copying entries out of an archive into a folder, with the file engine's
// guarantees and its questions (platform/fileop.h): a conflict with an existing
// name asks TFileOpQuestions::AskReplace, progress goes to a TFileOpObserver,
// Cancel() stops between chunks, and "done" comes after the data is flushed.
//
// Nothing is written outside the destination: every folder is made and opened
// below the destination's handle one part at a time, never through a link;
// names that climb out never reach the tree of the index. Link entries become
// links and are never followed; a hard link points at a file of the same
// extraction, or gets its own copy of the data when that file was not chosen.
// Modes are the entries' without setuid, setgid and sticky bits; ownership is
// the user's. Each file is written under a temporary name in its folder and
// renamed into place only when whole, so an error, a cancel or a full disk
// leaves no half file; writing stops before the destination's free space runs
// out. Encrypted entries are reported, not read.
//
// Run() blocks; call it on a worker thread when a window must stay responsive.

#include <QByteArray>
#include <QList>
#include <QString>

#include <functional>
#include <memory>

#include "platform/fileop.h"

namespace zarn {

class TArchiveIndex;

struct TExtractRequest {
  std::shared_ptr<const TArchiveIndex> Index;
  // Paths inside the archive; a folder brings everything below it. Each goes
  // into Destination under its own name.
  QList<QByteArray> Entries;
  QString Destination;  // an existing folder
  // With a single entry: the name it gets in Destination instead of its own.
  QString TargetName;
};

class TArchiveExtraction {
 public:
  TArchiveExtraction(TExtractRequest request, TFileOpQuestions& questions, TFileOpObserver* observer = nullptr);
  ~TArchiveExtraction();
  TArchiveExtraction(const TArchiveExtraction&) = delete;
  TArchiveExtraction& operator=(const TArchiveExtraction&) = delete;

  // Plans, extracts and flushes; call once.
  FileOpResult Run();
  // Thread-safe.
  void Cancel();

  // The bytes free for the user on the file system of the open folder `fd`;
  // replaced by tests to make a small disk. Call before Run.
  using FreeSpaceCall = std::function<qint64(int fd)>;
  void SetFreeSpaceCall(FreeSpaceCall call);

 private:
  class Engine;
  std::unique_ptr<Engine> Engine_;
};

}  // namespace zarn
