#include "app/messageboxes.h"

#include <QApplication>
#include <QDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

#include "ops/namedbuttons.h"

namespace zarn {
namespace {

const QString ProgramCaption = QStringLiteral("Zarn");

// The boxes carry Russian captions on their buttons whatever the locale:
// "MessageBox" with "ButtonOk", "ButtonYes" and "ButtonNo".

void ShowBox(QMessageBox::Icon icon, const QString& caption, const QString& text) {
  QMessageBox box(icon, caption, text, QMessageBox::NoButton, QApplication::activeWindow());
  box.setObjectName(QStringLiteral("MessageBox"));
  box.setTextFormat(Qt::PlainText);
  QPushButton* ok = AddNamedButton(box, "ButtonOk", QStringLiteral("OK"), QMessageBox::AcceptRole);
  box.setDefaultButton(ok);
  box.setEscapeButton(ok);
  box.exec();
}

// A caption, a prompt, one line of text and the two buttons "OK" and "Отмена".
class TInputBox final : public QDialog {
 public:
  TInputBox(const QString& caption, const QString& prompt, const QString& text) : QDialog(QApplication::activeWindow()) {
    setObjectName(QStringLiteral("InputBox"));
    setWindowTitle(caption);
    auto* layout = new QVBoxLayout(this);
    auto* label = new QLabel(prompt, this);
    label->setObjectName(QStringLiteral("Prompt"));
    label->setTextFormat(Qt::PlainText);
    layout->addWidget(label);
    Edit = new QLineEdit(text, this);
    Edit->setObjectName(QStringLiteral("Edit"));
    Edit->setMinimumWidth(320);
    Edit->selectAll();
    layout->addWidget(Edit);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    auto* ok = AddNamedButton(*this, *buttons, "ButtonOk", QStringLiteral("OK"));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(AddNamedButton(*this, *buttons, "ButtonCancel", QStringLiteral("Отмена")), &QPushButton::clicked, this,
            &QDialog::reject);
    layout->addLayout(buttons);
  }
  QLineEdit* Edit = nullptr;
};

}  // namespace

void TMessageBoxPrompter::ShowMessage(const QString& text, const QString& caption) {
  ShowBox(QMessageBox::Information, caption.isEmpty() ? ProgramCaption : caption, text);
}

void TMessageBoxPrompter::ShowError(const QString& text) { ShowBox(QMessageBox::Critical, ProgramCaption, text); }

bool TMessageBoxPrompter::Confirm(const QString& text, const QString& caption) {
  QMessageBox box(QMessageBox::Question, caption.isEmpty() ? ProgramCaption : caption, text, QMessageBox::NoButton,
                  QApplication::activeWindow());
  box.setObjectName(QStringLiteral("MessageBox"));
  box.setTextFormat(Qt::PlainText);
  QPushButton* yes = AddNamedButton(box, "ButtonYes", QStringLiteral("Да"), QMessageBox::YesRole);
  QPushButton* no = AddNamedButton(box, "ButtonNo", QStringLiteral("Нет"), QMessageBox::NoRole);
  box.setDefaultButton(yes);
  box.setEscapeButton(no);
  box.exec();
  return box.clickedButton() == yes;
}

std::optional<QString> TMessageBoxPrompter::InputBox(const QString& caption, const QString& prompt,
                                                     const QString& defaultText) {
  TInputBox box(caption, prompt, defaultText);
  if (box.exec() != QDialog::Accepted) return std::nullopt;
  return box.Edit->text();
}

void TMessageBoxPrompter::Beep() { QApplication::beep(); }

}  // namespace zarn
