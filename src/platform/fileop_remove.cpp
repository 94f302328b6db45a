#include "platform/fileop_remove.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <utility>
#include <vector>

#include "platform/filenames.h"

namespace zarn {
namespace {

constexpr int FolderFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;

// One folder on the way down. Only the deepest level holds an open descriptor;
// the way back up goes through ".", checked against the device and inode
// recorded here, so a folder moved away during the walk stops it.
struct Level {
  std::string Name;  // the name in the level above
  dev_t Device = 0;
  ino_t Inode = 0;
  std::vector<std::string> Subfolders;  // still to enter
};

bool IsDotOrDotDot(const char* name) {
  return name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0));
}

class TreeRemover {
 public:
  TreeRemover(QByteArray path, const std::atomic<bool>* cancel) : Path_(std::move(path)), Cancel_(cancel) {}

  ErrorOrDone Run() {
    while (Path_.size() > 1 && Path_.endsWith('/')) Path_.chop(1);
    const qsizetype slash = Path_.lastIndexOf('/');
    const QByteArray parent = slash < 0 ? QByteArray(".") : slash == 0 ? QByteArray("/") : Path_.left(slash);
    const std::string name = Path_.mid(slash + 1).toStdString();
    const int parentFd = ::open(parent.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (parentFd < 0) return OsError(errno, FromNativeName(Path_));
    RemoveTop(parentFd, name);
    ::close(parentFd);
    if (HasError_) return FirstError_;
    return Done{};
  }

 private:
  void Note(int code, const std::string& name = {}) {
    if (HasError_) return;
    HasError_ = true;
    FirstError_ = OsError(code, FromNativeName(DisplayPath(name)));
  }

  QByteArray DisplayPath(const std::string& name) const {
    QByteArray path = Path_;
    for (std::size_t i = 1; i < Levels_.size(); ++i) path += '/' + QByteArray::fromStdString(Levels_[i].Name);
    if (!name.empty()) path += '/' + QByteArray::fromStdString(name);
    return path;
  }

  bool Cancelled() const { return Cancel_ && Cancel_->load(std::memory_order_relaxed); }

  void RemoveTop(int parentFd, const std::string& name) {
    struct stat info;
    if (::fstatat(parentFd, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0) return Note(errno);
    if (!S_ISDIR(info.st_mode)) {
      if (::unlinkat(parentFd, name.c_str(), 0) != 0) Note(errno);
      return;
    }
    int fd = ::openat(parentFd, name.c_str(), FolderFlags);
    if (fd < 0) {
      if (errno == ELOOP || errno == ENOTDIR) {  // replaced by a link or file meanwhile
        if (::unlinkat(parentFd, name.c_str(), 0) != 0) Note(errno);
      } else {
        Note(errno);
      }
      return;
    }
    TopDevice_ = info.st_dev;
    if (::fstat(fd, &info) != 0) {
      Note(errno);
      ::close(fd);
      return;
    }
    Enter(fd, name, info);
    fd = WalkDown(fd);
    if (fd < 0) return;
    ::close(fd);
    if (::unlinkat(parentFd, name.c_str(), AT_REMOVEDIR) != 0) Note(errno);
  }

  // Empties the tree below the top level; returns the top level's descriptor,
  // or -1 when the walk had to stop (the descriptor is then closed).
  int WalkDown(int fd) {
    while (true) {
      if (Cancelled()) {
        Note(ECANCELED);
        ::close(fd);
        return -1;
      }
      Level& level = Levels_.back();
      if (!level.Subfolders.empty()) {
        const std::string name = std::move(level.Subfolders.back());
        level.Subfolders.pop_back();
        fd = EnterSubfolder(fd, name);
        continue;
      }
      if (Levels_.size() == 1) return fd;
      fd = GoUp(fd);
      if (fd < 0) return -1;
    }
  }

  int EnterSubfolder(int fd, const std::string& name) {
    const int subFd = ::openat(fd, name.c_str(), FolderFlags);
    if (subFd < 0) {
      if (errno == ELOOP || errno == ENOTDIR) {
        if (::unlinkat(fd, name.c_str(), 0) != 0) Note(errno, name);
      } else {
        Note(errno, name);
      }
      return fd;
    }
    struct stat info;
    if (::fstat(subFd, &info) != 0 || info.st_dev != TopDevice_) {
      Note(EXDEV, name);  // another file system mounted inside: leave it alone
      ::close(subFd);
      return fd;
    }
    ::close(fd);
    Enter(subFd, name, info);
    return subFd;
  }

  int GoUp(int fd) {
    const std::string name = Levels_.back().Name;
    Levels_.pop_back();
    const int upFd = ::openat(fd, "..", FolderFlags);
    struct stat info;
    const bool same = upFd >= 0 && ::fstat(upFd, &info) == 0 && info.st_dev == Levels_.back().Device &&
                      info.st_ino == Levels_.back().Inode;
    ::close(fd);
    if (!same) {
      if (upFd >= 0) ::close(upFd);
      Note(ESTALE, name);  // the folder was moved away while we were inside it
      return -1;
    }
    // After an earlier failure inside, ENOTEMPTY here only repeats it: Note keeps the first.
    if (::unlinkat(upFd, name.c_str(), AT_REMOVEDIR) != 0) Note(errno, name);
    return upFd;
  }

  // Records the level, removes its non-folders and keeps its subfolders for later.
  void Enter(int fd, const std::string& name, const struct stat& info) {
    Level level;
    level.Name = name;
    level.Device = info.st_dev;
    level.Inode = info.st_ino;
    Levels_.push_back(std::move(level));
    std::vector<std::string> others;
    ReadEntries(fd, Levels_.back().Subfolders, others);
    for (const std::string& other : others) {
      if (::unlinkat(fd, other.c_str(), 0) != 0 && errno != ENOENT) Note(errno, other);
    }
  }

  void ReadEntries(int fd, std::vector<std::string>& folders, std::vector<std::string>& others) {
    alignas(8) char buffer[32 * 1024];
    while (true) {
      const ssize_t length = ::getdents64(fd, buffer, sizeof buffer);
      if (length <= 0) {
        if (length < 0) Note(errno);
        return;
      }
      for (ssize_t offset = 0; offset < length;) {
        const auto* entry = reinterpret_cast<const dirent64*>(buffer + offset);
        offset += entry->d_reclen;
        if (IsDotOrDotDot(entry->d_name)) continue;
        bool isFolder = entry->d_type == DT_DIR;
        if (entry->d_type == DT_UNKNOWN) {
          struct stat info;
          isFolder = ::fstatat(fd, entry->d_name, &info, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(info.st_mode);
        }
        (isFolder ? folders : others).emplace_back(entry->d_name);
      }
    }
  }

  QByteArray Path_;
  const std::atomic<bool>* Cancel_;
  dev_t TopDevice_ = 0;
  std::vector<Level> Levels_;
  bool HasError_ = false;
  OsError FirstError_;
};

}  // namespace

ErrorOrDone RemoveTree(const QByteArray& path, const std::atomic<bool>* cancel) {
  return TreeRemover(path, cancel).Run();
}

}  // namespace zarn
