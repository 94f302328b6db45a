#include "platform/trash.h"

#include <cerrno>

#include "platform/filenames.h"
#include "platform/gioobjects.h"

namespace zarn {
namespace {

// GIO reports failures as GIOErrorEnum codes; map the ones that have an errno
// so the message reads like every other error of the program.
int ErrnoOf(const GError* error) {
  if (error->domain != G_IO_ERROR) return 0;
  switch (error->code) {
    case G_IO_ERROR_NOT_FOUND: return ENOENT;
    case G_IO_ERROR_PERMISSION_DENIED: return EACCES;
    case G_IO_ERROR_NO_SPACE: return ENOSPC;
    case G_IO_ERROR_READ_ONLY: return EROFS;
    case G_IO_ERROR_BUSY: return EBUSY;
    case G_IO_ERROR_FILENAME_TOO_LONG: return ENAMETOOLONG;
    default: return 0;
  }
}

}  // namespace

TrashResult MoveToTrash(const QByteArray& path) {
  GFile* file = g_file_new_for_path(path.constData());
  GError* error = nullptr;
  const gboolean trashed = g_file_trash(file, nullptr, &error);
  g_object_unref(file);
  TrashResult result;
  if (trashed) return result;
  const QString name = FromNativeName(path);
  const int code = ErrnoOf(error);
  result.Error = code != 0 ? OsError(code, name) : OsError::WithText(QString::fromUtf8(error->message), name);
  // GLib says NOT_SUPPORTED when it finds no usable trash folder for the file,
  // and FILENAME_TOO_LONG when the name leaves no room for the trash's
  // "<name>.trashinfo": the file is fine, the trash cannot take it.
  const bool impossible = g_error_matches(error, G_IO_ERROR, G_IO_ERROR_NOT_SUPPORTED) ||
                          g_error_matches(error, G_IO_ERROR, G_IO_ERROR_FILENAME_TOO_LONG);
  result.Failure = impossible ? TrashFailure::NotPossible : TrashFailure::Error;
  g_error_free(error);
  return result;
}

}  // namespace zarn
