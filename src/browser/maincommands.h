#pragma once
// The shape of the main window's command table (TForm1::CommandTable): for
// each command its name, its hint, its button (panel, place, picture), the
// list keys that run it and its handler. The window makes and connects its
// buttons from the table and reads its key map from it, so a new command is
// one row there plus what it does.

#include <QRect>
#include <QStyle>

#include <span>
#include <vector>

namespace zarn {

class TForm1;

enum class CommandPanel { None, Top, Right, Bottom };

// The button of a command: where it stands and what it shows.
struct TCommandButton {
  CommandPanel Panel = CommandPanel::None;
  QRect Geometry;
  bool RightAnchored = false;       // keeps its distance from the window's right edge
  const char* Caption = nullptr;    // a text button ("Inf"); nullptr for a picture
  const char* Glyph = nullptr;      // one of the program's own glyphs, first choice
  const char* ThemeIcon = nullptr;  // else the desktop theme's icon
  QStyle::StandardPixmap StyleIcon = QStyle::SP_CustomBase;  // else the style's
};

// Whether an edit of a name in the list is in progress for a key to count.
enum class WhileEditing { Either, No, Yes };

// A key of the list. Modifiers other than those named make no difference
// (Ctrl+F5 copies as F5 does).
struct TCommandKey {
  int Key = 0;  // a Qt::Key
  Qt::KeyboardModifiers Required = Qt::NoModifier;
  Qt::KeyboardModifiers Excluded = Qt::NoModifier;
  WhileEditing Editing = WhileEditing::Either;
};

enum class StatusAfterKey { Idle, Kept };

struct TMainCommand {
  const char* Name;  // the objectName of its button, or its own name when it has none
  const char* Hint;  // the button's tool tip
  TCommandButton Button;
  std::vector<TCommandKey> Keys;
  // What it does; nullptr for a key that only keeps the list from acting on it.
  void (*Run)(TForm1& form);
  // The status line after its key: the idle text, or what the command left.
  StatusAfterKey Status = StatusAfterKey::Idle;
};

// The command of `commands` that a key of the list stands for; nullptr for a
// key of no command.
const TMainCommand* CommandForKey(std::span<const TMainCommand> commands, int key, Qt::KeyboardModifiers modifiers,
                                  bool editingName);
// The command of this name; nullptr when there is none.
const TMainCommand* CommandNamed(std::span<const TMainCommand> commands, const char* name);

}  // namespace zarn
