#include "settings/textent.h"

#include <QFile>
#include <QTest>

#include <gtest/gtest.h>

#include "fakeprompter.h"
#include "platform/filenames.h"
#include "platform/guard.h"
#include "settings/tset1.h"
#include "temptree.h"

namespace zarn {
namespace {

class TExtentTest : public testing::Test {
 protected:
  void SetUp() override {
    qputenv("ZARN_CONFIG_DIR", Tree_.Root().toUtf8());
    SetErrorReporter([this](const QString& text) { Errors << text; });
    Settings.ProgramChooser = [this] { return ChosenProgram; };
    Window.OnStatus = [this](const QString& text) { Statuses << text; };
    Window.show();
  }
  void TearDown() override {
    SetErrorReporter(nullptr);
    qunsetenv("ZARN_CONFIG_DIR");
  }
  QByteArray FileBytes() const {
    QFile file(Tree_.Path(QStringLiteral("zarn.ext")));
    file.open(QIODevice::ReadOnly);
    return file.readAll();
  }

  test::TempTree Tree_;
  test::FakePrompter Prompts;
  TSet1 Settings;
  TExtent Window;
  std::optional<QString> ChosenProgram = QStringLiteral("/usr/bin/editor");
  QStringList Errors;
  QStringList Statuses;
};

TEST_F(TExtentTest, DesignedTitleColumnsAndButtons) {
  EXPECT_EQ(Extent, &Window);
  EXPECT_EQ(Window.windowTitle(), QStringLiteral("  Настройка расширений"));
  auto* list = Window.findChild<QTreeWidget*>(QStringLiteral("ListView1"));
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(list->headerItem()->text(0), QStringLiteral("Ext"));
  EXPECT_EQ(list->headerItem()->text(1), QStringLiteral("Program"));
  EXPECT_EQ(list->columnWidth(1), 500);
  EXPECT_EQ(Window.findChild<QPushButton*>(QStringLiteral("Button4"))->text(), QStringLiteral("Загрузить"));
  Window.resize(700, 400);
  QCoreApplication::processEvents();
  EXPECT_EQ(list->width(), 675);
  EXPECT_EQ(list->height(), 325);
}

TEST_F(TExtentTest, AddingPutsADotInFrontWhenMissing) {
  Prompts.InputAnswers = {QStringLiteral("txt"), QStringLiteral(".md"), QString(), std::nullopt};
  for (int i = 0; i < 4; ++i) QTest::mouseClick(Window.Button1, Qt::LeftButton);
  const TAssociationTable expected{{".txt", "/usr/bin/editor"}, {".md", "/usr/bin/editor"}, {".", "/usr/bin/editor"}};
  EXPECT_EQ(Window.Table(), expected);
  EXPECT_EQ(Prompts.Inputs.first(), QStringLiteral("Введите расширение"));
}

TEST_F(TExtentTest, CancellingTheProgramChooserAddsNothing) {
  Prompts.InputAnswers = {QStringLiteral("txt")};
  ChosenProgram.reset();
  QTest::mouseClick(Window.Button1, Qt::LeftButton);
  EXPECT_TRUE(Window.Table().isEmpty());
}

TEST_F(TExtentTest, ProgramThatCouldNotBeStoredIsRefused) {
  Prompts.InputAnswers = {QStringLiteral("txt")};
  ChosenProgram = FromNativeName(QByteArray("/opt/\xFF/editor"));
  QTest::mouseClick(Window.Button1, Qt::LeftButton);
  EXPECT_TRUE(Window.Table().isEmpty());
  EXPECT_EQ(Errors.size(), 1);
}

TEST_F(TExtentTest, LookupUsesTheListAsItStandsNow) {
  Window.SetTable({{" .txt ", "/bin/first"}, {".txt", "/bin/second"}, {".TXT", "/bin/upper"}});
  EXPECT_EQ(Window.ProgramFor(QStringLiteral(".txt")), QStringLiteral("/bin/first"));
  EXPECT_EQ(Window.ProgramFor(QStringLiteral(".TXT")), QStringLiteral("/bin/upper"));
  Window.ListView1->setCurrentItem(Window.ListView1->topLevelItem(0));
  QTest::mouseClick(Window.Button2, Qt::LeftButton);
  EXPECT_EQ(Window.ProgramFor(QStringLiteral(".txt")), QStringLiteral("/bin/second"));
}

TEST_F(TExtentTest, DeleteWithoutSelectionDoesNothing) {
  Window.SetTable({{".a", "/bin/a"}});
  Window.ListView1->clearSelection();
  QTest::mouseClick(Window.Button2, Qt::LeftButton);
  EXPECT_EQ(Window.Table().size(), 1);
}

TEST_F(TExtentTest, ReturnSavesThroughCloseAndLoadUndoesUnsavedDelete) {
  Window.SetTable({{".a", "/bin/a"}, {".b", "/bin/b"}});
  QTest::mouseClick(Window.Button5, Qt::LeftButton);
  EXPECT_FALSE(Window.isVisible());
  EXPECT_EQ(FileBytes(), QByteArray(".a\r\n/bin/a\r\n.b\r\n/bin/b\r\n"));
  EXPECT_EQ(Statuses.first(), QStringLiteral("Жду команды. "));
  Window.show();
  Window.ListView1->setCurrentItem(Window.ListView1->topLevelItem(1));
  QTest::mouseClick(Window.Button2, Qt::LeftButton);
  EXPECT_EQ(Window.Table().size(), 1);
  QTest::mouseClick(Window.Button4, Qt::LeftButton);
  EXPECT_EQ(Window.Table().size(), 2);
}

TEST_F(TExtentTest, SaveButtonWritesAndLoadWithoutFileKeepsRows) {
  Window.SetTable({{".a", "/bin/a"}});
  QTest::mouseClick(Window.Button4, Qt::LeftButton);
  EXPECT_EQ(Window.Table().size(), 1);
  QTest::mouseClick(Window.Button3, Qt::LeftButton);
  EXPECT_EQ(FileBytes(), QByteArray(".a\r\n/bin/a\r\n"));
  EXPECT_TRUE(Errors.isEmpty());
}

TEST_F(TExtentTest, CloseThatCannotSaveReportsAndStaysOpen) {
  Tree_.CreateDir("zarn.ext");  // a folder where the file should go
  Window.SetTable({{".a", "/bin/a"}});
  Window.close();
  EXPECT_TRUE(Window.isVisible());
  EXPECT_EQ(Errors.size(), 1);
}

}  // namespace
}  // namespace zarn
