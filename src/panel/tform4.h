#pragma once
// The second panel: a small stay-on-top window showing one folder's subfolders
// and files. Its folder, PanelPath, is where copy and move put things. The
// window is created hidden at start and lives for the whole run; its list
// changes only through FillPanelList. Only from the GUI thread.

#include <QListView>
#include <QWidget>

#include <vector>

#include "panel/panelfolder.h"
#include "panel/panelpath.h"
#include "platform/volumes.h"

class QComboBox;
class QHeaderView;
class QLabel;
class QLineEdit;
class QModelIndex;
class QPushButton;
class QStandardItem;
class QStandardItemModel;
class QToolButton;

namespace zarn {

class TDriveComboBox;
class TForm4;
inline TForm4* Form4 = nullptr;

// The panel's list: a QListView that leaves room above its rows for the table
// style's column heading.
class TPanelListView : public QListView {
 public:
  using QListView::QListView;
  void SetTopMargin(int height) { setViewportMargins(0, height, 0, 0); }
  bool Editing() const { return state() == EditingState; }
};

enum class PanelViewStyle { LargeIcons, Table, List };

class TForm4 : public QWidget {
  Q_OBJECT
 public:
  explicit TForm4(QWidget* parent = nullptr);
  ~TForm4() override;

  // Lists PanelPath and shows `path` in Edit1; callers set PanelPath first and
  // pass it. A folder that cannot be read shows an empty list and counts 0.
  void FillPanelList(const QString& path);
  // Rebuilds the drive box from the mounted volumes, keeping its volume.
  void RefreshDrives();
  // The captions of ListView1's entries, in list order.
  QStringList Captions() const;
  // The row of the entry with exactly this caption, or -1.
  int RowOfCaption(const QString& caption) const;
  // The selected entry's row, or -1.
  int SelectedRow() const;
  void SelectRow(int row);
  PanelViewStyle ViewStyle() const { return ViewStyle_; }
  // The name of the entry last clicked.
  QString SelectedName() const { return SelectedName_; }

  // The handlers, by design names.
  void DriveComboBox1Change(int index);
  void SpeedButton1Click();
  void Edit1Enter();
  void Button1Click();
  void ListView1DblClick();
  void ListView1Click();
  void ListView1Edited(QStandardItem* item);
  void SetViewStyle(PanelViewStyle style);

  // The controls, by their design names (objectName is the same).
  QLineEdit* Edit1 = nullptr;
  TDriveComboBox* DriveComboBox1 = nullptr;
  QToolButton* SpeedButton1 = nullptr;
  QLabel* Label1 = nullptr;
  QPushButton* SpeedButton2 = nullptr;
  QPushButton* SpeedButton3 = nullptr;
  QPushButton* SpeedButton4 = nullptr;
  QPushButton* Button1 = nullptr;
  QLabel* Label2 = nullptr;
  QLabel* Label3 = nullptr;
  QLabel* Label4 = nullptr;
  QLabel* Label5 = nullptr;
  TPanelListView* ListView1 = nullptr;
  QLabel* Label6 = nullptr;

 protected:
  void resizeEvent(QResizeEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void CreateTopControls();
  void CreateViewButtons();
  void CreateCounts();
  void CreateList();
  void Wire();
  QPushButton* AddButton(const char* name, const QString& caption, const QRect& geometry);
  QLabel* AddLabel(const char* name, const QString& text, const QRect& geometry);

  void AddEntries(const std::vector<TPanelEntry>& entries, QLabel* count);
  void ShowCount(QLabel* label, int count, bool force);
  void ShowEntryInfo();
  void StartRename();
  void RenameEntry(int row, const QString& oldName, const QString& newName);
  void SetCaptionQuietly(QStandardItem* item, const QString& caption);
  void PlaceHeader();
  void PlaceList();

  QStandardItemModel* Entries_ = nullptr;
  QStandardItemModel* HeaderModel_ = nullptr;
  QHeaderView* Header_ = nullptr;
  std::vector<Volume> Volumes_;
  PanelViewStyle ViewStyle_ = PanelViewStyle::LargeIcons;
  QString SelectedName_;
  bool SettingCaption_ = false;  // true while the program itself writes a caption
  qint64 LastCountPaint_ = 0;
};

}  // namespace zarn
