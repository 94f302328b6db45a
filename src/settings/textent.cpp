#include "settings/textent.h"

#include <QCloseEvent>
#include <QHeaderView>
#include <QResizeEvent>
#include <QShortcut>

#include "platform/guard.h"
#include "platform/prompter.h"
#include "settings/tset1.h"

namespace zarn {
namespace {

const QString IdleStatus = QStringLiteral("Жду команды. ");

}  // namespace

TExtent::TExtent(QWidget* parent) : QWidget(parent, Qt::Window) {
  setObjectName(QStringLiteral("Extent"));
  setWindowTitle(QStringLiteral("  Настройка расширений"));
  CreateControls();
  resize(640, 360);
  // Escape closes the window, as it does any dialog of the desktop.
  connect(new QShortcut(QKeySequence(Qt::Key_Escape), this), &QShortcut::activated, this, &QWidget::close);
  Extent = this;
}

TExtent::~TExtent() {
  if (Extent == this) Extent = nullptr;
}

void TExtent::CreateControls() {
  ListView1 = new QTreeWidget(this);
  ListView1->setObjectName(QStringLiteral("ListView1"));
  ListView1->setColumnCount(2);
  ListView1->setHeaderLabels({QStringLiteral("Ext"), QStringLiteral("Program")});
  ListView1->header()->setStretchLastSection(false);
  ListView1->setColumnWidth(1, 500);
  ListView1->setRootIsDecorated(false);
  ListView1->setSelectionBehavior(QAbstractItemView::SelectRows);
  ListView1->setSelectionMode(QAbstractItemView::SingleSelection);
  ListView1->move(8, 8);

  const struct {
    QPushButton* TExtent::*Button;
    const char* Name;
    const char* Caption;
    void (TExtent::*Click)();
  } buttons[] = {{&TExtent::Button1, "Button1", "Добавить", &TExtent::Button1Click},
                 {&TExtent::Button2, "Button2", "Удалить", &TExtent::Button2Click},
                 {&TExtent::Button3, "Button3", "Сохранить", &TExtent::Button3Click},
                 {&TExtent::Button4, "Button4", "Загрузить", &TExtent::Button4Click},
                 {&TExtent::Button5, "Button5", "Вернуться", &TExtent::Button5Click}};
  for (const auto& entry : buttons) {
    auto* button = new QPushButton(QString::fromUtf8(entry.Caption), this);
    button->setObjectName(QString::fromLatin1(entry.Name));
    this->*entry.Button = button;
    const auto click = entry.Click;
    connect(button, &QPushButton::clicked, this, [this, click] { Guarded([this, click] { (this->*click)(); }); });
  }
}

void TExtent::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  ListView1->resize(qMax(0, width() - 25), qMax(0, height() - 75));
  int left = 8;
  for (QPushButton* button : {Button1, Button2, Button3, Button4, Button5}) {
    button->move(left, height() - 58);
    left += button->sizeHint().width() + 8;
  }
}

TAssociationTable TExtent::Table() const {
  TAssociationTable table;
  table.reserve(ListView1->topLevelItemCount());
  for (int row = 0; row < ListView1->topLevelItemCount(); ++row) {
    const QTreeWidgetItem* item = ListView1->topLevelItem(row);
    table.append({item->text(0), item->text(1)});
  }
  return table;
}

void TExtent::SetTable(const TAssociationTable& table) {
  ListView1->clear();
  QList<QTreeWidgetItem*> items;
  items.reserve(table.size());
  for (const TAssociation& row : table) items.append(new QTreeWidgetItem(QStringList{row.Extension, row.Program}));
  ListView1->addTopLevelItems(items);
}

void TExtent::AddRow(const TAssociation& association) {
  ListView1->addTopLevelItem(new QTreeWidgetItem(QStringList{association.Extension, association.Program}));
}

QString TExtent::ProgramFor(const QString& extension) const {
  for (int row = 0; row < ListView1->topLevelItemCount(); ++row) {
    const QTreeWidgetItem* item = ListView1->topLevelItem(row);
    if (TrimControlAndBlank(item->text(0)) == extension) return item->text(1);
  }
  return {};
}

ErrorOrDone TExtent::LoadAssociationsFile() {
  auto loaded = LoadAssociations(AssociationsFilePath());
  if (loaded.IsError()) return loaded.Error();
  if (loaded.Value()) SetTable(*loaded.Value());
  return Done{};
}

ErrorOrDone TExtent::SaveAssociations() { return zarn::SaveAssociations(AssociationsFilePath(), Table()); }

void TExtent::Button1Click() {
  const auto answer =
      Prompter().InputBox(QStringLiteral("Назначить расширение"), QStringLiteral("Введите расширение"), QString());
  if (!answer) return;
  QString extension = *answer;
  if (!extension.startsWith(QLatin1Char('.'))) extension.prepend(QLatin1Char('.'));
  if (!Set1) return;
  const auto program = Set1->ChooseProgram();
  if (!program) return;
  // A value zarn.ext could not give back would make every later close fail.
  for (const QString& value : {extension, *program}) {
    if (const QString reason = UnstorableReason(value); !reason.isEmpty()) RaiseError(reason);
  }
  AddRow({extension, *program});
}

void TExtent::Button2Click() {
  const QList<QTreeWidgetItem*> selected = ListView1->selectedItems();
  if (selected.isEmpty()) return;
  delete selected.constFirst();
  ListView1->viewport()->update();
}

void TExtent::Button3Click() { ValueOrRaise(SaveAssociations()); }

void TExtent::Button4Click() {
  ValueOrRaise(LoadAssociationsFile());
  ListView1->viewport()->update();
}

void TExtent::Button5Click() {
  ShowStatus(IdleStatus);
  close();
}

void TExtent::ShowStatus(const QString& text) {
  if (OnStatus) OnStatus(text);
}

void TExtent::closeEvent(QCloseEvent* event) {
  bool saved = false;
  Guarded([this, &saved] {
    ShowStatus(IdleStatus);
    ValueOrRaise(SaveAssociations());
    saved = true;
  });
  // A table that could not be saved keeps its window open, so no edit is lost unseen.
  if (saved) {
    event->accept();
  } else {
    event->ignore();
  }
}

}  // namespace zarn
