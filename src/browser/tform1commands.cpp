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
#include "ops/launchcommands.h"
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
  if (RunCommandLine(text, CommandHistory_)) {
    const QSignalBlocker blocker(ComboBox1);
    ComboBox1->addItem(text);
    ComboBox1->setEditText(text);
  }
}

}  // namespace zarn
