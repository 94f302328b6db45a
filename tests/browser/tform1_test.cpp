#include "browser/tform1.h"
#include "panel/drivecombobox.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>

#include "browser/browsingstate.h"
#include "browser/folderitems.h"
#include "browser/folderlisting.h"
#include "browser/shelltree.h"
#include "browser/tlistview.h"
#include "fakeprompter.h"
#include "platform/mountwatcher.h"
#include "settings/settingsfile.h"
#include "settings/tset1.h"
#include "listrows.h"
#include "temptree.h"

namespace zarn {
namespace {

using test::FakePrompter;
using test::CursorRowName;
using test::RowNamed;
using test::TempTree;

class TForm1Test : public testing::Test {
 protected:
  TForm1Test() {
    ListingWaitBudget = std::chrono::minutes(1);  // the list is read right after each navigation
    qputenv("ZARN_CONFIG_DIR", Config.Root().toUtf8());
    SortMode = 0;
    FocusName.clear();
    MainShown = false;
  }

  // Creates and shows the window (the first showing lists the start folder
  // and applies zarn.ini).
  void Open() {
    Form = std::make_unique<TForm1>();
    Form->show();
  }

  QStringList History() const {
    QStringList entries;
    for (int i = 0; i < Form->cbPath->count(); ++i) entries << Form->cbPath->itemText(i);
    return entries;
  }

  int Row(const QString& name) const { return RowNamed(*Form, name); }

  QString CurrentName() const { return CursorRowName(*Form); }

  void TypePath(const QString& text) {
    Form->cbPath->setEditText(text);
    QTest::keyClick(Form->cbPath->lineEdit(), Qt::Key_Return);
  }

  QToolButton* Button(const char* name) const { return Form->findChild<QToolButton*>(QLatin1String(name)); }

