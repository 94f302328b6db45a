#pragma once
// Looking at files by their bytes, without Qt (which cannot open every name).

#include <QByteArray>
#include <QString>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/filenames.h"

namespace zarn::test {

// The whole content of a file, or "<missing>" when it cannot be opened.
inline QByteArray ReadAll(const QByteArray& path) {
  QByteArray data;
  const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return "<missing>";
  char buffer[4096];
  ssize_t length;
  while ((length = ::read(fd, buffer, sizeof buffer)) > 0) data.append(buffer, length);
  ::close(fd);
  return data;
}

inline QByteArray ReadAll(const QString& path) { return ReadAll(ToNativeName(path)); }

// True when something (a link included) stands at the path.
inline bool Exists(const QByteArray& path) {
  struct stat info;
  return ::lstat(path.constData(), &info) == 0;
}

}  // namespace zarn::test
