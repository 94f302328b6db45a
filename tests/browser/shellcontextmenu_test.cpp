#include "browser/shellcontextmenu.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <cerrno>

#include "browser/browsingstate.h"
#include "browser/folderitems.h"
#include "browser/folderlisting.h"
#include "browser/tform1.h"
#include "browser/tlistview.h"
#include "browser/tpropertiesdialog.h"
#include "fakeprompter.h"
#include "ops/filecommands.h"
#include "platform/filenames.h"
#include "platform/guard.h"
#include "listrows.h"
#include "temptree.h"
#include "testdesktop.h"

namespace zarn {
namespace {

using test::FakePrompter;
using test::CursorRowName;
using test::FocusListOf;
using test::RowNamed;
using test::TempTree;
using test::TestDesktop;

QAction* ActionNamed(QMenu& menu, const QString& text) {
  for (QAction* action : menu.findChildren<QAction*>()) {
    if (action->text() == text) return action;
  }
  return nullptr;
}

// The top-level captions, separators as "-".
QStringList Captions(QMenu& menu) {
  QStringList captions;
  for (QAction* action : menu.actions()) captions << (action->isSeparator() ? QStringLiteral("-") : action->text());
  return captions;
}

class ShellContextMenuTest : public testing::Test {
 protected:
  ShellContextMenuTest() : Desktop(TestDesktop::Instance()) {
    Desktop.ForgetRecords();
    ListingWaitBudget = std::chrono::minutes(1);  // the list is read right after each navigation
    qputenv("ZARN_CONFIG_DIR", Config.Root().toUtf8());
    SortMode = 0;
    FocusName.clear();
    MainShown = false;
    SetErrorReporter([this](const QString& text) { Errors << text; });
    SetDeleteAsker([this](const QString& text, bool) {
      DeleteTexts << text;
      return DeleteReply;
    });
    for (const char* name : {"a.txt", "b.txt", "c.txt"}) Tree.CreateFile(name, "plain text\n");
    Tree.CreateDir("folder");
    Tree.CreateFile("folder/inside", QByteArray(3000, 'x'));
  }

  ~ShellContextMenuTest() override {
    Form.reset();
    SetContextMenuExec({});
    SetDeleteAsker({});
    SetErrorReporter({});
  }

  void OpenAt(const QString& folder) {
    Form = std::make_unique<TForm1>();
    Form->show();
    Form->SetPath(folder);
    FocusList();
  }

  void FocusList() { FocusListOf(*Form); }

  int Row(const QString& name) const { return RowNamed(*Form, name); }

  QString CurrentName() const { return CursorRowName(*Form); }

  // Runs the menu for `name` (or with no row selected), `choose` standing in for the user.
  void PopUpFor(const QString& name, std::function<QAction*(QMenu&)> choose) {
    if (name.isEmpty()) {
      Form->ListView->clearSelection();
    } else {
      Form->ListView->SelectRow(Row(name));
    }
    SetContextMenuExec([this, choose](QMenu& menu, QPoint) {
      ++MenusShown;
      Shown = Captions(menu);
      return choose(menu);
    });
    Guarded([this] { Form->PopupMenu1Popup(); });
  }

  // Chooses `text`, first creating a file so a new listing can be seen.
  std::function<QAction*(QMenu&)> Choose(const QString& text) {
    return [this, text](QMenu& menu) {
      Tree.CreateFile("listed again.txt");
      return ActionNamed(menu, text);
    };
  }

