// The main window's commands that hand a row to another window or program:
// open, view, edit, the viewer toggle and the command line.

#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QToolButton>

#include "browser/browsingstate.h"
#include "browser/folderitems.h"
#include "browser/tform1.h"
#include "browser/tlistview.h"
#include "browser/maincommandhost.h"
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

void TForm1::ConnectCommands() {
  auto button = [this](const char* name) { return findChild<QToolButton*>(QLatin1String(name)); };
  TFileCommands& commands = Commands_->Commands;
  connect(button("SpeedButton3"), &QToolButton::clicked, this, GuardedSlot([&commands] { commands.RenameByDialog(); }));
  connect(button("SpeedButton6"), &QToolButton::clicked, this, GuardedSlot([&commands] { commands.Copy(); }));
  connect(button("SpeedButton7"), &QToolButton::clicked, this, GuardedSlot([&commands] { commands.Move(); }));
  connect(button("SpeedButton8"), &QToolButton::clicked, this, GuardedSlot([&commands] { commands.CreateFolder(); }));
  connect(button("SpeedButton9"), &QToolButton::clicked, this, GuardedSlot([&commands] { commands.Delete(); }));
  connect(button("SpeedButton14"), &QToolButton::clicked, this, GuardedSlot([] { SwapPanelFolders(); }));
  connect(button("SpeedButton15"), &QToolButton::clicked, this, GuardedSlot([] { SendFolderToPanel(); }));
  connect(button("SpeedButton16"), &QToolButton::clicked, this, GuardedSlot([] { BringPanelFolderToMain(); }));
  connect(button("SpeedButton17"), &QToolButton::clicked, this, GuardedSlot([] { ToggleSecondPanel(); }));
  connect(button("SpeedButton20"), &QToolButton::clicked, this, GuardedSlot([] {
            if (Selekt) Selekt->exec();
          }));
  connect(ListView, &QAbstractItemView::clicked, this, GuardedSlot([this] { Commands_->Selection.ListViewClick(); }));
  // The rename lists the folder again, which must wait until the editor has
  // handed over its text and closed: a listing under an open editor drops it.
  connect(
      Items_, &TFolderItems::NameEdited, this,
      [this](int, const QString& text) { Guarded([&] { Commands_->Commands.ListViewEdited(text); }); },
      Qt::QueuedConnection);
}

std::vector<TMarkRow> TForm1::MarkRows() const {
  std::vector<TMarkRow> rows;
  rows.reserve(size_t(Items_->Count()));
  for (int row = 0; row < Items_->Count(); ++row) {
    const TShellItem& item = Items_->GetItem(row);
    rows.push_back({item.DisplayName, Items_->IsFolderRow(row), item.Marked});
  }
  return rows;
}

void TForm1::ApplyMarkRows(const std::vector<TMarkRow>& rows) {
  for (int row = 0; row < Items_->Count() && size_t(row) < rows.size(); ++row) {
    Items_->GetItem(row).Marked = rows[size_t(row)].Marked;
  }
  ListView->viewport()->update();
  Commands_->Selection.ShowSelectionInfo();
}

// A choice of the selection-modes window.
void TForm1::RunMarkOperation(MarkOperation operation, const QString& mask) {
  std::vector<TMarkRow> rows = MarkRows();
  const QStringList panelCaptions = Form4 ? Form4->Captions() : QStringList();
  const ErrorOrDone result = ApplyMarkOperation(operation, rows, mask, panelCaptions);
  if (result.IsError()) RaiseError(result.Error());
  ApplyMarkRows(rows);
}

// A new listing: workers of the old one must not report into it.
void TForm1::ListingReplaced() {
  ++Commands_->Host.Generation;
  Commands_->Workers.StopAll();
  ShowSummary(InitialSelectionText);
}

// Keys of the marking and file-command layer; false for other commands.
bool TForm1::RunCommandKey(ListKeyCommand command) {
  switch (command) {
    case ListKeyCommand::ToggleMark: Commands_->Selection.ToggleMark(MarkAdvance::Stay); return true;
    case ListKeyCommand::ToggleMarkAndAdvance: Commands_->Selection.ToggleMark(MarkAdvance::NextRow); return true;
    case ListKeyCommand::Rename: Commands_->Commands.PrepareInPlaceRename(); return true;
    case ListKeyCommand::Copy: Commands_->Commands.Copy(); return true;
    case ListKeyCommand::Move: Commands_->Commands.Move(); return true;
    case ListKeyCommand::CreateFolder: Commands_->Commands.CreateFolder(); return true;
    case ListKeyCommand::Delete: Commands_->Commands.Delete(); return true;
    case ListKeyCommand::MarkByMask:
    case ListKeyCommand::UnmarkByMask: RunMaskKey(command); return true;
    default: return false;
  }
}

void TForm1::RunMaskKey(ListKeyCommand command) {
  const QString mask = AskMaskForKey(command);
  std::vector<TMarkRow> rows = MarkRows();
  const auto result = command == ListKeyCommand::MarkByMask ? MarkByMask(rows, mask) : UnmarkByMask(rows, mask);
  if (result.IsError()) RaiseError(result.Error());
  ApplyMarkRows(rows);
}

QString TForm1::RowPath(int row) const {
  return Items_->CurrentFolder()->GetDisplayNameOf(Items_->GetItem(row).IdList, SHGDN_FORPARSING);
}

void TForm1::OpenFile(int row) { OpenFileRow(RowPath(row), PathText()); }

void TForm1::SpeedButton4Click() {
  const int row = ListView->CurrentRow();
  if (!ListView->hasFocus() || row < 0) {
    Prompter().ShowMessage(QStringLiteral("Ничего не выбрано"));
    return;
  }
  SetStatus(QStringLiteral(" Просмотр..."));
  if (Items_->IsFolderRow(row)) return;
  ViewFileName = RowPath(row);
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
  if (Items_->IsFolderRow(row)) return;
  EditFile(RowPath(row));
}

void TForm1::SpeedButton12Click() {
  if (!RF || !SHPIC) return;
  QWidget* shown = LastViewWasPicture ? static_cast<QWidget*>(SHPIC) : static_cast<QWidget*>(RF);
  QWidget* hidden = LastViewWasPicture ? static_cast<QWidget*>(RF) : static_cast<QWidget*>(SHPIC);
  shown->setVisible(!shown->isVisible());
  hidden->hide();
}

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

void TForm1::ComboBox1Enter() {
  const QString text = ComboBox1->currentText();
  const QString folder = DirectoryExists(PathText()) ? PathText() : QString();
  if (RunCommandLine(text, folder, CommandHistory_)) {
    const QSignalBlocker blocker(ComboBox1);
    ComboBox1->addItem(text);
    ComboBox1->setEditText(text);
  }
}

}  // namespace zarn
