#pragma once
// The main window: the folder tree, the file list, the path box with its
// history, the drive box, the free-space line and the command buttons. Every
// navigation ends in SetFolder. Only from the GUI thread.
//
// Its code is in four files: tform1.cpp builds the window from its tables and
// runs its life (first showing, close); tform1navigation.cpp moves between
// folders; tform1commands.cpp holds the command table and the commands;
// tform1contextmenu.cpp the list's context menu; tform1archives.cpp what
// differs inside archives.

#include <QElapsedTimer>
#include <QMainWindow>

#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "ops/filemask.h"
#include "ops/listkeys.h"
#include "platform/detachedcall.h"
#include "platform/idlist.h"
#include "platform/shellnamespace.h"
#include "platform/volumes.h"

class QComboBox;
class QFrame;
class QLabel;
class QMenu;
class QPushButton;
class QSplitter;
class QTimer;
class QToolButton;

namespace zarn {

class MountWatcher;
class TDriveComboBox;
class TFileCommands;
class TSelection;
struct TCommandLayer;
struct TMainCommand;
enum class CommandPanel;
class TFolderItems;
class TFolderListing;
class TListView;
class TShellTreeView;
class TArchiveTempCopy;
struct TArchiveItem;

class TForm1;
inline TForm1* Form1 = nullptr;

// The window's designed client width; controls anchored to the right keep
// their distance from the right edge.
inline constexpr int DesignedClientWidth = 645;

class TForm1 : public QMainWindow {
  Q_OBJECT
 public:
  explicit TForm1(QWidget* parent = nullptr);
  ~TForm1() override;

  // The window's commands: buttons, keys and handlers (see maincommands.h).
  static std::span<const TMainCommand> CommandTable();

  // Navigation. Both raise the platform's error for the top-level guard.
  void SetPath(const QString& path);
  // A folder that takes long to read is shown when it is read; the window
  // answers meanwhile, and the next navigation or Escape cancels it.
  void SetFolder(IdListPtr id);
  bool IsListing() const { return Listing_ != nullptr; }
  // Cancels a listing under way; true when there was one.
  bool StopListing();
  void UpOneLevel();
  void RefreshTree(int position);
  void RefreshDrives();
  // The media-change handler, by device-change event code.
  void CD(int code);

  void ListViewColumnClick(int column);
  // A choice of the selection-modes window, applied to the list's marks.
  void RunMarkOperation(MarkOperation operation, const QString& mask);
  // Opens the folder row under the cursor (double click, Enter).
  void OpenRow(int row);
  // Archives. Lists a file row's archive as a folder (Ctrl+PgDn, the context menu).
  void OpenAsFolder(int row);
  // True when the list shows a folder inside an archive.
  bool InArchive() const;
  // Inside an archive, says that it is opened read-only and returns true.
  bool RefuseInArchive();
  // A row's size from the archive's headers; nothing for rows on the disk.
  std::optional<std::int64_t> ArchiveRowBytes(int row) const;
  // "Исправить имена…" inside an archive: its names in another code page read anew.
  void RepairArchiveNames();
  // F5 inside an archive: the marked entries (else the cursor's) into the second panel's folder.
  void CopyOutOfArchive();

  // The list's context menu: for the first selected row, else for the path box
  // folder; afterwards the folder is listed again.
  void PopupMenu1Popup();

  TFolderItems& Items() const { return *Items_; }
  ShellFolder& DesktopFolder() const { return *DesktopFolder_; }
  QString CurrentPath() const;
  ConstItemIdList CurrentIdList() const;
  QString StartPath() const { return StartPath_; }
  // The path box text.
  QString PathText() const;
  // The mount point of the drive box's selected volume; empty when none.
  QByteArray SelectedVolume() const;

  // Rebuilds the second panel's drive box; set by the panel.
  std::function<void()> RefreshPanelDrives;

