// Copy, move, create, delete and rename from the keyboard, with every
// question answered at once and slowly, after the progress window could have
// come up.

#include <QDir>
#include <QFile>

#include "fileprobes.h"
#include "scenario.h"

namespace zarn::e2e {
namespace {

using test::Exists;
using test::ReadAll;

constexpr auto Slowly = 1500ms;

class FileOpsScenario : public TZarnScenario {
 protected:
  // The main list on `main`, the second panel on `panel` (both under the home).
  void StartWithPanelOn(const QString& panel, const QString& main) {
    WriteSettings(QStringLiteral("zarn.ini"), {{}, {}, {}, Home(panel + QLatin1Char('/'))});
    Start();
    WaitListing(Home(panel + QLatin1Char('/')));
    ClickNamed(QStringLiteral("SpeedButton15"), QStringLiteral("Form1"));
    WaitText(QStringLiteral("Edit1"), Home(panel + QLatin1Char('/')), QStringLiteral("Form4"));
    GoTo(main);
  }

  void GoTo(const QString& folder) {
    FillField(QStringLiteral("cbPath"), QStringLiteral("Form1"), Home(folder));
    Key(QStringLiteral("Return"));
    WaitListing(Home(folder + QLatin1Char('/')));
  }

  // The file question stays on top and answerable while the person thinks.
  void ThinkOverQuestion() {
    WaitWidget(QStringLiteral("ButtonCancel"), QStringLiteral("FileQuestion"));
    HoldFor(QStringLiteral("the question on top and answerable"), Slowly, [](const TUi& ui) {
      const TWidget cancel = ui.Widget(QStringLiteral("ButtonCancel"), QStringLiteral("FileQuestion"));
      return !cancel.isEmpty() && cancel.value(QStringLiteral("enabled")).toBool() &&
             ui.Modal() == QStringLiteral("FileQuestion");
    });
  }

  void AnswerQuestion(const char* button) {
    ClickNamed(QLatin1String(button), QStringLiteral("FileQuestion"));
    WaitFor(QStringLiteral("the question answered"), [](const TUi& ui) { return !ui.Shown(QStringLiteral("FileQuestion")); });
  }

