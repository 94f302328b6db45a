// The file search: a search by name, extension and text started from the
// keyboard, its results gone to, viewed and shown again, the folder chooser,
// and the fs.ini its window writes when it closes.

#include <QSet>

#include "scenario.h"

namespace zarn::e2e {
namespace {

class SearchScenario : public TZarnScenario {
 protected:
  void OpenSearchFrom(const QString& folder) {
    WriteSettings(QStringLiteral("zarn.ini"), {QStringLiteral("/bin/cat"), {}, {}, Home(folder)});
    Start();
    WaitListing(Home(folder));
    ClickNamed(QStringLiteral("Button1"), QStringLiteral("Form1"));
    WaitText(QStringLiteral("Edit1"), Home(folder), QStringLiteral("FILESCH"));
  }

  void Fill(const QString& field, const QString& text) { FillField(field, QStringLiteral("FILESCH"), text); }

  void Tick(const QString& box) {
    ClickNamed(box, QStringLiteral("FILESCH"));
    WaitFor(box + QStringLiteral(" ticked"), [&](const TUi& ui) {
      return ui.Widget(box, QStringLiteral("FILESCH")).value(QStringLiteral("checked")).toBool();
    });
  }

  TWidget Results() { return WaitWidget(QStringLiteral("ListBox1"), QStringLiteral("FILESCH")); }
};

TEST_F(SearchScenario, TextFoundInVisibleSubfoldersIsGoneToAndViewed) {
  CreateFile(QStringLiteral("s/a.txt"), "hello world");
  CreateFile(QStringLiteral("s/b.log"), "hello");
  CreateFile(QStringLiteral("s/sub/c.txt"), "they say HELLO");
  CreateFile(QStringLiteral("s/sub/d.txt"), "nothing here");
  CreateFile(QStringLiteral("s/.hidden/e.txt"), "hello");
  OpenSearchFrom(QStringLiteral("s/"));
  Fill(QStringLiteral("Edit3"), QStringLiteral("txt"));
  Tick(QStringLiteral("CheckBox1"));
  Fill(QStringLiteral("Edit5"), QStringLiteral("hello"));
  Tick(QStringLiteral("CheckBox2"));
  ClickNamed(QStringLiteral("Edit2"), QStringLiteral("FILESCH"));
  Key(QStringLiteral("Return"));
  DismissMessage(QStringLiteral("Поиск успешен! Выбери то, что нужно."));
  TWidget results = Results();
  const QStringList found = RowTexts(results);
  EXPECT_EQ(QSet<QString>(found.begin(), found.end()),
            (QSet<QString>{Home(QStringLiteral("s/a.txt")), Home(QStringLiteral("s/sub/c.txt"))}));
  EXPECT_EQ(Look().Text(QStringLiteral("Label9"), QStringLiteral("FILESCH")), QStringLiteral("2"));

  ClickRow(results, RowIndexOf(results, Home(QStringLiteral("s/sub/c.txt"))));
  ClickNamed(QStringLiteral("Button4"), QStringLiteral("FILESCH"));
  WaitListing(Home(QStringLiteral("s/sub/")));
  WaitFor(QStringLiteral("the cursor on c.txt"), [](const TUi& ui) {
    return ui.Widget(QStringLiteral("ListView"), QStringLiteral("Form1")).value(QStringLiteral("currentText")).toString() ==
           QStringLiteral("c.txt");
  });

  // The program's own viewer, not the external one the settings name.
  ClickNamed(QStringLiteral("CheckBox4"), QStringLiteral("FILESCH"));
  WaitFor(QStringLiteral("another view off"), [](const TUi& ui) {
    return !ui.Widget(QStringLiteral("CheckBox4"), QStringLiteral("FILESCH")).value(QStringLiteral("checked")).toBool();
  });
  results = Results();
  ClickRow(results, RowIndexOf(results, Home(QStringLiteral("s/a.txt"))), 2);
  WaitText(QStringLiteral("Memo1"), QStringLiteral("hello world"), QStringLiteral("RF"));
  EXPECT_EQ(Look().Text(QStringLiteral("Edit1"), QStringLiteral("RF")), QStringLiteral("hello"));
  ClickNamed(QStringLiteral("SpeedButton1"), QStringLiteral("FILESCH"));
  WaitFor(QStringLiteral("the viewer hidden"), [](const TUi& ui) { return !ui.Shown(QStringLiteral("RF")); });
  ClickNamed(QStringLiteral("SpeedButton1"), QStringLiteral("FILESCH"));
  WaitFor(QStringLiteral("the viewer back"), [](const TUi& ui) { return ui.Shown(QStringLiteral("RF")); });

  CloseByCloseBox(QStringLiteral("FILESCH"));
  EXPECT_EQ(ReadSettings(QStringLiteral("fs.ini")), (QStringList{QStringLiteral("/bin/cat"), QString()}));
}

TEST_F(SearchScenario, NothingFoundAndAMissingFolderSaySo) {
  CreateFile(QStringLiteral("s/a.txt"), "text");
  OpenSearchFrom(QStringLiteral("s/"));
  Fill(QStringLiteral("Edit2"), QStringLiteral("zzz"));
  ClickNamed(QStringLiteral("Button2"), QStringLiteral("FILESCH"));
  DismissMessage(QStringLiteral("К сожалению, ничего не найдено..."));
  // Enter in the extension field starts the search as well.
  Fill(QStringLiteral("Edit2"), QStringLiteral("*"));
  Fill(QStringLiteral("Edit3"), QStringLiteral("txt"));
  Key(QStringLiteral("Return"));
  DismissMessage(QStringLiteral("Поиск успешен! Выбери то, что нужно."));
  // Enter on a result views it, in the program's own viewer.
  ClickNamed(QStringLiteral("CheckBox4"), QStringLiteral("FILESCH"));
  const TWidget results = Results();
  ClickRow(results, 0);
  Key(QStringLiteral("Return"));
  WaitText(QStringLiteral("Memo1"), QStringLiteral("text"), QStringLiteral("RF"));
  Fill(QStringLiteral("Edit1"), Home(QStringLiteral("nowhere")));
  ClickNamed(QStringLiteral("Button2"), QStringLiteral("FILESCH"));
  const TUi ui = WaitText(QStringLiteral("qt_msgbox_label"), QStringLiteral("Выбранной папки не существует."),
                          QStringLiteral("MessageBox"));
  EXPECT_EQ(TitleOf(ui.Window(QStringLiteral("MessageBox"))), QStringLiteral("Error"));
  Key(QStringLiteral("Return"));
  const TUi idle = WaitFor(QStringLiteral("the search idle"), [](const TUi& look) {
    return look.Widget(QStringLiteral("Button2"), QStringLiteral("FILESCH")).value(QStringLiteral("enabled")).toBool();
  });
  EXPECT_FALSE(idle.Widget(QStringLiteral("Button3"), QStringLiteral("FILESCH")).value(QStringLiteral("enabled")).toBool());
}

TEST_F(SearchScenario, TheFolderChooserSetsTheStartFolder) {
  CreateDir(QStringLiteral("s/inner"));
  OpenSearchFrom(QStringLiteral("s/"));
  ClickNamed(QStringLiteral("SpeedButton2"), QStringLiteral("FILESCH"));
  const TUi ui = WaitFor(QStringLiteral("the folder chooser"), [](const TUi& look) {
    return !look.Widget(QStringLiteral("DirectoryListBox1"), QStringLiteral("FB")).isEmpty();
  });
  EXPECT_EQ(TitleOf(ui.Window(QStringLiteral("FB"))), QStringLiteral(" Для поиска"));
  // It starts on the folder the program was started in: the home.
  const TWidget folders = ui.Widget(QStringLiteral("DirectoryListBox1"), QStringLiteral("FB"));
  const QStringList lines = RowTexts(folders);
  int s = -1;
  for (int row = 0; row < lines.size(); ++row) {
    if (lines[row].trimmed() == QStringLiteral("s")) s = row;
  }
  ASSERT_GE(s, 0) << lines.join(QLatin1Char('|')).toStdString();
  ClickRow(folders, s, 2);
  WaitText(QStringLiteral("Edit1"), Home(QStringLiteral("s")), QStringLiteral("FILESCH"));
  ClickNamed(QStringLiteral("Button1"), QStringLiteral("FB"));
  WaitFor(QStringLiteral("the chooser closed"), [](const TUi& look) { return !look.Shown(QStringLiteral("FB")); });
}

}  // namespace
}  // namespace zarn::e2e
