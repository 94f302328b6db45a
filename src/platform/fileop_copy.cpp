#include "platform/fileop_copy.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <random>
#include <vector>

#include "platform/filenames.h"

namespace zarn::fileop {
namespace {

constexpr std::size_t KernelChunk = 16 * 1024 * 1024;  // about 15 ms of disk: cancel stays quick
constexpr std::size_t BufferChunk = 1024 * 1024;

OsError ErrorAt(const QByteArray& path, int code = errno) { return OsError(code, FromNativeName(path)); }

class FdCloser {
 public:
  explicit FdCloser(int fd) : Fd_(fd) {}
  ~FdCloser() {
    if (Fd_ >= 0) ::close(Fd_);
  }
  // Closes now; false with errno set when the close failed (delayed write errors).
  bool Close() {
    const int fd = Fd_;
    Fd_ = -1;
    return ::close(fd) == 0;
  }

 private:
  int Fd_;
};

// Unlinks a created name unless the copy was committed.
class RemoveUnlessKept {
 public:
  RemoveUnlessKept(int folder, QByteArray name) : Folder_(folder), Name_(std::move(name)) {}
  ~RemoveUnlessKept() {
    if (!Kept_) ::unlinkat(Folder_, Name_.constData(), 0);
  }
  void Keep() { Kept_ = true; }

