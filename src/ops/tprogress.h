#pragma once
// The progress window of a file operation: objects, bytes, the current name,
// the phase (the final flush to the device is one) and a cancel button. It
// reads the figures itself on a timer; the operation never touches it.

#include <QDialog>

#include <functional>

#include "platform/fileop.h"

class QLabel;
class QProgressBar;
class QPushButton;
class QTimer;

namespace zarn {

class TProgress : public QDialog {
  Q_OBJECT

 public:
  // `figures` is called on the GUI thread and must be thread-safe towards the
  // operation; `cancel` asks the operation to stop.
  TProgress(const QString& caption, std::function<FileOpProgress()> figures, std::function<void()> cancel,
            QWidget* parent = nullptr);
  ~TProgress() override;

  // Shows the window and starts refreshing it about ten times a second; once.
  void Start();
  // Reads the figures and updates the controls.
  void Refresh();

 protected:
  void reject() override;  // Escape and the close box cancel too

 private:
  void CreateControls();
  void CancelClick();

  std::function<FileOpProgress()> Figures_;
  std::function<void()> Cancel_;
  QLabel* LabelPhase_ = nullptr;
  QLabel* LabelName_ = nullptr;
  QLabel* LabelObjects_ = nullptr;
  QLabel* LabelBytes_ = nullptr;
  QProgressBar* ProgressBar_ = nullptr;
  QPushButton* ButtonCancel_ = nullptr;
  QTimer* RefreshTimer_ = nullptr;
};

// The window of the running operation, if any; set by its constructor.
inline TProgress* Progress = nullptr;

}  // namespace zarn
