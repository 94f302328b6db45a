#pragma once
// Buttons of the program's own boxes, each with an objectName so that the
// end-to-end scenarios (and a screen reader's user) can tell them apart.

#include <QMessageBox>

class QBoxLayout;
class QPushButton;
class QWidget;

namespace zarn {

// A button of a message box's own button row.
QPushButton* AddNamedButton(QMessageBox& box, const char* name, const QString& caption, QMessageBox::ButtonRole role);
// A button of a dialog, put into `row`.
QPushButton* AddNamedButton(QWidget& dialog, QBoxLayout& row, const char* name, const QString& caption);

}  // namespace zarn