  TempTree Config;
  TempTree Tree;
  FakePrompter Prompts;
  std::unique_ptr<TForm1> Form;
};

TEST_F(TForm1Test, ControlsCarryTheirNamesAndHints) {
  Open();
  EXPECT_EQ(Form->windowTitle(), QStringLiteral("Zarn - Ver. 1.4"));
  const std::pair<const char*, const char*> hints[] = {
      {"SpeedButton1", "Закончить / Exit"},
      {"SpeedButton2", "Вверх на один уровень / Up level"},
      {"SpeedButton13", "Свернуть - Развернуть левую панель  /Close-Open left panel"},
      {"SpeedButton14", "Обменять панели / Swup panel"},
      {"SpeedButton19", "Обновить список / Update List"},
      {"SpeedButton12", "Доп. панель открыить-Закрыть / New panel"},
      {"SpeedButton9", "Удалить / Delete"},
      {"SpeedButton11", "Настройка расширений / Run extensions"},
  };
  for (auto [name, hint] : hints) {
    ASSERT_NE(Button(name), nullptr) << name;
    EXPECT_EQ(Button(name)->toolTip(), QString::fromUtf8(hint)) << name;
  }
  for (const char* name : {"cbPath", "DriveComboBox1", "ComboBox1"}) EXPECT_NE(Form->findChild<QComboBox*>(name), nullptr);
  for (const char* name : {"Label1", "Label2", "Label3", "Label4", "Label5", "Label6", "Label7", "Label8", "Label9"}) {
    EXPECT_NE(Form->findChild<QLabel*>(name), nullptr) << name;
  }
  EXPECT_EQ(Form->Label9->text(), QStringLiteral("Жду команду..."));
  EXPECT_EQ(Form->findChild<QLabel*>("Label2")->text(), QStringLiteral(" Путь:"));
  EXPECT_EQ(Form->Items().headerData(0, Qt::Horizontal, Qt::DisplayRole).toString(), QStringLiteral("Name   "));
}

TEST_F(TForm1Test, StartsOnTheComputerThenTheStartPath) {
  Form = std::make_unique<TForm1>();
  EXPECT_EQ(Form->CurrentPath(), ComputerParsingName);
  EXPECT_EQ(History(), QStringList({ComputerParsingName}));
  Form->show();
  EXPECT_EQ(Form->CurrentPath(), QStringLiteral("/"));
  EXPECT_EQ(History(), QStringList({QStringLiteral("/"), ComputerParsingName}));
  EXPECT_EQ(Form->PathText(), QStringLiteral("/"));
}

TEST_F(TForm1Test, SavedFolderIsListedThirdAndSettingsApplied) {
  Tree.CreateDir("work");
  Tree.CreateFile("viewer.sh", "#!/bin/sh\n");
  TSet1 settings;
  ASSERT_FALSE(WriteSettingsLines(Config.Path(QStringLiteral("zarn.ini")),
                                  {Tree.Path(QStringLiteral("viewer.sh")), Tree.Root(), QString(),
                                   Tree.Path(QStringLiteral("work/"))}).IsError());
  Open();
  EXPECT_EQ(History(), QStringList({Tree.Path(QStringLiteral("work")), QStringLiteral("/"), ComputerParsingName}));
  EXPECT_EQ(Form->PathText(), Tree.Path(QStringLiteral("work/")));
  EXPECT_TRUE(settings.CheckBox1->isChecked());
  EXPECT_EQ(settings.Edit1->text(), Tree.Path(QStringLiteral("viewer.sh")));
  EXPECT_FALSE(settings.CheckBox2->isChecked());  // a folder is no program
  Form->close();
  const QStringList written = ValueOrRaise(ReadSettingsLines(Config.Path(QStringLiteral("zarn.ini"))));
  EXPECT_EQ(written, QStringList({Tree.Path(QStringLiteral("viewer.sh")), QString(), QString(),
                                  Tree.Path(QStringLiteral("work/"))}));
}

TEST_F(TForm1Test, ShortOrDamagedSettingsFileStillStarts) {
  Tree.CreateDir("elsewhere");
  Config.CreateFile("zarn.ini", QByteArray("\xff\xfe\0garbage\r\n", 12));
  Open();
  EXPECT_EQ(Form->CurrentPath(), QStringLiteral("/"));
  EXPECT_TRUE(Prompts.Errors.isEmpty());
  Form->close();
  EXPECT_EQ(ValueOrRaise(ReadSettingsLines(Config.Path(QStringLiteral("zarn.ini")))).size(), 4);
}

TEST_F(TForm1Test, SavedFolderWithANulByteIsRefusedWithAMessage) {
  Tree.CreateDir("work");
  // The system would read the name up to the NUL and open work/.
  Config.CreateFile("zarn.ini", "\r\n\r\n\r\n" + Tree.PathBytes("work") + QByteArray("\0/elsewhere", 11) + "\r\n");
  Open();
  EXPECT_EQ(Form->CurrentPath(), QStringLiteral("/"));
  ASSERT_EQ(Prompts.Errors.size(), 1);
  EXPECT_TRUE(Prompts.Errors[0].contains(QStringLiteral("нулевой байт"))) << Prompts.Errors[0].toStdString();
  EXPECT_TRUE(Prompts.Errors[0].contains(Tree.Path(QStringLiteral("work\\0/elsewhere"))));
}

TEST_F(TForm1Test, TypedPathsEnterTheHistoryOnce) {
  Tree.CreateDir("a");
  Open();
  TypePath(Tree.Path(QStringLiteral("a")));
  TypePath(QStringLiteral("/"));
  TypePath(Tree.Path(QStringLiteral("a/")));
  EXPECT_EQ(History().count(Tree.Path(QStringLiteral("a"))), 1);
  EXPECT_EQ(History().indexOf(Tree.Path(QStringLiteral("a"))), 0);
  EXPECT_EQ(Form->PathText(), Tree.Path(QStringLiteral("a/")));
  EXPECT_EQ(Form->cbPath->itemText(Form->cbPath->currentIndex()), Tree.Path(QStringLiteral("a")));
}

TEST_F(TForm1Test, EmptyPathBoxDoesNotNavigate) {
  Open();
  const int entries = Form->cbPath->count();
  TypePath(QStringLiteral("   "));
  EXPECT_EQ(Form->CurrentPath(), QStringLiteral("/"));
  EXPECT_EQ(Form->cbPath->count(), entries);
  EXPECT_TRUE(Prompts.Errors.isEmpty());
}

TEST_F(TForm1Test, MissingPathShowsTheErrorAndKeepsTheListing) {
  Tree.CreateFile("kept");
  Open();
  Form->SetPath(Tree.Root());
  const int entries = Form->cbPath->count();
  TypePath(Tree.Path(QStringLiteral("missing")));
  ASSERT_EQ(Prompts.Errors.size(), 1);
  EXPECT_TRUE(Prompts.Errors[0].contains(SystemMessage(ENOENT)));
  EXPECT_EQ(Form->CurrentPath(), Tree.Root());
  EXPECT_EQ(Form->Items().Count(), 1);
  EXPECT_EQ(Form->cbPath->count(), entries);
  EXPECT_EQ(Form->PathText(), Tree.Path(QStringLiteral("missing")));
}

TEST_F(TForm1Test, FolderThatVanishedOrRefusesKeepsThePreviousListing) {
  Tree.CreateDir("gone");
  Tree.CreateDir("locked");
  Tree.CreateFile("locked/inside");
  Open();
  Form->SetPath(Tree.Root());
  ASSERT_EQ(::rmdir(Tree.PathBytes("gone").constData()), 0);
  Form->ListView->SelectRow(Row(QStringLiteral("gone")));
  QTest::keyClick(Form->ListView, Qt::Key_Return);
  ASSERT_EQ(Prompts.Errors.size(), 1);
  EXPECT_EQ(Form->CurrentPath(), Tree.Root());
  EXPECT_EQ(Form->Items().Count(), 2);
  if (test::RunningAsRoot()) return;  // permissions do not stop root
  Tree.SetMode("locked", 0);
  Form->OpenRow(Row(QStringLiteral("locked")));
}

TEST_F(TForm1Test, UpOneLevelSelectsTheFolderLeftThenTheComputerThenBeeps) {
  Tree.CreateDir("parent/child");
  Tree.CreateFile("parent/zfile");
  Open();
  Form->SetPath(Tree.Path(QStringLiteral("parent/child")));
  QTest::keyClick(Form->ListView, Qt::Key_Backspace);
  EXPECT_EQ(Form->CurrentPath(), Tree.Path(QStringLiteral("parent")));
  EXPECT_EQ(CurrentName(), QStringLiteral("child"));
  Form->SetPath(QStringLiteral("/"));
  Button("SpeedButton2")->click();
  EXPECT_EQ(Form->CurrentPath(), ComputerParsingName);
  EXPECT_EQ(CurrentName(), QStringLiteral("/"));
  Button("SpeedButton2")->click();
  EXPECT_EQ(Prompts.Beeps, 1);
  EXPECT_EQ(Form->CurrentPath(), ComputerParsingName);
}

TEST_F(TForm1Test, EnterAndDoubleClickOpenFolderRows) {
  Tree.CreateDir("inner");
  Tree.CreateFile("file.txt");
  Open();
  Form->SetPath(Tree.Root());
  Form->ListView->SelectRow(Row(QStringLiteral("file.txt")));
  QTest::keyClick(Form->ListView, Qt::Key_Return);
  EXPECT_EQ(Form->CurrentPath(), Tree.Root());
  Form->ListView->SelectRow(Row(QStringLiteral("inner")));
  QTest::keyClick(Form->ListView, Qt::Key_Return);
  EXPECT_EQ(Form->CurrentPath(), Tree.Path(QStringLiteral("inner")));
}

TEST_F(TForm1Test, ColumnClicksSortWithMessageAndMarker) {
  Tree.CreateFile("big", QByteArray(5000, 'x'), TempTree::FixedTime());
  Tree.CreateFile("small", "x", TempTree::FixedTime().addDays(1));
  Open();
  Form->SetPath(Tree.Root());
  Form->ListViewColumnClick(2);
  EXPECT_EQ(Prompts.Messages.last(), QStringLiteral("По дате"));
  EXPECT_EQ(SortMode, 3);
  EXPECT_EQ(Form->Items().ColumnCaption(2), QStringLiteral("Date v"));
  EXPECT_EQ(Form->Items().FolderItems[0].DisplayName, QStringLiteral("big"));
  Form->ListViewColumnClick(1);
  EXPECT_EQ(Prompts.Messages.last(), QStringLiteral("По размеру"));
  EXPECT_EQ(Form->Items().FolderItems[0].DisplayName, QStringLiteral("small"));
  const int messages = Prompts.Messages.size();
  Form->ListViewColumnClick(4);
  EXPECT_EQ(Prompts.Messages.size(), messages);
  EXPECT_EQ(SortMode, 1);
  EXPECT_EQ(Form->Items().ColumnCaption(4), QStringLiteral("Atrib  "));
}

TEST_F(TForm1Test, TypingFindsRowsByPrefix) {
  for (const char* name : {"alpha", "beta", "bravo"}) Tree.CreateFile(name);
  Open();
  Form->SetPath(Tree.Root());
  Form->ListView->setFocus();
  QTest::keyClicks(Form->ListView, QStringLiteral("br"));
  EXPECT_EQ(CurrentName(), QStringLiteral("bravo"));
}

TEST_F(TForm1Test, HistoryChoiceAnnouncesTheEntry) {
  Tree.CreateDir("a");
  Open();
  Form->SetPath(Tree.Path(QStringLiteral("a")));
  Form->SetPath(QStringLiteral("/"));
  const int entry = History().indexOf(Tree.Path(QStringLiteral("a")));
  emit Form->cbPath->activated(entry);
  EXPECT_EQ(Prompts.Messages.last(), QStringLiteral("Выбран: ") + Tree.Path(QStringLiteral("a")));
  EXPECT_EQ(Form->CurrentPath(), Tree.Path(QStringLiteral("a")));
}

TEST_F(TForm1Test, MediaChangesSetTheStatusAndRebuildDrives) {
  Open();
  Form->CD(DBT_DEVNODES_CHANGED);
  EXPECT_EQ(Form->Label9->text(), QStringLiteral("Смена носителя..."));
  int panelRefreshes = 0;
  Form->RefreshPanelDrives = [&] { ++panelRefreshes; };
  Form->SetPath(Tree.Root());
  Form->CD(DBT_DEVICEARRIVAL);
  EXPECT_EQ(Form->Label9->text(), QStringLiteral("Есть новый диск"));
  EXPECT_EQ(panelRefreshes, 1);
  // Rebuilding re-selects the volume, which lists its root.
  EXPECT_EQ(Form->CurrentPath(), QString::fromUtf8(Form->SelectedVolume()));
  Form->CD(DBT_DEVICEREMOVECOMPLETE);
  EXPECT_EQ(Form->Label9->text(), QStringLiteral("Изъят диск."));
  Form->CD(0x1234);
  EXPECT_EQ(Form->Label9->text(), QStringLiteral("Жду команды...!"));
}

TEST_F(TForm1Test, FreeSpaceLineShowsTotals) {
  Open();
  EXPECT_TRUE(Form->Label5->text().endsWith(QStringLiteral(" Kb -")));
  EXPECT_TRUE(Form->Label6->text().endsWith(QStringLiteral(" Kb")));
  EXPECT_EQ(Form->Shape1->x(), 157);
  EXPECT_EQ(Form->Shape2->x() + Form->Shape2->width(), 375);
}

TEST_F(TForm1Test, LeftPanelButtonHidesAndShowsTheTree) {
  Open();
  const int width = Form->width();
  Button("SpeedButton13")->click();
  EXPECT_FALSE(Form->ShellTreeView1->isVisible());
  EXPECT_EQ(Form->width(), width - 195);
  EXPECT_EQ(Button("SpeedButton13")->property("glyph").toString(), QStringLiteral("TORIGHT"));
  Button("SpeedButton13")->click();
  EXPECT_TRUE(Form->ShellTreeView1->isVisible());
  EXPECT_EQ(Form->width(), width);
  EXPECT_EQ(Button("SpeedButton13")->property("glyph").toString(), QStringLiteral("TOLEFT"));
}

TEST_F(TForm1Test, TreeFollowsTheListingAndNavigatesOnClick) {
  Tree.CreateDir("one/two");
  Open();
  Form->SetPath(Tree.Path(QStringLiteral("one/two")));
  EXPECT_EQ(Form->ShellTreeView1->SelectedPath(), Tree.Path(QStringLiteral("one/two")));
  Form->SetPath(QStringLiteral("/"));
  Form->ShellTreeView1->SelectIdList(ValueOrRaise(Form->DesktopFolder().ParseDisplayName(Tree.Root())).get());
  emit Form->ShellTreeView1->NodeClicked();
  EXPECT_EQ(Form->CurrentPath(), Tree.Root());
}

TEST_F(TForm1Test, DriveBoxListsVolumesAndNavigatesToTheRoot) {
  Open();
  ASSERT_GE(Form->DriveComboBox1->count(), 1);
  Form->SetPath(Tree.Root());
  Form->DriveComboBox1->setCurrentIndex(-1);
  Form->DriveComboBox1->setCurrentIndex(0);
  EXPECT_EQ(Form->CurrentPath(), QStringLiteral("/"));
}

TEST_F(TForm1Test, SpaceAndInsertMarkRowsAndCountThem) {
  Tree.CreateFile("a.txt", QByteArray(2048, 'x'));
  Tree.CreateFile("b.txt", "x");
  Open();
  Form->SetPath(Tree.Root());
  Form->ListView->setFocus();
  Form->ListView->SelectRow(0);
  QTest::keyClick(Form->ListView, Qt::Key_Space);
  EXPECT_TRUE(Form->Items().FolderItems[0].Marked);
  EXPECT_EQ(Form->ListView->CurrentRow(), 0);
  QTest::keyClick(Form->ListView, Qt::Key_Insert);
  EXPECT_FALSE(Form->Items().FolderItems[0].Marked);
  EXPECT_EQ(Form->ListView->CurrentRow(), 1);
  QTest::keyClick(Form->ListView, Qt::Key_Insert);
  EXPECT_TRUE(Form->Items().FolderItems[1].Marked);
  EXPECT_NE(Form->Label1->text(), InitialSelectionText);
  Form->SetPath(Tree.Root());
  EXPECT_EQ(Form->Label1->text(), InitialSelectionText);
}

TEST_F(TForm1Test, CopyKeyReachesTheFileCommands) {
  Tree.CreateFile("a.txt", "x");
  Open();
  Form->SetPath(Tree.Root());
  Form->ListView->setFocus();
  Form->ListView->SelectRow(0);
  const int messages = Prompts.Messages.size() + Prompts.Errors.size() + Prompts.Inputs.size();
  QTest::keyClick(Form->ListView, Qt::Key_F5);
  EXPECT_GT(Prompts.Messages.size() + Prompts.Errors.size() + Prompts.Inputs.size(), messages);
  EXPECT_EQ(Form->Items().Count(), 1);
}

}  // namespace
}  // namespace zarn
