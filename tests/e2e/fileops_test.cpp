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
    WriteSettings(u"zarn.ini"_s, {{}, {}, {}, Home(panel + QLatin1Char('/'))});
    Start();
    WaitListing(Home(panel + QLatin1Char('/')));
    ClickNamed(u"SpeedButton15"_s, u"Form1"_s);
    WaitText(u"Edit1"_s, Home(panel + QLatin1Char('/')), u"Form4"_s);
    GoTo(main);
  }

  void GoTo(const QString& folder) {
    FillField(u"cbPath"_s, u"Form1"_s, Home(folder));
    Key(u"Return"_s);
    WaitListing(Home(folder + QLatin1Char('/')));
  }

  // The file question stays on top and answerable while the person thinks.
  void ThinkOverQuestion() {
    WaitWidget(u"ButtonCancel"_s, u"FileQuestion"_s);
    HoldFor(u"the question on top and answerable"_s, Slowly, [](const TUi& ui) {
      const TWidget cancel = ui.Widget(u"ButtonCancel"_s, u"FileQuestion"_s);
      return !cancel.isEmpty() && cancel.value(u"enabled"_s).toBool() && ui.Modal() == u"FileQuestion"_s;
    });
  }

  void AnswerQuestion(const char* button) {
    ClickNamed(QLatin1String(button), u"FileQuestion"_s);
    WaitClosed(u"FileQuestion"_s);
  }

  // F5 on x/a.txt ("new") with the panel on D, which holds an a.txt ("old").
  void CopyOntoAnExistingFile() {
    CreateFile(u"D/a.txt"_s, "old");
    CreateFile(u"x/a.txt"_s, "new");
    StartWithPanelOn(u"D"_s, u"x"_s);
    SelectMainRow(u"a.txt"_s);
    Key(u"F5"_s);
    AnswerInputBox(u"a.txt"_s);
  }

  void WaitIdle() {
    WaitFor(u"the operation over"_s, [](const TUi& ui) {
      return !ui.Shown(u"TProgress"_s) && !ui.Shown(u"FileQuestion"_s) && ui.Modal().isEmpty();
    });
  }
};

TEST_F(FileOpsScenario, CopyOntoAnExistingFileAnsweredSlowlyReplacesIt) {
  CopyOntoAnExistingFile();
  ThinkOverQuestion();
  AnswerQuestion("ButtonReplace");
  WaitIdle();
  EXPECT_EQ(ReadAll(Home(u"D/a.txt"_s)), QByteArray("new"));
  EXPECT_EQ(ReadAll(Home(u"x/a.txt"_s)), QByteArray("new"));
}

TEST_F(FileOpsScenario, CopyQuestionAnsweredAtOnceWithEscapeCancels) {
  CopyOntoAnExistingFile();
  WaitWidget(u"ButtonCancel"_s, u"FileQuestion"_s);
  Key(u"Escape"_s);
  DismissMessage(u"Ошибка при выполнении копирования "_s);
  WaitIdle();
  EXPECT_EQ(ReadAll(Home(u"D/a.txt"_s)), QByteArray("old"));
}

TEST_F(FileOpsScenario, MoveOntoAnExistingFileSkippedSlowlyKeepsBoth) {
  CreateFile(u"D/a.txt"_s, "old");
  CreateFile(u"x/a.txt"_s, "new");
  CreateFile(u"x/b.txt"_s, "b");
  StartWithPanelOn(u"D"_s, u"x"_s);
  SelectMainRow(u"a.txt"_s);
  Key(u"Insert"_s);
  Key(u"Insert"_s);
  WaitText(u"Label1"_s, u"Выделено в 0 папках и в 2 файлах: 2 KB"_s, u"Form1"_s);
  Key(u"F6"_s);
  const TUi confirm = WaitShown(u"MessageBox"_s);
  EXPECT_EQ(TitleOf(confirm.Window(u"MessageBox"_s)), u"ПЕРЕМЕЩЕНИЕ / MOVE !!!"_s);
  EXPECT_EQ(confirm.Text(u"ButtonYes"_s, u"MessageBox"_s), u"Да"_s);
  EXPECT_EQ(confirm.Text(u"ButtonNo"_s, u"MessageBox"_s), u"Нет"_s);
  ClickNamed(u"ButtonYes"_s, u"MessageBox"_s);
  ThinkOverQuestion();
  AnswerQuestion("ButtonSkip");
  WaitIdle();
  EXPECT_EQ(ReadAll(Home(u"D/a.txt"_s)), QByteArray("old"));
  EXPECT_EQ(ReadAll(Home(u"x/a.txt"_s)), QByteArray("new"));
  EXPECT_EQ(ReadAll(Home(u"D/b.txt"_s)), QByteArray("b"));
  EXPECT_FALSE(Exists(HomeBytes("x/b.txt")));
  const TUi ui = WaitFor(u"the panel listing the moved file"_s, [](const TUi& look) {
    return RowTexts(look.Widget(u"ListView1"_s, u"Form4"_s)).contains(u"b.txt"_s);
  });
  EXPECT_EQ(RowTexts(MainList(ui)), QStringList{u"a.txt"_s});
}

