#include "browser/shellcontextmenu.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QIcon>
#include <QMenu>
#include <QMimeData>

#include <utility>
#include <vector>

#include "browser/tpropertiesdialog.h"

namespace zarn {
namespace {

ContextMenuExec InstalledExec;
const QString OpenAsFolderCaption = QStringLiteral("Открыть как папку");

QIcon IconNamed(const QString& name) {
  if (name.isEmpty()) return {};
  // GIO names an icon either by theme name or by file path.
  if (name.startsWith(QLatin1Char('/'))) return QIcon(name);
  return QIcon::fromTheme(name);
}

using Handlers = std::vector<std::pair<QAction*, std::function<void()>>>;

class TMenuBuilder {
 public:
  TMenuBuilder(const ContextMenuModel& model, QWidget* owner, const TContextMenuCommands& commands)
      : Model_(model), Owner_(owner), Commands_(commands) {}

  void Fill(QMenu& menu) {
    for (const MenuEntry& entry : Model_.Entries) {
      if (entry.Kind == MenuEntryKind::Separator) {
        menu.addSeparator();
      } else if (entry.Kind == MenuEntryKind::OpenWith) {
        AddApplications(*menu.addMenu(IconNamed(entry.IconName), entry.Caption), entry.Enabled);
      } else if (auto handler = HandlerFor(entry.Kind)) {
        QAction* action = menu.addAction(IconNamed(entry.IconName), entry.Caption);
        action->setEnabled(entry.Enabled);
        Handlers_.push_back({action, std::move(handler)});
        if (entry.Kind == MenuEntryKind::Open && Commands_.OpenAsFolder) {
          Handlers_.push_back({menu.addAction(OpenAsFolderCaption), Commands_.OpenAsFolder});
        }
        if (entry.Kind == MenuEntryKind::Rename && Commands_.RepairRowName) {
          Handlers_.push_back({menu.addAction(QStringLiteral("Исправить имя…")), Commands_.RepairRowName});
        }
      }
    }
  }

  // Runs the handler of `chosen`; nothing for an action of no entry.
  void Run(QAction* chosen) const {
    for (const auto& [action, handler] : Handlers_) {
      if (action == chosen) return handler();
    }
  }

 private:
  void AddApplications(QMenu& submenu, bool enabled) {
    submenu.setEnabled(enabled);
    for (const MenuApplication& application : Model_.Applications) {
      QAction* action = submenu.addAction(IconNamed(application.IconName), application.Name);
      const QString id = application.Id;
      const QString path = Model_.Path;
      Handlers_.push_back({action, [id, path] { ValueOrRaise(LaunchApplication(id, path)); }});
    }
  }

  std::function<void()> HandlerFor(MenuEntryKind kind) const {
    const QString path = Model_.Path;
    switch (kind) {
      case MenuEntryKind::Open: return [path] { ValueOrRaise(OpenWithDefault(path)); };
      case MenuEntryKind::OpenTerminal: {
        const QString folder = TerminalFolderFor(path, Model_.IsFolder);
        return [folder] { ValueOrRaise(OpenTerminalIn(folder)); };
      }
      case MenuEntryKind::CopyPath: return [path] { CopyPathToClipboard(path); };
      case MenuEntryKind::MoveToTrash: return DeleteHandler(DeleteMode::ToTrash);
      case MenuEntryKind::Delete: return DeleteHandler(DeleteMode::ForGood);
      case MenuEntryKind::Rename: return Commands_.RenameRow;
      case MenuEntryKind::Properties: {
        QWidget* owner = Owner_;
        return [path, owner] { ShowItemProperties(path, owner); };
      }
      case MenuEntryKind::OpenWith:
      case MenuEntryKind::Separator: break;
    }
    return {};
  }

  std::function<void()> DeleteHandler(DeleteMode mode) const {
    if (!Commands_.DeleteRow) return {};
    auto deleteRow = Commands_.DeleteRow;
    return [deleteRow, mode] { deleteRow(mode); };
  }

  const ContextMenuModel& Model_;
  QWidget* Owner_;
  const TContextMenuCommands& Commands_;
  Handlers Handlers_;
};

QAction* ExecMenu(QMenu& menu, QPoint point) {
  return InstalledExec ? InstalledExec(menu, point) : menu.exec(point);
}

}  // namespace

void SetContextMenuExec(ContextMenuExec exec) { InstalledExec = std::move(exec); }

void CopyPathToClipboard(const QString& path) {
  const ClipboardPath forms = PathForClipboard(path);
  auto* data = new QMimeData;
  data->setText(forms.Text);
  // The URI keeps the exact bytes of a name that is not UTF-8.
  data->setData(QStringLiteral("text/uri-list"), forms.Uri + "\r\n");
  QGuiApplication::clipboard()->setMimeData(data);
}

void ShowShellContextMenu(const QString& path, QPoint point, QWidget* owner, MenuScope scope,
                          const TContextMenuCommands& commands) {
  const ContextMenuModel model = ValueOrRaise(BuildContextMenu(path, scope));
  if (model.Entries.empty()) return;
  QMenu menu(owner);
  menu.setObjectName(QStringLiteral("ShellContextMenu"));
  TMenuBuilder builder(model, owner, commands);
  builder.Fill(menu);
  QAction* chosen = ExecMenu(menu, point);
  if (chosen) builder.Run(chosen);
}

void ShowArchiveRowMenu(const QString& path, QPoint point, QWidget* owner, const TContextMenuCommands& commands) {
  QMenu menu(owner);
  menu.setObjectName(QStringLiteral("ShellContextMenu"));
  Handlers handlers;
  if (commands.OpenAsFolder) handlers.push_back({menu.addAction(OpenAsFolderCaption), commands.OpenAsFolder});
  if (commands.RepairRowName) {
    handlers.push_back({menu.addAction(QStringLiteral("Исправить имена архива…")), commands.RepairRowName});
  }
  handlers.push_back({menu.addAction(QIcon::fromTheme(QStringLiteral("edit-copy")), QStringLiteral("Копировать путь")),
                      [path] { CopyPathToClipboard(path); }});
  QAction* chosen = ExecMenu(menu, point);
  for (const auto& [action, handler] : handlers) {
    if (action == chosen) return handler();
  }
}

}  // namespace zarn
