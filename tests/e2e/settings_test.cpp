// The settings window (external programs through the Russian program chooser,
// the font of the list), the associations window and zarn.ext, the about box.

#include <sys/stat.h>

#include "scenario.h"

namespace zarn::e2e {
namespace {

class SettingsScenario : public TZarnScenario {
 protected:
  void StartIn(const QString& folder) {
    WriteSettings(QStringLiteral("zarn.ini"), {{}, {}, {}, Home(folder)});
    Start();
    WaitListing(Home(folder));
  }

  // Chooses a program in the program chooser by typing its path.
  void ChooseProgram(const QString& path) {
    const TUi ui = WaitFor(QStringLiteral("the program chooser"), [](const TUi& look) {
      return look.Shown(QStringLiteral("OpenDialog1"));
    });
    EXPECT_EQ(TitleOf(ui.Window(QStringLiteral("OpenDialog1"))), QStringLiteral("Выберите программу"));
    // Qt's own dialog, in Russian like the rest.
    EXPECT_FALSE(ui.WithText(QStringLiteral("Отмена"), QStringLiteral("QPushButton"), QStringLiteral("OpenDialog1")).isEmpty());
    FillField(QStringLiteral("fileNameEdit"), QStringLiteral("OpenDialog1"), path);
    Key(QStringLiteral("Return"));
    WaitFor(QStringLiteral("the chooser closed"), [](const TUi& look) { return !look.Shown(QStringLiteral("OpenDialog1")); });
  }
};

TEST_F(SettingsScenario, ExternalProgramsAndTheListFont) {
  CreateFile(QStringLiteral("x/a.txt"));
  CreateFile(QStringLiteral("bin/view"), "#!/bin/sh\n");
  ::chmod(Home(QStringLiteral("bin/view")).toUtf8().constData(), 0755);
  StartIn(QStringLiteral("x/"));
  SelectMainRow(QStringLiteral("a.txt"));
  Key(QStringLiteral("F9"));
  WaitFor(QStringLiteral("the settings window"), [](const TUi& ui) { return ui.Shown(QStringLiteral("Set1")); });
  EXPECT_EQ(Look().Text(QStringLiteral("Label9"), QStringLiteral("Form1")), QStringLiteral("Жду команды..."));
  ClickNamed(QStringLiteral("Button1"), QStringLiteral("Set1"));
  ChooseProgram(Home(QStringLiteral("bin/view")));
  WaitText(QStringLiteral("Edit1"), Home(QStringLiteral("bin/view")), QStringLiteral("Set1"));
  ClickNamed(QStringLiteral("CheckBox1"), QStringLiteral("Set1"));

  FillField(QStringLiteral("Edit3"), QStringLiteral("Set1"), QStringLiteral("abc"));
  ClickNamed(QStringLiteral("Button3"), QStringLiteral("Set1"));
  WaitText(QStringLiteral("qt_msgbox_label"), QStringLiteral("'abc' is not a valid integer value"), QStringLiteral("MessageBox"));
  Key(QStringLiteral("Return"));
  WaitFor(QStringLiteral("the error closed"), [](const TUi& ui) { return !ui.Shown(QStringLiteral("MessageBox")); });
  EXPECT_TRUE(Look().Shown(QStringLiteral("Set1")));

  FillField(QStringLiteral("Edit3"), QStringLiteral("Set1"), QStringLiteral("26"));
  Key(QStringLiteral("Return"));
  const TUi ui = WaitFor(QStringLiteral("the settings window closed"), [](const TUi& look) { return !look.Shown(QStringLiteral("Set1")); });
  const TWidget list = ui.Widget(QStringLiteral("ListView"), QStringLiteral("Form1"));
  EXPECT_GE(list.value(QStringLiteral("fontPixels")).toInt(), 18);
  // Rows grow with the font, so that no name is cut at the top or the bottom.
  EXPECT_GE(RectOf(RowOf(list, 0)).height(), 26);
  CloseWithExitButton();
  EXPECT_EQ(ReadSettings(QStringLiteral("zarn.ini")).value(0), Home(QStringLiteral("bin/view")));
}

TEST_F(SettingsScenario, AssociationsAreAddedDeletedLoadedAndSaved) {
  CreateFile(QStringLiteral("x/a.txt"));
  CreateFile(QStringLiteral("bin/md-viewer"), "#!/bin/sh\n");
  ::chmod(Home(QStringLiteral("bin/md-viewer")).toUtf8().constData(), 0755);
  StartIn(QStringLiteral("x/"));
  SelectMainRow(QStringLiteral("a.txt"));
  Key(QStringLiteral("F10"));
  WaitFor(QStringLiteral("the associations window"), [](const TUi& ui) { return ui.Shown(QStringLiteral("Extent")); });
  ClickNamed(QStringLiteral("Button1"), QStringLiteral("Extent"));
  AnswerInputBox(QStringLiteral("md"));
  ChooseProgram(Home(QStringLiteral("bin/md-viewer")));
  TUi ui = WaitFor(QStringLiteral("the new row"), [](const TUi& look) {
    return RowTexts(look.Widget(QStringLiteral("ListView1"), QStringLiteral("Extent"))) == QStringList{QStringLiteral(".md")};
  });
  EXPECT_EQ(RowTexts(ui.Widget(QStringLiteral("ListView1"), QStringLiteral("Extent")), 1),
            QStringList{Home(QStringLiteral("bin/md-viewer"))});
  ClickNamed(QStringLiteral("Button3"), QStringLiteral("Extent"));
  WaitFor(QStringLiteral("zarn.ext saved"), [&](const TUi&) {
    return ReadSettings(QStringLiteral("zarn.ext")) == QStringList{QStringLiteral(".md"), Home(QStringLiteral("bin/md-viewer"))};
  });
  ClickRow(ui.Widget(QStringLiteral("ListView1"), QStringLiteral("Extent")), 0);
  ClickNamed(QStringLiteral("Button2"), QStringLiteral("Extent"));
  WaitFor(QStringLiteral("the row deleted"), [](const TUi& look) {
    return RowTexts(look.Widget(QStringLiteral("ListView1"), QStringLiteral("Extent"))).isEmpty();
  });
  ClickNamed(QStringLiteral("Button4"), QStringLiteral("Extent"));
  WaitFor(QStringLiteral("the row loaded again"), [](const TUi& look) {
    return RowTexts(look.Widget(QStringLiteral("ListView1"), QStringLiteral("Extent"))) == QStringList{QStringLiteral(".md")};
  });
  ClickNamed(QStringLiteral("Button5"), QStringLiteral("Extent"));
  WaitFor(QStringLiteral("the window closed"), [](const TUi& look) { return !look.Shown(QStringLiteral("Extent")); });
  EXPECT_EQ(Look().Text(QStringLiteral("Label9"), QStringLiteral("Form1")), QStringLiteral("Жду команды. "));
}

TEST_F(SettingsScenario, TheAboutBoxAndItsHelp) {
  CreateFile(QStringLiteral("x/a.txt"));
  StartIn(QStringLiteral("x/"));
  SelectMainRow(QStringLiteral("a.txt"));
  Key(QStringLiteral("F1"));
  TUi ui = WaitFor(QStringLiteral("the about box"), [](const TUi& look) { return look.Shown(QStringLiteral("AboutBox")); });
  EXPECT_EQ(TitleOf(ui.Window(QStringLiteral("AboutBox"))), QStringLiteral("  О программе"));
  EXPECT_EQ(ui.Text(QStringLiteral("Label2"), QStringLiteral("AboutBox")), QStringLiteral("Version  1.4   (10.2012)"));
  Key(QStringLiteral("Escape"));
  WaitFor(QStringLiteral("the about box closed"), [](const TUi& look) { return !look.Shown(QStringLiteral("AboutBox")); });
  WaitText(QStringLiteral("Label9"), QStringLiteral("Жду команды..."), QStringLiteral("Form1"));

  ClickNamed(QStringLiteral("Button2"), QStringLiteral("Form1"));
  ClickNamed(QStringLiteral("Button2"), QStringLiteral("AboutBox"));
  WaitText(QStringLiteral("qt_msgbox_label"), QStringLiteral("Файл помощи hzarn.chm не найден"), QStringLiteral("MessageBox"));
  EXPECT_FALSE(Look().Shown(QStringLiteral("AboutBox")));
  Key(QStringLiteral("Return"));
  WaitText(QStringLiteral("Label9"), QStringLiteral("Жду команды..."), QStringLiteral("Form1"));
}

}  // namespace
}  // namespace zarn::e2e
