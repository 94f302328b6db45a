#include "app/program.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QIcon>
#include <QLibraryInfo>
#include <QToolButton>
#include <QTranslator>

#include "app/focusreturn.h"
#include "app/messageboxes.h"
#include "app/probe.h"
#include "app/windowplacement.h"
#include "archives/archivefolder.h"
#include "browser/browsingstate.h"
#include "browser/shelltree.h"
#include "browser/tform1.h"
#include "browser/tlistview.h"
#include "ops/glyphs.h"
#include "ops/tselekt.h"
#include "panel/mainwindowhooks.h"
#include "panel/panelcommands.h"
#include "panel/tform4.h"
#include "platform/guard.h"
#include "search/tfb.h"
#include "search/tfilesch.h"
#include "settings/taboutbox.h"
#include "settings/textent.h"
#include "settings/tset1.h"
#include "viewer/textviewer.h"
#include "viewer/trf.h"
#include "viewer/tshpic.h"

namespace zarn {
namespace {

// The windows reach each other through these hooks, set once all exist.
void ConnectPanel(TForm1& form1, TForm4& panel) {
  MainWindowHooks.PathText = [&form1] { return form1.PathText(); };
  MainWindowHooks.SetPath = [&form1](const QString& path) { form1.SetPath(path); };
  MainWindowHooks.ScrollTreeSelectionToTop = [&form1] { form1.ShellTreeView1->ScrollSelectedToTop(); };
  MainWindowHooks.SetFocusName = [](const QString& name) { FocusName = name; };
  MainWindowHooks.SetPanelGlyph = [&form1](const QString& glyph) {
    auto* button = form1.findChild<QToolButton*>(QStringLiteral("SpeedButton17"));
    button->setIcon(LoadBitmapA(glyph));
    button->setProperty("glyph", glyph);
  };
  form1.RefreshPanelDrives = [&panel] { panel.RefreshDrives(); };
}

void ConnectWindows(TForm1& form1, TFILESCH& fileSearch, TSet1& settings, TExtent& extensions, TSelekt& modes) {
  modes.OnRunOperation = [&form1](MarkOperation operation, const QString& mask) {
    form1.RunMarkOperation(operation, mask);
  };
  modes.PanelVisible = [] { return SecondPanelVisible(); };
  modes.ShowPanel = [] { ShowSecondPanel(); };
  fileSearch.GoToResult = [&form1](const QString& folder, const QString& name) {
    FocusName = name;
    form1.ListView->setFocus();
    form1.SetPath(folder);
  };
  settings.OnOtherViewChanged = [&fileSearch](bool on) { fileSearch.CheckBox4->setChecked(on); };
  settings.OnFontHeightApplied = [&form1](int height) {
    form1.ListView->setFont(FontWithHeight(form1.ListView->font(), height));
    form1.ShellTreeView1->setFont(FontWithHeight(form1.ShellTreeView1->font(), height));
    form1.RefreshTree(2);
  };
  extensions.OnStatus = [&form1](const QString& text) { form1.SetStatus(text); };
}

void PlaceWindows(const TForm1& form1, const std::initializer_list<std::pair<QWidget*, WindowPlace>>& windows) {
  for (const auto& [window, place] : windows) PlaceOnFirstShow(*window, form1, place);
}

// The interface is Russian whatever the locale, Qt's own dialogs and menus
// included (file dialogs, the edit boxes' context menus).
void LoadQtRussianTexts(QTranslator& translator) {
  if (translator.load(QStringLiteral("qtbase_ru"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    QApplication::installTranslator(&translator);
  }
}

// Every window shows the program's icon, the one its menu entry shows; it is
// built in, so that a program run from its build folder has it too.
QIcon ProgramIcon() {
  QIcon icon;
  const QString sizes = QStringLiteral(":/icons");
  for (const QString& size : QDir(sizes).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
    icon.addFile(sizes + QLatin1Char('/') + size + QStringLiteral("/zarn.png"));
  }
  return icon;
}

}  // namespace

int RunProgram(int argc, char** argv) {
  QApplication application(argc, argv);
  // Only the name: a display name would be appended to every window's caption.
  QApplication::setApplicationName(QStringLiteral("Zarn"));
  QApplication::setDesktopFileName(QStringLiteral("zarn"));
  QApplication::setWindowIcon(ProgramIcon());
  QTranslator qtTexts;
  LoadQtRussianTexts(qtTexts);
  // Closing the main window ends the program, whatever else is open.
  QApplication::setQuitOnLastWindowClosed(false);
  TMessageBoxPrompter prompter;
  SetPrompter(&prompter);
  RegisterArchiveFolders();
  // The windows in their fixed order; each lives for the whole run.
  TForm1 form1;
  TForm4 panel;
  ConnectPanel(form1, panel);
  TAboutBox aboutBox;
  TRF textViewer;
  TSHPIC pictureViewer;
  TFILESCH fileSearch;
  TFB searchFolders;
  TSet1 settings;
  TExtent extensions;
  TSelekt selectionModes;
  InstallMouseWheelHook(&textViewer);
  ConnectWindows(form1, fileSearch, settings, extensions, selectionModes);
  PlaceWindows(form1, {{&panel, WindowPlace::Below},
                      {&textViewer, WindowPlace::RightOf},
                      {&pictureViewer, WindowPlace::RightOf},
                      {&fileSearch, WindowPlace::RightOf},
                      {&aboutBox, WindowPlace::CentredOver},
                      {&searchFolders, WindowPlace::CentredOver},
                      {&settings, WindowPlace::CentredOver},
                      {&extensions, WindowPlace::CentredOver},
                      {&selectionModes, WindowPlace::CentredOver}});
  ReturnFocusWhenWindowsClose();
  StartProbeIfAsked();
  form1.show();
  const int result = QApplication::exec();
  SetPrompter(nullptr);
  return result;
}

}  // namespace zarn
