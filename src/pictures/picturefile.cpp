#include "pictures/picturefile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "pictures/picturelimits.h"
#include "platform/filedescriptor.h"
#include "platform/filenames.h"

namespace zarn {
namespace {

OsError TooLargeFileError(const QString& path) {
  return OsError::WithText(QStringLiteral("Файл изображения слишком велик (более %1 МБ)").arg(kMaxPictureFileBytes >> 20),
                           path);
}

// Reads until end of file; the file may have grown or shrunk since fstat.
ErrorOr<QByteArray> ReadToEnd(int descriptor, qint64 expectedSize, const QString& path) {
  QByteArray bytes;
  bytes.reserve(qsizetype(std::min(expectedSize, kMaxPictureFileBytes) + 1));
  char chunk[65536];
  for (;;) {
    const ssize_t count = ::read(descriptor, chunk, sizeof chunk);
    if (count < 0) {
      if (errno == EINTR) continue;
      return OsError(errno, path);
    }
    if (count == 0) return bytes;
    if (bytes.size() + count > kMaxPictureFileBytes) return TooLargeFileError(path);
    bytes.append(chunk, count);
  }
}

}  // namespace

ErrorOr<QByteArray> ReadPictureBytes(const QString& path) {
  const QByteArray nativePath = ToNativeName(path);
  TFileDescriptor file(::open(nativePath.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
  if (file.Get() < 0) return OsError(errno, path);
  struct stat status {};
  if (::fstat(file.Get(), &status) != 0) return OsError(errno, path);
  if (S_ISDIR(status.st_mode)) return OsError(EISDIR, path);
  if (!S_ISREG(status.st_mode)) {
    return OsError::WithText(QStringLiteral("Это не обычный файл (канал, устройство или сокет)"), path);
  }
  if (status.st_size > kMaxPictureFileBytes) return TooLargeFileError(path);
  return ReadToEnd(file.Get(), status.st_size, path);
}

}  // namespace zarn
