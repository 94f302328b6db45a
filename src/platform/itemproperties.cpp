#include "platform/itemproperties.h"

#include <cerrno>
#include <vector>

#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/filenames.h"
#include "platform/groupdigits.h"
#include "platform/pathtext.h"
#include "platform/shellnamespace.h"

namespace zarn {
namespace {

constexpr mode_t PermissionBits = 07777;

ItemFileType FileTypeOf(mode_t mode) {
  if (S_ISDIR(mode)) return ItemFileType::Folder;
  if (S_ISLNK(mode)) return ItemFileType::Link;
  if (S_ISFIFO(mode)) return ItemFileType::Fifo;
  if (S_ISCHR(mode)) return ItemFileType::CharDevice;
  if (S_ISBLK(mode)) return ItemFileType::BlockDevice;
  if (S_ISSOCK(mode)) return ItemFileType::Socket;
  return ItemFileType::File;
}

// The getpwuid_r/getgrgid_r buffer grows until the entry fits.
template <typename Entry, typename Lookup>
QString NameOfId(unsigned id, Lookup lookup, char* Entry::*nameField) {
  std::vector<char> buffer(1024);
  Entry entry{};
  Entry* found = nullptr;
  int result = 0;
  while ((result = lookup(id, &entry, buffer.data(), buffer.size(), &found)) == ERANGE && buffer.size() < (1 << 20)) {
    buffer.resize(buffer.size() * 2);
  }
  if (result != 0 || !found) return QString::number(id);
  return FromNativeName(QByteArray(found->*nameField));
}

QDateTime TimeOf(const struct timespec& time) {
  return QDateTime::fromMSecsSinceEpoch(qint64(time.tv_sec) * 1000 + time.tv_nsec / 1000000);
}

QString LinkTargetOf(const QByteArray& path) {
  std::vector<char> buffer(4096);
  const ssize_t length = ::readlink(path.constData(), buffer.data(), buffer.size());
  return length < 0 ? QString() : FromNativeName(buffer.data(), qsizetype(length));
}

// The type text the list's Type column shows, through the namespace.
QString TypeNameOf(const QString& path) {
  const auto desktop = SHGetDesktopFolder();
  auto parsed = desktop->ParseDisplayName(path);
  return parsed.IsError() ? QString() : ShellTypeName(parsed.Value().get());
}

void SplitLocation(ItemProperties& properties) {
  const qsizetype slash = properties.Path.lastIndexOf(QLatin1Char('/'));
  if (properties.Path == QStringLiteral("/")) {
    properties.Name = properties.Path;
    return;
  }
  properties.Name = properties.Path.mid(slash + 1);
  properties.Location = slash <= 0 ? QStringLiteral("/") : properties.Path.left(slash);
}

}  // namespace

ErrorOr<ItemProperties> ReadItemProperties(const QString& path) {
  ItemProperties properties;
  properties.Path = WithoutTrailingSlash(path);
  const QByteArray native = ToNativeName(properties.Path);
  struct stat info;
  if (::lstat(native.constData(), &info) != 0) return OsError(errno, properties.Path);
  SplitLocation(properties);
  properties.FileType = FileTypeOf(info.st_mode);
  if (properties.FileType == ItemFileType::Link) properties.LinkTarget = LinkTargetOf(native);
  properties.TypeName = TypeNameOf(properties.Path);
  properties.Size = qint64(info.st_size);
  properties.Modified = TimeOf(info.st_mtim);
  properties.Accessed = TimeOf(info.st_atim);
  properties.OwnerId = info.st_uid;
  properties.GroupId = info.st_gid;
  properties.Owner = NameOfId<passwd>(info.st_uid, ::getpwuid_r, &passwd::pw_name);
  properties.Group = NameOfId<group>(info.st_gid, ::getgrgid_r, &group::gr_name);
  properties.Permissions = info.st_mode & PermissionBits;
  const uid_t user = ::geteuid();
  properties.PermissionsEditable =
      properties.FileType != ItemFileType::Link && (user == 0 || user == info.st_uid);
  return properties;
}

ErrorOrDone SetPermissions(const QString& path, mode_t mode) {
  if (::chmod(ToNativeName(path).constData(), mode & PermissionBits) != 0) return OsError(errno, path);
  return Done{};
}

QString PermissionsText(mode_t mode) {
  QString text(9, QLatin1Char('-'));
  const char letters[] = "rwx";
  for (int bit = 0; bit < 9; ++bit) {
    if (mode & (0400 >> bit)) text[bit] = QLatin1Char(letters[bit % 3]);
  }
  auto special = [&](int position, mode_t flag, char set, char setWithoutExecute) {
    if (mode & flag) text[position] = QLatin1Char(text[position] == QLatin1Char('x') ? set : setWithoutExecute);
  };
  special(2, S_ISUID, 's', 'S');
  special(5, S_ISGID, 's', 'S');
  special(8, S_ISVTX, 't', 'T');
  return text;
}

QString SizeText(qint64 bytes) { return GroupDigits(QString::number(bytes)) + QStringLiteral(" байт"); }

}  // namespace zarn
