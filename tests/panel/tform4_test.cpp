#include "panel/drivecombobox.h"
#include "panel/tform4.h"

#include <QApplication>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

#include "fakefileopquestions.h"
#include "fakeprompter.h"
#include "ops/shellfileop.h"
#include "panel/mainwindowhooks.h"
#include "platform/guard.h"
#include "platform/shellnamespace.h"
#include "temptree.h"

namespace zarn {
namespace {

class TForm4Test : public testing::Test {
 protected:
  void SetUp() override {
    SetErrorReporter([this](const QString& text) { Errors << text; });
    MainWindowHooks = {};
    MainWindowHooks.SetFocusName = [this](const QString& name) { FocusNames << name; };
    PanelPath.clear();
    SetFileOpQuestions(&Questions);
  }
  void TearDown() override {
    SetFileOpQuestions(nullptr);
    SetErrorReporter(nullptr);
    MainWindowHooks = {};
    PanelPath.clear();
  }

  void Open(const QString& folder) {
    PanelPath = folder;
    Window.FillPanelList(PanelPath);
  }
  QString Folder(const char* relative = "") const { return Tree.Path(QString::fromUtf8(relative)) ; }
  QString Root() const { return Tree.Root() + QLatin1Char('/'); }
  // Caption edits are committed and acted on through queued calls.
  static void Settle() {
    for (int round = 0; round < 5; ++round) QCoreApplication::processEvents();
  }
  void Press(int key) { QTest::keyClick(Window.ListView1, Qt::Key(key)); }