TEST_F(FileOpsScenario, MoveAndTrashQuestionsAnsweredAtOnce) {
  CreateFile(u"D/a.txt"_s, "old");
  CreateFile(u"x/a.txt"_s, "new");
  const QString longName = QString(251, QLatin1Char('n')) + u".txt"_s;
  CreateFile(u"x/"_s + longName, "long");
  StartWithPanelOn(u"D"_s, u"x"_s);
  SelectMainRow(u"a.txt"_s);
  Key(u"F6"_s);
  AnswerInputBox(u"a.txt"_s);
  WaitWidget(u"ButtonReplace"_s, u"FileQuestion"_s);
  Key(u"Return"_s);  // "Заменить" is the default
  WaitIdle();
  EXPECT_EQ(ReadAll(Home(u"D/a.txt"_s)), QByteArray("new"));
  EXPECT_FALSE(Exists(HomeBytes("x/a.txt")));

  SelectMainRow(longName);
  Key(u"F8"_s);
  WaitWidget(u"ButtonYes"_s, u"DeleteQuestion"_s);
  Key(u"Return"_s);
  WaitWidget(u"ButtonNo"_s, u"FileQuestion"_s);
  Key(u"Escape"_s);  // keeps the object
  WaitIdle();
  EXPECT_TRUE(Exists(HomeBytes("x/" + longName.toUtf8())));
}

TEST_F(FileOpsScenario, MoveOfAFolderIntoItsOwnSubfolderCanBeCancelledSlowly) {
  CreateFile(u"x/F/sub/keep.txt"_s, "keep");
  StartWithPanelOn(u"x/F/sub"_s, u"x"_s);
  SelectMainRow(u"F"_s);
  Key(u"F6"_s);
  AnswerInputBox(u"F"_s);
  ThinkOverQuestion();
  AnswerQuestion("ButtonCancel");
  DismissMessage(u"Операция не выполнена"_s);
  WaitIdle();
  EXPECT_EQ(ReadAll(Home(u"x/F/sub/keep.txt"_s)), QByteArray("keep"));
}

TEST_F(FileOpsScenario, ANameTooLongForTheTrashIsDeletedForGoodWhenAskedSlowly) {
  const QString longName = QString(251, QLatin1Char('n')) + u".txt"_s;
  CreateFile(u"x/"_s + longName, "long");
  CreateFile(u"x/other.txt"_s, "other");
  WriteSettings(u"zarn.ini"_s, {{}, {}, {}, Home(u"x/"_s)});
  Start();
  WaitListing(Home(u"x/"_s));
  SelectMainRow(longName);
  Key(u"F8"_s);
  WaitWidget(u"ButtonYes"_s, u"DeleteQuestion"_s);
  Key(u"Return"_s);
  WaitWidget(u"ButtonNo"_s, u"FileQuestion"_s);
  HoldFor(u"the trash question on top"_s, Slowly, [](const TUi& ui) { return ui.Modal() == u"FileQuestion"_s; });
  AnswerQuestion("ButtonYes");
  WaitIdle();
  EXPECT_FALSE(Exists(HomeBytes("x/" + longName.toUtf8())));
  EXPECT_TRUE(Exists(HomeBytes("x/other.txt")));
  WaitFor(u"the list without the deleted file"_s,
          [](const TUi& ui) { return RowTexts(MainList(ui)) == QStringList{u"other.txt"_s}; });
}

