#pragma once
// The desktop trash (the freedesktop.org trash standard) through GIO: the home
// trash under $XDG_DATA_HOME/Trash for the home file system, $topdir/.Trash-$uid
// or $topdir/.Trash/$uid on others, with percent-encoded original paths in the
// .trashinfo files. GLib reads $XDG_DATA_HOME once per process.

#include <QByteArray>

#include "platform/errors.h"

namespace zarn {

enum class TrashFailure { None, NotPossible, Error };

struct TrashResult {
  TrashFailure Failure = TrashFailure::None;
  OsError Error;  // set unless Failure is None
  bool Succeeded() const { return Failure == TrashFailure::None; }
};

// Moves one object (native bytes) to the trash. NotPossible means the object
// exists but no trash can take it (no trash folder on its file system, a name
// too long for the trash's info file, or it is inside the trash already): the
// caller may offer to delete it for good.
// Blocking; thread-safe.
TrashResult MoveToTrash(const QByteArray& path);

}  // namespace zarn
