// The settings window (external programs through the Russian program chooser,
// the font of the list), the associations window and zarn.ext, the about box.


#include "scenario.h"

namespace zarn::e2e {
namespace {

class SettingsScenario : public TZarnScenario {
 protected:
  void StartIn(const QString& folder, const QStringList& environment = {}) {
    WriteSettings(u"zarn.ini"_s, {{}, {}, {}, Home(folder)});
    Start(environment);
    WaitListing(Home(folder));
  }

  // Chooses a program in the program chooser by typing its path.
  void ChooseProgram(const QString& path) {
    const TUi ui = WaitFor(u"the program chooser"_s, [](const TUi& look) { return look.Shown(u"OpenDialog1"_s); });
    EXPECT_EQ(TitleOf(ui.Window(u"OpenDialog1"_s)), u"Выберите программу"_s);
    // Qt's own dialog, in Russian like the rest.
    EXPECT_FALSE(ui.WithText(u"Отмена"_s, u"QPushButton"_s, u"OpenDialog1"_s).isEmpty());
    FillField(u"fileNameEdit"_s, u"OpenDialog1"_s, path);
    Key(u"Return"_s);
    WaitClosed(u"OpenDialog1"_s);
  }
};

TEST_F(SettingsScenario, ExternalProgramsAndTheListFont) {
  CreateFile(u"x/a.txt"_s);
  CreateProgram(u"bin/view"_s, {});
  StartIn(u"x/"_s);
  SelectMainRow(u"a.txt"_s);
  Key(u"F9"_s);
  WaitShown(u"Set1"_s);
  EXPECT_EQ(Look().Text(u"Label9"_s, u"Form1"_s), u"Жду команды..."_s);
  ClickNamed(u"Button1"_s, u"Set1"_s);
  ChooseProgram(Home(u"bin/view"_s));
  WaitText(u"Edit1"_s, Home(u"bin/view"_s), u"Set1"_s);
  ClickNamed(u"CheckBox1"_s, u"Set1"_s);

  FillField(u"Edit3"_s, u"Set1"_s, u"abc"_s);
  ClickNamed(u"Button3"_s, u"Set1"_s);
  WaitText(u"qt_msgbox_label"_s, u"'abc' is not a valid integer value"_s, u"MessageBox"_s);
  Key(u"Return"_s);
  WaitClosed(u"MessageBox"_s);
  EXPECT_TRUE(Look().Shown(u"Set1"_s));

  FillField(u"Edit3"_s, u"Set1"_s, u"26"_s);
  Key(u"Return"_s);
  const TUi ui = WaitClosed(u"Set1"_s);
  const TWidget list = MainList(ui);
  EXPECT_GE(list.value(u"fontPixels"_s).toInt(), 18);
  // Rows grow with the font, so that no name is cut at the top or the bottom.
  EXPECT_GE(RectOf(RowOf(list, 0)).height(), 26);
  CloseWithExitButton();
  EXPECT_EQ(ReadSettings(u"zarn.ini"_s).value(0), Home(u"bin/view"_s));
}

TEST_F(SettingsScenario, AssociationsAreAddedDeletedLoadedAndSaved) {
  CreateFile(u"x/a.txt"_s);
  CreateProgram(u"bin/md-viewer"_s, {});
  StartIn(u"x/"_s);
  SelectMainRow(u"a.txt"_s);
  Key(u"F10"_s);
  WaitShown(u"Extent"_s);
  ClickNamed(u"Button1"_s, u"Extent"_s);
  AnswerInputBox(u"md"_s);
  ChooseProgram(Home(u"bin/md-viewer"_s));
  TUi ui = WaitFor(u"the new row"_s, [](const TUi& look) {
    return RowTexts(look.Widget(u"ListView1"_s, u"Extent"_s)) == QStringList{u".md"_s};
  });
  EXPECT_EQ(RowTexts(ui.Widget(u"ListView1"_s, u"Extent"_s), 1), QStringList{Home(u"bin/md-viewer"_s)});
  ClickNamed(u"Button3"_s, u"Extent"_s);
  WaitFor(u"zarn.ext saved"_s, [&](const TUi&) {
    return ReadSettings(u"zarn.ext"_s) == QStringList{u".md"_s, Home(u"bin/md-viewer"_s)};
  });
  ClickRow(ui.Widget(u"ListView1"_s, u"Extent"_s), 0);
  ClickNamed(u"Button2"_s, u"Extent"_s);
  WaitFor(u"the row deleted"_s,
          [](const TUi& look) { return RowTexts(look.Widget(u"ListView1"_s, u"Extent"_s)).isEmpty(); });
  ClickNamed(u"Button4"_s, u"Extent"_s);
  WaitFor(u"the row loaded again"_s,
          [](const TUi& look) { return RowTexts(look.Widget(u"ListView1"_s, u"Extent"_s)) == QStringList{u".md"_s}; });
  ClickNamed(u"Button5"_s, u"Extent"_s);
  WaitClosed(u"Extent"_s);
  EXPECT_EQ(Look().Text(u"Label9"_s, u"Form1"_s), u"Жду команды. "_s);
}

TEST_F(SettingsScenario, TheAboutBoxAndItsHelp) {
  CreateFile(u"x/a.txt"_s);
  // Data folders without a manual, also where Zarn is installed on this machine.
  StartIn(u"x/"_s, {u"XDG_DATA_DIRS="_s + Home(u"no-data"_s)});
  SelectMainRow(u"a.txt"_s);
  Key(u"F1"_s);
  TUi ui = WaitShown(u"AboutBox"_s);
  EXPECT_EQ(TitleOf(ui.Window(u"AboutBox"_s)), u"  О программе"_s);
  EXPECT_EQ(ui.Text(u"Label2"_s, u"AboutBox"_s), u"Version  1.4   (10.2012)"_s);
  Key(u"Escape"_s);
  WaitClosed(u"AboutBox"_s);
  WaitText(u"Label9"_s, u"Жду команды..."_s, u"Form1"_s);

  ClickNamed(u"Button2"_s, u"Form1"_s);
  ClickNamed(u"Button2"_s, u"AboutBox"_s);
  WaitText(u"qt_msgbox_label"_s, u"Файл помощи hzarn.chm не найден"_s, u"MessageBox"_s);
  EXPECT_FALSE(Look().Shown(u"AboutBox"_s));
  Key(u"Return"_s);
  WaitText(u"Label9"_s, u"Жду команды..."_s, u"Form1"_s);
}

}  // namespace
}  // namespace zarn::e2e