TEST_F(FileOpsScenario, DeleteToTheTrashAndDeclinedDelete) {
  CreateFile(u"x/one.txt"_s, "1");
  CreateFile(u"x/two.txt"_s, "2");
  CreateFile(u"x/three.txt"_s, "3");
  WriteSettings(u"zarn.ini"_s, {{}, {}, {}, Home(u"x/"_s)});
  Start();
  WaitListing(Home(u"x/"_s));
  SelectMainRow(u"one.txt"_s);
  Key(u"F8"_s);
  const TWidget question = WaitFor(u"the delete question"_s, [](const TUi& ui) {
                             return ui.Shown(u"DeleteQuestion"_s);
                           }).Window(u"DeleteQuestion"_s);
  EXPECT_EQ(TitleOf(question), u"Удаление выделенных объектов..."_s);
  EXPECT_EQ(RectOf(question).height(), 280);
  Key(u"Escape"_s);
  DismissMessage(u"Удаление отменено"_s);
  EXPECT_TRUE(Exists(HomeBytes("x/one.txt")));

  SelectMainRow(u"one.txt"_s);
  Key(u"Insert"_s);
  Key(u"Insert"_s);
  Key(u"F8"_s);
  WaitWidget(u"ButtonYes"_s, u"DeleteQuestion"_s);
  Key(u"Return"_s);
  WaitIdle();
  WaitFor(u"the list without the deleted files"_s,
          [](const TUi& ui) { return RowTexts(MainList(ui)) == QStringList{u"two.txt"_s}; });
  const QStringList trashed = QDir(Home(u".local/share/Trash/files"_s)).entryList(QDir::Files);
  EXPECT_EQ(trashed, (QStringList{u"one.txt"_s, u"three.txt"_s}));
  EXPECT_TRUE(QFile::exists(Home(u".local/share/Trash/info/one.txt.trashinfo"_s)));
}

TEST_F(FileOpsScenario, CreateAFolderAndRenameInPlaceAndByDialog) {
  CreateFile(u"x/old.txt"_s, "o");
  WriteSettings(u"zarn.ini"_s, {{}, {}, {}, Home(u"x/"_s)});
  Start();
  WaitListing(Home(u"x/"_s));
  SelectMainRow(u"old.txt"_s);
  Key(u"F7"_s);
  AnswerInputBox(u"Новая папка"_s);
  WaitFor(u"the cursor on the new folder"_s,
          [](const TUi& ui) { return MainList(ui).value(u"currentText"_s).toString() == u"Новая папка"_s; });
  EXPECT_TRUE(QDir(Home(u"x/Новая папка"_s)).exists());

  SelectMainRow(u"old.txt"_s);
  Key(u"F2"_s);
  WaitFor(u"the name editor"_s, [](const TUi& ui) {
    return !FindWithin(MainList(ui), [](const TWidget& widget) {
              return widget.value(u"class"_s).toString() == u"QExpandingLineEdit"_s;
            }).isEmpty();
  });
  Key(u"ctrl+a"_s);
  Type(u"renamed.txt"_s);
  Key(u"Return"_s);
  DismissMessage(u"Меняем имя : old.txt - на  -renamed.txt"_s);
  WaitFor(u"the cursor on the renamed file, in the list"_s, [](const TUi& ui) {
    const TWidget list = MainList(ui);
    return list.value(u"currentText"_s).toString() == u"renamed.txt"_s && list.value(u"focus"_s).toBool();
  });
  EXPECT_EQ(ReadAll(Home(u"x/renamed.txt"_s)), QByteArray("o"));

  ClickNamed(u"SpeedButton3"_s, u"Form1"_s);
  AnswerInputBox(u"again.txt"_s);
  DismissMessage(u"Меняем имя : renamed.txt - на  -again.txt"_s);
  WaitFor(u"the cursor on the file renamed again"_s,
          [](const TUi& ui) { return MainList(ui).value(u"currentText"_s).toString() == u"again.txt"_s; });
  EXPECT_TRUE(Exists(HomeBytes("x/again.txt")));
}

}  // namespace
}  // namespace zarn::e2e
