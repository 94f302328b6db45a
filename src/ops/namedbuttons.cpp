#include "ops/namedbuttons.h"

#include <QBoxLayout>
#include <QPushButton>

namespace zarn {

QPushButton* AddNamedButton(QMessageBox& box, const char* name, const QString& caption, QMessageBox::ButtonRole role) {
  QPushButton* button = box.addButton(caption, role);
  button->setObjectName(QLatin1String(name));
  return button;
}

QPushButton* AddNamedButton(QWidget& dialog, QBoxLayout& row, const char* name, const QString& caption) {
  auto* button = new QPushButton(caption, &dialog);
  button->setObjectName(QLatin1String(name));
  row.addWidget(button);
  return button;
}

}  // namespace zarn
