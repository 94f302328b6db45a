#include "panel/drivecombobox.h"
#include "panel/tform4.h"

#include <QComboBox>
#include <QDateTime>
#include <QEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QResizeEvent>
#include <QStandardItemModel>
#include <QStyle>
#include <QToolButton>

#include <sys/stat.h>

#include "ops/shellfileop.h"
#include "panel/mainwindowhooks.h"
#include "panel/panelfolder.h"
#include "panel/shellimages.h"
#include "platform/filenames.h"
#include "platform/guard.h"
#include "platform/pathtext.h"
#include "platform/prompter.h"
#include "platform/shellicons.h"
#include "platform/shellnamespace.h"

namespace zarn {
namespace {

// The entry's name as it is on disk; the caption differs from it while an edit is pending.
constexpr int NameRole = Qt::UserRole + 1;
constexpr int CountRepaintMilliseconds = 40;

bool EntryExists(const QString& path) {
  struct stat info;
  return ::lstat(ToNativeName(path).constData(), &info) == 0;
}

}  // namespace

TForm4::TForm4(QWidget* parent) : QWidget(parent, Qt::Window | Qt::WindowStaysOnTopHint) {
  setObjectName(QStringLiteral("Form4"));
  setWindowTitle(QStringLiteral("Выбери нужную папку"));
  setFont(QFont(QStringLiteral("Arial"), 9));
  CreateTopControls();
  CreateViewButtons();
  CreateCounts();
  CreateList();
  Wire();
  RefreshDrives();
  resize(670, 210);
  PlaceList();
  Form4 = this;
}

TForm4::~TForm4() {
  if (Form4 == this) Form4 = nullptr;
}

QPushButton* TForm4::AddButton(const char* name, const QString& caption, const QRect& geometry) {
  auto* button = new QPushButton(caption, this);
  button->setObjectName(QLatin1String(name));
  button->setGeometry(geometry);
  button->setFocusPolicy(Qt::NoFocus);
  return button;
}

QLabel* TForm4::AddLabel(const char* name, const QString& text, const QRect& geometry) {
  auto* label = new QLabel(text, this);
  label->setObjectName(QLatin1String(name));
  label->setGeometry(geometry);
  return label;
}

void TForm4::CreateTopControls() {
  Edit1 = new QLineEdit(QStringLiteral("/"), this);
  Edit1->setObjectName(QStringLiteral("Edit1"));
  Edit1->setGeometry(8, 6, 330, 22);
  DriveComboBox1 = new TDriveComboBox(this);
  DriveComboBox1->setObjectName(QStringLiteral("DriveComboBox1"));
  DriveComboBox1->setGeometry(344, 6, 280, 22);
  SpeedButton1 = new QToolButton(this);
  SpeedButton1->setObjectName(QStringLiteral("SpeedButton1"));
  SpeedButton1->setGeometry(630, 6, 28, 22);
  SpeedButton1->setIcon(style()->standardIcon(QStyle::SP_FileDialogToParent));
  SpeedButton1->setAutoRaise(true);
}

// The row of text buttons: the three view styles and "New", each with its handler.
void TForm4::CreateViewButtons() {
  Label1 = AddLabel("Label1", QStringLiteral("В виде:"), {8, 34, 50, 20});
  const struct {
    QPushButton* TForm4::*Button;
    const char* Name;
    const char* Caption;
    const char* Hint;
    QRect Geometry;
    void (*Click)(TForm4& panel);
  } buttons[] = {
      {&TForm4::SpeedButton2, "SpeedButton2", "Значки", nullptr, {60, 32, 64, 23},
       [](TForm4& panel) { panel.SetViewStyle(PanelViewStyle::LargeIcons); }},
      {&TForm4::SpeedButton3, "SpeedButton3", "Табл.", nullptr, {126, 32, 64, 23},
       [](TForm4& panel) { panel.SetViewStyle(PanelViewStyle::Table); }},
      {&TForm4::SpeedButton4, "SpeedButton4", "Список", nullptr, {192, 32, 64, 23},
       [](TForm4& panel) { panel.SetViewStyle(PanelViewStyle::List); }},
      {&TForm4::Button1, "Button1", "New", "Создать (Create)", {270, 32, 60, 23},
       [](TForm4& panel) { panel.Button1Click(); }},
  };
  for (const auto& design : buttons) {
    QPushButton* button = AddButton(design.Name, QString::fromUtf8(design.Caption), design.Geometry);
    if (design.Hint) button->setToolTip(QString::fromUtf8(design.Hint));
    this->*design.Button = button;
    const auto click = design.Click;
    connect(button, &QPushButton::clicked, this, [this, click] { Guarded([this, click] { click(*this); }); });
  }
}

void TForm4::CreateCounts() {
  Label2 = AddLabel("Label2", QStringLiteral("Папок:"), {350, 34, 50, 20});
  Label4 = AddLabel("Label4", QStringLiteral("0"), {402, 34, 70, 20});
  Label3 = AddLabel("Label3", QStringLiteral("Файлов"), {480, 34, 50, 20});
  Label5 = AddLabel("Label5", QStringLiteral("0"), {532, 34, 70, 20});
}

void TForm4::CreateList() {
  Entries_ = new QStandardItemModel(this);
  ListView1 = new TPanelListView(this);
  ListView1->setObjectName(QStringLiteral("ListView1"));
  ListView1->setModel(Entries_);
  ListView1->setSelectionMode(QAbstractItemView::SingleSelection);
  ListView1->setEditTriggers(QAbstractItemView::EditKeyPressed | QAbstractItemView::SelectedClicked);
  ListView1->setMovement(QListView::Static);
  ListView1->setResizeMode(QListView::Adjust);
  ListView1->installEventFilter(this);
  // The table style's one column heading; the list itself draws the rows.
  HeaderModel_ = new QStandardItemModel(0, 1, this);
  HeaderModel_->setHorizontalHeaderLabels({QStringLiteral("Name")});
  Header_ = new QHeaderView(Qt::Horizontal, ListView1);
  Header_->setObjectName(QStringLiteral("ListView1Header"));
  Header_->setModel(HeaderModel_);
  Header_->resizeSection(0, 250);
  Header_->setSectionsClickable(false);
  Label6 = AddLabel("Label6", QString(), {8, 164, 650, 18});
  SetViewStyle(PanelViewStyle::LargeIcons);
}

void TForm4::Wire() {
  auto guarded = [this](void (TForm4::*handler)()) {
    return [this, handler](auto&&...) { Guarded([this, handler] { (this->*handler)(); }); };
  };
  connect(DriveComboBox1, &QComboBox::activated, this,
          [this](int index) { Guarded([this, index] { DriveComboBox1Change(index); }); });
  connect(SpeedButton1, &QToolButton::clicked, this, guarded(&TForm4::SpeedButton1Click));
  connect(Edit1, &QLineEdit::returnPressed, this, guarded(&TForm4::Edit1Enter));
  connect(ListView1, &QListView::doubleClicked, this, guarded(&TForm4::ListView1DblClick));
  connect(ListView1, &QListView::clicked, this, guarded(&TForm4::ListView1Click));
  connect(ListView1->selectionModel(), &QItemSelectionModel::currentChanged, this, [this] {
    if (ListView1->hasFocus()) Guarded([this] { ShowEntryInfo(); });
  });
  connect(Entries_, &QStandardItemModel::itemChanged, this,
          [this](QStandardItem* item) { Guarded([this, item] { ListView1Edited(item); }); });
}

void TForm4::RefreshDrives() {
  const QByteArray kept = DriveComboBox1->currentData().toByteArray();
  Volumes_ = ListVolumes();
  DriveComboBox1->SetVolumes(Volumes_);
  const QSignalBlocker blocker(DriveComboBox1);
  const int keptIndex = DriveComboBox1->findData(kept);
  DriveComboBox1->setCurrentIndex(keptIndex >= 0 ? keptIndex : 0);
}

void TForm4::DriveComboBox1Change(int index) {
  if (index < 0) return;
  PanelPath = WithTrailingSlash(FromNativeName(DriveComboBox1->itemData(index).toByteArray()));
  FillPanelList(PanelPath);
}

void TForm4::FillPanelList(const QString& path) {
  Entries_->clear();
  Edit1->setText(PanelPath);
  Label6->clear();
  LastCountPaint_ = 0;
  const TPanelListing listing = ReadPanelFolder(PanelPath);
  ShowCount(Label4, 0, true);
  ShowCount(Label5, 0, true);
  AddEntries(listing.Folders, Label4);
  AddEntries(listing.Files, Label5);
  Edit1->setText(path);
  ShowCount(Label5, int(listing.Files.size()), true);
  ShowCount(Label4, int(listing.Folders.size()), true);
  const int volume = VolumeOfPath(Volumes_, ToNativeName(PanelPath));
  if (volume >= 0) DriveComboBox1->setCurrentIndex(volume);
}

void TForm4::AddEntries(const std::vector<TPanelEntry>& entries, QLabel* count) {
  QList<QStandardItem*> items;
  items.reserve(qsizetype(entries.size()));
  for (const TPanelEntry& entry : entries) {
    auto* item = new QStandardItem(ShellImage(entry.IconIndex), entry.Name);
    item->setData(entry.Name, NameRole);
    items.append(item);
    ShowCount(count, int(items.size()), false);
  }
  // One insertion for the whole group: a view told of every row alone lays out thousands of times.
  Entries_->invisibleRootItem()->appendRows(items);
}

void TForm4::ShowCount(QLabel* label, int count, bool force) {
  const qint64 now = QDateTime::currentMSecsSinceEpoch();
  if (!force && now - LastCountPaint_ < CountRepaintMilliseconds) return;
  LastCountPaint_ = now;
  label->setText(QString::number(count));
  label->repaint();
}

QStringList TForm4::Captions() const {
  QStringList captions;
  for (int row = 0; row < Entries_->rowCount(); ++row) captions << Entries_->item(row)->text();
  return captions;
}

int TForm4::RowOfCaption(const QString& caption) const {
  for (int row = 0; row < Entries_->rowCount(); ++row) {
    if (Entries_->item(row)->text() == caption) return row;
  }
  return -1;
}

int TForm4::SelectedRow() const {
  const QModelIndexList selected = ListView1->selectionModel()->selectedIndexes();
  return selected.isEmpty() ? -1 : selected.first().row();
}

void TForm4::SelectRow(int row) {
  if (row < 0 || row >= Entries_->rowCount()) return;
  ListView1->setCurrentIndex(Entries_->index(row, 0));
}

void TForm4::ListView1DblClick() {
  const int row = SelectedRow();
  if (row < 0) return;
  const QString caption = Entries_->item(row)->text();
  if (PanelPath.isEmpty() || !DirectoryExists(PanelPath + caption)) return;
  PanelPath = PanelPath + caption + QLatin1Char('/');
  FillPanelList(PanelPath);
}

// A folder typed into the path line is entered, as a path typed into the main
// window's path box is; anything else leaves the panel as it was.
void TForm4::Edit1Enter() {
  auto parsed = SHGetDesktopFolder()->ParseDisplayName(Edit1->text().trimmed());
  const QString path = parsed.IsError() ? QString() : ShellParsingName(parsed.Value().get());
  if (!path.startsWith(QLatin1Char('/')) || !DirectoryExists(path)) {
    Prompter().Beep();
    return;
  }
  PanelPath = WithTrailingSlash(path);
  FillPanelList(PanelPath);
}

void TForm4::SpeedButton1Click() {
  const QString name = LastPathComponent(Edit1->text());
  if (MainWindowHooks.SetFocusName) MainWindowHooks.SetFocusName(name);
  PanelPath = ParentPath(PanelPath);
  FillPanelList(PanelPath);
  int selected = -1;
  for (int row = 0; row < Entries_->rowCount(); ++row) {
    if (Entries_->item(row)->text() == name) selected = row;
  }
  if (selected < 0) return;
  SelectRow(selected);
  ListView1->scrollTo(Entries_->index(selected, 0), QAbstractItemView::PositionAtTop);
}

void TForm4::Button1Click() {
  const std::optional<QString> answer =
      Prompter().InputBox(QStringLiteral("Создание новой папки"), QStringLiteral("Введи название"), QString());
  if (!answer || answer->isEmpty()) return;
  const QString name = *answer;
  const ErrorOrDone created = CreatePanelFolder(PanelPath, name);
  if (created.IsError()) {
    Prompter().ShowMessage(QStringLiteral("Ошибка при создании папки - ") + PanelPath + QLatin1Char('\n') +
                           created.Error().Text());
    return;
  }
  const int keptRow = SelectedRow();
  FillPanelList(PanelPath);
  ListView1->setFocus();
  SelectRow(keptRow);
  const int row = RowOfCaption(name);
  if (row < 0) return;
  SelectRow(row);
  ListView1->scrollTo(Entries_->index(row, 0), QAbstractItemView::EnsureVisible);
  SelectedName_ = name;
}

void TForm4::ListView1Click() { ShowEntryInfo(); }

void TForm4::ShowEntryInfo() {
  Label6->clear();
  const int row = SelectedRow();
  if (row < 0) return;
  SelectedName_ = Entries_->item(row)->text();
  if (const std::optional<QString> line = PanelInfoLine(PanelPath, SelectedName_)) Label6->setText(*line);
}

void TForm4::StartRename() {
  const int row = SelectedRow();
  if (row < 0) return;
  ListView1->edit(Entries_->index(row, 0));
}

void TForm4::ListView1Edited(QStandardItem* item) {
  if (SettingCaption_ || !item) return;
  const QString oldName = item->data(NameRole).toString();
  const QString newName = item->text();
  if (newName == oldName) return;
  // The edit is still being committed: renaming, showing a message or re-listing
  // here would pull the item out from under the view.
  const int row = item->row();
  QMetaObject::invokeMethod(
      this, [this, row, oldName, newName] { Guarded([&] { RenameEntry(row, oldName, newName); }); },
      Qt::QueuedConnection);
}

void TForm4::RenameEntry(int row, const QString& oldName, const QString& newName) {
  QStandardItem* item = Entries_->item(row);
  // The list was read again meanwhile: the edit no longer names an entry.
  if (!item || item->data(NameRole).toString() != oldName || item->text() != newName) return;
  if (!IsPlainEntryName(newName)) {
    SetCaptionQuietly(item, oldName);
    RaiseError(QStringLiteral("Недопустимое имя: ") + newName);
  }
  const QString oldPath = PanelPath + oldName;
  const QString newPath = PanelPath + newName;
  const bool nameTaken = EntryExists(newPath);
  Prompter().ShowMessage(QStringLiteral("Меняем имя : ") + oldPath + QStringLiteral(" - на  -") + newPath);
  if (ShellRename(oldPath, newPath, true) != 0) {
    // The engine has shown why; the entry must go on naming what is on disk.
    SetCaptionQuietly(item, oldName);
    return;
  }
  if (nameTaken) {
    // The object got a free name next to the taken one: only the folder knows which.
    FillPanelList(PanelPath);
    return;
  }
  SetCaptionQuietly(item, newName);
  item->setData(newName, NameRole);
}

void TForm4::SetCaptionQuietly(QStandardItem* item, const QString& caption) {
  SettingCaption_ = true;
  item->setText(caption);
  item->setData(caption, NameRole);
  SettingCaption_ = false;
}

void TForm4::SetViewStyle(PanelViewStyle style) {
  ViewStyle_ = style;
  const bool icons = style == PanelViewStyle::LargeIcons;
  ListView1->setViewMode(icons ? QListView::IconMode : QListView::ListMode);
  ListView1->setIconSize(icons ? QSize(32, 32) : QSize(16, 16));
  ListView1->setGridSize(icons ? QSize(90, 64) : QSize());
  ListView1->setFlow(icons ? QListView::LeftToRight : QListView::TopToBottom);
  ListView1->setWrapping(style != PanelViewStyle::Table);
  ListView1->setMovement(QListView::Static);
  ListView1->setWordWrap(icons);
  Header_->setVisible(style == PanelViewStyle::Table);
  PlaceHeader();
}

void TForm4::PlaceHeader() {
  const bool table = ViewStyle_ == PanelViewStyle::Table;
  const int height = table ? Header_->sizeHint().height() : 0;
  ListView1->SetTopMargin(height);
  const QRect area = ListView1->viewport()->geometry();
  Header_->setGeometry(area.left(), area.top() - height, area.width(), height);
}

void TForm4::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  PlaceList();
}

void TForm4::PlaceList() {
  const int listHeight = qMax(0, height() - 110);
  ListView1->setGeometry(8, 58, qMax(0, width() - 18), listHeight);
  Label6->move(Label6->x(), listHeight + 64);
  Label6->resize(qMax(0, width() - 18), Label6->height());
  PlaceHeader();
  ListView1->update();
}

bool TForm4::eventFilter(QObject* watched, QEvent* event) {
  if (watched != ListView1 || event->type() != QEvent::KeyPress) return QWidget::eventFilter(watched, event);
  const auto* key = static_cast<QKeyEvent*>(event);
  // An open caption editor lets its keys through to the list after using them.
  if (ListView1->Editing()) return QWidget::eventFilter(watched, event);
  if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
    Guarded([this] { ListView1DblClick(); });
    return true;
  }
  if (key->key() == Qt::Key_F2) {
    Guarded([this] { StartRename(); });
    return true;
  }
  return QWidget::eventFilter(watched, event);
}

}  // namespace zarn
