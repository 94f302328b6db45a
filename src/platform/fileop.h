#pragma once
// The file-operation engine: copy, move and delete of a list of objects, the
// work underneath ShellFileOp and ShellRename. Widget-free: questions go to an
// injected TFileOpQuestions, progress to an injected TFileOpObserver, and the
// engine never opens a dialog. File names are bytes (see platform/filenames.h).
//
// Run() blocks; call it on a worker thread when a window must stay responsive.
// Cancel() may be called from any thread.

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

#include <atomic>
#include <functional>
#include <memory>

#include "platform/errors.h"

namespace zarn {

enum class FileOpKind { Copy, Move, Delete };
enum class DeleteMode { ToTrash, ForGood };
// What happens when a top-level target already exists.
enum class CollisionMode { Ask, RenameNew };
// How the destination names the target: a folder to put the sources into (or
// a single source's new name), or exactly the new name of the single source,
// as a rename wants even when that name is an existing folder.
enum class DestinationKind { FolderOrNewName, ExactName };

enum class ConflictAnswer { Replace, ReplaceAll, Skip, SkipAll, Cancel };
enum class ErrorAnswer { Retry, Skip, Cancel };

struct ObjectFacts {
  QString Path;
  qint64 Size = 0;
  QDateTime Modified;
  bool IsFolder = false;
};

// Called on the thread that runs the operation; each call blocks it until answered.
class TFileOpQuestions {
 public:
  virtual ~TFileOpQuestions() = default;
  // `existing` is in the way of `source`.
  virtual ConflictAnswer AskReplace(const ObjectFacts& source, const ObjectFacts& existing) = 0;
  // The error names the object and carries the system's message.
  virtual ErrorAnswer AskOnError(const OsError& error) = 0;
  // The object cannot go to the trash; true deletes it for good.
  virtual bool AskDeleteForGood(const QString& path, const OsError& reason) = 0;
};

enum class FileOpPhase { Planning, Working, Flushing, Finished };

struct FileOpProgress {
  FileOpPhase Phase = FileOpPhase::Planning;
  qint64 ObjectsDone = 0;
  qint64 ObjectsTotal = 0;
  qint64 BytesDone = 0;
  qint64 BytesTotal = 0;
  QString CurrentName;  // the object being worked on, as a full path
};

// Called on the operation's thread after every object and every chunk of data
// (often): keep it cheap, e.g. store the figures for a timer to show.
class TFileOpObserver {
 public:
  virtual ~TFileOpObserver() = default;
  virtual void Progress(const FileOpProgress& progress) = 0;
};

struct FileOpRequest {
  FileOpKind Kind = FileOpKind::Copy;
  QStringList Sources;  // full paths
  // Copy and move: an existing folder receives the sources under their own
  // names. A single source with a destination that is not an existing folder
  // is copied or moved to that name (its folder must exist); a destination
  // ending in "/" must be an existing folder. Ignored for delete.
  QString Destination;
  DestinationKind Target = DestinationKind::FolderOrNewName;
  DeleteMode Delete = DeleteMode::ToTrash;
  CollisionMode Collision = CollisionMode::Ask;
};

struct FileOpResult {
  bool Cancelled = false;
  int ObjectsDone = 0;
  int SkippedByChoice = 0;   // conflicts the user chose to skip
  QList<OsError> Failures;   // errors that were skipped or ended the operation
  // Everything asked was done: no failure and no cancel (a conflict the user
  // chose to skip keeps the existing object, as asked).
  bool Succeeded() const { return !Cancelled && Failures.isEmpty(); }
};

// The system's rename; replaced by tests to force EXDEV and other failures.
// Same contract as renameat2(AT_FDCWD, from, AT_FDCWD, to, flags).
using RenameCall = std::function<int(const char* from, const char* to, unsigned flags)>;
// The system's syncfs and unlinkat, with which a move that copies removes its
// sources once their copies are on the device; replaced by tests to record
// their order. Same contracts as syncfs(fd) and unlinkat(folder, name, flags).
using FlushCall = std::function<int(int fd)>;
using UnlinkCall = std::function<int(int folder, const char* name, int flags)>;
// Called on the operation's thread after each object with its source's full path.
using ObjectHook = std::function<void(const QString& source)>;

class FileOperation {
 public:
  FileOperation(FileOpRequest request, TFileOpQuestions& questions, TFileOpObserver* observer = nullptr);
  ~FileOperation();
  FileOperation(const FileOperation&) = delete;
  FileOperation& operator=(const FileOperation&) = delete;

  // Plans, executes and flushes; call once.
  FileOpResult Run();
  // Thread-safe; the operation stops between chunks and removes a half-written target.
  void Cancel();
  bool IsCancelled() const;

  // Test seams; call before Run.
  void SetRenameCall(RenameCall rename);
  void SetFlushCall(FlushCall flush);
  void SetUnlinkCall(UnlinkCall unlink);
  void SetBetweenObjects(ObjectHook hook);

 private:
  class Engine;
  std::unique_ptr<Engine> Engine_;
};

// Picks "name (2).ext", "name (3).ext", ... in the folder of `path` for a name
// that does not exist yet; `path` itself when it is free. Native bytes.
QByteArray NonCollidingName(const QByteArray& path);

}  // namespace zarn