  // The controls, by their design names (objectName is the same).
  QComboBox* cbPath = nullptr;
  TDriveComboBox* DriveComboBox1 = nullptr;
  QComboBox* ComboBox1 = nullptr;
  QLabel* Label1 = nullptr;
  QLabel* Label5 = nullptr;
  QLabel* Label6 = nullptr;
  QLabel* Label9 = nullptr;
  QFrame* Shape1 = nullptr;
  QFrame* Shape2 = nullptr;
  QFrame* Shape3 = nullptr;
  TShellTreeView* ShellTreeView1 = nullptr;
  TListView* ListView = nullptr;
  QSplitter* Splitter1 = nullptr;
  QWidget* Panel1 = nullptr;
  QWidget* Panel2 = nullptr;
  QWidget* Panel3 = nullptr;
  // Has no items: it only stands for the list's context-menu request.
  QMenu* PopupMenu1 = nullptr;

  // The full path of a row.
  QString RowPath(int row) const;
  TSelection& Selection() const;
  TFileCommands& Commands() const;

  // Sets the status label and repaints it at once.
  void SetStatus(const QString& text);
  // Writes the selection summary into Label1, all of it in view.
  void ShowSummary(const QString& text);

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // Construction.
  void CreateTopPanel();
  void CreateMiddle();
  void CreateRightPanel();
  void CreateBottomPanel();
  void CreateCommandButtons(CommandPanel place, QWidget* panel);
  void Wire();
  void PlaceRightAnchored();

  // Life.
  void FirstShow();
  void ApplySettingsFile();
  void WriteSettingsFile();

  // Navigation.
  void LoadDrives();
  void cbPathEnter();
  void cbPathClick(int index);
  void DriveComboBox1Change(int index);
  void ShellTreeView1Click();
  void SpeedButton13Click();
  void SpeedButton18Click();
  void SpeedButton19Click();
  int HistoryIndexOf(const QString& path) const;
  void AddToHistory(ConstItemIdList id);
  void SelectFocusRow();
  void ShowDiskTotals();
  void ShowDiskTotals(const DiskTotals& totals);
  // The mount point of the volume holding `path`, else the path.
  QByteArray VolumeMountPoint(const QByteArray& path) const;
  void WaitForListing();
  void FinishListing();
  void ShowListingProgress();

  // Commands.
  void ListViewKeyDown(QKeyEvent* event, bool* handled);
  void OpenFile(int row);
  void SpeedButton4Click();
  void SpeedButton5Click();
  void SpeedButton10Click();
  void SpeedButton11Click();
  void SpeedButton12Click();
  void Button1Click();
  void Button2Click();
  void ComboBox1Enter();
  void InsertPathInCommandLine();
  void RunMaskKey(MaskBox box);
  std::vector<TMarkRow> MarkRows(int first, int last) const;
  void MarkByOperation(MarkOperation operation, const QString& mask);
  void ListingReplaced();
  std::optional<TArchiveItem> ArchiveRow(int row) const;
  // The file to hand a viewer or a program: the row's own, or a temporary
  // copy of an archive's entry, which `keeper` then holds.
  QString ReadableRowPath(int row, std::unique_ptr<TArchiveTempCopy>& keeper);
  void OpenArchiveFile(int row);

  std::unique_ptr<ShellFolder> DesktopFolder_;
  TFolderItems* Items_ = nullptr;
  // The listing under way, the folder it reads and the status line before it.
  std::shared_ptr<TFolderListing> Listing_;
  IdListPtr ListingId_;
  QString StatusBeforeListing_;
  QTimer* ListingTimer_ = nullptr;
  // Since when the listing has read no new entry, and how many it had then.
  QElapsedTimer ListingSilence_;
  std::size_t ListingEntriesSeen_ = 0;
  // The free-space totals asked for last.
  std::shared_ptr<TDetachedCall<std::optional<DiskTotals>>> DiskTotalsCall_;
  MountWatcher* MountWatcher_ = nullptr;
  std::vector<Volume> Volumes_;
  QString StartPath_;
  bool ShownOnce_ = false;
  bool Closed_ = false;
  std::vector<std::pair<QWidget*, int>> RightAnchored_;  // control, designed left
  QStringList CommandHistory_;
  std::unique_ptr<TCommandLayer> Commands_;
  // The copy of an archive's entry the viewers show, until the next view.
  std::unique_ptr<TArchiveTempCopy> ViewedCopy_;
  // Copies of archives' entries handed to programs, kept until the end.
  std::vector<std::unique_ptr<TArchiveTempCopy>> OpenedCopies_;
  // True when the most recent view command showed a picture.
  bool LastViewWasPicture = false;
};

}  // namespace zarn
