#include "panel/panelcommands.h"

#include "panel/mainwindowhooks.h"
#include "panel/tform4.h"
#include "platform/errors.h"
#include "platform/pathtext.h"

namespace zarn {
namespace {

void SetPanelGlyph(const QString& name) {
  if (MainWindowHooks.SetPanelGlyph) MainWindowHooks.SetPanelGlyph(name);
}

// The path box may show a place that is no folder on disk (the computer's
// volume list); the panel cannot list it and copy could not write into it.
QString MainFolderForPanel() {
  const QString text = MainWindowHooks.PathText ? MainWindowHooks.PathText() : QString();
  if (!text.startsWith(QLatin1Char('/'))) {
    RaiseError(QStringLiteral("Эта папка не может быть открыта в панели: ") + text);
  }
  return WithTrailingSlash(text);
}

void NavigateMainWindow(const QString& path) {
  if (MainWindowHooks.SetPath) MainWindowHooks.SetPath(path);
  if (MainWindowHooks.ScrollTreeSelectionToTop) MainWindowHooks.ScrollTreeSelectionToTop();
}

void FillPanel() {
  if (Form4) Form4->FillPanelList(PanelPath);
}

}  // namespace

bool SecondPanelVisible() { return Form4 && Form4->isVisible(); }

void ShowSecondPanel() {
  if (Form4 && !Form4->isVisible()) Form4->show();
  SetPanelGlyph(QStringLiteral("TOONE"));
}

void SendFolderToPanel() {
  ShowSecondPanel();
  PanelPath = MainFolderForPanel();
  FillPanel();
}

void BringPanelFolderToMain() {
  ShowSecondPanel();
  // Until the panel has a folder there is nowhere to go.
  if (PanelPath.isEmpty()) return;
  NavigateMainWindow(PanelPath);
}

void SwapPanelFolders() {
  ShowSecondPanel();
  const QString mainFolder = MainFolderForPanel();
  // An empty panel has no folder to give back; the main window keeps its own.
  if (!PanelPath.isEmpty()) NavigateMainWindow(PanelPath);
  PanelPath = mainFolder;
  FillPanel();
}

void ToggleSecondPanel() {
  if (SecondPanelVisible()) {
    Form4->hide();
    SetPanelGlyph(QStringLiteral("TOTWO"));
  } else {
    if (Form4) Form4->show();
    SetPanelGlyph(QStringLiteral("TOONE"));
  }
}

}  // namespace zarn
