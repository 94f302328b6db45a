#pragma once
// The item context menu: built from the desktop's model of the item
// (platform/contextmenu.h), shown at a point, and the chosen command run.
// Commands that act on the list's row (delete, rename) belong to the window
// that owns the list and come in as callbacks. GUI thread only.

#include <QPoint>
#include <QString>

#include <functional>

#include "platform/contextmenu.h"

class QAction;
class QMenu;
class QWidget;

namespace zarn {

enum class DeleteMode { ToTrash, ForGood };

// The owner window's commands on the row the menu was opened for. A command
// left empty is not offered.
struct TContextMenuCommands {
  std::function<void(DeleteMode mode)> DeleteRow;
  std::function<void()> RenameRow;
  // Offered after the rename entry, for a name written in another code page.
  std::function<void()> RepairRowName;
  // Offered after the open entry, for a file that looks like an archive.
  std::function<void()> OpenAsFolder;
};

// The menu of a row inside an archive, which is opened read-only: entering
// an archive stored in it, reading the archive's names in another code page
// (RepairRowName), and the row's path for the clipboard.
void ShowArchiveRowMenu(const QString& path, QPoint point, QWidget* owner, const TContextMenuCommands& commands);

// Shows the menu and returns the chosen action, or nullptr when cancelled.
using ContextMenuExec = std::function<QAction*(QMenu& menu, QPoint point)>;
// Tests pick an entry (or cancel) instead of a user; an empty function
// restores QMenu::exec.
void SetContextMenuExec(ContextMenuExec exec);

// Shows the menu for `path` at `point` (screen coordinates), owned by `owner`,
// and runs the chosen command. A path without a menu (the computer's list)
// shows nothing. Errors are raised for the top-level guard.
void ShowShellContextMenu(const QString& path, QPoint point, QWidget* owner, MenuScope scope = MenuScope::ListedFolder,
                          const TContextMenuCommands& commands = {});

// Puts `path` on the clipboard as text and as a text/uri-list.
void CopyPathToClipboard(const QString& path);

}  // namespace zarn
