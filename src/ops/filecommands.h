#pragma once
// The main window's commands that change the file system: copy and move into
// the second panel's folder, delete (to the trash or for good), create folder,
// rename by dialog and by editing the name in the list. They act on the marked
// rows or, when none is marked, on the row under the cursor, through
// TCommandHost; every question goes through Prompter() (the delete question
// through the asker below). GUI thread only.

#include <QString>
#include <QStringList>

#include <chrono>
#include <functional>

namespace zarn {

class TCommandHost;

enum class DeleteAnswer { Yes, No, Closed };

struct DeleteChoice {
  DeleteAnswer Answer = DeleteAnswer::Closed;
  bool ToTrash = true;  // the dialog's "Удалять в корзину." check box
};

// Asks the delete question: a warning dialog with Yes (the default) and No
// (also Escape) and the trash check box, checked as `toTrash` says.
using DeleteAsker = std::function<DeleteChoice(const QString& text, bool toTrash)>;
DeleteChoice AskDeleteObjects(const QString& text, bool toTrash = true);
// Tests install canned answers; an empty function restores the dialog.
void SetDeleteAsker(DeleteAsker asker);

// The pause before the folder is listed again after a rename by dialog (tests use 0).
void SetRenameSettleDelay(std::chrono::milliseconds delay);

// Shown when copy or move is asked for before the second panel has a folder.
inline const QString NoPanelFolderText = QStringLiteral("Папка второй панели не выбрана");

// Shown, with the new name and the system's message, when a rename is given a
// path or "." or ".." instead of a name.
inline const QString InvalidNameText = QStringLiteral("Недопустимое имя: ");

// True when a new name names an object in the same folder.
bool IsSingleName(const QString& name);

class TFileCommands {
 public:
  explicit TFileCommands(TCommandHost& host) : Host_(host) {}

  void Copy();          // F5, SpeedButton6
  void Move();          // F6, SpeedButton7
  void CreateFolder();  // F7, SpeedButton8
  // F8, SpeedButton9; the context menu's two entries start the trash box each their way.
  void Delete(bool toTrash = true);
  void RenameByDialog();  // SpeedButton3
  // F2: the status line, the old name, then the current row's name in edit mode.
  void PrepareInPlaceRename();
  // The end of an in-place edit with the edited text.
  void ListViewEdited(const QString& newName);
  // Whether the row's name was written in another code page and can be repaired.
  bool RowNameNeedsRepair(int row) const;
  // "Исправить имя…" on `row`: the marked rows when `row` is marked, else the row.
  void RepairNames(int row);

  // The sources of the last copy, move or delete, in list order.
  QStringList TransferList;

 private:
  enum class FocusAfter { Unchanged, RowAfterCurrent, RowAfterEachTaken };

  bool CheckCurrentRow(const QString& refusal);
  void CollectObjects(FocusAfter focus);
  void FocusRowAfter(int row);
  void ClearMarks();
  bool RefuseWithoutPanelFolder();
  void RelistWithoutVanishedSources();
  void RenameDialog(const QString& path);
  void RenameTo(const QString& path, const QString& oldName, const QString& newName);

  TCommandHost& Host_;
};

}  // namespace zarn
