#pragma once
// Reading the file a viewer shows. Only regular files are read: a FIFO, a device
// or a socket would block a plain open or read forever (QFile and QImageReader
// both do), so the type is checked before the open and again on the descriptor.
// Qt Core only; every call is synchronous.

#include <QByteArray>
#include <QString>

#include "platform/errors.h"

namespace zarn {

// The size of a file from a directory query; 0 when it does not exist or the
// query fails.
quint64 FileSize64(const QString& path);

// An open regular file, closed by the destructor.
class TRegularFile {
 public:
  TRegularFile() = default;
  ~TRegularFile();
  TRegularFile(TRegularFile&& other) noexcept;
  TRegularFile& operator=(TRegularFile&& other) noexcept;
  TRegularFile(const TRegularFile&) = delete;
  TRegularFile& operator=(const TRegularFile&) = delete;

  // Opens for reading with O_NONBLOCK | O_NOCTTY; refuses anything that is not
  // a regular file with a clear message.
  static ErrorOr<TRegularFile> Open(const QString& path);
  // The same for a name that a folder listing has just given as a regular file:
  // the listing stands for the check before the open, and the descriptor is
  // still checked. For reading many files of a listing fast.
  static ErrorOr<TRegularFile> OpenListedRegular(const QByteArray& native);

  int Descriptor() const { return Descriptor_; }
  // The size fstat reports at the open (0 for files of the /proc kind).
  quint64 ReportedSize() const { return ReportedSize_; }
  // Up to `count` bytes from `offset`; fewer at the end of the file.
  ErrorOr<QByteArray> ReadAt(quint64 offset, qint64 count) const;
  // Up to `capacity` bytes at `buffer` from `offset`; 0 at the end of the file.
  ErrorOr<qint64> ReadInto(quint64 offset, char* buffer, qint64 capacity) const;
  // Everything up to `limit` bytes, read until the end of the file rather than
  // to the reported size, so a /proc file that reports 0 still shows its text.
  ErrorOr<QByteArray> ReadAll(qint64 limit) const;

 private:
  TRegularFile(int descriptor, quint64 size, QString path)
      : Descriptor_(descriptor), ReportedSize_(size), Path_(std::move(path)) {}
  static ErrorOr<TRegularFile> OpenChecked(const QByteArray& native, const QString& path);
  int Descriptor_ = -1;
  quint64 ReportedSize_ = 0;
  QString Path_;
};

// Opens, reads `count` bytes from `offset` (fewer at the end) and closes.
ErrorOr<QByteArray> ReadFileRange(const QString& path, quint64 offset, qint64 count);
// Opens, reads everything up to `limit` bytes and closes.
ErrorOr<QByteArray> ReadFileStart(const QString& path, qint64 limit);

// The message for a path that exists but is no regular file.
QString NotRegularFileMessage();

}  // namespace zarn
