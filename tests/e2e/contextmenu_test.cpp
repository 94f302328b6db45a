// The context menu of the list, opened by the right button and by the menu
// key: a terminal in the row's folder, the properties, the trash.


#include <QDir>
#include <QJsonArray>

#include "fileprobes.h"
#include "scenario.h"

namespace zarn::e2e {
namespace {

using test::Exists;
using test::ReadAll;

class ContextMenuScenario : public TZarnScenario {
 protected:
  void StartIn(const QString& folder) {
    WriteSettings(u"zarn.ini"_s, {{}, {}, {}, Home(folder)});
    Start({u"PATH="_s + Home(u"bin"_s) + QLatin1Char(':') + qEnvironmentVariable("PATH")});
    WaitListing(Home(folder));
  }

  void MakeTerminal(const QByteArray& body) {
    CreateProgram(u"bin/x-terminal-emulator"_s, body);
  }

  void OpenMenuOn(const QString& row) {
    const TWidget list = WaitWidget(u"ListView"_s, u"Form1"_s);
    RightClickRow(list, RowIndexOf(list, row));
    WaitWidget(u"ShellContextMenu"_s);
  }

  QString Cursor() { return MainList(Look()).value(u"currentText"_s).toString(); }
};

TEST_F(ContextMenuScenario, ATerminalOpensInTheRowsFolderAndAFailingOneIsReported) {
  CreateFile(u"x/a.txt"_s, "a");
  MakeTerminal("pwd > '" + Home(u"terminal.log"_s).toUtf8() + "'\n");
  StartIn(u"x/"_s);
  OpenMenuOn(u"a.txt"_s);
  const QStringList captions = MenuCaptions();
  for (const char* caption :
       {"Открыть терминал здесь", "Копировать путь", "В корзину", "Удалить", "Переименовать", "Свойства"}) {
    EXPECT_TRUE(captions.contains(QString::fromUtf8(caption))) << caption;
  }
  ChooseMenuEntry(u"Открыть терминал здесь"_s);
  WaitFor(u"the terminal started"_s, [&](const TUi&) { return Exists(HomeBytes("terminal.log")); });
  EXPECT_EQ(ReadAll(Home(u"terminal.log"_s)).trimmed(), Home(u"x"_s).toUtf8());

  MakeTerminal("exit 3\n");
  OpenMenuOn(u"a.txt"_s);
  ChooseMenuEntry(u"Открыть терминал здесь"_s);
  WaitText(u"qt_msgbox_label"_s,
           u"Терминал не открылся: "_s + Home(u"bin/x-terminal-emulator"_s) + u" завершилась с кодом 3"_s,
           u"MessageBox"_s);
  Key(u"Return"_s);
}

TEST_F(ContextMenuScenario, PropertiesTrashAndTheMenuKey) {
  CreateFile(u"x/a.txt"_s, "a");
  CreateFile(u"x/b.txt"_s, "b");
  StartIn(u"x/"_s);
  OpenMenuOn(u"b.txt"_s);
  ChooseMenuEntry(u"Свойства"_s);
  const TUi ui = WaitShown(u"TProperties"_s);
  EXPECT_EQ(TitleOf(ui.Window(u"TProperties"_s)), u"Свойства: b.txt"_s);
  ClickButton(u"Закрыть"_s);
  WaitFor(u"the list again, on b.txt"_s, [](const TUi& look) {
    return !look.Shown(u"TProperties"_s) && MainList(look).value(u"currentText"_s).toString() == u"b.txt"_s;
  });

  SelectMainRow(u"a.txt"_s);
  Key(u"Menu"_s);
  WaitWidget(u"ShellContextMenu"_s);
  Key(u"Escape"_s);
  WaitClosed(u"ShellContextMenu"_s);
  EXPECT_EQ(Cursor(), u"a.txt"_s);

  OpenMenuOn(u"a.txt"_s);
  ChooseMenuEntry(u"В корзину"_s);
  const TUi question = WaitShown(u"DeleteQuestion"_s);
  EXPECT_TRUE(question.Widget(u"DeleteToTrash"_s, u"DeleteQuestion"_s).value(u"checked"_s).toBool());
  Key(u"Return"_s);
  WaitFor(u"a.txt gone to the trash"_s,
          [&](const TUi& look) { return RowTexts(MainList(look)) == QStringList{u"b.txt"_s}; });
  EXPECT_TRUE(Exists(HomeBytes(".local/share/Trash/files/a.txt")));
}

}  // namespace
}  // namespace zarn::e2e
