#pragma once
// The properties dialog of one item: name, type, location, size (a folder's
// tree counted in the background), times, owner, group and the permissions,
// which the user may change where he owns the item. Modeless; deletes itself
// when closed. GUI thread only.

#include <QDialog>

#include <array>
#include <atomic>
#include <thread>

#include "platform/itemproperties.h"

class QCheckBox;
class QFormLayout;
class QLabel;
class QPushButton;

namespace zarn {

class TPropertiesDialog : public QDialog {
  Q_OBJECT
 public:
  TPropertiesDialog(ItemProperties properties, QWidget* parent = nullptr);
  ~TPropertiesDialog() override;

  // The check boxes of the nine access bits, owner's read first (objectNames
  // "OwnerRead" ... "OtherExecute").
  std::array<QCheckBox*, 9> PermissionBoxes{};
  QLabel* SizeValue = nullptr;
  QPushButton* ApplyButton = nullptr;

  // chmod with the boxes' bits; the system's message on failure.
  void ApplyButtonClick();

 private:
  QLabel* AddRow(const QString& caption, const char* name, const QString& value);
  void AddPermissionBoxes();
  void StartFolderSize();
  void ShowFolderSize(qint64 bytes, bool final);
  mode_t CheckedPermissions() const;

  ItemProperties Properties_;
  QFormLayout* Rows_ = nullptr;
  std::atomic<bool> StopWalk_{false};  // raised by the GUI thread, read by the walk
  std::thread Walk_;                   // only from the GUI thread
};

// Reads the item's properties (raising the system's error when it cannot) and
// shows its dialog, owned by `owner`.
void ShowItemProperties(const QString& path, QWidget* owner);

}  // namespace zarn
