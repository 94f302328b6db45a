#include "ops/fileprompts.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

#include <utility>
#include <vector>

#include "ops/fileprompts_texts.h"
#include "ops/namedbuttons.h"

namespace zarn {
namespace {

struct ButtonSpec {
  const char* Name;
  QString Caption;
  QMessageBox::ButtonRole Role;
};

// Runs a message box with the given buttons; returns the index of the one
// pressed, or `escapeIndex` when the box was closed otherwise.
int AskWithButtons(QWidget* owner, QMessageBox::Icon icon, const QString& caption, const QString& text,
                   const std::vector<ButtonSpec>& buttons, int escapeIndex, int defaultIndex = 0) {
  QMessageBox box(icon, caption, text, QMessageBox::NoButton, owner);
  box.setObjectName(QStringLiteral("FileQuestion"));
  box.setTextFormat(Qt::PlainText);
  std::vector<QPushButton*> pushButtons;
  for (const ButtonSpec& design : buttons) pushButtons.push_back(AddNamedButton(box, design.Name, design.Caption, design.Role));
  box.setDefaultButton(pushButtons[std::size_t(defaultIndex)]);
  box.setEscapeButton(pushButtons[std::size_t(escapeIndex)]);
  box.exec();
  for (std::size_t i = 0; i < pushButtons.size(); ++i)
    if (box.clickedButton() == pushButtons[i]) return int(i);
  return escapeIndex;
}

}  // namespace

QWidget* TFilePrompts::Owner() const { return Owner_ ? Owner_ : QApplication::activeWindow(); }

ConflictAnswer TFilePrompts::AskReplace(const ObjectFacts& source, const ObjectFacts& existing) {
  static const ConflictAnswer answers[] = {ConflictAnswer::Replace, ConflictAnswer::ReplaceAll, ConflictAnswer::Skip,
                                           ConflictAnswer::SkipAll, ConflictAnswer::Cancel};
  const int index = AskWithButtons(Owner(), QMessageBox::Question, QStringLiteral("Замена объекта"),
                                   ReplaceQuestionText(source, existing),
                                   {{"ButtonReplace", QStringLiteral("Заменить"), QMessageBox::AcceptRole},
                                    {"ButtonReplaceAll", QStringLiteral("Заменить все"), QMessageBox::AcceptRole},
                                    {"ButtonSkip", QStringLiteral("Пропустить"), QMessageBox::RejectRole},
                                    {"ButtonSkipAll", QStringLiteral("Пропустить все"), QMessageBox::RejectRole},
                                    {"ButtonCancel", QStringLiteral("Отмена"), QMessageBox::RejectRole}},
                                   4);
  return answers[index];
}

ErrorAnswer TFilePrompts::AskOnError(const OsError& error) {
  static const ErrorAnswer answers[] = {ErrorAnswer::Retry, ErrorAnswer::Skip, ErrorAnswer::Cancel};
  const int index = AskWithButtons(Owner(), QMessageBox::Warning, QStringLiteral("Ошибка"), ErrorQuestionText(error),
                                   {{"ButtonRetry", QStringLiteral("Повторить"), QMessageBox::AcceptRole},
                                    {"ButtonSkip", QStringLiteral("Пропустить"), QMessageBox::RejectRole},
                                    {"ButtonCancel", QStringLiteral("Отмена"), QMessageBox::RejectRole}},
                                   2);
  return answers[index];
}

bool TFilePrompts::AskDeleteForGood(const QString& path, const OsError& reason) {
  const int index = AskWithButtons(Owner(), QMessageBox::Warning, QStringLiteral("Корзина недоступна"),
                                   DeleteForGoodQuestionText(path, reason),
                                   {{"ButtonYes", QStringLiteral("Да"), QMessageBox::YesRole},
                                    {"ButtonNo", QStringLiteral("Нет"), QMessageBox::NoRole}},
                                   1, 1);  // deleting for good is never the default
  return index == 0;
}

}  // namespace zarn
