#include "deeptree.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <stdexcept>
#include <vector>

namespace zarn::test {
namespace {

constexpr int LongLevels = 17;
constexpr int ShortLevels = 20;

void Check(bool ok, const char* what) {
  if (!ok) throw std::runtime_error(std::string("deep tree: ") + what + " failed");
}

void WriteFileAt(int folder, const QByteArray& name, const QByteArray& bytes) {
  const int fd = ::openat(folder, name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
  Check(fd >= 0, "openat");
  Check(::write(fd, bytes.constData(), size_t(bytes.size())) == bytes.size(), "write");
  ::close(fd);
}

std::vector<std::string> SortedNames(int folder) {
  std::vector<std::string> names;
  const int copy = ::dup(folder);
  DIR* dir = ::fdopendir(copy);
  if (!dir) return names;
  while (const dirent* entry = ::readdir(dir)) {
    const std::string name = entry->d_name;
    if (name != "." && name != "..") names.push_back(name);
  }
  ::closedir(dir);
  std::sort(names.begin(), names.end());
  return names;
}

QByteArray ContentAt(int folder, const char* name) {
  QByteArray data;
  const int fd = ::openat(folder, name, O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return "<unreadable>";
  char buffer[4096];
  ssize_t length;
  while ((length = ::read(fd, buffer, sizeof buffer)) > 0) data.append(buffer, length);
  ::close(fd);
  return data;
}

QByteArray LinkAt(int folder, const char* name) {
  char text[4096];
  const ssize_t length = ::readlinkat(folder, name, text, sizeof text);
  return length < 0 ? QByteArray("<unreadable>") : QByteArray(text, length);
}

std::string CompareFolders(int left, int right, const std::string& where) {
  const std::vector<std::string> names = SortedNames(left);
  if (names != SortedNames(right)) return "different entries in " + where;
  for (const std::string& name : names) {
    const std::string path = where + "/" + name.substr(0, 12);
    struct stat a, b;
    if (::fstatat(left, name.c_str(), &a, AT_SYMLINK_NOFOLLOW) != 0 ||
        ::fstatat(right, name.c_str(), &b, AT_SYMLINK_NOFOLLOW) != 0)
      return "cannot look at " + path;
    if ((a.st_mode & S_IFMT) != (b.st_mode & S_IFMT) || (a.st_mode & 07777) != (b.st_mode & 07777))
      return "different kind or mode at " + path;
    if (S_ISREG(a.st_mode) && ContentAt(left, name.c_str()) != ContentAt(right, name.c_str()))
      return "different content at " + path;
    if (S_ISLNK(a.st_mode) && LinkAt(left, name.c_str()) != LinkAt(right, name.c_str()))
      return "different link at " + path;
    if (!S_ISDIR(a.st_mode)) continue;
    const int subLeft = ::openat(left, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    const int subRight = ::openat(right, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    std::string difference = subLeft < 0 || subRight < 0 ? "cannot open " + path : CompareFolders(subLeft, subRight, path);
    if (subLeft >= 0) ::close(subLeft);
    if (subRight >= 0) ::close(subRight);
    if (!difference.empty()) return difference;
  }
  return {};
}

}  // namespace

void MakeDeepTree(const QByteArray& root) {
  int folder = ::open(root.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  Check(folder >= 0, "open");
  for (int level = 0; level < LongLevels + ShortLevels; ++level) {
    const QByteArray number = QByteArray::number(level);
    WriteFileAt(folder, "file-" + number, "level " + number);
    if (level % 5 == 0) Check(::symlinkat("file-0", folder, ("link-" + number).constData()) == 0, "symlinkat");
    const QByteArray name = level < LongLevels ? QByteArray(250, char('a' + level)) : "level-" + number;
    Check(::mkdirat(folder, name.constData(), 0755) == 0, "mkdirat");
    const int next = ::openat(folder, name.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    Check(next >= 0, "openat");
    ::close(folder);
    folder = next;
  }
  WriteFileAt(folder, "deepest.txt", "the bottom");
  ::close(folder);
}

std::string CompareTrees(const QByteArray& left, const QByteArray& right) {
  const int a = ::open(left.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  const int b = ::open(right.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  std::string difference = a < 0 || b < 0 ? std::string("cannot open the trees") : CompareFolders(a, b, ".");
  if (a >= 0) ::close(a);
  if (b >= 0) ::close(b);
  return difference;
}

}  // namespace zarn::test
