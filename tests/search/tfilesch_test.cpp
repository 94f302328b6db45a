#include <gtest/gtest.h>

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <atomic>
#include <chrono>
#include <thread>

#include "fakeprompter.h"
#include "platform/guard.h"
#include "search/folderlist.h"
#include "search/tfb.h"
#include "search/tfilesch.h"
#include "settings/tset1.h"
#include "temptree.h"
#include "viewer/viewfile.h"

namespace zarn {
namespace {

using test::FakePrompter;
using test::TempTree;

class TFakeViewers final : public TResultViewers {
 public:
  bool TextVisible() const override { return TextShown; }
  void ShowText() override { Log << "ShowText"; TextShown = true; }
  void HideText() override { Log << "HideText"; TextShown = false; }
  void SetTextSearch(const QString& text) override { Log << "Search " + text; }
  void ViewText() override { Log << "ViewText " + ViewFileName; }
  bool PictureVisible() const override { return PictureShown; }
  void ShowPicture() override { Log << "ShowPicture " + ViewFileName; PictureShown = true; }
  void HidePicture() override { Log << "HidePicture"; PictureShown = false; }
  void LoadPicture() override { Log << "LoadPicture " + ViewFileName; }

  QStringList Log;
  bool TextShown = false;
  bool PictureShown = false;
};

class SearchWindowTest : public testing::Test {
 protected:
  SearchWindowTest() {
    Window.SetViewers(&Viewers);
    Window.GoToResult = [this](const QString& folder, const QString& name) { WentTo << folder + "|" + name; };
  }

  void Start(const QString& folder, const QString& name, const QString& extension, bool subfolders = true) {
    Window.Edit1->setText(folder);
    Window.Edit2->setText(name);
    Window.Edit3->setText(extension);
    Window.CheckBox2->setChecked(subfolders);
    Window.Button2->click();
  }
  void Select(const QString& path) {
    const QList<QListWidgetItem*> items = Window.ListBox1->findItems(path, Qt::MatchExactly);
    ASSERT_EQ(items.size(), 1) << path.toStdString();
    Window.ListBox1->setCurrentItem(items.first());
  }
  QStringList ListedResults() const {
    QStringList results;
    for (int row = 0; row < Window.ListBox1->count(); ++row) results << Window.ListBox1->item(row)->text();
    return results;
  }

