#include "ops/filecommands.h"

#include <QThread>

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>

#include "ops/commandhost.h"
#include "ops/filecommands_texts.h"
#include "ops/selection.h"
#include "ops/shellfileop.h"
#include "platform/errors.h"
#include "platform/filenames.h"
#include "platform/prompter.h"

namespace zarn {

namespace {

DeleteAsker InstalledDeleteAsker;
std::chrono::milliseconds RenameSettleDelay{200};

const QString RenamingStatus = QStringLiteral(" Переименование!!! ");
const QString IdleStatus = QStringLiteral("Жду команды...");
const QString ObjectPrompt = QStringLiteral("Имя объекта");

QString RenameMessage(const QString& oldName, const QString& newName) {
  return QStringLiteral("Меняем имя : ") + oldName + QStringLiteral(" - на  -") + newName;
}

}  // namespace

// A "/" would make the new name a path and move the object out of its folder;
// "." and ".." name folders that exist already. An empty name is left to the
// engine, which refuses it.
bool IsSingleName(const QString& name) {
  return !name.contains(QLatin1Char('/')) && name != QLatin1String(".") && name != QLatin1String("..");
}

void SetDeleteAsker(DeleteAsker asker) { InstalledDeleteAsker = std::move(asker); }
void SetRenameSettleDelay(std::chrono::milliseconds delay) { RenameSettleDelay = delay; }

bool TFileCommands::CheckCurrentRow(const QString& refusal) {
  const int row = Host_.CurrentRow();
  if (Host_.ListHasFocus() && row >= 0 && row < Host_.ItemCount()) return true;
  Prompter().ShowMessage(refusal);
  return false;
}

void TFileCommands::FocusRowAfter(int row) {
  Host_.SetFocusName(row + 1 < Host_.ItemCount() ? Host_.ItemName(row + 1) : QString());
}

void TFileCommands::CollectObjects(FocusAfter focus) {
  TransferList.clear();
  const int count = Host_.ItemCount();
  for (int row = 0; row < count; ++row) {
    if (!Host_.ItemMarked(row)) continue;
    TransferList << Host_.ItemPath(row);
    if (focus == FocusAfter::RowAfterEachTaken) FocusRowAfter(row);
  }
  if (!TransferList.isEmpty()) return;
  const int current = Host_.CurrentRow();
  TransferList << Host_.ItemPath(current);
  if (focus != FocusAfter::Unchanged) FocusRowAfter(current);
}

void TFileCommands::ClearMarks() {
  const int count = Host_.ItemCount();
  for (int row = 0; row < count; ++row) Host_.SetItemMarked(row, false);
  Host_.RepaintList();
}

// The design handed the engine an empty destination before the panel had a
// folder; refuse instead.
bool TFileCommands::RefuseWithoutPanelFolder() {
  if (!Host_.PanelPath().isEmpty()) return false;
  Prompter().ShowMessage(NoPanelFolderText);
  return true;
}

void TFileCommands::Copy() {
  if (!CheckCurrentRow(QStringLiteral("Ничего не выбрано"))) return;
  Host_.SetStatusText(QStringLiteral(" Копирование..."));
  Host_.ShowPanel();
  CollectObjects(FocusAfter::Unchanged);
  if (RefuseWithoutPanelFolder()) return;
  const QString panelPath = Host_.PanelPath();
  const QString sourceName = FileNamePart(TransferList.first());
  std::optional<QString> name;
  if (TransferList.size() == 1) {
    name = Prompter().InputBox(QStringLiteral("Копировать с именем"), ObjectPrompt, sourceName);
    if (!name) return;
  } else if (!Prompter().Confirm(CopyConfirmationText(TransferList, panelPath), CopyConfirmationCaption)) {
    return;
  }
  if (name && *name != sourceName) {
    if (ShellFileOp(TransferList, panelPath + *name, FO_COPY, 0)) ClearMarks();
  } else if (ShellFileOp(TransferList, panelPath, FO_COPY, 0)) {
    ClearMarks();
  } else {
    Prompter().ShowMessage(QStringLiteral("Ошибка при выполнении копирования "));
  }
  Host_.FillPanelList();
  RelistWithoutVanishedSources();
}

// A source removed behind the window's back fails the copy but would stay
// listed, since a copy leaves the folder's listing alone; it is listed again
// then, the cursor kept on its row (or the next one when that row went).
void TFileCommands::RelistWithoutVanishedSources() {
  const auto vanished = [](const QString& path) {
    struct stat facts {};
    return ::lstat(ToNativeName(path).constData(), &facts) != 0 && errno == ENOENT;
  };
  if (std::none_of(TransferList.cbegin(), TransferList.cend(), vanished)) return;
  const int current = Host_.CurrentRow();
  if (current >= 0 && current < Host_.ItemCount()) {
    if (vanished(Host_.ItemPath(current))) FocusRowAfter(current);
    else Host_.SetFocusName(Host_.ItemName(current));
  }
  Host_.SetPath(Host_.PathText());
}

void TFileCommands::Move() {
  if (!CheckCurrentRow(QStringLiteral("Ничего не выбрано"))) return;
  Host_.RememberTreePosition();
  Host_.SetStatusText(QStringLiteral("Перемещение..."));
  Host_.ShowPanel();
  CollectObjects(FocusAfter::RowAfterCurrent);
  if (RefuseWithoutPanelFolder()) return;
  const QString panelPath = Host_.PanelPath();
  const QString sourceName = FileNamePart(TransferList.first());
  std::optional<QString> name;
  if (TransferList.size() == 1) {
    name = Prompter().InputBox(QStringLiteral("Переместить с именем"), ObjectPrompt, sourceName);
    if (!name) return;
  } else if (!Prompter().Confirm(MoveConfirmationText(int(TransferList.size()), panelPath),
                                 MoveConfirmationCaption)) {
    return;
  }
  if (name && *name != sourceName) {
    if (ShellFileOp(TransferList, panelPath + *name, FO_MOVE, 0)) ClearMarks();
  } else if (ShellFileOp(TransferList, panelPath, FO_MOVE, 0)) {
    ClearMarks();
  } else {
    Prompter().ShowMessage(QStringLiteral("Операция не выполнена"));
  }
  Host_.FillPanelList();
  Host_.RefreshTree();
  Host_.SetPath(Host_.PathText());
}

void TFileCommands::Delete(bool toTrash) {
  if (!CheckCurrentRow(QStringLiteral("Ничего не выбрано"))) return;
  Host_.RememberTreePosition();
  Host_.SetStatusText(QStringLiteral("Удаление..."));
  CollectObjects(FocusAfter::RowAfterEachTaken);
  const QString text = DeleteConfirmationText(TransferList);
  const DeleteChoice choice =
      InstalledDeleteAsker ? InstalledDeleteAsker(text, toTrash) : AskDeleteObjects(text, toTrash);
  if (choice.Answer == DeleteAnswer::Yes) {
    const quint16 flags = choice.ToTrash ? 0 : FOF_MULTIDESTFILES;
    if (ShellFileOp(TransferList, Host_.PanelPath(), FO_DELETE, flags)) {
      ClearMarks();
    } else {
      Prompter().ShowMessage(QStringLiteral("Ошибка при удалении"));
    }
  } else if (choice.Answer == DeleteAnswer::No) {
    Prompter().ShowMessage(QStringLiteral("Удаление отменено"));
  }
  Host_.RefreshTree();
  Host_.SetPath(Host_.PathText());
}

void TFileCommands::CreateFolder() {
  if (!Host_.ListHasFocus()) {
    Prompter().ShowMessage(QStringLiteral("Не выбрано исходной папки..."));
    return;
  }
  Host_.RememberTreePosition();
  Host_.SetStatusText(QStringLiteral("Создание папки."));
  const std::optional<QString> name =
      Prompter().InputBox(QStringLiteral("Создать новую папку"), QStringLiteral("Введите имя папки"),
                          QStringLiteral("Новая - "));
  if (!name) return;
  const QString path = Host_.PathText() + *name;
  if (::mkdir(ToNativeName(path).constData(), 0777) != 0) {
    const int error = errno;
    Prompter().ShowMessage(QStringLiteral("Ошибка при создании папки: ") + path + QStringLiteral("\n") +
                           SystemMessage(error));
    return;
  }
  Host_.RefreshTree();
  Host_.SetFocusName(*name);
  Host_.SetPath(Host_.PathText());
}

void TFileCommands::RenameByDialog() {
  if (!CheckCurrentRow(QStringLiteral("Объект не выбран..."))) return;
  Host_.RememberTreePosition();
  const QString path = Host_.PathText();
  Host_.SetStatusText(RenamingStatus);
  RenameDialog(path);
  Host_.SetStatusText(IdleStatus);
  // Gives the desktop's file watchers a moment before the folder is read again.
  if (RenameSettleDelay.count() > 0) QThread::msleep(static_cast<unsigned long>(RenameSettleDelay.count()));
  Host_.SetPath(path);
  Host_.RefreshTree();
}

void TFileCommands::RenameDialog(const QString& path) {
  CurrentItemName = Host_.ItemName(Host_.CurrentRow());
  const std::optional<QString> newName =
      Prompter().InputBox(QStringLiteral("Переименовать"), QStringLiteral("Введите новое имя"), CurrentItemName);
  if (!newName) return;
  RenameTo(path, CurrentItemName, *newName);
}

void TFileCommands::RenameTo(const QString& path, const QString& oldName, const QString& newName) {
  Prompter().ShowMessage(RenameMessage(oldName, newName));
  if (oldName == newName) return;
  if (!IsSingleName(newName)) {
    Prompter().ShowMessage(InvalidNameText + newName + QLatin1Char('\n') + SystemMessage(EINVAL));
    return;
  }
  // A failure has been shown by the engine's own error question.
  ShellRename(path + oldName, path + newName, true);
  Host_.SetFocusName(newName);
}

void TFileCommands::PrepareInPlaceRename() {
  const int row = Host_.CurrentRow();
  if (row < 0 || row >= Host_.ItemCount()) return;
  Host_.SetStatusText(RenamingStatus);
  CurrentItemName = Host_.ItemName(row);
  Host_.EditCurrentName();
}

void TFileCommands::ListViewEdited(const QString& newName) {
  Host_.RememberTreePosition();
  const QString oldName = CurrentItemName;
  if (oldName == newName) {
    Prompter().ShowMessage(RenameMessage(oldName, newName));
    return;
  }
  const QString path = Host_.PathText();
  RenameTo(path, oldName, newName);
  Host_.SetPath(path);
  Host_.RefreshTree();
}

}  // namespace zarn
