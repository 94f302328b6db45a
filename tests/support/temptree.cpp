#include "temptree.h"

#include <QTimeZone>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>

#include <stdexcept>
#include <string>

#include "platform/fileop_remove.h"

namespace zarn::test {
namespace {

void Check(bool ok, const char* what, const QByteArray& path) {
  if (!ok) throw std::runtime_error(std::string(what) + " failed for " + path.toStdString());
}

void MakeParents(const QByteArray& path) {
  const qsizetype slash = path.lastIndexOf('/');
  if (slash <= 0) return;
  const QByteArray parent = path.left(slash);
  struct stat info;
  if (::lstat(parent.constData(), &info) == 0) return;
  MakeParents(parent);
  Check(::mkdir(parent.constData(), 0755) == 0, "mkdir", parent);
}

void SetTimes(const QByteArray& path, const QDateTime& modified) {
  const qint64 seconds = modified.toSecsSinceEpoch();
  struct timespec times[2];
  times[0].tv_sec = seconds;
  times[0].tv_nsec = 0;
  times[1] = times[0];
  Check(::utimensat(AT_FDCWD, path.constData(), times, AT_SYMLINK_NOFOLLOW) == 0, "utimensat", path);
}

}  // namespace

TempTree::TempTree() { Check(Dir_.isValid(), "QTemporaryDir", {}); }

TempTree::~TempTree() {
  RestorePermissions(RootBytes());
  // QDir cannot remove names that are not UTF-8 or paths beyond PATH_MAX, so the tree is removed here.
  RemoveTree(RootBytes());
}

// By descriptors, so that trees deeper than PATH_MAX go too.
void TempTree::RemoveTree(const QByteArray& path) { (void)zarn::RemoveTree(path); }

QDateTime TempTree::FixedTime() { return QDateTime(QDate(2020, 1, 2), QTime(3, 4, 5), QTimeZone::utc()); }

QString TempTree::Root() const { return Dir_.path(); }
QByteArray TempTree::RootBytes() const { return Dir_.path().toUtf8(); }
QString TempTree::Path(const QString& relative) const { return Root() + QLatin1Char('/') + relative; }
QByteArray TempTree::PathBytes(const QByteArray& relative) const { return RootBytes() + '/' + relative; }

void TempTree::CreateFile(const QByteArray& relative, const QByteArray& bytes, const QDateTime& modified) {
  const QByteArray path = PathBytes(relative);
  MakeParents(path);
  const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  Check(fd >= 0, "open", path);
  qsizetype written = 0;
  while (written < bytes.size()) {
    const ssize_t step = ::write(fd, bytes.constData() + written, size_t(bytes.size() - written));
    if (step <= 0) break;
    written += step;
  }
  ::close(fd);
  Check(written == bytes.size(), "write", path);
  SetTimes(path, modified.isValid() ? modified : FixedTime());
}

void TempTree::CreateDir(const QByteArray& relative) {
  const QByteArray path = PathBytes(relative);
  MakeParents(path);
  Check(::mkdir(path.constData(), 0755) == 0 || errno == EEXIST, "mkdir", path);
}

void TempTree::CreateSymlink(const QByteArray& relative, const QByteArray& target) {
  const QByteArray path = PathBytes(relative);
  MakeParents(path);
  Check(::symlink(target.constData(), path.constData()) == 0, "symlink", path);
}

void TempTree::CreateFifo(const QByteArray& relative) {
  const QByteArray path = PathBytes(relative);
  MakeParents(path);
  Check(::mkfifo(path.constData(), 0644) == 0, "mkfifo", path);
}

void TempTree::SetMode(const QByteArray& relative, mode_t mode) {
  const QByteArray path = PathBytes(relative);
  Check(::chmod(path.constData(), mode) == 0, "chmod", path);
}

void TempTree::SetModified(const QByteArray& relative, const QDateTime& modified) {
  SetTimes(PathBytes(relative), modified);
}

void TempTree::Hostile() {
  CreateFile("Ünïcödé файл ☃.txt", "unicode");
  CreateFile(QByteArray(255, 'n'), "long");
  CreateFile("new\nline", "newline");
  CreateFile("bad\xff\xfe name", "not utf-8");
  CreateFile("-leading dash", "dash");
  CreateSymlink("dangling", "does-not-exist");
  CreateDir("folder");
  CreateFile("folder/inside.txt", "inside");
  CreateSymlink("link-to-folder", "folder");
  CreateFifo("fifo");
  CreateFile("locked-file", "secret");
  SetMode("locked-file", 0);
  CreateDir("locked-folder");
  CreateFile("locked-folder/hidden.txt", "hidden");
  SetMode("locked-folder", 0);
  CreateFile("binary.bin", QByteArray("\0\1\2\0\xff", 5));
}

void TempTree::RestorePermissions(const QByteArray& path) {
  struct stat info;
  if (::lstat(path.constData(), &info) != 0 || !S_ISDIR(info.st_mode)) return;
  ::chmod(path.constData(), 0755);
  DIR* dir = ::opendir(path.constData());
  if (!dir) return;
  while (dirent* entry = ::readdir(dir)) {
    const QByteArray name(entry->d_name);
    if (name == "." || name == "..") continue;
    const QByteArray child = path + '/' + name;
    if (::lstat(child.constData(), &info) != 0 || S_ISLNK(info.st_mode)) continue;
    if (S_ISDIR(info.st_mode)) {
      RestorePermissions(child);
    } else {
      ::chmod(child.constData(), 0644);
    }
  }
  ::closedir(dir);
}

bool RunningAsRoot() { return ::geteuid() == 0; }

}  // namespace zarn::test
