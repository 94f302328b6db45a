// The main window's navigation: path box and history, drive box, tree, up one
// level, the sort by a column, the free-space line and media changes.

#include <QComboBox>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QSplitter>
#include <QTimer>
#include <QToolButton>

#include "browser/browsingstate.h"
#include "browser/folderitems.h"
#include "browser/folderlisting.h"
#include "browser/formatting.h"
#include "browser/listcolumns.h"
#include "browser/shelltree.h"
#include "browser/tform1.h"
#include "browser/tlistview.h"
#include "panel/drivecombobox.h"
#include "ops/glyphs.h"
#include "platform/filenames.h"
#include "platform/guard.h"
#include "platform/mountwatcher.h"
#include "platform/pathtext.h"
#include "platform/prompter.h"

namespace zarn {
namespace {

constexpr int HistoryIdRole = Qt::UserRole;
constexpr int VolumeRole = Qt::UserRole;
constexpr int TreeWidth = 195;
const QString ListingStatusText = QStringLiteral("Чтение папки... ");
const QString ListingStoppedText = QStringLiteral("Чтение папки прервано");
const QString NoAnswerText = QStringLiteral("Нет ответа от ");
constexpr qint64 NoAnswerAfterMs = 2000;

QByteArray ListBytes(ConstItemIdList list) {
  return QByteArray(reinterpret_cast<const char*>(list), qsizetype(IdListSize(list)));
}

IdListPtr ListFromBytes(const QByteArray& bytes) {
  ItemIdList list = AllocIdList(size_t(bytes.size()));
  std::memcpy(list, bytes.constData(), size_t(bytes.size()));
  return IdListPtr(list);
}


}  // namespace

// ---- Navigation

void TForm1::SetPath(const QString& path) {
  const int volume = VolumeOfPath(Volumes_, ToNativeName(path));
  if (volume >= 0 && volume != DriveComboBox1->currentIndex()) DriveComboBox1->setCurrentIndex(volume);
  SetFolder(ValueOrRaise(DesktopFolder_->ParseDisplayName(path)));
}

void TForm1::SetFolder(IdListPtr id) {
  if (!StopListing()) StatusBeforeListing_ = Label9->text();
  // The worker binds through a desktop of its own: it may outlive the window.
  const auto bind = [bytes = ListBytes(id.get())] {
    return SHGetDesktopFolder()->BindToObject(ListFromBytes(bytes).get());
  };
  Listing_ = TFolderListing::Start(bind, SortMode);
  ListingId_ = std::move(id);
  const TFolderListing* waited = Listing_.get();
  const auto finish = [this, waited] {
    if (Listing_.get() == waited && Listing_->IsFinished()) FinishListing();
  };
  if (!WhenFinished(this, Listing_, ListingWaitBudget, finish)) WaitForListing();
}

void TForm1::WaitForListing() {
  ListingSilence_.invalidate();
  QGuiApplication::setOverrideCursor(Qt::BusyCursor);
  ShowListingProgress();
  ListingTimer_->start();
}

// A listing that has read nothing new for a while is stuck in its file system:
// the status line names the volume that does not answer.
void TForm1::ShowListingProgress() {
  const std::size_t read = Listing_->EntriesRead();
  if (read != ListingEntriesSeen_ || !ListingSilence_.isValid()) {
    ListingEntriesSeen_ = read;
    ListingSilence_.start();
  }
  if (ListingSilence_.elapsed() < NoAnswerAfterMs) {
    return SetStatus(ListingStatusText + GroupDigits(QString::number(read)));
  }
  SetStatus(NoAnswerText + FromNativeName(VolumeMountPoint(ShellFileSystemPath(ListingId_.get()))));
}

bool TForm1::StopListing() {
  if (!Listing_) return false;
  Listing_->Cancel();
  Listing_.reset();
  ListingId_.reset();
  if (ListingTimer_->isActive()) {
    ListingTimer_->stop();
    QGuiApplication::restoreOverrideCursor();
  }
  SetStatus(ListingStoppedText);
  return true;
}

void TForm1::FinishListing() {
  if (ListingTimer_->isActive()) {
    ListingTimer_->stop();
    QGuiApplication::restoreOverrideCursor();
    SetStatus(StatusBeforeListing_);
  }
  auto listed = std::exchange(Listing_, nullptr)->TakeResult();
  IdListPtr id = std::move(ListingId_);
  ListView->setUpdatesEnabled(false);
  if (!listed.IsError()) {
    Items_->AdoptListing(listed.TakeValue());
    const QString path = DesktopFolder_->GetDisplayNameOf(id.get(), SHGDN_FORPARSING);
    Items_->SetCurrentIdList(std::move(id), path);
    AddToHistory(Items_->CurrentIdList());
    SelectFocusRow();
  } else {
    emit Items_->Populated();
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

// statvfs on a volume that stopped answering never returns: it runs on a
// worker, and the bar stays empty until it does.
void TForm1::ShowDiskTotals() {
  const QByteArray path = ToNativeName(PathText());
  auto call = TDetachedCall<std::optional<DiskTotals>>::Start([path]() -> std::optional<DiskTotals> {
    if (!DirectoryExistsBytes(path)) return std::nullopt;
    return GetDiskTotals(path);
  });
  DiskTotalsCall_ = call;
  const auto show = [this, call] {
    if (DiskTotalsCall_ != call || !call->IsFinished()) return;
    DiskTotalsCall_.reset();
    if (const auto totals = call->TakeResult().value_or(std::nullopt)) ShowDiskTotals(*totals);
  };
  if (WhenFinished(this, call, ListingWaitBudget, show)) return;
  QTimer::singleShot(NoAnswerAfterMs, this, [this, call, path] {
    if (DiskTotalsCall_ != call || call->IsFinished()) return;
    ShowDiskTotals(DiskTotals{});
    SetStatus(NoAnswerText + FromNativeName(VolumeMountPoint(path)));
  });
}

void TForm1::ShowDiskTotals(const DiskTotals& totals) {
  const bool known = totals.TotalBytes >= 0;
  const qint64 totalKb = known ? totals.TotalBytes / 1024 : 0;
  const qint64 freeKb = known ? totals.FreeBytes / 1024 : 0;
  Label5->setText(known ? GroupDigits(QString::number(totalKb)) + QStringLiteral(" Kb -") : QString());
  Label6->setText(known ? GroupDigits(QString::number(freeKb)) + QStringLiteral(" Kb") : QString());
  const FreeSpaceBar bar = ComputeFreeSpaceBar(totalKb, freeKb);
  Shape2->setGeometry(bar.FreeLeft, Shape2->y(), bar.FreeWidth, Shape2->height());
  Shape1->setGeometry(bar.UsedLeft, Shape1->y(), bar.UsedWidth, Shape1->height());
  Shape2->setVisible(known && bar.FreeWidth > 0);
  Shape1->setVisible(known && bar.UsedWidth > 0);
}

QByteArray TForm1::VolumeMountPoint(const QByteArray& path) const {
  const int volume = VolumeOfPath(Volumes_, path);
  return volume >= 0 ? Volumes_[size_t(volume)].MountPoint : path;
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
  if (column < 0 || column >= ListColumnCount()) return;
  const TListColumn& clicked = ListColumns()[size_t(column)];
  if (clicked.SortMode == NotSortable) return;
  SortMode = clicked.SortMode;
  Prompter().ShowMessage(QString::fromUtf8(clicked.SortMessage));
  SetPath(PathText());
  Items_->MarkSortColumn(column);
}

}  // namespace zarn
