#pragma once
// The model of an item's context menu, the desktop's way: which commands an
// item offers and the applications the desktop associates with its type, and
// the functions that carry the commands out. Applications, their names, icons
// and command lines are GIO's (desktop entries and mimeapps.list); an
// application is started with the item as a GFile made from its raw bytes, so
// the Exec line's field codes are expanded by GIO and a name that is not UTF-8
// reaches the program intact. Nothing is started through a shell. Widget-free;
// call on the GUI thread only.

#include <QByteArray>
#include <QString>

#include <vector>

#include "platform/errors.h"

namespace zarn {

enum class MenuEntryKind {
  Open,             // the default application of the item's type
  OpenWith,         // the "open with" submenu; its entries are Applications
  OpenTerminal,     // the desktop's terminal in the item's folder
  CopyPath,         // the full path to the clipboard
  MoveToTrash,
  Delete,
  Rename,
  Properties,
  Separator,
};

// What the menu is asked for.
enum class MenuScope {
  Row,           // a file or folder row of a listing
  ListedFolder,  // the listed folder itself (no row selected): no delete or rename
  Volume,        // a volume on the computer's list of drives
};

struct MenuApplication {
  QString Id;        // the desktop entry's id, e.g. "org.example.Editor.desktop"
  QString Name;      // its name in the user's language
  QString IconName;  // a theme icon name or an icon file path; may be empty
};

struct MenuEntry {
  MenuEntryKind Kind = MenuEntryKind::Separator;
  QString Caption;
  QString IconName;  // a theme icon name; may be empty
  bool Enabled = true;
};

struct ContextMenuModel {
  QString Path;          // the item, in the FromNativeName form
  QString ContentType;   // its MIME type, e.g. "text/plain" or "inode/directory"
  bool IsFolder = false;
  std::vector<MenuEntry> Entries;
  // Every application for the type, the default one first. Entries whose
  // program is missing are left out.
  std::vector<MenuApplication> Applications;
};

inline const QString OpenCaption = QStringLiteral("Открыть");
inline const QString OpenWithCaption = QStringLiteral("Открыть с помощью");
inline const QString OpenTerminalCaption = QStringLiteral("Открыть терминал здесь");
inline const QString CopyPathCaption = QStringLiteral("Копировать путь");
inline const QString MoveToTrashCaption = QStringLiteral("В корзину");
inline const QString DeleteCaption = QStringLiteral("Удалить");
inline const QString RenameCaption = QStringLiteral("Переименовать");
inline const QString PropertiesCaption = QStringLiteral("Свойства");

// The menu for `path` (a trailing "/" is ignored, except for "/" itself). An
// item that cannot be found (vanished) is an error; a path outside the file
// system (the computer's list) gives a menu without entries.
ErrorOr<ContextMenuModel> BuildContextMenu(const QString& path, MenuScope scope);

// The item's type as GIO sees it (links followed; a dangling link is
// "inode/symlink"). An error when the item cannot be found.
ErrorOr<QString> ContentTypeOfPath(const QString& path);
// The applications for a type, the default one first, without entries whose
// program cannot be found.
std::vector<MenuApplication> ApplicationsForType(const QString& contentType);

// Opens `path` with the default application of its type.
ErrorOrDone OpenWithDefault(const QString& path);
// Starts the application `applicationId` with `path` as its file.
ErrorOrDone LaunchApplication(const QString& applicationId, const QString& path);

// The terminal program: x-terminal-emulator (the system's chosen terminal),
// else the first application of the category TerminalEmulator whose program
// exists, else a common terminal found in PATH. Empty when there is none.
QString TerminalProgram();
// The folder a terminal opens in for `path`: the folder itself, or a file's folder.
QString TerminalFolderFor(const QString& path, bool isFolder);
// Starts the terminal with `folder` as its working directory; a terminal that
// ends with a failure within seconds is reported through the error guard.
ErrorOrDone OpenTerminalIn(const QString& folder);

// The two forms of a path put on the clipboard: readable text (bytes that are
// not UTF-8 shown as U+FFFD) and a file URI that keeps the exact bytes
// (percent-encoded), for a text/uri-list.
struct ClipboardPath {
  QString Text;
  QByteArray Uri;
};
ClipboardPath PathForClipboard(const QString& path);

}  // namespace zarn
