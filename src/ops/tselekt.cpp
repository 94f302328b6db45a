#include "ops/tselekt.h"

#include <QGridLayout>
#include <QRadioButton>
#include <QVBoxLayout>

#include "platform/guard.h"
#include "platform/prompter.h"

namespace zarn {

TSelekt::TSelekt(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("Selekt"));
  setWindowTitle(QStringLiteral("Режимы выделения"));
  setModal(true);
  Label1 = new QLabel(QStringLiteral("По"), this);
  Label1->setObjectName(QStringLiteral("Label1"));
  Label2 = new QLabel(QStringLiteral("маске:"), this);
  Label2->setObjectName(QStringLiteral("Label2"));
  Edit1 = new QLineEdit(QStringLiteral("*.*"), this);
  Edit1->setObjectName(QStringLiteral("Edit1"));
  RadioGroup1 = new QGroupBox(this);
  RadioGroup1->setObjectName(QStringLiteral("RadioGroup1"));
  RadioButtons = new QButtonGroup(this);
  auto* choices = new QVBoxLayout(RadioGroup1);
  const QStringList captions{QStringLiteral("Выделение"), QStringLiteral("Выделение недостающих"),
                             QStringLiteral("Исключение"), QStringLiteral("Реверсирование")};
  for (int index = 0; index < captions.size(); ++index) {
    auto* choice = new QRadioButton(captions[index], RadioGroup1);
    choice->setObjectName(QStringLiteral("RadioGroup1Item%1").arg(index));
    RadioButtons->addButton(choice, index);
    choices->addWidget(choice);
  }
  SetItemIndex(0);
  Button1 = new QPushButton(QStringLiteral("Выполнить"), this);
  Button1->setObjectName(QStringLiteral("Button1"));
  Button1->setDefault(true);  // Enter in the mask runs the choice
  auto* grid = new QGridLayout(this);
  grid->addWidget(Label1, 0, 0);
  grid->addWidget(Label2, 0, 1);
  grid->addWidget(Edit1, 0, 2);
  grid->addWidget(RadioGroup1, 1, 0, 1, 3);
  grid->addWidget(Button1, 2, 0, 1, 3);
  connect(Button1, &QPushButton::clicked, this, [this] { Guarded([this] { Button1Click(); }); });
  Selekt = this;
}

TSelekt::~TSelekt() {
  if (Selekt == this) Selekt = nullptr;
}

int TSelekt::ItemIndex() const { return RadioButtons->checkedId(); }

void TSelekt::SetItemIndex(int index) {
  if (QAbstractButton* choice = RadioButtons->button(index)) choice->setChecked(true);
}

void TSelekt::Button1Click() {
  const auto operation = static_cast<MarkOperation>(qBound(0, ItemIndex(), 3));
  if (operation == MarkOperation::MarkMissing && PanelVisible && !PanelVisible()) {
    if (ShowPanel) ShowPanel();
    Prompter().ShowMessage(QStringLiteral("Выберите папку для выполнения сравнения файлов"));
  } else if (OnRunOperation) {
    OnRunOperation(operation, Edit1->text());
  }
  accept();
}

}  // namespace zarn