  void WaitIdle() {
    WaitFor(QStringLiteral("the operation over"), [](const TUi& ui) {
      return !ui.Shown(QStringLiteral("TProgress")) && !ui.Shown(QStringLiteral("FileQuestion")) &&
             ui.Modal().isEmpty();
    });
  }
};

TEST_F(FileOpsScenario, CopyOntoAnExistingFileAnsweredSlowlyReplacesIt) {
  CreateFile(QStringLiteral("D/a.txt"), "old");
  CreateFile(QStringLiteral("x/a.txt"), "new");
  StartWithPanelOn(QStringLiteral("D"), QStringLiteral("x"));
  SelectMainRow(QStringLiteral("a.txt"));
  Key(QStringLiteral("F5"));
  AnswerInputBox(QStringLiteral("a.txt"));
  ThinkOverQuestion();
  AnswerQuestion("ButtonReplace");
  WaitIdle();
  EXPECT_EQ(ReadAll(Home(QStringLiteral("D/a.txt"))), QByteArray("new"));
  EXPECT_EQ(ReadAll(Home(QStringLiteral("x/a.txt"))), QByteArray("new"));
}

TEST_F(FileOpsScenario, CopyQuestionAnsweredAtOnceWithEscapeCancels) {
  CreateFile(QStringLiteral("D/a.txt"), "old");
  CreateFile(QStringLiteral("x/a.txt"), "new");
  StartWithPanelOn(QStringLiteral("D"), QStringLiteral("x"));
  SelectMainRow(QStringLiteral("a.txt"));
  Key(QStringLiteral("F5"));
  AnswerInputBox(QStringLiteral("a.txt"));
  WaitWidget(QStringLiteral("ButtonCancel"), QStringLiteral("FileQuestion"));
  Key(QStringLiteral("Escape"));
  DismissMessage(QStringLiteral("Ошибка при выполнении копирования "));
  WaitIdle();
  EXPECT_EQ(ReadAll(Home(QStringLiteral("D/a.txt"))), QByteArray("old"));
}

TEST_F(FileOpsScenario, MoveOntoAnExistingFileSkippedSlowlyKeepsBoth) {
  CreateFile(QStringLiteral("D/a.txt"), "old");
  CreateFile(QStringLiteral("x/a.txt"), "new");
  CreateFile(QStringLiteral("x/b.txt"), "b");
  StartWithPanelOn(QStringLiteral("D"), QStringLiteral("x"));
  SelectMainRow(QStringLiteral("a.txt"));
  Key(QStringLiteral("Insert"));
  Key(QStringLiteral("Insert"));
  WaitText(QStringLiteral("Label1"), QStringLiteral("Выделено в 0 папках и в 2 файлах: 2 KB"), QStringLiteral("Form1"));
  Key(QStringLiteral("F6"));
  const TUi confirm = WaitFor(QStringLiteral("the move question"), [](const TUi& ui) { return ui.Shown(QStringLiteral("MessageBox")); });
  EXPECT_EQ(TitleOf(confirm.Window(QStringLiteral("MessageBox"))), QStringLiteral("ПЕРЕМЕЩЕНИЕ / MOVE !!!"));
  EXPECT_EQ(confirm.Text(QStringLiteral("ButtonYes"), QStringLiteral("MessageBox")), QStringLiteral("Да"));
  EXPECT_EQ(confirm.Text(QStringLiteral("ButtonNo"), QStringLiteral("MessageBox")), QStringLiteral("Нет"));
  ClickNamed(QStringLiteral("ButtonYes"), QStringLiteral("MessageBox"));
  ThinkOverQuestion();
  AnswerQuestion("ButtonSkip");
  WaitIdle();
  EXPECT_EQ(ReadAll(Home(QStringLiteral("D/a.txt"))), QByteArray("old"));
  EXPECT_EQ(ReadAll(Home(QStringLiteral("x/a.txt"))), QByteArray("new"));
  EXPECT_EQ(ReadAll(Home(QStringLiteral("D/b.txt"))), QByteArray("b"));
  EXPECT_FALSE(Exists(HomeBytes("x/b.txt")));
  const TUi ui = WaitFor(QStringLiteral("the panel listing the moved file"), [](const TUi& look) {
    return RowTexts(look.Widget(QStringLiteral("ListView1"), QStringLiteral("Form4"))).contains(QStringLiteral("b.txt"));
  });
  EXPECT_EQ(RowTexts(ui.Widget(QStringLiteral("ListView"), QStringLiteral("Form1"))), QStringList{QStringLiteral("a.txt")});
}

TEST_F(FileOpsScenario, MoveAndTrashQuestionsAnsweredAtOnce) {
  CreateFile(QStringLiteral("D/a.txt"), "old");
  CreateFile(QStringLiteral("x/a.txt"), "new");
  const QString longName = QString(251, QLatin1Char('n')) + QStringLiteral(".txt");
  CreateFile(QStringLiteral("x/") + longName, "long");
  StartWithPanelOn(QStringLiteral("D"), QStringLiteral("x"));
  SelectMainRow(QStringLiteral("a.txt"));
  Key(QStringLiteral("F6"));
  AnswerInputBox(QStringLiteral("a.txt"));
  WaitWidget(QStringLiteral("ButtonReplace"), QStringLiteral("FileQuestion"));
  Key(QStringLiteral("Return"));  // "Заменить" is the default
  WaitIdle();
  EXPECT_EQ(ReadAll(Home(QStringLiteral("D/a.txt"))), QByteArray("new"));
  EXPECT_FALSE(Exists(HomeBytes("x/a.txt")));

  SelectMainRow(longName);
  Key(QStringLiteral("F8"));
  WaitWidget(QStringLiteral("ButtonYes"), QStringLiteral("DeleteQuestion"));
  Key(QStringLiteral("Return"));
  WaitWidget(QStringLiteral("ButtonNo"), QStringLiteral("FileQuestion"));
  Key(QStringLiteral("Escape"));  // keeps the object
  WaitIdle();
  EXPECT_TRUE(Exists(HomeBytes("x/" + longName.toUtf8())));
}

TEST_F(FileOpsScenario, MoveOfAFolderIntoItsOwnSubfolderCanBeCancelledSlowly) {
  CreateFile(QStringLiteral("x/F/sub/keep.txt"), "keep");
  StartWithPanelOn(QStringLiteral("x/F/sub"), QStringLiteral("x"));
  SelectMainRow(QStringLiteral("F"));
  Key(QStringLiteral("F6"));
  AnswerInputBox(QStringLiteral("F"));
  ThinkOverQuestion();
  AnswerQuestion("ButtonCancel");
  DismissMessage(QStringLiteral("Операция не выполнена"));
  WaitIdle();
  EXPECT_EQ(ReadAll(Home(QStringLiteral("x/F/sub/keep.txt"))), QByteArray("keep"));
}

TEST_F(FileOpsScenario, ANameTooLongForTheTrashIsDeletedForGoodWhenAskedSlowly) {
  const QString longName = QString(251, QLatin1Char('n')) + QStringLiteral(".txt");
  CreateFile(QStringLiteral("x/") + longName, "long");
  CreateFile(QStringLiteral("x/other.txt"), "other");
  WriteSettings(QStringLiteral("zarn.ini"), {{}, {}, {}, Home(QStringLiteral("x/"))});
  Start();
  WaitListing(Home(QStringLiteral("x/")));
  SelectMainRow(longName);
  Key(QStringLiteral("F8"));
  WaitWidget(QStringLiteral("ButtonYes"), QStringLiteral("DeleteQuestion"));
  Key(QStringLiteral("Return"));
  WaitWidget(QStringLiteral("ButtonNo"), QStringLiteral("FileQuestion"));
  HoldFor(QStringLiteral("the trash question on top"), Slowly,
          [](const TUi& ui) { return ui.Modal() == QStringLiteral("FileQuestion"); });
  AnswerQuestion("ButtonYes");
  WaitIdle();
  EXPECT_FALSE(Exists(HomeBytes("x/" + longName.toUtf8())));
  EXPECT_TRUE(Exists(HomeBytes("x/other.txt")));
  WaitFor(QStringLiteral("the list without the deleted file"), [](const TUi& ui) {
    return RowTexts(ui.Widget(QStringLiteral("ListView"), QStringLiteral("Form1"))) == QStringList{QStringLiteral("other.txt")};
  });
}

TEST_F(FileOpsScenario, DeleteToTheTrashAndDeclinedDelete) {
  CreateFile(QStringLiteral("x/one.txt"), "1");
  CreateFile(QStringLiteral("x/two.txt"), "2");
  CreateFile(QStringLiteral("x/three.txt"), "3");
  WriteSettings(QStringLiteral("zarn.ini"), {{}, {}, {}, Home(QStringLiteral("x/"))});
  Start();
  WaitListing(Home(QStringLiteral("x/")));
  SelectMainRow(QStringLiteral("one.txt"));
  Key(QStringLiteral("F8"));
  const TWidget question = WaitFor(QStringLiteral("the delete question"), [](const TUi& ui) {
    return ui.Shown(QStringLiteral("DeleteQuestion"));
  }).Window(QStringLiteral("DeleteQuestion"));
  EXPECT_EQ(TitleOf(question), QStringLiteral("Удаление выделенных объектов..."));
  EXPECT_EQ(RectOf(question).height(), 280);
  Key(QStringLiteral("Escape"));
  DismissMessage(QStringLiteral("Удаление отменено"));
  EXPECT_TRUE(Exists(HomeBytes("x/one.txt")));

  SelectMainRow(QStringLiteral("one.txt"));
  Key(QStringLiteral("Insert"));
  Key(QStringLiteral("Insert"));
  Key(QStringLiteral("F8"));
  WaitWidget(QStringLiteral("ButtonYes"), QStringLiteral("DeleteQuestion"));
  Key(QStringLiteral("Return"));
  WaitIdle();
  WaitFor(QStringLiteral("the list without the deleted files"), [](const TUi& ui) {
    return RowTexts(ui.Widget(QStringLiteral("ListView"), QStringLiteral("Form1"))) == QStringList{QStringLiteral("two.txt")};
  });
  const QStringList trashed = QDir(Home(QStringLiteral(".local/share/Trash/files"))).entryList(QDir::Files);
  EXPECT_EQ(trashed, (QStringList{QStringLiteral("one.txt"), QStringLiteral("three.txt")}));
  EXPECT_TRUE(QFile::exists(Home(QStringLiteral(".local/share/Trash/info/one.txt.trashinfo"))));
}

TEST_F(FileOpsScenario, CreateAFolderAndRenameInPlaceAndByDialog) {
  CreateFile(QStringLiteral("x/old.txt"), "o");
  WriteSettings(QStringLiteral("zarn.ini"), {{}, {}, {}, Home(QStringLiteral("x/"))});
  Start();
  WaitListing(Home(QStringLiteral("x/")));
  SelectMainRow(QStringLiteral("old.txt"));
  Key(QStringLiteral("F7"));
  AnswerInputBox(QStringLiteral("Новая папка"));
  WaitFor(QStringLiteral("the cursor on the new folder"), [](const TUi& ui) {
    return ui.Widget(QStringLiteral("ListView"), QStringLiteral("Form1")).value(QStringLiteral("currentText")).toString() ==
           QStringLiteral("Новая папка");
  });
  EXPECT_TRUE(QDir(Home(QStringLiteral("x/Новая папка"))).exists());

  SelectMainRow(QStringLiteral("old.txt"));
  Key(QStringLiteral("F2"));
  WaitFor(QStringLiteral("the name editor"), [](const TUi& ui) {
    return !FindWithin(ui.Widget(QStringLiteral("ListView"), QStringLiteral("Form1")), [](const TWidget& widget) {
              return widget.value(QStringLiteral("class")).toString() == QStringLiteral("QExpandingLineEdit");
            }).isEmpty();
  });
  Key(QStringLiteral("ctrl+a"));
  Type(QStringLiteral("renamed.txt"));
  Key(QStringLiteral("Return"));
  DismissMessage(QStringLiteral("Меняем имя : old.txt - на  -renamed.txt"));
  WaitFor(QStringLiteral("the cursor on the renamed file, in the list"), [](const TUi& ui) {
    const TWidget list = ui.Widget(QStringLiteral("ListView"), QStringLiteral("Form1"));
    return list.value(QStringLiteral("currentText")).toString() == QStringLiteral("renamed.txt") &&
           list.value(QStringLiteral("focus")).toBool();
  });
  EXPECT_EQ(ReadAll(Home(QStringLiteral("x/renamed.txt"))), QByteArray("o"));

  ClickNamed(QStringLiteral("SpeedButton3"), QStringLiteral("Form1"));
  AnswerInputBox(QStringLiteral("again.txt"));
  DismissMessage(QStringLiteral("Меняем имя : renamed.txt - на  -again.txt"));
  WaitFor(QStringLiteral("the cursor on the file renamed again"), [](const TUi& ui) {
    return ui.Widget(QStringLiteral("ListView"), QStringLiteral("Form1")).value(QStringLiteral("currentText")).toString() ==
           QStringLiteral("again.txt");
  });
  EXPECT_TRUE(Exists(HomeBytes("x/again.txt")));
}

}  // namespace
}  // namespace zarn::e2e
