#pragma once
// The single-object steps of a copy, used by the file-operation engine. Every
// step creates its target exclusively (O_EXCL, mkdir, symlink, mknod): an
// object that appeared meanwhile is never overwritten by accident.

#include <QByteArray>

#include <sys/stat.h>

#include <atomic>
#include <functional>

#include "platform/errors.h"

namespace zarn::fileop {

// Where the copy is written. AtTarget creates the target itself (EEXIST when it
// exists). BesideTarget writes under a temporary name in the target's folder and
// renames it over the existing target only when complete, so a full disk or a
// cancel leaves the old object intact.
enum class Placement { AtTarget, BesideTarget };

// An object named relative to the descriptor of its folder, so that no step
// depends on the length of the full path or follows a link on the way; Path is
// the full path, for messages.
struct PlacedName {
  int Folder = -1;
  QByteArray Name;
  QByteArray Path;
};

struct CopyContext {
  const std::atomic<bool>* Cancel = nullptr;
  std::function<void(qint64 bytes)> BytesCopied;  // after every chunk
};

// A regular file: data to its end whatever its size claims (files under /proc
// report 0), then ownership where permitted, mode and times. Errors carry the
// failing path; ECANCELED after a cancel. The target is removed on any failure.
// A source that is no longer a regular file, or changed while it was read, fails.
ErrorOrDone CopyFileData(const PlacedName& source, const PlacedName& target, Placement placement,
                         CopyContext& context);
// A symbolic link, copied as a link with its own times.
ErrorOrDone CopyLink(const PlacedName& source, const struct stat& info, const PlacedName& target,
                     Placement placement);
// A FIFO, device node or socket, recreated (never opened).
ErrorOrDone CopyNode(const struct stat& info, const PlacedName& target, Placement placement);
// A new folder, private until FinishFolder gives it the source's attributes
// (after its contents, whose creation would change its time).
ErrorOrDone MakeFolder(const PlacedName& target);
ErrorOrDone FinishFolder(const PlacedName& target, const struct stat& info);

// The "changed during copy" error for `path`.
OsError ChangedWhileCopied(const QByteArray& path);

}  // namespace zarn::fileop