  TestDesktop& Desktop;
  TempTree Config;
  TempTree Tree;
  FakePrompter Prompts;
  QStringList Errors;
  QStringList DeleteTexts;
  DeleteChoice DeleteReply{DeleteAnswer::Yes, false};
  std::unique_ptr<TForm1> Form;
  int MenusShown = 0;
  QStringList Shown;
};

TEST_F(ShellContextMenuTest, ChosenApplicationGetsTheRowAndTheListComesBackOnIt) {
  OpenAt(Tree.Root());
  PopUpFor(QStringLiteral("b.txt"), Choose(QStringLiteral("Test Editor")));
  EXPECT_TRUE(Errors.isEmpty()) << Errors.join('\n').toStdString();
  EXPECT_EQ(Desktop.WaitForArguments().value_or(QList<QByteArray>{}),
            QList<QByteArray>{ToNativeName(Tree.Path(QStringLiteral("b.txt")))});
  EXPECT_EQ(FocusName, QStringLiteral("b.txt"));
  EXPECT_GE(Row(QStringLiteral("listed again.txt")), 0);
  EXPECT_EQ(CurrentName(), QStringLiteral("b.txt"));
  EXPECT_EQ(Shown, (QStringList{"Открыть", "Открыть с помощью", "-", "Открыть терминал здесь", "Копировать путь",
                                "-", "В корзину", "Удалить", "Переименовать", "-", "Свойства"}));
}

TEST_F(ShellContextMenuTest, CancelRunsNothingAndListsAgain) {
  OpenAt(Tree.Root());
  PopUpFor(QStringLiteral("c.txt"), [this](QMenu&) -> QAction* {
    Tree.CreateFile("listed again.txt");
    return nullptr;
  });
  EXPECT_EQ(MenusShown, 1);
  EXPECT_TRUE(Errors.isEmpty());
  EXPECT_GE(Row(QStringLiteral("listed again.txt")), 0);
  EXPECT_EQ(CurrentName(), QStringLiteral("c.txt"));
  EXPECT_FALSE(Desktop.WaitForArguments(1).has_value());
}

TEST_F(ShellContextMenuTest, WithoutASelectedRowTheMenuIsTheListedFolders) {
  OpenAt(Tree.Root());
  FocusName = QStringLiteral("a.txt");
  PopUpFor({}, Choose(QStringLiteral("Test Files")));
  EXPECT_FALSE(Shown.contains(QStringLiteral("Удалить")));
  EXPECT_EQ(FocusName, QStringLiteral("a.txt"));
  EXPECT_EQ(Desktop.WaitForArguments().value_or(QList<QByteArray>{}), QList<QByteArray>{Tree.RootBytes()});
  EXPECT_GE(Row(QStringLiteral("listed again.txt")), 0);
}

TEST_F(ShellContextMenuTest, VolumeRowOffersOpenTerminalAndProperties) {
  Form = std::make_unique<TForm1>();
  Form->show();
  Form->SetPath(ComputerParsingName);
  ASSERT_GT(Form->Items().Count(), 0);
  Form->ListView->SelectRow(0);
  SetContextMenuExec([this](QMenu& menu, QPoint) -> QAction* {
    Shown = Captions(menu);
    return nullptr;
  });
  Guarded([this] { Form->PopupMenu1Popup(); });
  EXPECT_TRUE(Errors.isEmpty()) << Errors.join('\n').toStdString();
  EXPECT_EQ(Shown, (QStringList{"Открыть", "Открыть терминал здесь", "-", "Свойства"}));
}

TEST_F(ShellContextMenuTest, VanishedItemShowsTheErrorAndIsNoLongerListed) {
  OpenAt(Tree.Root());
  PopUpFor(QStringLiteral("b.txt"), [this](QMenu& menu) {
    ::unlink(Tree.PathBytes("b.txt").constData());
    return ActionNamed(menu, QStringLiteral("Открыть"));
  });
  ASSERT_EQ(Errors.size(), 1);
  EXPECT_TRUE(Errors.first().contains(SystemMessage(ENOENT)));
  EXPECT_EQ(Row(QStringLiteral("b.txt")), -1);
  // Gone before the menu could open: no menu, the same message, a new listing.
  ::unlink(Tree.PathBytes("a.txt").constData());
  PopUpFor(QStringLiteral("a.txt"), Choose(QStringLiteral("Открыть")));
  EXPECT_EQ(Errors.size(), 2);
  EXPECT_EQ(MenusShown, 1);
  EXPECT_EQ(Row(QStringLiteral("a.txt")), -1);
}

TEST_F(ShellContextMenuTest, DeleteAsksTheDeleteQuestionForTheMenusRowOnly) {
  OpenAt(Tree.Root());
  Form->Items().GetItem(Row(QStringLiteral("a.txt"))).Marked = true;
  PopUpFor(QStringLiteral("b.txt"), Choose(QStringLiteral("Удалить")));
  ASSERT_EQ(DeleteTexts.size(), 1);
  EXPECT_TRUE(DeleteTexts.first().contains(QStringLiteral("b.txt")));
  EXPECT_FALSE(DeleteTexts.first().contains(QStringLiteral("a.txt")));
  EXPECT_EQ(Row(QStringLiteral("b.txt")), -1);
  EXPECT_GE(Row(QStringLiteral("a.txt")), 0);
  // The F8 command puts the cursor on the row after the deleted one.
  EXPECT_EQ(CurrentName(), QStringLiteral("c.txt"));
}

TEST_F(ShellContextMenuTest, DeclinedTrashKeepsTheItem) {
  OpenAt(Tree.Root());
  DeleteReply = {DeleteAnswer::No, true};
  PopUpFor(QStringLiteral("b.txt"), Choose(QStringLiteral("В корзину")));
  EXPECT_EQ(DeleteTexts.size(), 1);
  EXPECT_TRUE(Prompts.Messages.contains(QStringLiteral("Удаление отменено")));
  EXPECT_GE(Row(QStringLiteral("b.txt")), 0);
}

// The real delete dialog: its trash box starts as the chosen entry says.
TEST_F(ShellContextMenuTest, DeleteDialogsTrashBoxFollowsTheEntry) {
  SetDeleteAsker({});
  OpenAt(Tree.Root());
  for (const auto& [entry, expected] : {std::pair{QStringLiteral("Удалить"), false},
                                        std::pair{QStringLiteral("В корзину"), true}}) {
    std::optional<bool> checked;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
      QWidget* box = QApplication::activeModalWidget();
      if (!box || box->objectName() != QStringLiteral("DeleteQuestion")) return;
      checked = box->findChild<QCheckBox*>(QStringLiteral("DeleteToTrash"))->isChecked();
      box->findChild<QPushButton*>(QStringLiteral("ButtonNo"))->click();
    });
    poll.start(20);
    FocusList();
    PopUpFor(QStringLiteral("b.txt"), Choose(entry));
    EXPECT_EQ(checked, std::optional<bool>(expected)) << entry.toStdString();
  }
  EXPECT_GE(Row(QStringLiteral("b.txt")), 0);
}

