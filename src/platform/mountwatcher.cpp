#include "platform/mountwatcher.h"

#include <QSocketNotifier>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>

namespace zarn {
namespace {

bool Contains(const std::vector<Volume>& volumes, const Volume& volume) {
  return std::any_of(volumes.begin(), volumes.end(),
                     [&](const Volume& v) { return v.MountPoint == volume.MountPoint; });
}

}  // namespace

std::vector<int> MediaChangeCodes(const std::vector<Volume>& before, const std::vector<Volume>& after) {
  std::vector<int> codes;
  const bool arrived = std::any_of(after.begin(), after.end(), [&](const Volume& v) { return !Contains(before, v); });
  const bool removed = std::any_of(before.begin(), before.end(), [&](const Volume& v) { return !Contains(after, v); });
  if (arrived) codes.push_back(DBT_DEVICEARRIVAL);
  if (removed) codes.push_back(DBT_DEVICEREMOVECOMPLETE);
  if (codes.empty()) codes.push_back(DBT_DEVNODES_CHANGED);
  return codes;
}

MountWatcher::MountWatcher(QObject* parent) : QObject(parent), Volumes_(ListVolumes()) {
  Fd_ = ::open("/proc/self/mountinfo", O_RDONLY | O_CLOEXEC);
  if (Fd_ < 0) return;  // no mount table: media changes are simply not seen
  Notifier_ = new QSocketNotifier(Fd_, QSocketNotifier::Exception, this);
  connect(Notifier_, &QSocketNotifier::activated, this, &MountWatcher::TableChanged);
}

MountWatcher::~MountWatcher() {
  delete Notifier_;
  if (Fd_ >= 0) ::close(Fd_);
}

void MountWatcher::TableChanged() {
  // The condition stays raised until the file is read again from its start.
  char buffer[4096];
  ::lseek(Fd_, 0, SEEK_SET);
  while (::read(Fd_, buffer, sizeof buffer) > 0) {
  }
  std::vector<Volume> volumes = ListVolumes();
  const std::vector<int> codes = MediaChangeCodes(Volumes_, volumes);
  Volumes_ = std::move(volumes);
  for (int code : codes) emit DeviceChange(code);
}

}  // namespace zarn
