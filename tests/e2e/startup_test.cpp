// Starting zarn with and without its settings file, the windows' captions as
// the title bars show them, and the close that writes zarn.ini again.

#include "scenario.h"

namespace zarn::e2e {
namespace {

class StartupScenario : public TZarnScenario {};

TEST_F(StartupScenario, WithoutSettingsShowsTheRootAndWritesTheFileAtClose) {
  Start();
  const TUi ui = WaitListing(u"/"_s);
  EXPECT_EQ(TitleOf(ui.Window(u"Form1"_s)), u"Zarn - Ver. 1.4"_s);
  EXPECT_EQ(ui.Text(u"Label9"_s), u"Жду команду..."_s);
  EXPECT_GE(RowIndexOf(ui.Widget(u"ListView"_s), u"tmp"_s), 0);
  CloseWithExitButton();
  EXPECT_EQ(ReadSettings(u"zarn.ini"_s), (QStringList{{}, {}, {}, u"/"_s}));
}

TEST_F(StartupScenario, SettingsFileRestoresTheViewerAndTheFolder) {
  CreateDir(u"Work/Docs"_s);
  WriteSettings(u"zarn.ini"_s, {u"/bin/cat"_s, Home(u"Work"_s), u"/nonexistent/editor"_s, Home(u"Work/"_s)});
  Start();
  const TUi ui = WaitListing(Home(u"Work/"_s));
  EXPECT_EQ(RowTexts(ui.Widget(u"ListView"_s)), QStringList{u"Docs"_s});
  // The folder history holds the computer, the start folder and the saved folder, newest first.
  const QJsonArray history = ui.Widget(u"cbPath"_s).value(u"items"_s).toArray();
  ASSERT_GE(history.size(), 3);
  EXPECT_EQ(history.at(0).toString(), Home(u"Work"_s));
  ClickNamed(u"SpeedButton10"_s);
  const TUi settings = WaitShown(u"Set1"_s);
  EXPECT_TRUE(settings.Widget(u"CheckBox1"_s).value(u"checked"_s).toBool());
  EXPECT_EQ(settings.Text(u"Edit1"_s), u"/bin/cat"_s);
  EXPECT_FALSE(settings.Widget(u"CheckBox2"_s).value(u"checked"_s).toBool());
  EXPECT_EQ(settings.Text(u"Edit2"_s), QString());
  EXPECT_EQ(TitleOf(settings.Window(u"Set1"_s)), u" Выбери , что нравится."_s);
  CloseWithExitButton();
  EXPECT_EQ(ReadSettings(u"zarn.ini"_s), (QStringList{u"/bin/cat"_s, {}, {}, Home(u"Work/"_s)}));
}

TEST_F(StartupScenario, EveryWindowShowsItsOwnCaption) {
  Start();
  WaitListing(u"/"_s);
  ClickNamed(u"SpeedButton17"_s);
  const TUi panel = WaitShown(u"Form4"_s);
  EXPECT_EQ(TitleOf(panel.Window(u"Form4"_s)), u"Выбери нужную папку"_s);
  ClickNamed(u"Button1"_s, u"Form1"_s);
  const TUi search = WaitShown(u"FILESCH"_s);
  EXPECT_TRUE(TitleOf(search.Window(u"FILESCH"_s)).startsWith(u"  Поиск файлов"_s));
  ClickNamed(u"SpeedButton11"_s, u"Form1"_s);
  const TUi extensions = WaitShown(u"Extent"_s);
  EXPECT_EQ(TitleOf(extensions.Window(u"Extent"_s)), u"  Настройка расширений"_s);
  ClickNamed(u"Button5"_s, u"Extent"_s);
  WaitClosed(u"Extent"_s);
  ClickNamed(u"SpeedButton20"_s, u"Form1"_s);
  const TUi modes = WaitShown(u"Selekt"_s);
  EXPECT_EQ(TitleOf(modes.Window(u"Selekt"_s)), u"Режимы выделения"_s);
  Key(u"Escape"_s);
  WaitClosed(u"Selekt"_s);
  ClickNamed(u"SpeedButton12"_s, u"Form1"_s);
  const TUi viewer = WaitShown(u"RF"_s);
  EXPECT_TRUE(TitleOf(viewer.Window(u"RF"_s)).startsWith(u"Просмотр содержимого файлов  V1.4"_s));
}

}  // namespace
}  // namespace zarn::e2e
