#pragma once
// Watches the mount table and reports media changes with the codes of the
// device-change message: a volume that appeared is 0x8000, one that went is
// 0x8004, any other change of the table 0x0007.
//
// /proc/self/mountinfo cannot be watched with inotify; the kernel instead
// signals a change as an exceptional condition (POLLPRI) on an open descriptor.

#include <QObject>

#include <memory>
#include <vector>

#include "platform/volumes.h"

class QSocketNotifier;

namespace zarn {

inline constexpr int DBT_DEVNODES_CHANGED = 0x0007;
inline constexpr int DBT_DEVICEARRIVAL = 0x8000;
inline constexpr int DBT_DEVICEREMOVECOMPLETE = 0x8004;

// The codes that tell how `after` differs from `before`: 0x8000 when a volume
// appeared, 0x8004 when one went (both when both happened), 0x0007 otherwise.
std::vector<int> MediaChangeCodes(const std::vector<Volume>& before, const std::vector<Volume>& after);

class MountWatcher : public QObject {
  Q_OBJECT
 public:
  explicit MountWatcher(QObject* parent = nullptr);
  ~MountWatcher() override;

 signals:
  void DeviceChange(int code);

 private:
  void TableChanged();

  int Fd_ = -1;
  QSocketNotifier* Notifier_ = nullptr;
  std::vector<Volume> Volumes_;
};

}  // namespace zarn
