#pragma once
// What the main window's list keys need beyond their commands: the mask boxes
// of the keypad keys and the idle text the status line gets after a key. The
// keys themselves are rows of the main window's command table.

#include <QString>

namespace zarn {

inline const QString IdleStatusAfterKey = QStringLiteral("Жду команды...");

enum class MaskBox { Mark, Unmark };

// Asks for the mask of the keypad plus or minus box (default "*.*"). A
// cancelled box answers its default, so cancelling still marks or unmarks "*.*".
QString AskMaskForKey(MaskBox box);

}  // namespace zarn
