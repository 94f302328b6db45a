#pragma once
// The two wrappers through which the program copies, moves, deletes and
// renames. Underneath is the file-operation engine (platform/fileop.h) run on a
// worker thread; its questions come up as dialogs (or the answers installed by
// SetFileOpQuestions) and a progress window appears when an operation takes
// longer than half a second. Call on the GUI thread only; both calls block
// until the operation ends, keeping the windows painted meanwhile.

#include <QString>
#include <QStringList>

#include <chrono>
#include <optional>

#include "archives/archiveextraction.h"
#include "platform/fileop.h"

namespace zarn {

// Operation codes and flags, with the values callers pass.
inline constexpr int FO_MOVE = 1;
inline constexpr int FO_COPY = 2;
inline constexpr int FO_DELETE = 3;
inline constexpr quint16 FOF_MULTIDESTFILES = 0x0001;
inline constexpr quint16 FOF_RENAMEONCOLLISION = 0x0008;
inline constexpr quint16 FOF_ALLOWUNDO = 0x0040;

// Copies (FO_COPY) or moves (FO_MOVE) `sources` into the folder `destination`,
// or a single source to the new name `destination`; deletes (FO_DELETE) them,
// ignoring `destination`. Flags 0 mean FOF_ALLOWUNDO: a deletion goes to the
// trash. FOF_RENAMEONCOLLISION gives a taken name a free one ("name (2).ext").
// True only when everything asked was done (a conflict the user chose to skip
// counts as done); errors and questions have been shown by then.
bool ShellFileOp(const QStringList& sources, const QString& destination, int operation, quint16 flags);

// Renames (moves) one object to exactly `newPath`. With renameOnCollision a taken
// name gives the object a free one instead. Returns 0 on success, else the
// system's error number of the first failure (ECANCELED when cancelled, EINVAL
// for an empty path). Paths over the system's limits fail with ENAMETOOLONG.
int ShellRename(const QString& oldPath, const QString& newPath, bool renameOnCollision);

// Copies entries out of an archive into a folder the same way, with the same
// questions and progress window. True only when everything asked was done;
// the failures are in LastFileOpResult() for the caller to show.
bool ExtractFromArchive(const TExtractRequest& request);

// The engine's request for a ShellFileOp call; nothing when the operation code is unknown.
std::optional<FileOpRequest> RequestFor(const QStringList& sources, const QString& destination, int operation,
                                        quint16 flags);

// Who answers the engine's questions: the real dialogs by default; tests install
// canned answers (not owned; nullptr restores the dialogs). GUI thread only.
void SetFileOpQuestions(TFileOpQuestions* questions);
// How long an operation runs before its progress window appears (tests use 0).
void SetProgressDelay(std::chrono::milliseconds delay);
// The result of the last ShellFileOp or ShellRename, for callers that want details.
const FileOpResult& LastFileOpResult();

}  // namespace zarn
