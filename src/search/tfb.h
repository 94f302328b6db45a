#pragma once
// The start-folder chooser of the search window: a box of the mounted volumes
// and a list of the folder's ancestors and subfolders. Every change of folder
// writes the folder into the search window's start field. Created once by the
// program entry and shown by the search window; GUI thread only.

#include <QString>
#include <QWidget>

#include <vector>

#include "platform/volumes.h"

class QComboBox;
class QLabel;
class QListWidget;
class QPushButton;

namespace zarn {

class TFB : public QWidget {
  Q_OBJECT

 public:
  explicit TFB(QWidget* parent = nullptr);
  ~TFB() override;

  // The folder the list shows: "/" or an absolute path without a trailing "/".
  const QString& Directory() const { return Directory_; }
  // Lists `folder` and, when it changed, reports it to the search window.
  void SetDirectory(const QString& folder);

  void DriveComboBox1Change();
  void DirectoryListBox1Change();
  void Button1Click();

  QComboBox* DriveComboBox1 = nullptr;
  QLabel* StaticText1 = nullptr;
  QListWidget* DirectoryListBox1 = nullptr;
  QPushButton* Button1 = nullptr;

 private:
  void CreateControls();
  void FillDrives();
  void FillFolderList();
  void OpenListLine(int row);

  QString Directory_;
  std::vector<Volume> Volumes_;
};

inline TFB* FB = nullptr;

}  // namespace zarn
