#include "viewer/fileaccess.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <utility>

#include "platform/filenames.h"

namespace zarn {

quint64 FileSize64(const QString& path) {
  if (path.isEmpty()) return 0;
  struct stat info {};
  if (::stat(ToNativeName(path).constData(), &info) != 0) return 0;
  return info.st_size > 0 ? static_cast<quint64>(info.st_size) : 0;
}

QString NotRegularFileMessage() {
  return QStringLiteral("Это не обычный файл (папка, канал, устройство или сокет), его нельзя просмотреть");
}

TRegularFile::~TRegularFile() {
  if (Descriptor_ >= 0) ::close(Descriptor_);
}

TRegularFile::TRegularFile(TRegularFile&& other) noexcept
    : Descriptor_(std::exchange(other.Descriptor_, -1)), ReportedSize_(other.ReportedSize_),
      Path_(std::move(other.Path_)) {}

TRegularFile& TRegularFile::operator=(TRegularFile&& other) noexcept {
  if (this != &other) {
    if (Descriptor_ >= 0) ::close(Descriptor_);
    Descriptor_ = std::exchange(other.Descriptor_, -1);
    ReportedSize_ = other.ReportedSize_;
    Path_ = std::move(other.Path_);
  }
  return *this;
}

ErrorOr<TRegularFile> TRegularFile::Open(const QString& path) {
  const QByteArray native = ToNativeName(path);
  struct stat info {};
  // Checked before the open as well: opening some devices has effects of its own.
  if (::stat(native.constData(), &info) != 0) return OsError(errno, path);
  if (!S_ISREG(info.st_mode)) return OsError::WithText(NotRegularFileMessage(), path);
  return OpenChecked(native, path);
}

ErrorOr<TRegularFile> TRegularFile::OpenListedRegular(const QByteArray& native) {
  return OpenChecked(native, FromNativeName(native));
}

ErrorOr<TRegularFile> TRegularFile::OpenChecked(const QByteArray& native, const QString& path) {
  const int descriptor = ::open(native.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (descriptor < 0) return OsError(errno, path);
  TRegularFile file(descriptor, 0, path);
  struct stat info {};
  // The name may have been replaced by something else since it was checked.
  if (::fstat(descriptor, &info) != 0) return OsError(errno, path);
  if (!S_ISREG(info.st_mode)) return OsError::WithText(NotRegularFileMessage(), path);
  file.ReportedSize_ = info.st_size > 0 ? static_cast<quint64>(info.st_size) : 0;
  return file;
}

ErrorOr<qint64> TRegularFile::ReadInto(quint64 offset, char* buffer, qint64 capacity) const {
  qint64 total = 0;
  while (total < capacity) {
    const ssize_t got = ::pread(Descriptor_, buffer + total, static_cast<size_t>(capacity - total),
                                static_cast<off_t>(offset + static_cast<quint64>(total)));
    if (got < 0) {
      if (errno == EINTR) continue;
      return OsError(errno, Path_);
    }
    if (got == 0) break;
    total += got;
  }
  return total;
}

ErrorOr<QByteArray> TRegularFile::ReadAt(quint64 offset, qint64 count) const {
  if (count <= 0) return QByteArray();
  QByteArray bytes(count, Qt::Uninitialized);
  auto got = ReadInto(offset, bytes.data(), count);
  if (got.IsError()) return got.Error();
  bytes.truncate(got.Value());
  return bytes;
}

ErrorOr<QByteArray> TRegularFile::ReadAll(qint64 limit) const {
  QByteArray bytes;
  constexpr qint64 kStep = 16384;
  while (bytes.size() < limit) {
    const qint64 old = bytes.size();
    const qint64 want = std::min(kStep, limit - old);
    bytes.resize(old + want);
    auto got = ReadInto(static_cast<quint64>(old), bytes.data() + old, want);
    if (got.IsError()) return got.Error();
    bytes.resize(old + got.Value());
    if (got.Value() < want) break;
  }
  return bytes;
}

ErrorOr<QByteArray> ReadFileRange(const QString& path, quint64 offset, qint64 count) {
  auto file = TRegularFile::Open(path);
  if (file.IsError()) return file.Error();
  return file.Value().ReadAt(offset, count);
}

ErrorOr<QByteArray> ReadFileStart(const QString& path, qint64 limit) {
  auto file = TRegularFile::Open(path);
  if (file.IsError()) return file.Error();
  return file.Value().ReadAll(limit);
}

}  // namespace zarn
