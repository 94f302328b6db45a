#pragma once
// The key map of the main window's folder list, without the window: which
// command a key stands for, whether the status line is reset afterwards, and
// the mask boxes of the keypad keys. The list's own handling of every key
// (cursor movement, incremental search) goes on as well.

#include <QString>

#include <optional>

namespace zarn {

enum class ListKeyCommand {
  None,                     // any other key (still resets the status line)
  NoneWhileEditing,         // Backspace while a name is edited: nothing at all
  UpOneLevel,               // Backspace: status "Жду команду..." first, then up one level
  Open,                     // Enter
  ToggleMark,               // Space
  ToggleMarkAndAdvance,     // Insert
  InsertPathInCommandLine,  // Ctrl+J
  MarkByMask,               // keypad plus
  UnmarkByMask,             // keypad minus
  About,                    // F1
  Rename,                   // F2
  View,                     // F3
  CreateTextFile,           // Shift+F4 (leaves the status line alone)
  Edit,                     // F4
  Copy,                     // F5
  Move,                     // F6
  CreateFolder,             // F7
  Delete,                   // F8
  Settings,                 // F9
  Associations,             // F10
};

// `key` is a Qt::Key, `modifiers` the Qt::KeyboardModifiers of the event.
// Only Ctrl (for J), Shift (for F4) and the keypad (for plus and minus) count;
// other modifiers are ignored, so Ctrl+F5 copies as F5 does.
ListKeyCommand CommandForListKey(int key, int modifiers, bool editingName);
// True when the status line reads IdleStatusAfterKey once the command is done.
bool ResetsStatusAfterKey(ListKeyCommand command);
inline const QString IdleStatusAfterKey = QStringLiteral("Жду команды...");

// Asks for the mask of the keypad plus or minus box (default "*.*"). A
// cancelled box answers its default, so cancelling still marks or unmarks "*.*".
QString AskMaskForKey(ListKeyCommand command);

}  // namespace zarn
