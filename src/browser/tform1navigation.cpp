// The main window's navigation: path box and history, drive box, tree, up one
// level, free-space line, media changes, start-up and close.

#include <QApplication>
#include <QCloseEvent>
#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QFrame>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSplitter>
#include <QToolButton>

#include "browser/browsingstate.h"
#include "browser/folderitems.h"
#include "browser/maincommandhost.h"
#include "browser/formatting.h"
#include "browser/shelltree.h"
#include "browser/tform1.h"
#include "browser/tlistview.h"
#include "panel/drivecombobox.h"
#include "ops/glyphs.h"
#include "ops/launchcommands.h"
#include "ops/listkeys.h"
#include "platform/filenames.h"
#include "platform/guard.h"
#include "platform/launcher.h"
#include "platform/mountwatcher.h"
#include "platform/pathtext.h"
#include "platform/prompter.h"
#include "search/tfilesch.h"
#include "settings/startsettings.h"
#include "settings/tset1.h"

namespace zarn {
namespace {

constexpr int HistoryIdRole = Qt::UserRole;
constexpr int VolumeRole = Qt::UserRole;
constexpr int TreeWidth = 195;

QByteArray ListBytes(ConstItemIdList list) {
  return QByteArray(reinterpret_cast<const char*>(list), qsizetype(IdListSize(list)));
}

IdListPtr ListFromBytes(const QByteArray& bytes) {
  ItemIdList list = AllocIdList(size_t(bytes.size()));
  std::memcpy(list, bytes.constData(), size_t(bytes.size()));
  return IdListPtr(list);
}


}  // namespace

void TForm1::Wire() {
  // Enter must reach the window before the box handles it itself: an editable
  // box takes the key first and hands it to its line edit only afterwards,
  // and its completer would turn a typed history entry into a drop-down choice.
  for (QComboBox* box : {cbPath, ComboBox1}) {
    box->setCompleter(nullptr);
    box->installEventFilter(this);
    box->lineEdit()->installEventFilter(this);
  }
  connect(cbPath, qOverload<int>(&QComboBox::activated), this, [this](int index) { Guarded([&] { cbPathClick(index); }); });
  connect(DriveComboBox1, qOverload<int>(&QComboBox::currentIndexChanged), this,
          [this](int index) { Guarded([&] { DriveComboBox1Change(index); }); });
  connect(ShellTreeView1, &TShellTreeView::NodeClicked, this, GuardedSlot([this] { ShellTreeView1Click(); }));
  connect(Items_, &TFolderItems::Populated, this, [this] { ListingReplaced(); });
  connect(ListView->horizontalHeader(), &QHeaderView::sectionClicked, this,
          [this](int column) { Guarded([&] { ListViewColumnClick(column); }); });
  connect(ListView, &QAbstractItemView::doubleClicked, this,
          [this](const QModelIndex& index) { Guarded([&] { OpenRow(index.row()); }); });
  connect(ListView, &TListView::KeyDown, this,
          [this](QKeyEvent* event, bool* handled) { Guarded([&] { ListViewKeyDown(event, handled); }); });
  auto button = [this](const char* name) { return findChild<QToolButton*>(QLatin1String(name)); };
  connect(button("SpeedButton1"), &QToolButton::clicked, this, &QWidget::close);
  connect(button("SpeedButton2"), &QToolButton::clicked, this, GuardedSlot([this] { UpOneLevel(); }));
  connect(button("SpeedButton13"), &QToolButton::clicked, this, GuardedSlot([this] { SpeedButton13Click(); }));
  connect(button("SpeedButton18"), &QToolButton::clicked, this, GuardedSlot([this] { SpeedButton18Click(); }));
  connect(button("SpeedButton19"), &QToolButton::clicked, this, GuardedSlot([this] { SpeedButton19Click(); }));
  connect(button("SpeedButton4"), &QToolButton::clicked, this, GuardedSlot([this] { SpeedButton4Click(); }));
  connect(button("SpeedButton5"), &QToolButton::clicked, this, GuardedSlot([this] { SpeedButton5Click(); }));
  connect(button("SpeedButton10"), &QToolButton::clicked, this, GuardedSlot([this] { SpeedButton10Click(); }));
  connect(button("SpeedButton11"), &QToolButton::clicked, this, GuardedSlot([this] { SpeedButton11Click(); }));
  connect(button("SpeedButton12"), &QToolButton::clicked, this, GuardedSlot([this] { SpeedButton12Click(); }));
  connect(findChild<QPushButton*>(QStringLiteral("Button1")), &QPushButton::clicked, this, GuardedSlot([this] { Button1Click(); }));
  connect(findChild<QPushButton*>(QStringLiteral("Button2")), &QPushButton::clicked, this, GuardedSlot([this] { Button2Click(); }));
  ConnectCommands();
  MountWatcher_ = new MountWatcher(this);
  connect(MountWatcher_, &MountWatcher::DeviceChange, this, [this](int code) { Guarded([&] { CD(code); }); });
}

// ---- Navigation

void TForm1::SetPath(const QString& path) {
  const int volume = VolumeOfPath(Volumes_, ToNativeName(path));
  if (volume >= 0 && volume != DriveComboBox1->currentIndex()) DriveComboBox1->setCurrentIndex(volume);
  SetFolder(ValueOrRaise(DesktopFolder_->ParseDisplayName(path)));
}

void TForm1::SetFolder(IdListPtr id) {
  auto folder = ValueOrRaise(DesktopFolder_->BindToObject(id.get()));
  ListView->setUpdatesEnabled(false);
  const ErrorOrDone listed = Items_->PopulateIDList(std::move(folder));
  if (!listed.IsError()) {
    const QString path = DesktopFolder_->GetDisplayNameOf(id.get(), SHGDN_FORPARSING);
    Items_->SetCurrentIdList(std::move(id), path);
    AddToHistory(Items_->CurrentIdList());
    SelectFocusRow();
  }
  if (DirectoryExists(CurrentPath()) || CurrentIdList()) ShellTreeView1->SelectIdList(CurrentIdList());
  ListView->setUpdatesEnabled(true);
  if (listed.IsError()) RaiseError(listed.Error());
  ShowDiskTotals();
}

int TForm1::HistoryIndexOf(const QString& path) const {
  // File names on Linux differ by letter case, so the history does too.
  for (int i = 0; i < cbPath->count(); ++i) {
    if (cbPath->itemText(i) == path) return i;
  }
  return -1;
}

void TForm1::AddToHistory(ConstItemIdList id) {
  const QString path = CurrentPath();
  const QSignalBlocker blocker(cbPath);
  int index = HistoryIndexOf(path);
  if (index < 0) {
    cbPath->insertItem(0, path, ListBytes(id));
    index = 0;
  }
  cbPath->setCurrentIndex(index);
  cbPath->setEditText(WithTrailingSlash(path));
}

void TForm1::SelectFocusRow() {
  if (Items_->Count() == 0) return;
  int row = 0;
  for (int i = 0; i < Items_->Count(); ++i) {
    if (Items_->FolderItems[size_t(i)].DisplayName == FocusName) {
      row = i;
      break;
    }
  }
  ListView->SelectRow(row);
  ListView->scrollTo(Items_->index(row, 0), QAbstractItemView::EnsureVisible);
}

void TForm1::ShowDiskTotals() {
  const QString path = PathText();
  if (!DirectoryExists(path)) return;
  const DiskTotals totals = GetDiskTotals(ToNativeName(path));
  const qint64 totalKb = totals.TotalBytes / 1024;
  const qint64 freeKb = totals.FreeBytes / 1024;
  Label5->setText(GroupDigits(QString::number(totalKb)) + QStringLiteral(" Kb -"));
  Label6->setText(GroupDigits(QString::number(freeKb)) + QStringLiteral(" Kb"));
  const FreeSpaceBar bar = ComputeFreeSpaceBar(totalKb, freeKb);
  Shape2->setGeometry(bar.FreeLeft, Shape2->y(), bar.FreeWidth, Shape2->height());
  Shape1->setGeometry(bar.UsedLeft, Shape1->y(), bar.UsedWidth, Shape1->height());
  Shape2->setVisible(bar.FreeWidth > 0);
  Shape1->setVisible(bar.UsedWidth > 0);
}

void TForm1::UpOneLevel() {
  SetStatus(QStringLiteral("Жду команду..."));
  FocusName = LastPathComponent(PathText());
  IdListPtr parent(CopyIdList(CurrentIdList()));
  StripLastId(parent.get());
  if (IdListItemCount(parent.get()) >= 1) {
    SetFolder(std::move(parent));
  } else {
    Prompter().Beep();
  }
  ShellTreeView1->ScrollSelectedToTop();
}

void TForm1::OpenRow(int row) {
  if (row < 0 || row >= Items_->Count()) return;
  if (!Items_->IsFolderRow(row)) return OpenFile(row);
  SetFolder(IdListPtr(ConcatIdLists(CurrentIdList(), Items_->GetItem(row).IdList)));
}

QString TForm1::CurrentPath() const { return Items_->CurrentPath(); }
ConstItemIdList TForm1::CurrentIdList() const { return Items_->CurrentIdList(); }

// ---- Controls

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress) {
    const auto key = static_cast<QKeyEvent*>(event)->key();
    const bool enter = key == Qt::Key_Return || key == Qt::Key_Enter;
    if (enter && (watched == cbPath || watched == cbPath->lineEdit())) {
      Guarded([this] { cbPathEnter(); });
      return true;
    }
    if (enter && (watched == ComboBox1 || watched == ComboBox1->lineEdit())) {
      Guarded([this] { ComboBox1Enter(); });
      return true;
    }
  }
  return QMainWindow::eventFilter(watched, event);
}

