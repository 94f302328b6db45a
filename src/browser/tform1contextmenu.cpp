// The main window's context menu on its folder list: the menu of the selected
// row, or of the listed folder when no row is selected, and afterwards the
// folder listed again with the cursor back on that row.

#include <QCursor>
#include <QItemSelectionModel>
#include <QTimer>

#include <sys/stat.h>

#include "archives/archivefolder.h"
#include "browser/browsingstate.h"
#include "browser/folderitems.h"
#include "browser/shellcontextmenu.h"
#include "browser/tform1.h"
#include "browser/tlistview.h"
#include "ops/filecommands.h"
#include "ops/selection.h"
#include "platform/filenames.h"
#include "platform/guard.h"

namespace zarn {
namespace {

int FirstSelectedRow(const TListView& list) {
  if (!list.selectionModel()) return -1;
  int first = -1;
  for (const QModelIndex& index : list.selectionModel()->selectedRows()) {
    if (first < 0 || index.row() < first) first = index.row();
  }
  return first;
}

// At the mouse pointer; when the pointer is elsewhere (the context-menu key),
// at the row, or else at the list's corner.
QPoint MenuPoint(const TListView& list, int row) {
  const QPoint pointer = QCursor::pos();
  if (list.viewport()->rect().contains(list.viewport()->mapFromGlobal(pointer))) return pointer;
  if (row >= 0) {
    const QRect cell = list.visualRect(list.model()->index(row, 0));
    if (cell.isValid()) return list.viewport()->mapToGlobal(cell.center());
  }
  return list.viewport()->mapToGlobal(QPoint(0, 0));
}

bool ItemExists(const QString& path) {
  struct stat info;
  return ::lstat(ToNativeName(path).constData(), &info) == 0;
}

void ClearMarks(TForm1& form) {
  for (TShellItem& item : form.Items().FolderItems) item.Marked = false;
  form.ListView->viewport()->update();
  form.Selection().ShowSelectionInfo();
}

// The row commands act on the menu's row only, exactly as their keys do on
// the cursor row.
TContextMenuCommands RowCommands(TForm1& form, int row) {
  TContextMenuCommands commands;
  commands.DeleteRow = [&form, row](DeleteMode mode) {
    ClearMarks(form);
    form.ListView->SelectRow(row);
    form.ListView->setFocus();
    form.Commands().Delete(mode == DeleteMode::ToTrash);
  };
  // The edit starts once the folder has been listed again, on the row the
  // listing puts the cursor on, since a new listing ends any edit in progress.
  commands.RenameRow = [&form] {
    QTimer::singleShot(0, &form, GuardedSlot([&form] {
                         form.ListView->setFocus();
                         form.Commands().PrepareInPlaceRename();
                       }));
  };
  if (!form.Items().IsFolderRow(row) && LooksLikeArchive(form.RowPath(row), form.InArchive())) {
    commands.OpenAsFolder = [&form, row] { form.OpenAsFolder(row); };
  }
  if (form.Commands().RowNameNeedsRepair(row)) {
    commands.RepairRowName = [&form, row] { form.Commands().RepairNames(row); };
  }
  return commands;
}

}  // namespace

void TForm1::PopupMenu1Popup() {
  const int row = FirstSelectedRow(*ListView);
  const QPoint point = MenuPoint(*ListView, row);
  if (row < 0) {
    ShowShellContextMenu(PathText(), point, this, MenuScope::ListedFolder);
    SetPath(PathText());
    return;
  }
  FocusName = Items_->CurrentFolder()->GetDisplayNameOf(Items_->GetItem(row).IdList, SHGDN_NORMAL);
  const QString path = RowPath(row);
  if (InArchive()) {
    // Entering an archive and its names read anew list it anew by themselves.
    TContextMenuCommands commands = RowCommands(*this, row);
    commands.RepairRowName = nullptr;
    if (!LegacyArchiveNames(Items_->CurrentFolder()->Location()).empty()) {
      commands.RepairRowName = [this] { RepairArchiveNames(); };
    }
    ShowArchiveRowMenu(path, point, this, commands);
    return;
  }
  const MenuScope scope = Items_->CurrentPath() == ComputerParsingName ? MenuScope::Volume : MenuScope::Row;
  try {
    ShowShellContextMenu(path, point, this, scope, RowCommands(*this, row));
  } catch (const ZarnError& error) {
    if (ItemExists(path)) throw;
    // A vanished item must not stay listed: its error first, then the folder anew.
    ReportError(error.Text());
  }
  SetPath(PathText());
}

}  // namespace zarn
