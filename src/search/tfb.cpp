#include "search/tfb.h"

#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QShortcut>
#include <QStyle>
#include <QVBoxLayout>

#include "platform/filenames.h"
#include "platform/guard.h"
#include "search/folderlist.h"
#include "search/tfilesch.h"

namespace zarn {
namespace {

constexpr int kIndentPerLevel = 2;
// The full path of a folder list line.
constexpr int kPathRole = Qt::UserRole;

}  // namespace

TFB::TFB(QWidget* parent) : QWidget(parent, Qt::Window) {
  setObjectName(QStringLiteral("FB"));
  setWindowTitle(QStringLiteral(" Для поиска"));
  CreateControls();
  FillDrives();
  // Escape closes the window, as it does any dialog of the desktop.
  connect(new QShortcut(QKeySequence(Qt::Key_Escape), this), &QShortcut::activated, this, &QWidget::close);
  // Like a folder list control, it starts on the current directory.
  Directory_ = NormalFolderPath(QDir::currentPath());
  FillFolderList();
  FB = this;
}

TFB::~TFB() {
  if (FB == this) FB = nullptr;
}

void TFB::CreateControls() {
  auto* layout = new QVBoxLayout(this);
  DriveComboBox1 = new QComboBox(this);
  DriveComboBox1->setObjectName(QStringLiteral("DriveComboBox1"));
  StaticText1 = new QLabel(QStringLiteral("Выбери папку "), this);
  StaticText1->setObjectName(QStringLiteral("StaticText1"));
  DirectoryListBox1 = new QListWidget(this);
  DirectoryListBox1->setObjectName(QStringLiteral("DirectoryListBox1"));
  Button1 = new QPushButton(QStringLiteral("Выход"), this);
  Button1->setObjectName(QStringLiteral("Button1"));
  layout->addWidget(DriveComboBox1);
  layout->addWidget(StaticText1);
  layout->addWidget(DirectoryListBox1, 1);
  layout->addWidget(Button1);
  connect(DriveComboBox1, &QComboBox::activated, this, [this] { Guarded([this] { DriveComboBox1Change(); }); });
  connect(DirectoryListBox1, &QListWidget::itemActivated, this,
          [this](QListWidgetItem* item) { Guarded([this, item] { OpenListLine(DirectoryListBox1->row(item)); }); });
  connect(Button1, &QPushButton::clicked, this, [this] { Guarded([this] { Button1Click(); }); });
  resize(300, 380);
}

void TFB::FillDrives() {
  Volumes_ = ListVolumes();
  DriveComboBox1->clear();
  for (const Volume& volume : Volumes_) DriveComboBox1->addItem(volume.Caption());
}

void TFB::FillFolderList() {
  DirectoryListBox1->clear();
  const QIcon open = style()->standardIcon(QStyle::SP_DirOpenIcon);
  const QIcon closed = style()->standardIcon(QStyle::SP_DirClosedIcon);
  for (const TFolderListLine& line : FolderListLines(Directory_)) {
    auto* item = new QListWidgetItem(line.IsOpen ? open : closed,
                                     QString(line.Depth * kIndentPerLevel, u' ') + line.Text, DirectoryListBox1);
    item->setData(kPathRole, line.Path);
    if (line.Path == Directory_) DirectoryListBox1->setCurrentItem(item);
  }
  const int volume = VolumeOfPath(Volumes_, ToNativeName(Directory_));
  if (volume >= 0) DriveComboBox1->setCurrentIndex(volume);
}

void TFB::SetDirectory(const QString& folder) {
  const QString path = NormalFolderPath(folder);
  const bool changed = path != Directory_;
  Directory_ = path;
  FillFolderList();
  if (changed) DirectoryListBox1Change();
}

void TFB::OpenListLine(int row) {
  QListWidgetItem* item = DirectoryListBox1->item(row);
  if (item != nullptr) SetDirectory(item->data(kPathRole).toString());
}

void TFB::DriveComboBox1Change() {
  const int index = DriveComboBox1->currentIndex();
  if (index < 0 || index >= int(Volumes_.size())) return;
  SetDirectory(FromNativeName(Volumes_[size_t(index)].MountPoint));
}

void TFB::DirectoryListBox1Change() {
  if (FILESCH != nullptr) FILESCH->Edit1->setText(Directory_);
}

void TFB::Button1Click() {
  DirectoryListBox1Change();
  close();
}

}  // namespace zarn