 private:
  int Folder_;
  QByteArray Name_;
  bool Kept_ = false;
};

// A short random name in the target's folder; short so it never exceeds NAME_MAX.
QByteArray TemporaryName() {
  static thread_local std::mt19937_64 random{std::random_device{}()};
  return ".zarn-" + QByteArray::number(quint64(random()), 36) + ".part";
}

bool Cancelled(const CopyContext& context) { return context.Cancel && context.Cancel->load(); }

bool WriteAll(int fd, const char* data, std::size_t length) {
  while (length > 0) {
    const ssize_t written = ::write(fd, data, length);
    if (written < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data += written;
    length -= std::size_t(written);
  }
  return true;
}

// Copies from the current offsets to the end of `from`. The kernel copy is tried
// first; it is dropped for read and write when it refuses the pair of files or
// stops early (it sees /proc and /sys files as empty), so data always goes to
// the real end. Returns 0 or an errno value.
int CopyToEnd(int from, int to, bool tryKernel, CopyContext& context) {
  std::vector<char> buffer;
  while (true) {
    if (Cancelled(context)) return ECANCELED;
    ssize_t step = -1;
    if (tryKernel) {
      step = ::copy_file_range(from, nullptr, to, nullptr, KernelChunk, 0);
      if (step < 0 && errno == EINTR) continue;
      if (step < 0 && errno != ENOSPC && errno != EIO && errno != EDQUOT && errno != EFBIG) {
        tryKernel = false;
        continue;
      }
      if (step < 0) return errno;
      if (step == 0) {
        tryKernel = false;  // confirm the end with a plain read
        continue;
      }
    } else {
      if (buffer.empty()) buffer.resize(BufferChunk);
      step = ::read(from, buffer.data(), buffer.size());
      if (step < 0 && errno == EINTR) continue;
      if (step < 0) return errno;
      if (step == 0) return 0;
      if (!WriteAll(to, buffer.data(), std::size_t(step))) return errno;
    }
    if (context.BytesCopied) context.BytesCopied(step);
  }
}

bool SameVersion(const struct stat& before, const struct stat& after) {
  return before.st_size == after.st_size && before.st_mtim.tv_sec == after.st_mtim.tv_sec &&
         before.st_mtim.tv_nsec == after.st_mtim.tv_nsec && before.st_ino == after.st_ino;
}

// Ownership where permitted, then the mode (never wider than the source's; set-id
// bits only with the source's owner), then the times.
int ApplyAttributes(int fd, const struct stat& info) {
  bool ownerKept = ::fchown(fd, info.st_uid, info.st_gid) == 0;
  if (!ownerKept) ownerKept = info.st_uid == ::geteuid() && ::fchown(fd, uid_t(-1), info.st_gid) == 0;
  mode_t mode = info.st_mode & 07777;
  if (!ownerKept) mode &= ~mode_t(S_ISUID | S_ISGID);
  if (::fchmod(fd, mode) != 0) return errno;
  const struct timespec times[2] = {info.st_atim, info.st_mtim};
  if (::futimens(fd, times) != 0) return errno;
  return 0;
}

// Ownership and times of an object that cannot be opened (a link or a node).
void ApplyAttributesAt(const PlacedName& target, const struct stat& info, bool setMode) {
  const char* name = target.Name.constData();
  if (::fchownat(target.Folder, name, info.st_uid, info.st_gid, AT_SYMLINK_NOFOLLOW) != 0)
    ::fchownat(target.Folder, name, uid_t(-1), info.st_gid, AT_SYMLINK_NOFOLLOW);
  if (setMode) ::fchmodat(target.Folder, name, info.st_mode & 0777, 0);
  const struct timespec times[2] = {info.st_atim, info.st_mtim};
  ::utimensat(target.Folder, name, times, AT_SYMLINK_NOFOLLOW);
}

// Creates the object through `create` (given a name in the target's folder) at
// the target or beside it, then puts it in place.
template <typename Create>
ErrorOrDone CreatePlaced(const PlacedName& target, Placement placement, Create create) {
  QByteArray name = target.Name;
  for (int attempt = 0;; ++attempt) {
    if (placement == Placement::BesideTarget) name = TemporaryName();
    if (create(name)) break;
    if (errno != EEXIST || placement == Placement::AtTarget || attempt > 100) return ErrorAt(target.Path);
  }
  if (placement == Placement::BesideTarget &&
      ::renameat(target.Folder, name.constData(), target.Folder, target.Name.constData()) != 0) {
    const int code = errno;
    ::unlinkat(target.Folder, name.constData(), 0);
    return ErrorAt(target.Path, code);
  }
  return Done{};
}

int OpenNewFile(const PlacedName& target, Placement placement, QByteArray& writtenName) {
  for (int attempt = 0;; ++attempt) {
    writtenName = placement == Placement::BesideTarget ? TemporaryName() : target.Name;
    // Private while written: the final mode comes when the data is complete.
    const int fd = ::openat(target.Folder, writtenName.constData(),
                            O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd >= 0 || errno != EEXIST || placement == Placement::AtTarget || attempt > 100) return fd;
  }
}

}  // namespace

OsError ChangedWhileCopied(const QByteArray& path) {
  return OsError::WithText(QStringLiteral("Объект изменился во время копирования"), FromNativeName(path));
}

ErrorOrDone CopyFileData(const PlacedName& source, const PlacedName& target, Placement placement,
                         CopyContext& context) {
  // O_NONBLOCK: a FIFO swapped in for the file must not hang the copy.
  const int from =
      ::openat(source.Folder, source.Name.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (from < 0) return ErrorAt(source.Path);
  FdCloser fromCloser(from);
  struct stat before;
  if (::fstat(from, &before) != 0) return ErrorAt(source.Path);
  if (!S_ISREG(before.st_mode)) return ChangedWhileCopied(source.Path);
  ::fcntl(from, F_SETFL, 0);
  ::posix_fadvise(from, 0, 0, POSIX_FADV_SEQUENTIAL);

  QByteArray writtenName;
  const int to = OpenNewFile(target, placement, writtenName);
  if (to < 0) return ErrorAt(target.Path);
  FdCloser toCloser(to);
  RemoveUnlessKept remover(target.Folder, writtenName);

  if (const int code = CopyToEnd(from, to, before.st_size > 0, context); code != 0)
    return code == ECANCELED ? OsError(ECANCELED, FromNativeName(source.Path)) : ErrorAt(target.Path, code);
  struct stat after;
  if (::fstat(from, &after) != 0) return ErrorAt(source.Path);
  if (!SameVersion(before, after)) return ChangedWhileCopied(source.Path);
  if (const int code = ApplyAttributes(to, before); code != 0) return ErrorAt(target.Path, code);
  if (!toCloser.Close()) return ErrorAt(target.Path);
  if (placement == Placement::BesideTarget &&
      ::renameat(target.Folder, writtenName.constData(), target.Folder, target.Name.constData()) != 0)
    return ErrorAt(target.Path);
  remover.Keep();
  return Done{};
}

ErrorOrDone CopyLink(const PlacedName& source, const struct stat& info, const PlacedName& target,
                     Placement placement) {
  QByteArray text(info.st_size > 0 ? info.st_size + 1 : 4096, Qt::Uninitialized);
  const ssize_t length = ::readlinkat(source.Folder, source.Name.constData(), text.data(), std::size_t(text.size()));
  if (length < 0) return ErrorAt(source.Path);
  if (length >= text.size()) return ChangedWhileCopied(source.Path);
  text.truncate(length);
  auto result = CreatePlaced(target, placement, [&](const QByteArray& name) {
    return ::symlinkat(text.constData(), target.Folder, name.constData()) == 0;
  });
  if (result) ApplyAttributesAt(target, info, false);
  return result;
}

ErrorOrDone CopyNode(const struct stat& info, const PlacedName& target, Placement placement) {
  auto result = CreatePlaced(target, placement, [&](const QByteArray& name) {
    return ::mknodat(target.Folder, name.constData(), (info.st_mode & S_IFMT) | 0600, info.st_rdev) == 0;
  });
  if (result) ApplyAttributesAt(target, info, true);
  return result;
}

ErrorOrDone MakeFolder(const PlacedName& target) {
  if (::mkdirat(target.Folder, target.Name.constData(), 0700) != 0) return ErrorAt(target.Path);
  return Done{};
}

ErrorOrDone FinishFolder(const PlacedName& target, const struct stat& info) {
  const int fd = ::openat(target.Folder, target.Name.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return ErrorAt(target.Path);
  FdCloser closer(fd);
  if (const int code = ApplyAttributes(fd, info); code != 0) return ErrorAt(target.Path, code);
  return Done{};
}

}  // namespace zarn::fileop