void TForm1::cbPathEnter() {
  const QString text = PathText();
  if (text.trimmed().isEmpty()) return;  // nothing typed: nowhere to go
  SetPath(text);
}

void TForm1::cbPathClick(int index) {
  const QString text = cbPath->itemText(index);
  cbPath->setEditText(text);
  const int entry = HistoryIndexOf(text);
  if (entry < 0) {
    SetPath(text);
    return;
  }
  Prompter().ShowMessage(QStringLiteral("Выбран: ") + text);
  SetFolder(ListFromBytes(cbPath->itemData(entry, HistoryIdRole).toByteArray()));
}

void TForm1::LoadDrives() {
  Volumes_ = ListVolumes();
  DriveComboBox1->SetVolumes(Volumes_);
}

QByteArray TForm1::SelectedVolume() const { return DriveComboBox1->currentData(VolumeRole).toByteArray(); }

void TForm1::DriveComboBox1Change(int index) {
  if (!MainShown || index < 0) return;
  const QString path = FromNativeName(DriveComboBox1->itemData(index, VolumeRole).toByteArray());
  if (DirectoryExists(path)) SetPath(path);
}

void TForm1::RefreshDrives() {
  QByteArray selected = SelectedVolume();
  LoadDrives();
  int index = DriveComboBox1->findData(selected, VolumeRole);
  // The selected volume went away: fall back to the one holding the listing.
  if (index < 0) index = std::max(0, VolumeOfPath(Volumes_, ToNativeName(CurrentPath())));
  DriveComboBox1->setCurrentIndex(index);
  if (RefreshPanelDrives) RefreshPanelDrives();
}

