#pragma once
// The computer's volumes: the mounted real file systems (not proc, sysfs,
// cgroup and the like), read from the mount table. The counterpart of the
// drive letters.

#include <QByteArray>
#include <QString>

#include <vector>

namespace zarn {

struct Volume {
  QByteArray MountPoint;  // bytes, absolute, "/" for the root
  QByteArray Device;      // e.g. "/dev/sda1"
  QString FileSystem;     // e.g. "ext4"
  QString Label;          // file-system label when known, else empty

  // What the drive box shows: mount point, label or device, file-system type.
  QString Caption() const;
  // The closed drive box's text: mount point and label or device name.
  QString ShortCaption() const;
  bool operator==(const Volume& other) const = default;
};

// Parses mountinfo text (the format of /proc/self/mountinfo) into volumes,
// leaving out pseudo and internal file systems; "/" always comes first.
std::vector<Volume> ParseMountInfo(const QByteArray& mountInfo);
// The volumes mounted now. Never empty: "/" is there even when the table
// cannot be read.
std::vector<Volume> ListVolumes();
// The volume whose mount point is the longest prefix of `path` (a path of
// bytes); the index into `volumes`, or -1.
int VolumeOfPath(const std::vector<Volume>& volumes, const QByteArray& path);

struct DiskTotals {
  qint64 TotalBytes = -1;  // -1 when the volume cannot be read
  qint64 FreeBytes = -1;   // space available to the user
};
DiskTotals GetDiskTotals(const QByteArray& path);

}  // namespace zarn
