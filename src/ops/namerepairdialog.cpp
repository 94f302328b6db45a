#include "ops/namerepairdialog.h"

#include <QApplication>
#include <QDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <utility>

#include "ops/namedbuttons.h"
#include "platform/filenames.h"

namespace zarn {
namespace {

NameRepairChooser InstalledChooser;

const QString RepairCaption = QStringLiteral("Исправить имя");
const QString ChooseText = QStringLiteral("Прочитать имя как:");
const QString NothingPlausibleText =
    QStringLiteral("Ни одна кодовая страница не даёт осмысленного имени: исправить нечего.");

class TNameRepairDialog final : public QDialog {
 public:
  explicit TNameRepairDialog(const std::vector<QByteArray>& names)
      : QDialog(QApplication::activeWindow()), Names_(names), Sources_(CommonSources(names)) {
    setObjectName(QStringLiteral("NameRepair"));
    setWindowTitle(RepairCaption);
    auto* layout = new QVBoxLayout(this);
    auto* label = new QLabel(Sources_.empty() ? NothingPlausibleText : ChooseText, this);
    label->setObjectName(QStringLiteral("Label1"));
    layout->addWidget(label);
    Choices_ = new QListWidget(this);
    Choices_->setObjectName(QStringLiteral("ListBox1"));
    for (const NameSource source : Sources_) Choices_->addItem(ChoiceText(source));
    Choices_->setVisible(!Sources_.empty());
    // Room for the four ways at most; the names below get the rest.
    Choices_->setMaximumHeight(6 * Choices_->fontMetrics().height());
    layout->addWidget(Choices_);
    Preview_ = new QTreeWidget(this);
    Preview_->setObjectName(QStringLiteral("ListView1"));
    Preview_->setHeaderLabels({QStringLiteral("Имя"), QStringLiteral("Станет")});
    Preview_->setRootIsDecorated(false);
    Preview_->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    Preview_->setVisible(!Sources_.empty());
    layout->addWidget(Preview_, 1);
    layout->addLayout(ButtonRow());
    connect(Choices_, &QListWidget::currentRowChanged, this, [this] { ShowPreview(); });
    connect(Choices_, &QListWidget::itemActivated, this, [this] { accept(); });
    if (!Sources_.empty()) Choices_->setCurrentRow(0);
    resize(520, Sources_.empty() ? 120 : 340);
  }

  std::optional<NameSource> Chosen() const {
    const int row = Choices_->currentRow();
    if (result() != QDialog::Accepted || row < 0) return std::nullopt;
    return Sources_[size_t(row)];
  }

 private:
  // One name: the choice shows what it makes; several: the code page only.
  QString ChoiceText(NameSource source) const {
    if (Names_.size() != 1) return NameSourceCaption(source);
    return NameSourceCaption(source) + QStringLiteral(": ") + ReadNameAs(Names_[0], source).value_or(QString());
  }

  void ShowPreview() {
    Preview_->clear();
    const int row = Choices_->currentRow();
    if (row < 0) return;
    for (const QByteArray& name : Names_) {
      const QString repaired = ReadNameAs(name, Sources_[size_t(row)]).value_or(QString());
      Preview_->addTopLevelItem(new QTreeWidgetItem({FromNativeName(name), repaired}));
    }
  }

  QHBoxLayout* ButtonRow() {
    auto* row = new QHBoxLayout;
    row->addStretch();
    if (!Sources_.empty()) {
      auto* repair = AddNamedButton(*this, *row, "ButtonOk", QStringLiteral("Исправить"));
      repair->setDefault(true);
      connect(repair, &QPushButton::clicked, this, [this] { accept(); });
    }
    auto* cancel = AddNamedButton(*this, *row, "ButtonCancel", Sources_.empty() ? QStringLiteral("Закрыть")
                                                                                 : QStringLiteral("Отмена"));
    if (Sources_.empty()) cancel->setDefault(true);
    connect(cancel, &QPushButton::clicked, this, [this] { reject(); });
    return row;
  }

  std::vector<QByteArray> Names_;
  std::vector<NameSource> Sources_;
  QListWidget* Choices_ = nullptr;
  QTreeWidget* Preview_ = nullptr;
};

}  // namespace

void SetNameRepairChooser(NameRepairChooser chooser) { InstalledChooser = std::move(chooser); }

std::optional<NameSource> ChooseNameRepair(const std::vector<QByteArray>& names) {
  if (InstalledChooser) return InstalledChooser(names);
  TNameRepairDialog dialog(names);
  dialog.exec();
  return dialog.Chosen();
}

}  // namespace zarn