TEST_F(ShellContextMenuTest, RenameEditsTheRowsNameInPlace) {
  OpenAt(Tree.Root());
  PopUpFor(QStringLiteral("b.txt"), Choose(QStringLiteral("Переименовать")));
  EXPECT_TRUE(QTest::qWaitFor([&] { return Form->ListView->IsEditingName(); }));
  EXPECT_EQ(CurrentName(), QStringLiteral("b.txt"));
}

TEST_F(ShellContextMenuTest, CopyPathPutsTextAndExactBytesOnTheClipboard) {
  Tree.CreateFile("odd\xff.txt", "x");
  OpenAt(Tree.Root());
  PopUpFor(FromNativeName(QByteArray("odd\xff.txt")), Choose(QStringLiteral("Копировать путь")));
  const QMimeData* data = QApplication::clipboard()->mimeData();
  ASSERT_NE(data, nullptr);
  EXPECT_TRUE(data->text().endsWith(QStringLiteral("/odd\uFFFD.txt"))) << data->text().toStdString();
  EXPECT_TRUE(data->data(QStringLiteral("text/uri-list")).contains("/odd%FF.txt"));
}

TEST_F(ShellContextMenuTest, PropertiesShowTheItemAndCountAFoldersTree) {
  OpenAt(Tree.Root());
  PopUpFor(QStringLiteral("folder"), Choose(QStringLiteral("Свойства")));
  auto* dialog = Form->findChild<TPropertiesDialog*>(QStringLiteral("TProperties"));
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(dialog->findChild<QLabel*>(QStringLiteral("NameValue"))->text(), QStringLiteral("folder"));
  EXPECT_EQ(dialog->findChild<QLabel*>(QStringLiteral("LocationValue"))->text(), Tree.Root());
  EXPECT_TRUE(QTest::qWaitFor([&] { return dialog->SizeValue->text() == QStringLiteral("3 000 байт"); }))
      << dialog->SizeValue->text().toStdString();
}

TEST_F(ShellContextMenuTest, PermissionBoxesApplyWithChmod) {
  Tree.SetMode("a.txt", 0644);
  auto* dialog = new TPropertiesDialog(ReadItemProperties(Tree.Path(QStringLiteral("a.txt"))).Value());
  dialog->findChild<QCheckBox*>(QStringLiteral("GroupWrite"))->setChecked(true);
  dialog->findChild<QCheckBox*>(QStringLiteral("OtherRead"))->setChecked(false);
  dialog->ApplyButton->click();
  EXPECT_TRUE(Errors.isEmpty());
  auto after = ReadItemProperties(Tree.Path(QStringLiteral("a.txt")));
  EXPECT_EQ(after.Value().Permissions, mode_t(0660));
  // Gone meanwhile: the system's message, nothing else.
  ::unlink(Tree.PathBytes("a.txt").constData());
  dialog->ApplyButton->click();
  ASSERT_EQ(Errors.size(), 1);
  EXPECT_TRUE(Errors.first().contains(SystemMessage(ENOENT)));
  delete dialog;
}

TEST_F(ShellContextMenuTest, ContextMenuRequestOfTheListOpensTheMenu) {
  OpenAt(Tree.Root());
  Form->ListView->SelectRow(Row(QStringLiteral("a.txt")));
  SetContextMenuExec([this](QMenu&, QPoint) -> QAction* {
    ++MenusShown;
    return nullptr;
  });
  const QPoint inside(5, 5);
  QContextMenuEvent event(QContextMenuEvent::Keyboard, inside, Form->ListView->viewport()->mapToGlobal(inside));
  QApplication::sendEvent(Form->ListView->viewport(), &event);
  EXPECT_EQ(MenusShown, 1);
  EXPECT_EQ(FocusName, QStringLiteral("a.txt"));
}

}  // namespace
}  // namespace zarn
