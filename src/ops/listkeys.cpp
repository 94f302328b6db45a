#include "ops/listkeys.h"

#include <Qt>

#include "platform/prompter.h"

namespace zarn {
namespace {

ListKeyCommand FunctionKeyCommand(int key, bool shift) {
  switch (key) {
    case Qt::Key_F1: return ListKeyCommand::About;
    case Qt::Key_F2: return ListKeyCommand::Rename;
    case Qt::Key_F3: return ListKeyCommand::View;
    case Qt::Key_F4: return shift ? ListKeyCommand::CreateTextFile : ListKeyCommand::Edit;
    case Qt::Key_F5: return ListKeyCommand::Copy;
    case Qt::Key_F6: return ListKeyCommand::Move;
    case Qt::Key_F7: return ListKeyCommand::CreateFolder;
    case Qt::Key_F8: return ListKeyCommand::Delete;
    case Qt::Key_F9: return ListKeyCommand::Settings;
    case Qt::Key_F10: return ListKeyCommand::Associations;
    default: return ListKeyCommand::None;
  }
}

}  // namespace

ListKeyCommand CommandForListKey(int key, int modifiers, bool editingName) {
  const bool keypad = modifiers & Qt::KeypadModifier;
  switch (key) {
    case Qt::Key_Backspace:
      return editingName ? ListKeyCommand::NoneWhileEditing : ListKeyCommand::UpOneLevel;
    case Qt::Key_Return:
    case Qt::Key_Enter:
      return ListKeyCommand::Open;
    case Qt::Key_Space:
      return ListKeyCommand::ToggleMark;
    case Qt::Key_Insert:
      return ListKeyCommand::ToggleMarkAndAdvance;
    case Qt::Key_J:
      return modifiers & Qt::ControlModifier ? ListKeyCommand::InsertPathInCommandLine : ListKeyCommand::None;
    case Qt::Key_Plus:
      return keypad ? ListKeyCommand::MarkByMask : ListKeyCommand::None;
    case Qt::Key_Minus:
      return keypad ? ListKeyCommand::UnmarkByMask : ListKeyCommand::None;
    default:
      return FunctionKeyCommand(key, modifiers & Qt::ShiftModifier);
  }
}

bool ResetsStatusAfterKey(ListKeyCommand command) {
  return command != ListKeyCommand::NoneWhileEditing && command != ListKeyCommand::CreateTextFile;
}

QString AskMaskForKey(ListKeyCommand command) {
  const QString standard = QStringLiteral("*.*");
  const bool marking = command == ListKeyCommand::MarkByMask;
  const auto answer = Prompter().InputBox(
      marking ? QStringLiteral("Выделение файлов") : QStringLiteral("Отмена выделения файлов"),
      marking ? QStringLiteral("Введите маску выбора") : QStringLiteral("Введите маску отмены"), standard);
  return answer.value_or(standard);
}

}  // namespace zarn
