#include <QApplication>
#include <QCheckBox>
#include <QMessageBox>
#include <QPushButton>

#include "ops/filecommands.h"
#include "ops/filecommands_texts.h"

namespace zarn {

DeleteChoice AskDeleteObjects(const QString& text, bool toTrashChecked) {
  QMessageBox box(QMessageBox::Warning, DeleteConfirmationCaption, text, QMessageBox::NoButton,
                  QApplication::activeWindow());
  QPushButton* yes = box.addButton(QMessageBox::Yes);
  QPushButton* no = box.addButton(QMessageBox::No);
  box.setDefaultButton(yes);
  // Escape and the window's close box both answer No, as a desktop dialog does.
  box.setEscapeButton(no);
  auto* toTrash = new QCheckBox(DeleteToTrashCaption, &box);
  toTrash->setObjectName(QStringLiteral("DeleteToTrash"));
  toTrash->setChecked(toTrashChecked);
  box.setCheckBox(toTrash);
  box.exec();
  DeleteChoice choice;
  if (box.clickedButton() == yes) choice.Answer = DeleteAnswer::Yes;
  else if (box.clickedButton() == no) choice.Answer = DeleteAnswer::No;
  choice.ToTrash = toTrash->isChecked();
  return choice;
}

}  // namespace zarn