  FakePrompter Prompts;
  TempTree Tree;
  TFakeViewers Viewers;
  TFILESCH Window;
  QStringList WentTo;
};

TEST_F(SearchWindowTest, ControlsCarryTheirDesignedTexts) {
  const std::pair<const char*, const char*> texts[] = {
      {"Label5", "Искать ... "}, {"Label2", "В папке:"}, {"Label11", "Выбрать папку  >>"},
      {"Label1", "По имени "}, {"Label8", "."}, {"Label7", "С расширением"}, {"Label3", "Ищем в: "},
      {"StaticText1", "папке из"}, {"Label4", "Найдено:"}, {"Label6", "1"}, {"Label10", "0"}, {"Label9", "0"}};
  for (const auto& [name, text] : texts) {
    auto* label = Window.findChild<QLabel*>(name);
    ASSERT_NE(label, nullptr) << name;
    EXPECT_EQ(label->text(), QString::fromUtf8(text)) << name;
  }
  const std::pair<const char*, const char*> buttons[] = {
      {"Button2", "Старт"}, {"Button3", "Стоп"}, {"Button1", "Открыть"}, {"Button4", "Перейти"},
      {"Button7", "Смотреть"}, {"CheckBox1", "С текстом"}, {"CheckBox2", "C подкаталогами "},
      {"CheckBox3", "DOS"}, {"CheckBox4", "Другой просмотр"}};
  for (const auto& [name, text] : buttons) {
    auto* button = Window.findChild<QAbstractButton*>(name);
    ASSERT_NE(button, nullptr) << name;
    EXPECT_EQ(button->text(), QString::fromUtf8(text)) << name;
  }
  for (const char* name : {"Edit1", "Edit2", "Edit3", "Edit5"}) EXPECT_NE(Window.findChild<QLineEdit*>(name), nullptr);
  EXPECT_NE(Window.findChild<QToolButton*>("SpeedButton1"), nullptr);
  EXPECT_NE(Window.findChild<QToolButton*>("SpeedButton2"), nullptr);
  EXPECT_NE(Window.findChild<QListWidget*>("ListBox1"), nullptr);
  EXPECT_TRUE(Window.windowTitle().startsWith("  Поиск файлов"));
  EXPECT_EQ(Window.Edit2->text(), "*");
  EXPECT_EQ(Window.Edit3->text(), "*");
  EXPECT_FALSE(Window.Button3->isEnabled());
  EXPECT_EQ(FILESCH, &Window);
}

TEST_F(SearchWindowTest, SearchListsResultsAtTheEndWithCounters) {
  Tree.CreateFile("Abc.txt");
  Tree.CreateFile("sub/abd.TXT");
  Tree.CreateFile("sub/other.txt");
  Start(Tree.Root(), "a*", "txt");
  EXPECT_EQ(Prompts.Messages, QStringList({"Поиск успешен! Выбери то, что нужно."}));
  QStringList results = ListedResults();
  results.sort();
  EXPECT_EQ(results, QStringList({Tree.Path("Abc.txt"), Tree.Path("sub/abd.TXT")}));
  EXPECT_EQ(Window.Label6->text(), "2");
  EXPECT_EQ(Window.Label10->text(), "2");
  EXPECT_EQ(Window.Label9->text(), "2");
  EXPECT_TRUE(Window.Button2->isEnabled());
  EXPECT_FALSE(Window.Button3->isEnabled());
}

TEST_F(SearchWindowTest, NothingFound) {
  Tree.CreateFile("a.doc");
  Start(Tree.Root(), "a", "txt", false);
  EXPECT_EQ(Prompts.Messages, QStringList({"К сожалению, ничего не найдено..."}));
  EXPECT_EQ(Window.ListBox1->count(), 0);
  EXPECT_EQ(Window.Label6->text(), "1");
  EXPECT_EQ(Window.Label10->text(), "1");
}

TEST_F(SearchWindowTest, MissingAndBlankStartFolders) {
  Start(Tree.Path("missing"), "*", "*");
  EXPECT_EQ(Prompts.Messages, QStringList({"Выбранной папки не существует."}));
  EXPECT_EQ(Prompts.MessageCaptions, QStringList({"Error"}));
  Start("   ", "*", "*");
  EXPECT_EQ(Prompts.Messages.size(), 1);
  EXPECT_TRUE(Prompts.Errors.isEmpty());
  EXPECT_TRUE(Window.Button2->isEnabled());
  EXPECT_FALSE(Window.Button3->isEnabled());
}

TEST_F(SearchWindowTest, UnreadableFileShowsTheErrorAndListsNothing) {
  Tree.CreateFile("a.txt", "text");
  if (test::RunningAsRoot()) {
    Tree.CreateSymlink("b.txt", "/proc/self/mem");
  } else {
    Tree.CreateFile("b.txt", "text");
    Tree.SetMode("b.txt", 0);
  }
  Window.CheckBox1->setChecked(true);
  Window.Edit5->setText("text");
  Start(Tree.Root(), "*", "txt");
  ASSERT_EQ(Prompts.Errors.size(), 1);
  EXPECT_TRUE(Prompts.Errors[0].startsWith(QStringLiteral("Cannot open file \"%1\". ").arg(Tree.Path("b.txt"))));
  EXPECT_TRUE(Prompts.Messages.isEmpty());
  EXPECT_EQ(Window.ListBox1->count(), 0);
  EXPECT_TRUE(Window.Button2->isEnabled());
  EXPECT_FALSE(Window.Button3->isEnabled());
}

TEST_F(SearchWindowTest, StopButtonEndsARunningSearchAndTheWindowStaysUsable) {
  for (int index = 0; index < 6; ++index) Tree.CreateFile("f" + QByteArray::number(index) + ".txt");
  int entries = 0;
  std::atomic<bool> atSecondEntry{false};
  Window.Search().BeforeEntry = [&](const QString&) {
    // The second entry waits until "Стоп" has been pressed in the window.
    if (++entries != 2) return;
    atSecondEntry = true;
    for (int wait = 0; wait < 2000 && !Window.Search().StopRequested(); ++wait) {
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
  };
  bool startEnabledWhileRunning = true;
  bool stopEnabledWhileRunning = false;
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, &Window, [&] {
    if (!atSecondEntry) return;
    poll.stop();
    startEnabledWhileRunning = Window.Button2->isEnabled();
    stopEnabledWhileRunning = Window.Button3->isEnabled();
    emit Window.Edit2->returnPressed();  // must not start a second search
    Window.Button3->click();
  });
  poll.start(5);
  Start(Tree.Root(), "f*", "txt");
  EXPECT_FALSE(startEnabledWhileRunning);
  EXPECT_TRUE(stopEnabledWhileRunning);
  EXPECT_EQ(Window.ListBox1->count(), 2);
  EXPECT_EQ(Window.Label9->text(), "2");
  EXPECT_EQ(Prompts.Messages, QStringList({"Поиск успешен! Выбери то, что нужно."}));
}

TEST_F(SearchWindowTest, GoToHandsOverFolderAndName) {
  Tree.CreateFile("sub/a.txt");
  Start(Tree.Root(), "*", "*");
  Window.Button4->click();  // nothing selected
  EXPECT_TRUE(WentTo.isEmpty());
  Select(Tree.Path("sub/a.txt"));
  Window.Button4->click();
  Select(Tree.Path("sub/.."));
  Window.Button4->click();
  EXPECT_EQ(WentTo, QStringList({Tree.Path("sub/") + "|a.txt", Tree.Path("sub/") + "|.."}));
}

TEST_F(SearchWindowTest, GoToAVanishedFolderDoesNothing) {
  Tree.CreateFile("sub/a.txt");
  Start(Tree.Root(), "a", "txt");
  Select(Tree.Path("sub/a.txt"));
  ASSERT_TRUE(QDir(Tree.Path("sub")).removeRecursively());
  Window.Button4->click();
  EXPECT_TRUE(WentTo.isEmpty());
  EXPECT_EQ(Prompts.Messages.size(), 1);
}

TEST_F(SearchWindowTest, ViewingPictureThenTextSwitchesViewers) {
  Tree.CreateFile("x.JPEG", "abc, not really a picture");
  Tree.CreateFile("x.txt", "abc");
  Window.CheckBox1->setChecked(true);
  Window.Edit5->setText(" abc");
  Start(Tree.Root(), "x", "*");
  Select(Tree.Path("x.JPEG"));
  Window.Button7->click();
  EXPECT_TRUE(Window.ViewerIsPicture());
  EXPECT_EQ(ViewFileName, Tree.Path("x.JPEG"));
  Select(Tree.Path("x.txt"));
  emit Window.ListBox1->itemActivated(Window.ListBox1->currentItem());
  EXPECT_FALSE(Window.ViewerIsPicture());
  EXPECT_EQ(Viewers.Log, QStringList({"ShowPicture " + Tree.Path("x.JPEG"), "HideText", "ShowText", "HidePicture",
                                      "Search  abc", "ViewText " + Tree.Path("x.txt")}));
}

TEST_F(SearchWindowTest, VisiblePictureViewerReloads) {
  Tree.CreateFile("a.png");
  Tree.CreateFile("b.gif");
  Start(Tree.Root(), "*", "*", false);
  Viewers.PictureShown = true;
  Select(Tree.Path("b.gif"));
  Window.Button7->click();
  EXPECT_EQ(Viewers.Log, QStringList({"LoadPicture " + Tree.Path("b.gif")}));
}

TEST_F(SearchWindowTest, ShowOrHideTheViewerLastUsed) {
  Tree.CreateFile("x.png");
  Start(Tree.Root(), "x", "png");
  Select(Tree.Path("x.png"));
  Window.Button7->click();
  Viewers.Log.clear();
  Window.SpeedButton1->click();
  EXPECT_FALSE(Viewers.PictureShown);
  EXPECT_FALSE(Viewers.TextShown);
  Window.SpeedButton1->click();
  EXPECT_TRUE(Viewers.PictureShown);
  EXPECT_EQ(Viewers.Log, QStringList({"HidePicture", "HideText", "ShowPicture " + Tree.Path("x.png"), "HideText"}));
}

TEST_F(SearchWindowTest, FoldersAreRefusedByOpenAndView) {
  Tree.CreateDir("folder");
  Start(Tree.Root(), "folder", "");
  Prompts.Messages.clear();
  Window.Button1->click();  // nothing selected yet
  Window.Button7->click();
  EXPECT_TRUE(Prompts.Messages.isEmpty());
  Select(Tree.Path("folder"));
  Window.Button1->click();
  Window.Button7->click();
  EXPECT_EQ(Prompts.Messages, QStringList({"Выбрана папка. К ней можно перейти.",
                                           Tree.Path("folder") + " - это папка. К ней можно перейти."}));
  EXPECT_TRUE(Viewers.Log.isEmpty());
}

TEST_F(SearchWindowTest, OpenReportsWhenNothingCanOpenTheFile) {
  Tree.CreateFile("gone.txt");
  Start(Tree.Root(), "gone", "txt");
  Select(Tree.Path("gone.txt"));
  QFile::remove(Tree.Path("gone.txt"));
  Prompts.Messages.clear();
  Window.Button1->click();
  EXPECT_EQ(Prompts.Messages, QStringList({"Неизвестна программа для открытия, или другая ошибка."}));
}

TEST_F(SearchWindowTest, OtherViewStartsTheExternalViewerWithThePathAsOneArgument) {
  Tree.CreateFile("viewer.sh", "#!/bin/sh\nprintf '%s|%s' \"$#\" \"$1\" > \"$0.out\"\n");
  Tree.SetMode("viewer.sh", 0755);
  Tree.CreateFile("my notes; $(x).txt", "text");
  TSet1 settings;
  settings.Edit1->setText(Tree.Path("viewer.sh"));
  Window.CheckBox4->setChecked(true);
  Start(Tree.Root(), "my*", "txt");
  Select(Tree.Path("my notes; $(x).txt"));
  Window.Button7->click();
  QFile output(Tree.Path("viewer.sh.out"));
  for (int wait = 0; wait < 500 && !(output.exists() && output.size() > 0); ++wait) QTest::qWait(10);
  ASSERT_TRUE(output.open(QIODevice::ReadOnly));
  EXPECT_EQ(QString::fromUtf8(output.readAll()), "1|" + Tree.Path("my notes; $(x).txt"));
  EXPECT_TRUE(Viewers.Log.isEmpty());
}

class SearchWindowSettingsTest : public SearchWindowTest {
 protected:
  SearchWindowSettingsTest() { qputenv("ZARN_CONFIG_DIR", Tree.Path("config").toUtf8()); }
  ~SearchWindowSettingsTest() override { qunsetenv("ZARN_CONFIG_DIR"); }
  QByteArray FsIni() const {
    QFile file(Tree.Path("config/fs.ini"));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
  }
};

TEST_F(SearchWindowSettingsTest, EveryCloseWritesTwoLines) {
  Tree.CreateDir("config");
  Window.show();
  EXPECT_TRUE(Window.close());
  EXPECT_EQ(FsIni(), "\r\n\r\n");
  TSet1 settings;
  settings.Edit1->setText("/usr/bin/less");
  settings.Edit2->setText("/usr/bin/имя viewer");
  Window.show();
  EXPECT_TRUE(Window.close());
  EXPECT_EQ(QString::fromUtf8(FsIni()), "/usr/bin/less\r\n/usr/bin/имя viewer\r\n");
}

TEST_F(SearchWindowSettingsTest, UnwritableSettingsKeepTheWindowOpen) {
  Tree.CreateFile("config", "a file where the folder should be");
  qputenv("ZARN_CONFIG_DIR", Tree.Path("config/inner").toUtf8());
  Window.show();
  EXPECT_FALSE(Window.close());
  EXPECT_TRUE(Window.isVisible());
  EXPECT_EQ(Prompts.Errors.size(), 1);
}

TEST_F(SearchWindowTest, FolderChooserSetsTheStartFolder) {
  Tree.CreateDir("beta");
  Tree.CreateDir("Alpha");
  Tree.CreateDir(".hidden");
  TFB chooser;
  EXPECT_EQ(chooser.windowTitle(), " Для поиска");
  EXPECT_EQ(chooser.StaticText1->text(), "Выбери папку ");
  EXPECT_EQ(chooser.Button1->text(), "Выход");
  Window.SpeedButton2->click();
  EXPECT_TRUE(chooser.isVisible());
  chooser.SetDirectory(Tree.Root() + "/");
  EXPECT_EQ(Window.Edit1->text(), Tree.Root());
  const int count = chooser.DirectoryListBox1->count();
  ASSERT_GE(count, 3);
  EXPECT_EQ(chooser.DirectoryListBox1->item(count - 2)->text().trimmed(), "Alpha");
  EXPECT_EQ(chooser.DirectoryListBox1->item(count - 1)->text().trimmed(), "beta");
  emit chooser.DirectoryListBox1->itemActivated(chooser.DirectoryListBox1->item(count - 1));
  EXPECT_EQ(chooser.Directory(), Tree.Path("beta"));
  EXPECT_EQ(Window.Edit1->text(), Tree.Path("beta"));
  Window.Edit1->setText("typed");
  chooser.Button1->click();
  EXPECT_EQ(Window.Edit1->text(), Tree.Path("beta"));
  EXPECT_FALSE(chooser.isVisible());
}

TEST(FolderListLines, AncestorsThenVisibleSubfolders) {
  TempTree tree;
  tree.CreateDir("b");
  tree.CreateDir("A");
  tree.CreateDir(".x");
  tree.CreateFile("file");
  const std::vector<TFolderListLine> lines = FolderListLines(tree.Root());
  const int parts = int(tree.Root().count(u'/'));
  ASSERT_EQ(int(lines.size()), 1 + parts + 2);
  EXPECT_EQ(lines[0].Path, "/");
  EXPECT_EQ(lines[size_t(parts)].Path, tree.Root());
  EXPECT_TRUE(lines[size_t(parts)].IsOpen);
  EXPECT_EQ(lines[size_t(parts) + 1].Path, tree.Path("A"));
  EXPECT_EQ(lines[size_t(parts) + 1].Depth, parts + 1);
  EXPECT_FALSE(lines[size_t(parts) + 1].IsOpen);
  EXPECT_EQ(lines[size_t(parts) + 2].Text, "b");
  EXPECT_EQ(FolderListLines("/").front().Path, "/");
  EXPECT_EQ(NormalFolderPath("/tmp//"), "/tmp");
}

}  // namespace
}  // namespace zarn
