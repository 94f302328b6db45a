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
    WriteSettings(u"zarn.ini"_s, {u"/bin/cat"_s, {}, {}, Home(folder)});
    Start();
    WaitListing(Home(folder));
    ClickNamed(u"Button1"_s, u"Form1"_s);
    WaitText(u"Edit1"_s, Home(folder), u"FILESCH"_s);
  }

  void Fill(const QString& field, const QString& text) { FillField(field, u"FILESCH"_s, text); }

  void Tick(const QString& box) {
    ClickNamed(box, u"FILESCH"_s);
    WaitFor(box + u" ticked"_s,
            [&](const TUi& ui) { return ui.Widget(box, u"FILESCH"_s).value(u"checked"_s).toBool(); });
  }

  TWidget Results() { return WaitWidget(u"ListBox1"_s, u"FILESCH"_s); }
};

TEST_F(SearchScenario, TextFoundInVisibleSubfoldersIsGoneToAndViewed) {
  CreateFile(u"s/a.txt"_s, "hello world");
  CreateFile(u"s/b.log"_s, "hello");
  CreateFile(u"s/sub/c.txt"_s, "they say HELLO");
  CreateFile(u"s/sub/d.txt"_s, "nothing here");
  CreateFile(u"s/.hidden/e.txt"_s, "hello");
  OpenSearchFrom(u"s/"_s);
  Fill(u"Edit3"_s, u"txt"_s);
  Tick(u"CheckBox1"_s);
  Fill(u"Edit5"_s, u"hello"_s);
  Tick(u"CheckBox2"_s);
  ClickNamed(u"Edit2"_s, u"FILESCH"_s);
  Key(u"Return"_s);
  DismissMessage(u"Поиск успешен! Выбери то, что нужно."_s);
  TWidget results = Results();
  const QStringList found = RowTexts(results);
  EXPECT_EQ(QSet<QString>(found.begin(), found.end()), (QSet<QString>{Home(u"s/a.txt"_s), Home(u"s/sub/c.txt"_s)}));
  EXPECT_EQ(Look().Text(u"Label9"_s, u"FILESCH"_s), u"2"_s);

  ClickRow(results, RowIndexOf(results, Home(u"s/sub/c.txt"_s)));
  ClickNamed(u"Button4"_s, u"FILESCH"_s);
  WaitListing(Home(u"s/sub/"_s));
  WaitFor(u"the cursor on c.txt"_s,
          [](const TUi& ui) { return MainList(ui).value(u"currentText"_s).toString() == u"c.txt"_s; });

  // The program's own viewer, not the external one the settings name.
  ClickNamed(u"CheckBox4"_s, u"FILESCH"_s);
  WaitFor(u"another view off"_s,
          [](const TUi& ui) { return !ui.Widget(u"CheckBox4"_s, u"FILESCH"_s).value(u"checked"_s).toBool(); });
  results = Results();
  ClickRow(results, RowIndexOf(results, Home(u"s/a.txt"_s)), 2);
  WaitText(u"Memo1"_s, u"hello world"_s, u"RF"_s);
  EXPECT_EQ(Look().Text(u"Edit1"_s, u"RF"_s), u"hello"_s);
  ClickNamed(u"SpeedButton1"_s, u"FILESCH"_s);
  WaitClosed(u"RF"_s);
  ClickNamed(u"SpeedButton1"_s, u"FILESCH"_s);
  WaitShown(u"RF"_s);

  CloseByCloseBox(u"FILESCH"_s);
  EXPECT_EQ(ReadSettings(u"fs.ini"_s), (QStringList{u"/bin/cat"_s, QString()}));
}

TEST_F(SearchScenario, NothingFoundAndAMissingFolderSaySo) {
  CreateFile(u"s/a.txt"_s, "text");
  OpenSearchFrom(u"s/"_s);
  Fill(u"Edit2"_s, u"zzz"_s);
  ClickNamed(u"Button2"_s, u"FILESCH"_s);
  DismissMessage(u"К сожалению, ничего не найдено..."_s);
  // Enter in the extension field starts the search as well.
  Fill(u"Edit2"_s, u"*"_s);
  Fill(u"Edit3"_s, u"txt"_s);
  Key(u"Return"_s);
  DismissMessage(u"Поиск успешен! Выбери то, что нужно."_s);
  // Enter on a result views it, in the program's own viewer.
  ClickNamed(u"CheckBox4"_s, u"FILESCH"_s);
  const TWidget results = Results();
  ClickRow(results, 0);
  Key(u"Return"_s);
  WaitText(u"Memo1"_s, u"text"_s, u"RF"_s);
  Fill(u"Edit1"_s, Home(u"nowhere"_s));
  ClickNamed(u"Button2"_s, u"FILESCH"_s);
  const TUi ui = WaitText(u"qt_msgbox_label"_s, u"Выбранной папки не существует."_s, u"MessageBox"_s);
  EXPECT_EQ(TitleOf(ui.Window(u"MessageBox"_s)), u"Error"_s);
  Key(u"Return"_s);
  const TUi idle = WaitFor(u"the search idle"_s, [](const TUi& look) {
    return look.Widget(u"Button2"_s, u"FILESCH"_s).value(u"enabled"_s).toBool();
  });
  EXPECT_FALSE(idle.Widget(u"Button3"_s, u"FILESCH"_s).value(u"enabled"_s).toBool());
}

TEST_F(SearchScenario, TheFolderChooserSetsTheStartFolder) {
  CreateDir(u"s/inner"_s);
  OpenSearchFrom(u"s/"_s);
  ClickNamed(u"SpeedButton2"_s, u"FILESCH"_s);
  const TUi ui = WaitFor(u"the folder chooser"_s,
                         [](const TUi& look) { return !look.Widget(u"DirectoryListBox1"_s, u"FB"_s).isEmpty(); });
  EXPECT_EQ(TitleOf(ui.Window(u"FB"_s)), u" Для поиска"_s);
  // It starts on the folder the program was started in: the home.
  const TWidget folders = ui.Widget(u"DirectoryListBox1"_s, u"FB"_s);
  const QStringList lines = RowTexts(folders);
  int s = -1;
  for (int row = 0; row < lines.size(); ++row) {
    if (lines[row].trimmed() == u"s"_s) s = row;
  }
  ASSERT_GE(s, 0) << lines.join(QLatin1Char('|')).toStdString();
  ClickRow(folders, s, 2);
  WaitText(u"Edit1"_s, Home(u"s"_s), u"FILESCH"_s);
  ClickNamed(u"Button1"_s, u"FB"_s);
  WaitClosed(u"FB"_s);
}

}  // namespace
}  // namespace zarn::e2e
