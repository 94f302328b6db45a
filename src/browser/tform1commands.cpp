// The main window's command table and its commands: the list's keys, marking,
// opening, viewing and editing rows, the viewers' toggle, the command line,
// and the buttons that open the other windows. Navigation is in
// tform1navigation.cpp, the file commands in ops/filecommands.

#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>

#include "browser/browsingstate.h"
#include "browser/folderitems.h"
#include "browser/maincommandhost.h"
#include "browser/maincommands.h"
#include "browser/tform1.h"
#include "browser/tlistview.h"
#include "ops/filemask.h"
#include "ops/launchcommands.h"
#include "ops/listkeys.h"
#include "ops/tselekt.h"
#include "panel/panelcommands.h"
#include "panel/tform4.h"
#include "platform/guard.h"
#include "platform/prompter.h"
#include "search/tfilesch.h"
#include "settings/taboutbox.h"
#include "settings/textent.h"
#include "settings/tset1.h"
#include "viewer/trf.h"
#include "viewer/tshpic.h"
#include "viewer/viewfile.h"

namespace zarn {
namespace {

// A picture button of the top panel's small row.
TCommandButton Small(int left, const char* themeIcon, QStyle::StandardPixmap styleIcon, const char* glyph = nullptr) {
  return {CommandPanel::Top, QRect(left, 62, 24, 23), false, nullptr, glyph, themeIcon, styleIcon};
}

TCommandButton SmallAtRight(int left, const char* themeIcon, QStyle::StandardPixmap styleIcon) {
  return {CommandPanel::Top, QRect(left, 62, 24, 23), true, nullptr, nullptr, themeIcon, styleIcon};
}

// A picture button of the right panel's column.
TCommandButton Right(int top, const char* themeIcon, QStyle::StandardPixmap styleIcon) {
  return {CommandPanel::Right, QRect(8, top, 35, 35), false, nullptr, nullptr, themeIcon, styleIcon};
}

constexpr TCommandButton NoButton{};

TCommandKey KeyWith(int key, Qt::KeyboardModifiers required) { return {key, required, Qt::NoModifier}; }
TCommandKey KeyWithout(int key, Qt::KeyboardModifiers excluded) { return {key, Qt::NoModifier, excluded}; }

}  // namespace

std::span<const TMainCommand> TForm1::CommandTable() {
  static const std::vector<TMainCommand> table = {
      // The top panel: "Inf", then the small buttons from left to right.
      {"Button2", "Помощь/Help",
       {CommandPanel::Top, QRect(614, 37, 24, 17), true, "Inf"},
       {{Qt::Key_F1}},
       [](TForm1& form) { form.Button2Click(); }},
      {"SpeedButton1", "Закончить / Exit", Small(5, "application-exit", QStyle::SP_DialogCloseButton), {},
       [](TForm1& form) { form.close(); }},
      {"SpeedButton18", "Обновить левую панель / Update left panel",
       Small(37, "view-refresh", QStyle::SP_BrowserReload), {}, [](TForm1& form) { form.SpeedButton18Click(); }},
      {"SpeedButton17", "Отрыть 2-ю панель / Second panel",
       Small(64, nullptr, QStyle::SP_FileDialogDetailedView, "TOTWO"), {}, [](TForm1&) { ToggleSecondPanel(); }},
      {"SpeedButton16", "C нижней панели наверх / To UP", Small(91, nullptr, QStyle::SP_ArrowUp, "TOUP"), {},
       [](TForm1&) { BringPanelFolderToMain(); }},
      {"SpeedButton15", "На нижнюю панель / To DOWN", Small(119, nullptr, QStyle::SP_ArrowDown, "TODOWN"), {},
       [](TForm1&) { SendFolderToPanel(); }},
      {"SpeedButton14", "Обменять панели / Swup panel", Small(147, "view-refresh", QStyle::SP_BrowserReload, "TOONE"),
       {}, [](TForm1&) { SwapPanelFolders(); }},
      {"SpeedButton13", "Свернуть - Развернуть левую панель  /Close-Open left panel",
       Small(174, nullptr, QStyle::SP_ArrowLeft, "TOLEFT"), {}, [](TForm1& form) { form.SpeedButton13Click(); }},
      {"SpeedButton2", "Вверх на один уровень / Up level", Small(202, "go-up", QStyle::SP_FileDialogToParent),
       {{Qt::Key_Backspace, Qt::NoModifier, Qt::NoModifier, WhileEditing::No}},
       [](TForm1& form) { form.UpOneLevel(); }},
      {"SpeedButton19", "Обновить список / Update List", SmallAtRight(585, "view-refresh", QStyle::SP_BrowserReload),
       {}, [](TForm1& form) { form.SpeedButton19Click(); }},
      {"SpeedButton20", "Выбрать файлы / Select files",
       SmallAtRight(614, "edit-select-all", QStyle::SP_FileDialogListView), {}, [](TForm1&) {
         if (Selekt) Selekt->exec();
       }},
      // The right panel, from top to bottom.
      {"SpeedButton12", "Доп. панель открыить-Закрыть / New panel",
       {CommandPanel::Right, QRect(8, 9, 35, 22), false, nullptr, nullptr, "window-new", QStyle::SP_TitleBarMaxButton},
       {}, [](TForm1& form) { form.SpeedButton12Click(); }},
      {"SpeedButton3", "Переименовать / Rename", Right(40, "edit-rename", QStyle::SP_FileDialogInfoView), {},
       [](TForm1& form) {
         if (!form.RefuseInArchive()) form.Commands().RenameByDialog();
       }},
      {"SpeedButton4", "Просмотреть / View", Right(82, "document-preview", QStyle::SP_FileDialogContentsView),
       {{Qt::Key_F3}}, [](TForm1& form) { form.SpeedButton4Click(); }},
      {"SpeedButton5", "Редактировать / Edit", Right(124, "document-edit", QStyle::SP_FileIcon),
       {KeyWithout(Qt::Key_F4, Qt::ShiftModifier)}, [](TForm1& form) { form.SpeedButton5Click(); }},
      {"SpeedButton6", "Копировать / Copy", Right(166, "edit-copy", QStyle::SP_ArrowForward), {{Qt::Key_F5}},
       [](TForm1& form) {
         if (form.InArchive()) return form.CopyOutOfArchive();
         form.Commands().Copy();
       }},
      {"SpeedButton7", "Переместить / Move", Right(208, "go-next", QStyle::SP_MediaSeekForward), {{Qt::Key_F6}},
       [](TForm1& form) {
         if (!form.RefuseInArchive()) form.Commands().Move();
       }},
      {"SpeedButton8", "Создать / Create", Right(250, "folder-new", QStyle::SP_FileDialogNewFolder), {{Qt::Key_F7}},
       [](TForm1& form) {
         if (!form.RefuseInArchive()) form.Commands().CreateFolder();
       }},
      {"SpeedButton9", "Удалить / Delete", Right(292, "edit-delete", QStyle::SP_TrashIcon), {{Qt::Key_F8}},
       [](TForm1& form) {
         if (!form.RefuseInArchive()) form.Commands().Delete();
       }},
      {"SpeedButton10", "Настройки / Setup", Right(334, "preferences-system", QStyle::SP_ComputerIcon), {{Qt::Key_F9}},
       [](TForm1& form) { form.SpeedButton10Click(); }},
      {"SpeedButton11", "Настройка расширений / Run extensions",
       Right(376, "preferences-desktop", QStyle::SP_DriveHDIcon), {{Qt::Key_F10}},
       [](TForm1& form) { form.SpeedButton11Click(); }},
      // The bottom panel.
      {"Button1", "", {CommandPanel::Bottom, QRect(8, 5, 75, 23), false, "Искать"}, {},
       [](TForm1& form) { form.Button1Click(); }},
      // The list's keys of their own.
      {"OpenRow", "", NoButton, {{Qt::Key_Return}, {Qt::Key_Enter}},
       [](TForm1& form) { form.OpenRow(form.ListView->CurrentRow()); }},
      {"ToggleMark", "", NoButton, {{Qt::Key_Space}},
       [](TForm1& form) { form.Selection().ToggleMark(MarkAdvance::Stay); }},
      {"ToggleMarkAndAdvance", "", NoButton, {{Qt::Key_Insert}},
       [](TForm1& form) { form.Selection().ToggleMark(MarkAdvance::NextRow); }},
      {"StopWork", "", NoButton, {{Qt::Key_Escape, Qt::NoModifier, Qt::NoModifier, WhileEditing::No}},
       [](TForm1& form) {
         if (form.StopListing()) return;
         form.Selection().StopCounting();
         form.SetStatus(IdleStatusAfterKey);
       },
       StatusAfterKey::Kept},
      {"InsertPathInCommandLine", "", NoButton, {KeyWith(Qt::Key_J, Qt::ControlModifier)},
       [](TForm1& form) { form.InsertPathInCommandLine(); }},
      {"MarkByMask", "", NoButton, {KeyWith(Qt::Key_Plus, Qt::KeypadModifier)},
       [](TForm1& form) { form.RunMaskKey(MaskBox::Mark); }},
      {"UnmarkByMask", "", NoButton, {KeyWith(Qt::Key_Minus, Qt::KeypadModifier)},
       [](TForm1& form) { form.RunMaskKey(MaskBox::Unmark); }},
      {"OpenAsFolder", "", NoButton, {KeyWith(Qt::Key_PageDown, Qt::ControlModifier)},
       [](TForm1& form) { form.OpenAsFolder(form.ListView->CurrentRow()); }},
      {"RenameInPlace", "", NoButton, {{Qt::Key_F2}},
       [](TForm1& form) {
         if (!form.RefuseInArchive()) form.Commands().PrepareInPlaceRename();
       }},
      {"CreateTextFile", "", NoButton, {KeyWith(Qt::Key_F4, Qt::ShiftModifier)},
       [](TForm1& form) {
         if (form.RefuseInArchive()) return;
         CreateTextFile(form.PathText(), [&form] { form.SetPath(form.PathText()); });
       },
       StatusAfterKey::Kept},
      // Backspace while a name is edited belongs to the editor: nothing at all.
      {"BackspaceWhileEditing", "", NoButton, {{Qt::Key_Backspace, Qt::NoModifier, Qt::NoModifier, WhileEditing::Yes}},
       nullptr, StatusAfterKey::Kept},
  };
  return table;
}

void TForm1::ListViewKeyDown(QKeyEvent* event, bool* handled) {
  const TMainCommand* command = CommandForKey(CommandTable(), event->key(), event->modifiers(), ListView->IsEditingName());
  *handled = command != nullptr;
  if (command && command->Run) command->Run(*this);
  // Every key the list gets ends in the idle text, keys of no command included.
  if (!command || command->Status == StatusAfterKey::Idle) SetStatus(IdleStatusAfterKey);
}

// ---- Marks

std::vector<TMarkRow> TForm1::MarkRows(int first, int last) const {
  std::vector<TMarkRow> rows;
  rows.reserve(size_t(last - first));
  for (int row = first; row < last; ++row) {
    const TShellItem& item = Items_->GetItem(row);
    rows.push_back({item.DisplayName, Items_->IsFolderRow(row), item.Marked});
  }
  return rows;
}

void TForm1::MarkByOperation(MarkOperation operation, const QString& mask) {
  // The mask is checked once: the slices then cannot fail.
  if (operation != MarkOperation::Invert) ValueOrRaise(TFileMask::Compile(mask));
  const QStringList panelCaptions = Form4 ? Form4->Captions() : QStringList();
  Commands_->Selection.MarkRows([this, operation, mask, panelCaptions](int first, int last) {
    std::vector<TMarkRow> rows = MarkRows(first, last);
    (void)ApplyMarkOperation(operation, rows, mask, panelCaptions);
    for (int row = first; row < last; ++row) Items_->GetItem(row).Marked = rows[size_t(row - first)].Marked;
  });
}

// A choice of the selection-modes window.
void TForm1::RunMarkOperation(MarkOperation operation, const QString& mask) { MarkByOperation(operation, mask); }

void TForm1::RunMaskKey(MaskBox box) {
  const QString mask = AskMaskForKey(box);
  MarkByOperation(box == MaskBox::Mark ? MarkOperation::Mark : MarkOperation::Unmark, mask);
}

// A new listing: workers of the old one must not report into it.
void TForm1::ListingReplaced() {
  ++Commands_->Host.Generation;
  Commands_->Selection.StopCounting();
  Commands_->Workers.StopAll();
  ShowSummary(InitialSelectionText);
}

// ---- Rows handed to other windows and programs

QString TForm1::RowPath(int row) const {
  return Items_->CurrentFolder()->GetDisplayNameOf(Items_->GetItem(row).IdList, SHGDN_FORPARSING);
}

void TForm1::OpenFile(int row) {
  if (InArchive()) return OpenArchiveFile(row);
  OpenFileRow(RowPath(row), PathText());
}

void TForm1::SpeedButton4Click() {
  const int row = ListView->CurrentRow();
  if (!ListView->hasFocus() || row < 0) {
    Prompter().ShowMessage(QStringLiteral("Ничего не выбрано"));
    return;
  }
  SetStatus(QStringLiteral(" Просмотр..."));
  if (Items_->IsFolderRow(row)) return;
  ViewFileName = ReadableRowPath(row, ViewedCopy_);
  const ViewerChoice choice = ChooseViewer(ViewFileName);
  if (StartExternalViewer(choice, ViewFileName)) return;
  LastViewWasPicture = choice == ViewerChoice::PictureViewer;
  if (!RF || !SHPIC) return;
  if (!LastViewWasPicture) {
    if (!RF->isVisible()) {
      RF->show();
      SHPIC->hide();
    }
    RF->ViewFile();
  } else if (SHPIC->isVisible()) {
    SHPIC->LoadPicture();
  } else {
    SHPIC->show();
    RF->hide();
  }
}

void TForm1::SpeedButton5Click() {
  const int row = ListView->CurrentRow();
  if (!ListView->hasFocus() || row < 0) {
    Prompter().ShowMessage(QStringLiteral("Ничего не выбрано"));
    return;
  }
  SetStatus(QStringLiteral("Редактирование."));
  if (Items_->IsFolderRow(row) || RefuseInArchive()) return;
  EditFile(RowPath(row));
}

void TForm1::SpeedButton12Click() {
  if (!RF || !SHPIC) return;
  QWidget* shown = LastViewWasPicture ? static_cast<QWidget*>(SHPIC) : static_cast<QWidget*>(RF);
  QWidget* hidden = LastViewWasPicture ? static_cast<QWidget*>(RF) : static_cast<QWidget*>(SHPIC);
  shown->setVisible(!shown->isVisible());
  hidden->hide();
}

void TForm1::InsertPathInCommandLine() {
  if (ListView->CurrentRow() < 0) return;
  ComboBox1->setEditText(CommandLineWithPath(ComboBox1->currentText(), RowPath(ListView->CurrentRow())));
}

void TForm1::ComboBox1Enter() {
  const QString text = ComboBox1->currentText();
  const QString folder = DirectoryExists(PathText()) ? PathText() : QString();
  if (RunCommandLine(text, folder, CommandHistory_)) {
    const QSignalBlocker blocker(ComboBox1);
    ComboBox1->addItem(text);
    ComboBox1->setEditText(text);
  }
}

// ---- The other windows

void TForm1::Button2Click() {
  if (AboutBox) AboutBox->exec();
  SetStatus(QStringLiteral("Жду команды..."));
}

void TForm1::Button1Click() {
  if (!FILESCH) return;
  FILESCH->Edit1->setText(PathText());
  FILESCH->show();
}

void TForm1::SpeedButton10Click() {
  SetStatus(QStringLiteral("Настройка."));
  if (Set1) Set1->show();
}

void TForm1::SpeedButton11Click() {
  SetStatus(QStringLiteral("Настр. расширений. "));
  if (Extent) Extent->show();
}

}  // namespace zarn