void TForm1::ShellTreeView1Click() {
  if (!MainShown) return;
  const QString path = ShellTreeView1->SelectedPath();
  if (DirectoryExists(path)) SetPath(path);
}

void TForm1::RefreshTree(int position) {
  SetStatus(QStringLiteral("Обновление дерева "));
  ShellTreeView1->RefreshNode(position);
  SetStatus(QStringLiteral("Жду команду... "));
}

void TForm1::CD(int code) {
  switch (code) {
    case DBT_DEVNODES_CHANGED: SetStatus(QStringLiteral("Смена носителя...")); break;
    case DBT_DEVICEARRIVAL:
      SetStatus(QStringLiteral("Есть новый диск"));
      RefreshDrives();
      break;
    case DBT_DEVICEREMOVECOMPLETE:
      SetStatus(QStringLiteral("Изъят диск."));
      RefreshDrives();
      break;
    default: SetStatus(QStringLiteral("Жду команды...!")); break;
  }
}

void TForm1::SpeedButton13Click() {
  auto* button = findChild<QToolButton*>(QStringLiteral("SpeedButton13"));
  const int listWidth = ListView->width();
  const bool hide = ShellTreeView1->isVisible();
  const QString glyph = hide ? QStringLiteral("TORIGHT") : QStringLiteral("TOLEFT");
  ShellTreeView1->setVisible(!hide);
  button->setIcon(LoadBitmapA(glyph));
  button->setProperty("glyph", glyph);
  resize(width() + (hide ? -TreeWidth : TreeWidth), height());
  if (!hide) Splitter1->setSizes({TreeWidth, listWidth});
}

