#include "platform/volumes.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>

#include <algorithm>

#include "platform/filenames.h"

namespace zarn {
namespace {

// File systems that hold no user files of their own.
bool IsPseudoFileSystem(const QByteArray& type) {
  static const QList<QByteArray> pseudo = {
      "proc",     "sysfs",      "cgroup",  "cgroup2",   "devpts",    "devtmpfs",   "securityfs", "pstore",
      "bpf",      "debugfs",    "tracefs", "configfs",  "fusectl",   "mqueue",     "hugetlbfs",  "autofs",
      "binfmt_misc", "efivarfs", "nsfs",   "rpc_pipefs", "selinuxfs", "ramfs",     "fuse.gvfsd-fuse",
      "fuse.portal", "nfsd",    "overlay-internal", "squashfs"};
  return pseudo.contains(type);
}

// Mount points below these folders are the system's own (run-time state,
// device nodes, kernel interfaces), never a user's volume.
bool IsSystemMountPoint(const QByteArray& mountPoint) {
  static const QList<QByteArray> prefixes = {"/proc", "/sys", "/dev", "/run", "/snap", "/var/lib/docker",
                                             "/boot/efi"};
  for (const QByteArray& prefix : prefixes) {
    if (mountPoint == prefix || mountPoint.startsWith(prefix + '/')) return true;
  }
  return false;
}

// mountinfo escapes blanks, tabs, newlines and backslashes as \ooo.
QByteArray Unescape(const QByteArray& field) {
  QByteArray result;
  result.reserve(field.size());
  for (qsizetype i = 0; i < field.size(); ++i) {
    if (field[i] == '\\' && i + 3 < field.size()) {
      const QByteArray octal = field.mid(i + 1, 3);
      bool ok = false;
      const int value = octal.toInt(&ok, 8);
      if (ok && octal.size() == 3) {
        result.append(char(value));
        i += 3;
        continue;
      }
    }
    result.append(field[i]);
  }
  return result;
}

QHash<QByteArray, QString> LabelsByDevice() {
  QHash<QByteArray, QString> labels;
  const QDir byLabel(QStringLiteral("/dev/disk/by-label"));
  for (const QFileInfo& link : byLabel.entryInfoList(QDir::System | QDir::Files | QDir::NoDotAndDotDot)) {
    labels.insert(ToNativeName(link.canonicalFilePath()), link.fileName().replace(QStringLiteral("\\x20"), QStringLiteral(" ")));
  }
  return labels;
}

// From the attributes the kernel holds: asking a network or FUSE file system
// that stopped answering would never return, and automounts stay untouched.
bool IsFolder(const QByteArray& path) {
  struct statx info {};
  const int flags = AT_STATX_DONT_SYNC | AT_NO_AUTOMOUNT;
  return ::statx(AT_FDCWD, path.constData(), flags, STATX_TYPE, &info) == 0 && S_ISDIR(info.stx_mode);
}

}  // namespace

QString Volume::Caption() const {
  const QString name = Label.isEmpty() ? FromNativeName(Device) : Label;
  return FromNativeName(MountPoint) + QStringLiteral("  [") + name + QStringLiteral("] ") + FileSystem;
}

QString Volume::ShortCaption() const {
  const QByteArray device = Device.mid(Device.lastIndexOf('/') + 1);
  return FromNativeName(MountPoint) + QStringLiteral("  [") + (Label.isEmpty() ? FromNativeName(device) : Label) +
         QLatin1Char(']');
}

std::vector<Volume> ParseMountInfo(const QByteArray& mountInfo) {
  std::vector<Volume> volumes;
  for (const QByteArray& line : mountInfo.split('\n')) {
    // id parent major:minor root mountpoint options [optional...] - type source superoptions
    const QList<QByteArray> fields = line.split(' ');
    const qsizetype separator = fields.indexOf("-");
    if (fields.size() < 5 || separator < 0 || separator + 2 >= fields.size()) continue;
    Volume volume;
    volume.MountPoint = Unescape(fields[4]);
    volume.FileSystem = QString::fromLatin1(fields[separator + 1]);
    volume.Device = Unescape(fields[separator + 2]);
    if (IsPseudoFileSystem(fields[separator + 1]) || IsSystemMountPoint(volume.MountPoint)) continue;
    if (volume.FileSystem == QLatin1String("tmpfs") && volume.MountPoint != "/tmp") continue;
    // A later mount on the same point hides the earlier one.
    std::erase_if(volumes, [&](const Volume& seen) { return seen.MountPoint == volume.MountPoint; });
    volumes.push_back(volume);
  }
  auto root = std::find_if(volumes.begin(), volumes.end(), [](const Volume& v) { return v.MountPoint == "/"; });
  if (root == volumes.end()) {
    volumes.insert(volumes.begin(), Volume{"/", {}, {}, {}});
  } else {
    std::rotate(volumes.begin(), root, root + 1);
  }
  return volumes;
}

std::vector<Volume> ListVolumes() {
  QFile table(QStringLiteral("/proc/self/mountinfo"));
  QByteArray text;
  if (table.open(QIODevice::ReadOnly)) text = table.readAll();
  std::vector<Volume> volumes = ParseMountInfo(text);
  // Bind mounts of single files (as containers use) are no volumes.
  std::erase_if(volumes, [](const Volume& v) { return v.MountPoint != "/" && !IsFolder(v.MountPoint); });
  const QHash<QByteArray, QString> labels = LabelsByDevice();
  for (Volume& volume : volumes) {
    const QByteArray device = ToNativeName(QFileInfo(FromNativeName(volume.Device)).canonicalFilePath());
    volume.Label = labels.value(device);
  }
  return volumes;
}

int VolumeOfPath(const std::vector<Volume>& volumes, const QByteArray& path) {
  int best = -1;
  qsizetype bestLength = -1;
  for (int i = 0; i < int(volumes.size()); ++i) {
    const QByteArray& mount = volumes[size_t(i)].MountPoint;
    const bool inside = mount == "/" || path == mount || path.startsWith(mount + '/');
    if (inside && path.startsWith(mount) && mount.size() > bestLength) {
      best = i;
      bestLength = mount.size();
    }
  }
  return best;
}

DiskTotals GetDiskTotals(const QByteArray& path) {
  struct statvfs info;
  if (::statvfs(path.constData(), &info) != 0) return {};
  return {qint64(info.f_blocks) * qint64(info.f_frsize), qint64(info.f_bavail) * qint64(info.f_frsize)};
}

}  // namespace zarn
