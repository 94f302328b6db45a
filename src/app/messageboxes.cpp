#include "app/messageboxes.h"

#include <QApplication>
#include <QInputDialog>
#include <QMessageBox>

namespace zarn {

void TMessageBoxPrompter::ShowMessage(const QString& text, const QString& caption) {
  QMessageBox::information(QApplication::activeWindow(),
                           caption.isEmpty() ? QApplication::applicationName() : caption, text);
}

void TMessageBoxPrompter::ShowError(const QString& text) {
  QMessageBox::critical(QApplication::activeWindow(), QApplication::applicationName(), text);
}

bool TMessageBoxPrompter::Confirm(const QString& text, const QString& caption) {
  const QString title = caption.isEmpty() ? QApplication::applicationName() : caption;
  return QMessageBox::question(QApplication::activeWindow(), title, text, QMessageBox::Yes | QMessageBox::No) ==
         QMessageBox::Yes;
}

std::optional<QString> TMessageBoxPrompter::InputBox(const QString& caption, const QString& prompt,
                                                     const QString& defaultText) {
  bool accepted = false;
  const QString text =
      QInputDialog::getText(QApplication::activeWindow(), caption, prompt, QLineEdit::Normal, defaultText, &accepted);
  if (!accepted) return std::nullopt;
  return text;
}

void TMessageBoxPrompter::Beep() { QApplication::beep(); }

}  // namespace zarn