  test::TempTree Tree;
  test::FakePrompter Prompts;
  test::FakeFileOpQuestions Questions;
  TForm4 Window;
  QStringList Errors;
  QStringList FocusNames;
};

TEST_F(TForm4Test, StartsHiddenEmptyAndOnTop) {
  EXPECT_EQ(Form4, &Window);
  EXPECT_FALSE(Window.isVisible());
  EXPECT_EQ(Window.windowTitle(), QStringLiteral("Выбери нужную папку"));
  EXPECT_TRUE(Window.windowFlags() & Qt::WindowStaysOnTopHint);
  EXPECT_EQ(Window.size(), QSize(670, 210));
  EXPECT_EQ(Window.findChild<QLabel*>(QStringLiteral("Label4"))->text(), QStringLiteral("0"));
  EXPECT_EQ(Window.findChild<QLabel*>(QStringLiteral("Label5"))->text(), QStringLiteral("0"));
  EXPECT_EQ(Window.findChild<QPushButton*>(QStringLiteral("Button1"))->toolTip(), QStringLiteral("Создать (Create)"));
  EXPECT_EQ(Window.findChild<QPushButton*>(QStringLiteral("SpeedButton3"))->text(), QStringLiteral("Табл."));
  EXPECT_EQ(Window.ListView1->model()->rowCount(), 0);
  EXPECT_GT(Window.DriveComboBox1->count(), 0);
  EXPECT_TRUE(PanelPath.isEmpty());
}

TEST_F(TForm4Test, ListsFoldersFirstAndCountsBoth) {
  Tree.CreateFile("b.txt");
  Tree.CreateDir("A");
  Tree.CreateDir("c");
  Tree.CreateFile("a.txt");
  Open(Root());
  EXPECT_EQ(Window.Captions(), QStringList({"A", "c", "a.txt", "b.txt"}));
  EXPECT_EQ(Window.Label4->text(), QStringLiteral("2"));
  EXPECT_EQ(Window.Label5->text(), QStringLiteral("2"));
  EXPECT_EQ(Window.Edit1->text(), Root());
}

TEST_F(TForm4Test, AVanishedFolderShowsNothingButItsPath) {
  Tree.CreateFile("x");
  Open(Root());
  Open(Folder("gone/"));
  EXPECT_TRUE(Window.Captions().isEmpty());
  EXPECT_EQ(Window.Label4->text(), QStringLiteral("0"));
  EXPECT_EQ(Window.Label5->text(), QStringLiteral("0"));
  EXPECT_EQ(Window.Edit1->text(), Folder("gone/"));
}

TEST_F(TForm4Test, EnterAndDoubleClickOpenFoldersOnly) {
  Tree.CreateDir("work/docs");
  Tree.CreateFile("note.txt");
  Open(Root());
  Window.show();
  Window.ListView1->setFocus();
  Window.SelectRow(Window.RowOfCaption(QStringLiteral("note.txt")));
  Press(Qt::Key_Return);
  EXPECT_EQ(PanelPath, Root());
  Window.ListView1DblClick();
  EXPECT_EQ(PanelPath, Root());
  Window.SelectRow(Window.RowOfCaption(QStringLiteral("work")));
  Press(Qt::Key_Return);
  EXPECT_EQ(PanelPath, Folder("work/"));
  EXPECT_EQ(Window.Captions(), QStringList({"docs"}));
  Window.SelectRow(0);
  Window.ListView1DblClick();
  EXPECT_EQ(PanelPath, Folder("work/docs/"));
}

TEST_F(TForm4Test, UpSelectsTheFolderLeftAndTellsTheMainWindow) {
  for (int index = 0; index < 60; ++index) Tree.CreateDir(QByteArray("work/d") + QByteArray::number(index + 10));
  Tree.CreateDir("work/zz-Docs");
  Tree.CreateDir("work/zz-Docs/inner");
  Window.show();
  Open(Folder("work/zz-Docs/"));
  Window.SpeedButton1->click();
  EXPECT_EQ(PanelPath, Folder("work/"));
  EXPECT_EQ(FocusNames, QStringList({"zz-Docs"}));
  const int row = Window.SelectedRow();
  ASSERT_GE(row, 0);
  EXPECT_EQ(Window.Captions().at(row), QStringLiteral("zz-Docs"));
  const QRect shown = Window.ListView1->visualRect(Window.ListView1->model()->index(row, 0));
  EXPECT_TRUE(Window.ListView1->viewport()->rect().intersects(shown));
}

TEST_F(TForm4Test, UpFromTheRootStaysThere) {
  Open(QStringLiteral("/"));
  const QStringList before = Window.Captions();
  Window.SpeedButton1Click();
  EXPECT_EQ(PanelPath, QStringLiteral("/"));
  EXPECT_EQ(Window.Captions(), before);
}

TEST_F(TForm4Test, DriveChoiceOpensTheVolume) {
  Window.DriveComboBox1Change(0);
  EXPECT_EQ(PanelPath, QStringLiteral("/"));
  EXPECT_EQ(Window.Edit1->text(), QStringLiteral("/"));
  EXPECT_FALSE(Window.Captions().isEmpty());
}

TEST_F(TForm4Test, NewFolderIsCreatedListedAndSelected) {
  Tree.CreateDir("b");
  Open(Root());
  Prompts.InputAnswers = {QStringLiteral("a new")};
  Window.Button1Click();
  EXPECT_TRUE(DirectoryExists(Folder("a new")));
  EXPECT_EQ(Window.Captions(), QStringList({"a new", "b"}));
  EXPECT_EQ(Window.SelectedRow(), 0);
  EXPECT_EQ(Window.SelectedName(), QStringLiteral("a new"));
  EXPECT_EQ(Prompts.Inputs, QStringList({"Введи название"}));
}

TEST_F(TForm4Test, NewFolderFailuresAndCancels) {
  Tree.CreateDir("taken");
  Open(Root());
  Prompts.InputAnswers = {QStringLiteral("taken"), std::nullopt, QString()};
  Window.Button1Click();
  ASSERT_EQ(Prompts.Messages.size(), 1);
  EXPECT_TRUE(Prompts.Messages[0].startsWith(QStringLiteral("Ошибка при создании папки - ") + Root()));
  Window.Button1Click();
  Window.Button1Click();
  EXPECT_EQ(Prompts.Messages.size(), 1);
  EXPECT_EQ(Window.Captions(), QStringList({"taken"}));
}

TEST_F(TForm4Test, InfoLineFollowsTheClickedEntry) {
  Tree.CreateFile("data.bin", QByteArray(1234567, 'z'));
  Tree.CreateDir("dir");
  Open(Root());
  Window.show();
  const QModelIndex file = Window.ListView1->model()->index(Window.RowOfCaption(QStringLiteral("data.bin")), 0);
  QTest::mouseClick(Window.ListView1->viewport(), Qt::LeftButton, {}, Window.ListView1->visualRect(file).center());
  EXPECT_TRUE(Window.Label6->text().startsWith(QStringLiteral("Файл: data.bin - ")));
  EXPECT_TRUE(Window.Label6->text().endsWith(QStringLiteral("  - 1 234 567 byte")));
  EXPECT_EQ(Window.SelectedName(), QStringLiteral("data.bin"));
  QApplication::setActiveWindow(&Window);
  Window.ListView1->setFocus();
  Press(Qt::Key_Home);
  EXPECT_TRUE(Window.Label6->text().startsWith(QStringLiteral("Папка: dir - "))) << Window.Label6->text().toStdString();
}

TEST_F(TForm4Test, RenameInPlaceInformsThenRenames) {
  Tree.CreateFile("old.txt", "keep");
  Open(Root());
  Window.show();
  Window.ListView1->setFocus();
  Window.SelectRow(0);
  Press(Qt::Key_F2);
  auto* editor = Window.ListView1->findChild<QLineEdit*>();
  ASSERT_NE(editor, nullptr);
  editor->setText(QStringLiteral("new.txt"));
  QTest::keyClick(editor, Qt::Key_Return);
  Settle();
  ASSERT_EQ(Prompts.Messages.size(), 1);
  EXPECT_EQ(Prompts.Messages[0], QStringLiteral("Меняем имя : ") + Root() + QStringLiteral("old.txt - на  -") + Root() +
                                     QStringLiteral("new.txt"));
  EXPECT_TRUE(QFile::exists(Folder("new.txt")));
  EXPECT_FALSE(QFile::exists(Folder("old.txt")));
  EXPECT_EQ(Window.Captions(), QStringList({"new.txt"}));
}

TEST_F(TForm4Test, EscapeCancelsARename) {
  Tree.CreateFile("same.txt");
  Open(Root());
  Window.show();
  Window.ListView1->setFocus();
  Window.SelectRow(0);
  Press(Qt::Key_F2);
  auto* editor = Window.ListView1->findChild<QLineEdit*>();
  ASSERT_NE(editor, nullptr);
  editor->setText(QStringLiteral("other.txt"));
  QTest::keyClick(editor, Qt::Key_Escape);
  Settle();
  EXPECT_TRUE(Prompts.Messages.isEmpty());
  EXPECT_TRUE(QFile::exists(Folder("same.txt")));
  EXPECT_EQ(Window.Captions(), QStringList({"same.txt"}));
}

TEST_F(TForm4Test, AFailedOrRefusedRenameKeepsTheTrueName) {
  Tree.CreateFile("stays.txt");
  Open(Root());
  Window.ListView1->model()->setData(Window.ListView1->model()->index(0, 0), QStringLiteral("a/b"));
  Settle();
  EXPECT_EQ(Errors.size(), 1);
  EXPECT_EQ(Window.Captions(), QStringList({"stays.txt"}));
  ::remove(Folder("stays.txt").toUtf8().constData());
  Window.ListView1->model()->setData(Window.ListView1->model()->index(0, 0), QStringLiteral("moved.txt"));
  Settle();
  EXPECT_EQ(Window.Captions(), QStringList({"stays.txt"}));
}

TEST_F(TForm4Test, RenameOntoATakenNameShowsTheFreeNameItGot) {
  Tree.CreateFile("a.txt", "first");
  Tree.CreateFile("b.txt", "second");
  Open(Root());
  Window.ListView1->model()->setData(Window.ListView1->model()->index(0, 0), QStringLiteral("b.txt"));
  Settle();
  EXPECT_EQ(Window.Captions(), QStringList({"b (2).txt", "b.txt"}));
  QFile kept(Folder("b.txt"));
  ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
  EXPECT_EQ(kept.readAll(), QByteArray("second"));
}

TEST_F(TForm4Test, ViewStylesSwitchTheList) {
  Window.SpeedButton3->click();
  EXPECT_EQ(Window.ViewStyle(), PanelViewStyle::Table);
  EXPECT_EQ(Window.ListView1->viewMode(), QListView::ListMode);
  auto* header = Window.findChild<QHeaderView*>(QStringLiteral("ListView1Header"));
  ASSERT_NE(header, nullptr);
  EXPECT_FALSE(header->isHidden());
  EXPECT_EQ(header->sectionSize(0), 250);
  EXPECT_EQ(header->model()->headerData(0, Qt::Horizontal).toString(), QStringLiteral("Name"));
  Window.SpeedButton4->click();
  EXPECT_EQ(Window.ViewStyle(), PanelViewStyle::List);
  EXPECT_TRUE(header->isHidden());
  Window.SpeedButton2->click();
  EXPECT_EQ(Window.ListView1->viewMode(), QListView::IconMode);
}

TEST_F(TForm4Test, ResizeKeepsTheListAndInfoLineInPlace) {
  EXPECT_EQ(Window.ListView1->height(), 100);
  Window.show();
  Window.resize(800, 400);
  EXPECT_EQ(Window.ListView1->height(), 290);
  EXPECT_EQ(Window.ListView1->width(), 782);
  EXPECT_EQ(Window.Label6->y(), 290 + 64);
}

}  // namespace
}  // namespace zarn
