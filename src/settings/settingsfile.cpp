#include "settings/settingsfile.h"

#include "platform/filedescriptor.h"
#include "platform/filenames.h"
#include "platform/installation.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QStandardPaths>

#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <optional>

namespace zarn {
namespace {

QString ExecutableFolder() {
  const QString folder = QCoreApplication::applicationDirPath();
  return folder.isEmpty() ? QDir::currentPath() : folder;
}

bool FolderWritable(const QString& folder) {
  return ::access(ToNativeName(folder).constData(), W_OK | X_OK) == 0;
}

QString UserConfigFolder() {
  QString base = qEnvironmentVariable("XDG_CONFIG_HOME");
  if (base.isEmpty() || !QDir::isAbsolutePath(base)) base = QDir::homePath() + QStringLiteral("/.config");
  const QString folder = base + QStringLiteral("/zarn");
  QDir().mkpath(folder);
  return folder;
}

QString DecodeLine(QByteArray line) {
  if (line.endsWith('\r')) line.chop(1);
  // Program paths and folders may hold names that are not UTF-8: keep their bytes.
  return FromNativeName(line);
}


// ---- Writing
//
// A settings file is replaced whole: the new contents go to a temporary file
// beside it, which is then renamed over it, so that a full disk or a crash
// leaves the old file whole. A settings file that is a symbolic link updates the
// regular file the link leads to, as editors do, and the link stays. Anything
// else is never written: renaming over a link's target that is a device, a FIFO
// or a folder would destroy it (run as root, /dev/zero became a small file).

// Links followed before giving up, as the kernel does.
constexpr int kMaxLinksFollowed = 40;

// Where new contents go: a name in a folder, and the mode of the file replaced.
struct TWriteTarget {
  QByteArray Folder;
  QByteArray Name;
  std::optional<mode_t> ReplacedMode;  // nothing when the file is new
};

QByteArray FolderOf(const QByteArray& path) {
  const qsizetype slash = path.lastIndexOf('/');
  if (slash < 0) return QByteArrayLiteral(".");
  return slash == 0 ? QByteArrayLiteral("/") : path.left(slash);
}

QByteArray NameOf(const QByteArray& path) { return path.mid(path.lastIndexOf('/') + 1); }

bool SameFolder(const QByteArray& first, const QByteArray& second) {
  struct stat one {};
  struct stat other {};
  return ::stat(first.constData(), &one) == 0 && ::stat(second.constData(), &other) == 0 && S_ISDIR(one.st_mode) &&
         one.st_dev == other.st_dev && one.st_ino == other.st_ino;
}

struct TObjectKind {
  QString Standing;  // "на его месте ..."
  QString LinkedTo;  // "ссылка ведёт на ..."
};

TObjectKind KindOf(mode_t mode) {
  switch (mode & S_IFMT) {
    case S_IFDIR:
      return {QStringLiteral("папка"), QStringLiteral("папку")};
    case S_IFCHR:
    case S_IFBLK:
      return {QStringLiteral("устройство"), QStringLiteral("устройство")};
    case S_IFIFO:
      return {QStringLiteral("канал (FIFO)"), QStringLiteral("канал (FIFO)")};
    case S_IFSOCK:
      return {QStringLiteral("сокет"), QStringLiteral("сокет")};
    default:
      break;
  }
  return {QStringLiteral("не обычный файл"), QStringLiteral("не обычный файл")};
}

// `reached` is what stands at the end of the links, `path` the settings file.
OsError NotARegularFile(mode_t mode, const QByteArray& reached, const QString& path) {
  const TObjectKind kind = KindOf(mode);
  if (reached == ToNativeName(path)) {
    return OsError::WithText(QStringLiteral("Файл настроек не записан: на его месте %1").arg(kind.Standing), path);
  }
  return OsError::WithText(QStringLiteral("Файл настроек не записан: ссылка ведёт на %1 «%2», а не на обычный файл")
                               .arg(kind.LinkedTo, FromNativeName(reached)),
                           path);
}

ErrorOr<QByteArray> ReadLink(const QByteArray& link, const QString& path) {
  char buffer[PATH_MAX + 1];
  const ssize_t length = ::readlink(link.constData(), buffer, sizeof buffer);
  if (length < 0) return OsError(errno, path);
  if (length == ssize_t(sizeof buffer)) return OsError(ENAMETOOLONG, path);
  const QByteArray target(buffer, length);
  return target.startsWith('/') ? target : FolderOf(link) + '/' + target;
}

// Follows links from `path` to a regular file, or to a missing name that may
// be created: the settings file itself, or a link's target in the settings folder.
ErrorOr<TWriteTarget> ResolveWriteTarget(const QString& path) {
  const QByteArray settingsFile = ToNativeName(path);
  QByteArray current = settingsFile;
  for (int links = 0; links <= kMaxLinksFollowed; ++links) {
    struct stat status {};
    if (::lstat(current.constData(), &status) != 0) {
      if (errno != ENOENT) return OsError(errno, path);
      if (current != settingsFile && !SameFolder(FolderOf(current), FolderOf(settingsFile))) {
        return OsError::WithText(
            QStringLiteral("Файл настроек не записан: ссылка ведёт на несуществующий файл «%1» вне папки настроек")
                .arg(FromNativeName(current)),
            path);
      }
      return TWriteTarget{FolderOf(current), NameOf(current), std::nullopt};
    }
    if (S_ISREG(status.st_mode)) return TWriteTarget{FolderOf(current), NameOf(current), status.st_mode & 07777};
    if (!S_ISLNK(status.st_mode)) return NotARegularFile(status.st_mode, current, path);
    auto next = ReadLink(current, path);
    if (next.IsError()) return next.Error();
    current = next.TakeValue();
  }
  return OsError(ELOOP, path);
}

ErrorOrDone WriteAll(int descriptor, const QByteArray& contents, const QString& path) {
  qsizetype written = 0;
  while (written < contents.size()) {
    const ssize_t count = ::write(descriptor, contents.constData() + written, size_t(contents.size() - written));
    if (count < 0 && errno == EINTR) continue;
    if (count < 0) return OsError(errno, path);
    written += count;
  }
  return Done{};
}

struct TTemporary {
  QByteArray Name;
  int Descriptor = -1;
};

ErrorOr<TTemporary> CreateTemporary(int folder, const QByteArray& name, const QString& path) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    const QByteArray candidate =
        '.' + name + '.' + QByteArray::number(QRandomGenerator::global()->generate(), 36);
    const int descriptor = ::openat(folder, candidate.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (descriptor >= 0) return TTemporary{candidate, descriptor};
    if (errno != EEXIST) return OsError(errno, path);
  }
  return OsError(EEXIST, path);
}

ErrorOrDone FillTemporary(int descriptor, const TWriteTarget& target, const QByteArray& contents,
                          const QString& path) {
  auto written = WriteAll(descriptor, contents, path);
  if (written.IsError()) return written;
  if (target.ReplacedMode && ::fchmod(descriptor, *target.ReplacedMode) != 0) return OsError(errno, path);
  if (::fsync(descriptor) != 0) return OsError(errno, path);
  return Done{};
}

// The name may have been replaced by something else since it was resolved.
ErrorOrDone CheckStillReplaceable(int folder, const TWriteTarget& target, const QString& path) {
  struct stat status {};
  if (::fstatat(folder, target.Name.constData(), &status, AT_SYMLINK_NOFOLLOW) != 0) {
    return errno == ENOENT ? ErrorOrDone(Done{}) : ErrorOrDone(OsError(errno, path));
  }
  if (S_ISREG(status.st_mode)) return Done{};
  return NotARegularFile(status.st_mode, target.Folder + '/' + target.Name, path);
}

ErrorOrDone ReplaceAtomically(const TWriteTarget& target, const QByteArray& contents, const QString& path) {
  TFileDescriptor folder(::open(target.Folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (!folder.IsOpen()) return OsError(errno, path);
  auto temporary = CreateTemporary(folder.Get(), target.Name, path);
  if (temporary.IsError()) return temporary.Error();
  TFileDescriptor file(temporary.Value().Descriptor);
  const QByteArray& temporaryName = temporary.Value().Name;
  ErrorOrDone result = FillTemporary(file.Get(), target, contents, path);
  if (!result.IsError() && file.Close() != 0) result = OsError(errno, path);
  if (!result.IsError()) result = CheckStillReplaceable(folder.Get(), target, path);
  if (!result.IsError() &&
      ::renameat(folder.Get(), temporaryName.constData(), folder.Get(), target.Name.constData()) != 0) {
    result = OsError(errno, path);
  }
  if (result.IsError()) {
    ::unlinkat(folder.Get(), temporaryName.constData(), 0);
    return result;
  }
  ::fsync(folder.Get());  // the rename itself reaches the disk
  return Done{};
}

}  // namespace

QString SettingsFolder() {
  const QString configured = qEnvironmentVariable("ZARN_CONFIG_DIR");
  if (!configured.isEmpty()) return QDir::cleanPath(configured);
  return SettingsFolderFor(ExecutableFolder());
}

QString SettingsFolderFor(const QString& executableFolder) {
  // An installed program keeps the settings with the user even where it could
  // write beside itself (run by root from /usr/bin): files left there would
  // belong to no package and outlive its removal.
  if (InstalledDataFolder(executableFolder).isEmpty() && FolderWritable(executableFolder)) return executableFolder;
  return UserConfigFolder();
}

QString SettingsFilePath(const QString& fileName) { return SettingsFolder() + QLatin1Char('/') + fileName; }

bool SettingsFileExists(const QString& path) { return QFileInfo(path).isFile(); }

ErrorOr<QStringList> ReadSettingsLines(const QString& path) {
  QFile file(path);
  if (!file.exists()) return QStringList{};
  if (!file.open(QIODevice::ReadOnly)) return OsError::WithText(file.errorString(), path);
  QStringList lines;
  bool first = true;
  while (!file.atEnd() && lines.size() < MaxSettingsLines) {
    QByteArray line = file.readLine(MaxSettingsLineBytes);
    if (file.error() != QFileDevice::NoError) return OsError::WithText(file.errorString(), path);
    if (line.endsWith('\n')) {
      line.chop(1);
    } else {
      while (!file.atEnd() && !file.readLine(MaxSettingsLineBytes).endsWith('\n')) {
      }
    }
    if (first && line.startsWith("\xEF\xBB\xBF")) line.remove(0, 3);
    first = false;
    lines << DecodeLine(line);
  }
  return lines;
}

ErrorOrDone WriteSettingsLines(const QString& path, const QStringList& lines) {
  auto target = ResolveWriteTarget(path);
  if (target.IsError()) return target.Error();
  QByteArray contents;
  for (const QString& line : lines) contents += ToNativeName(line) + "\r\n";
  return ReplaceAtomically(target.Value(), contents, path);
}

}  // namespace zarn
