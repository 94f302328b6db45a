// The context menu of the list, opened by the right button and by the menu
// key: a terminal in the row's folder, the properties, the trash.

#include <QDir>
#include <QJsonArray>

#include <sys/stat.h>

#include "fileprobes.h"
#include "scenario.h"

namespace zarn::e2e {
namespace {

using test::Exists;
using test::ReadAll;

class ContextMenuScenario : public TZarnScenario {
 protected:
  void StartIn(const QString& folder) {
    WriteSettings(QStringLiteral("zarn.ini"), {{}, {}, {}, Home(folder)});
    Start({QStringLiteral("PATH=") + Home(QStringLiteral("bin")) + QLatin1Char(':') + qEnvironmentVariable("PATH")});
    WaitListing(Home(folder));
  }

  void MakeTerminal(const QByteArray& body) {
    CreateFile(QStringLiteral("bin/x-terminal-emulator"), "#!/bin/sh\n" + body);
    ::chmod(Home(QStringLiteral("bin/x-terminal-emulator")).toUtf8().constData(), 0755);
  }

  void OpenMenuOn(const QString& row) {
    const TWidget list = WaitWidget(QStringLiteral("ListView"), QStringLiteral("Form1"));
    RightClickRow(list, RowIndexOf(list, row));
    WaitWidget(QStringLiteral("ShellContextMenu"));
  }

  void Choose(const QString& caption) {
    const TUi ui = Look();
    for (const QJsonValue& value : ui.Window(QStringLiteral("ShellContextMenu")).value(QStringLiteral("actions")).toArray()) {
      const QJsonObject action = value.toObject();
      if (action.value(QStringLiteral("text")).toString() == caption) {
        Click(action);
        WaitFor(QStringLiteral("the menu closed"), [](const TUi& look) { return !look.Shown(QStringLiteral("ShellContextMenu")); });
        return;
      }
    }
    FAIL() << "no menu entry " << caption.toStdString();
  }

  QString Cursor() {
    return Look().Widget(QStringLiteral("ListView"), QStringLiteral("Form1")).value(QStringLiteral("currentText")).toString();
  }
};

TEST_F(ContextMenuScenario, ATerminalOpensInTheRowsFolderAndAFailingOneIsReported) {
  CreateFile(QStringLiteral("x/a.txt"), "a");
  MakeTerminal("pwd > '" + Home(QStringLiteral("terminal.log")).toUtf8() + "'\n");
  StartIn(QStringLiteral("x/"));
  OpenMenuOn(QStringLiteral("a.txt"));
  QStringList captions;
  for (const QJsonValue& action : Look().Window(QStringLiteral("ShellContextMenu")).value(QStringLiteral("actions")).toArray()) {
    captions << action.toObject().value(QStringLiteral("text")).toString();
  }
  for (const char* caption : {"Открыть терминал здесь", "Копировать путь", "В корзину", "Удалить", "Переименовать", "Свойства"}) {
    EXPECT_TRUE(captions.contains(QString::fromUtf8(caption))) << caption;
  }
  Choose(QStringLiteral("Открыть терминал здесь"));
  WaitFor(QStringLiteral("the terminal started"), [&](const TUi&) { return Exists(HomeBytes("terminal.log")); });
  EXPECT_EQ(ReadAll(Home(QStringLiteral("terminal.log"))).trimmed(), Home(QStringLiteral("x")).toUtf8());

  MakeTerminal("exit 3\n");
  OpenMenuOn(QStringLiteral("a.txt"));
  Choose(QStringLiteral("Открыть терминал здесь"));
  WaitText(QStringLiteral("qt_msgbox_label"),
           QStringLiteral("Терминал не открылся: ") + Home(QStringLiteral("bin/x-terminal-emulator")) +
               QStringLiteral(" завершилась с кодом 3"),
           QStringLiteral("MessageBox"));
  Key(QStringLiteral("Return"));
}

TEST_F(ContextMenuScenario, PropertiesTrashAndTheMenuKey) {
  CreateFile(QStringLiteral("x/a.txt"), "a");
  CreateFile(QStringLiteral("x/b.txt"), "b");
  StartIn(QStringLiteral("x/"));
  OpenMenuOn(QStringLiteral("b.txt"));
  Choose(QStringLiteral("Свойства"));
  const TUi ui = WaitFor(QStringLiteral("the properties"), [](const TUi& look) { return look.Shown(QStringLiteral("TProperties")); });
  EXPECT_EQ(TitleOf(ui.Window(QStringLiteral("TProperties"))), QStringLiteral("Свойства: b.txt"));
  ClickButton(QStringLiteral("Закрыть"));
  WaitFor(QStringLiteral("the list again, on b.txt"), [](const TUi& look) {
    return !look.Shown(QStringLiteral("TProperties")) &&
           look.Widget(QStringLiteral("ListView"), QStringLiteral("Form1")).value(QStringLiteral("currentText")).toString() ==
               QStringLiteral("b.txt");
  });

  SelectMainRow(QStringLiteral("a.txt"));
  Key(QStringLiteral("Menu"));
  WaitWidget(QStringLiteral("ShellContextMenu"));
  Key(QStringLiteral("Escape"));
  WaitFor(QStringLiteral("the menu closed"), [](const TUi& look) { return !look.Shown(QStringLiteral("ShellContextMenu")); });
  EXPECT_EQ(Cursor(), QStringLiteral("a.txt"));

  OpenMenuOn(QStringLiteral("a.txt"));
  Choose(QStringLiteral("В корзину"));
  const TUi question = WaitFor(QStringLiteral("the delete question"), [](const TUi& look) { return look.Shown(QStringLiteral("DeleteQuestion")); });
  EXPECT_TRUE(question.Widget(QStringLiteral("DeleteToTrash"), QStringLiteral("DeleteQuestion")).value(QStringLiteral("checked")).toBool());
  Key(QStringLiteral("Return"));
  WaitFor(QStringLiteral("a.txt gone to the trash"), [&](const TUi& look) {
    return RowTexts(look.Widget(QStringLiteral("ListView"), QStringLiteral("Form1"))) == QStringList{QStringLiteral("b.txt")};
  });
  EXPECT_TRUE(Exists(HomeBytes(".local/share/Trash/files/a.txt")));
}

}  // namespace
}  // namespace zarn::e2e
