#include "browser/tpropertiesdialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/filenames.h"
#include "platform/guard.h"
#include "platform/treesize.h"

namespace zarn {
namespace {

const char* const BoxNames[9] = {"OwnerRead", "OwnerWrite", "OwnerExecute", "GroupRead",   "GroupWrite",
                                 "GroupExecute", "OtherRead", "OtherWrite",  "OtherExecute"};

QString TimeText(const QDateTime& time) {
  return time.toLocalTime().toString(QStringLiteral("dd.MM.yyyy hh:mm:ss"));
}

QString TypeText(const ItemProperties& properties) {
  if (properties.FileType == ItemFileType::Link) {
    return properties.TypeName + QStringLiteral(" (ссылка на ") + properties.LinkTarget + QLatin1Char(')');
  }
  return properties.TypeName;
}

}  // namespace

TPropertiesDialog::TPropertiesDialog(ItemProperties properties, QWidget* parent)
    : QDialog(parent), Properties_(std::move(properties)) {
  setObjectName(QStringLiteral("TProperties"));
  setAttribute(Qt::WA_DeleteOnClose);
  setWindowTitle(QStringLiteral("Свойства: ") + Properties_.Name);
  auto* layout = new QVBoxLayout(this);
  Rows_ = new QFormLayout;
  layout->addLayout(Rows_);
  AddRow(QStringLiteral("Имя:"), "NameValue", Properties_.Name);
  AddRow(QStringLiteral("Тип:"), "TypeValue", TypeText(Properties_));
  AddRow(QStringLiteral("Расположение:"), "LocationValue", Properties_.Location);
  SizeValue = AddRow(QStringLiteral("Размер:"), "SizeValue", SizeText(Properties_.Size));
  AddRow(QStringLiteral("Изменён:"), "ModifiedValue", TimeText(Properties_.Modified));
  AddRow(QStringLiteral("Открыт:"), "AccessedValue", TimeText(Properties_.Accessed));
  AddRow(QStringLiteral("Владелец:"), "OwnerValue", Properties_.Owner);
  AddRow(QStringLiteral("Группа:"), "GroupValue", Properties_.Group);
  AddPermissionBoxes();
  auto* buttons = new QDialogButtonBox(this);
  ApplyButton = buttons->addButton(QStringLiteral("Применить"), QDialogButtonBox::ApplyRole);
  ApplyButton->setObjectName(QStringLiteral("ApplyButton"));
  ApplyButton->setEnabled(Properties_.PermissionsEditable);
  QPushButton* close = buttons->addButton(QStringLiteral("Закрыть"), QDialogButtonBox::RejectRole);
  close->setObjectName(QStringLiteral("CloseButton"));
  layout->addWidget(buttons);
  connect(ApplyButton, &QPushButton::clicked, this, GuardedSlot([this] { ApplyButtonClick(); }));
  connect(close, &QPushButton::clicked, this, &QDialog::reject);
  if (Properties_.FileType == ItemFileType::Folder) StartFolderSize();
}

TPropertiesDialog::~TPropertiesDialog() {
  StopWalk_ = true;
  if (Walk_.joinable()) Walk_.join();
}

QLabel* TPropertiesDialog::AddRow(const QString& caption, const char* name, const QString& value) {
  auto* label = new QLabel(value, this);
  label->setObjectName(QLatin1String(name));
  label->setTextInteractionFlags(Qt::TextSelectableByMouse);
  Rows_->addRow(caption, label);
  return label;
}

void TPropertiesDialog::AddPermissionBoxes() {
  auto* grid = new QGridLayout;
  const QString columns[3] = {QStringLiteral("Чтение"), QStringLiteral("Запись"), QStringLiteral("Выполнение")};
  const QString rows[3] = {QStringLiteral("Владелец"), QStringLiteral("Группа"), QStringLiteral("Остальные")};
  for (int column = 0; column < 3; ++column) grid->addWidget(new QLabel(columns[column], this), 0, column + 1);
  for (int bit = 0; bit < 9; ++bit) {
    if (bit % 3 == 0) grid->addWidget(new QLabel(rows[bit / 3], this), bit / 3 + 1, 0);
    auto* box = new QCheckBox(this);
    box->setObjectName(QLatin1String(BoxNames[bit]));
    box->setChecked(Properties_.Permissions & (0400 >> bit));
    box->setEnabled(Properties_.PermissionsEditable);
    grid->addWidget(box, bit / 3 + 1, bit % 3 + 1);
    PermissionBoxes[size_t(bit)] = box;
  }
  Rows_->addRow(QStringLiteral("Права:"), grid);
}

mode_t TPropertiesDialog::CheckedPermissions() const {
  // The special bits (set-user-id, sticky) are kept as they were.
  mode_t mode = Properties_.Permissions & ~mode_t(0777);
  for (int bit = 0; bit < 9; ++bit) {
    if (PermissionBoxes[size_t(bit)]->isChecked()) mode |= mode_t(0400 >> bit);
  }
  return mode;
}

void TPropertiesDialog::ApplyButtonClick() {
  const mode_t mode = CheckedPermissions();
  ValueOrRaise(SetPermissions(Properties_.Path, mode));
  Properties_.Permissions = mode;
}

void TPropertiesDialog::StartFolderSize() {
  SizeValue->setText(QStringLiteral("Подсчёт..."));
  const QByteArray folder = ToNativeName(Properties_.Path);
  Walk_ = std::thread([this, folder] {
    WalkTreeSize(folder, StopWalk_, [this](std::int64_t bytes, bool final) {
      // Queued to the dialog: dropped with it when it has been closed.
      QMetaObject::invokeMethod(this, [this, bytes, final] { ShowFolderSize(bytes, final); }, Qt::QueuedConnection);
    });
  });
}

void TPropertiesDialog::ShowFolderSize(qint64 bytes, bool final) {
  SizeValue->setText(final ? SizeText(bytes) : SizeText(bytes) + QStringLiteral("..."));
}

void ShowItemProperties(const QString& path, QWidget* owner) {
  auto* dialog = new TPropertiesDialog(ValueOrRaise(ReadItemProperties(path)), owner);
  dialog->show();
}

}  // namespace zarn