void TForm1::SpeedButton18Click() {
  RefreshTree(2);
  RefreshDrives();
}

void TForm1::SpeedButton19Click() { SetPath(PathText()); }

void TForm1::ListViewColumnClick(int column) {
  static const int modes[] = {0, 1, 3, 2};
  static const char* messages[] = {"По имени", "По размеру", "По дате", "По типу"};
  if (column < 0 || column > 3) return;
  SortMode = modes[column];
  Prompter().ShowMessage(QString::fromUtf8(messages[column]));
  SetPath(PathText());
  Items_->MarkSortColumn(column);
}

void TForm1::ListViewKeyDown(QKeyEvent* event, bool* handled) {
  const ListKeyCommand command =
      CommandForListKey(event->key(), int(event->modifiers()), ListView->IsEditingName());
  *handled = command != ListKeyCommand::None;
  switch (command) {
    case ListKeyCommand::UpOneLevel: UpOneLevel(); break;
    case ListKeyCommand::Open: OpenRow(ListView->CurrentRow()); break;
    case ListKeyCommand::About: Button2Click(); break;
    case ListKeyCommand::View: SpeedButton4Click(); break;
    case ListKeyCommand::Edit: SpeedButton5Click(); break;
    case ListKeyCommand::Settings: SpeedButton10Click(); break;
    case ListKeyCommand::Associations: SpeedButton11Click(); break;
    case ListKeyCommand::CreateTextFile:
      CreateTextFile(PathText(), [this] { SetPath(PathText()); });
      break;
    case ListKeyCommand::InsertPathInCommandLine:
      if (ListView->CurrentRow() >= 0) {
        ComboBox1->setEditText(CommandLineWithPath(ComboBox1->currentText(), RowPath(ListView->CurrentRow())));
      }
      break;
    default:
      *handled = RunCommandKey(command) || command == ListKeyCommand::NoneWhileEditing;
      break;
  }
  if (ResetsStatusAfterKey(command)) SetStatus(IdleStatusAfterKey);
}

// ---- Start-up and close

void TForm1::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  if (ShownOnce_) return;
  ShownOnce_ = true;
  Guarded([this] { FirstShow(); });
}

void TForm1::FirstShow() {
  MainShown = true;
  SetPath(StartPath_);
  ApplySettingsFile();
  if (FILESCH && Set1) FILESCH->CheckBox4->setChecked(Set1->CheckBox1->isChecked() || Set1->CheckBox2->isChecked());
  const ErrorOrDone associations = LoadAssociationsAtStart();
  if (associations.IsError()) RaiseError(associations.Error());
}

void TForm1::ApplySettingsFile() {
  const std::optional<QString> folder = ValueOrRaise(LoadStartSettings());
  if (folder && DirectoryExists(*folder)) SetPath(*folder);
}

void TForm1::WriteSettingsFile() {
  const ErrorOrDone written = SaveSettingsAtClose(PathText());
  if (written.IsError()) RaiseError(written.Error());
}

void TForm1::closeEvent(QCloseEvent* event) {
  if (Closed_) return QMainWindow::closeEvent(event);
  Closed_ = true;
  // A program being waited for (Shift+F4) must not keep the program alive.
  CancelRunAndWait();
  Guarded([this] { WriteSettingsFile(); });
  Commands_->Workers.StopAll();
  Commands_->Workers.WaitForStopped();
  Items_->ClearIDList();
  QMainWindow::closeEvent(event);
  QCoreApplication::quit();
}

}  // namespace zarn
