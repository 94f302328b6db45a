// Starting zarn with and without its settings file, the windows' captions as
// the title bars show them, and the close that writes zarn.ini again.

#include "scenario.h"

namespace zarn::e2e {
namespace {

class StartupScenario : public TZarnScenario {};

TEST_F(StartupScenario, WithoutSettingsShowsTheRootAndWritesTheFileAtClose) {
  Start();
  const TUi ui = WaitListing(QStringLiteral("/"));
  EXPECT_EQ(TitleOf(ui.Window(QStringLiteral("Form1"))), QStringLiteral("Zarn - Ver. 1.4"));
  EXPECT_EQ(ui.Text(QStringLiteral("Label9")), QStringLiteral("Жду команду..."));
  EXPECT_GE(RowIndexOf(ui.Widget(QStringLiteral("ListView")), QStringLiteral("tmp")), 0);
  CloseWithExitButton();
  EXPECT_EQ(ReadSettings(QStringLiteral("zarn.ini")), (QStringList{{}, {}, {}, QStringLiteral("/")}));
}

TEST_F(StartupScenario, SettingsFileRestoresTheViewerAndTheFolder) {
  CreateDir(QStringLiteral("Work/Docs"));
  WriteSettings(QStringLiteral("zarn.ini"),
                {QStringLiteral("/bin/cat"), Home(QStringLiteral("Work")), QStringLiteral("/nonexistent/editor"),
                 Home(QStringLiteral("Work/"))});
  Start();
  const TUi ui = WaitListing(Home(QStringLiteral("Work/")));
  EXPECT_EQ(RowTexts(ui.Widget(QStringLiteral("ListView"))), QStringList{QStringLiteral("Docs")});
  // The folder history holds the computer, the start folder and the saved folder, newest first.
  const QJsonArray history = ui.Widget(QStringLiteral("cbPath")).value(QStringLiteral("items")).toArray();
  ASSERT_GE(history.size(), 3);
  EXPECT_EQ(history.at(0).toString(), Home(QStringLiteral("Work")));
  ClickNamed(QStringLiteral("SpeedButton10"));
  const TUi settings = WaitFor(QStringLiteral("the settings window"),
                               [](const TUi& look) { return look.Shown(QStringLiteral("Set1")); });
  EXPECT_TRUE(settings.Widget(QStringLiteral("CheckBox1")).value(QStringLiteral("checked")).toBool());
  EXPECT_EQ(settings.Text(QStringLiteral("Edit1")), QStringLiteral("/bin/cat"));
  EXPECT_FALSE(settings.Widget(QStringLiteral("CheckBox2")).value(QStringLiteral("checked")).toBool());
  EXPECT_EQ(settings.Text(QStringLiteral("Edit2")), QString());
  EXPECT_EQ(TitleOf(settings.Window(QStringLiteral("Set1"))), QStringLiteral(" Выбери , что нравится."));
  CloseWithExitButton();
  EXPECT_EQ(ReadSettings(QStringLiteral("zarn.ini")),
            (QStringList{QStringLiteral("/bin/cat"), {}, {}, Home(QStringLiteral("Work/"))}));
}

TEST_F(StartupScenario, EveryWindowShowsItsOwnCaption) {
  Start();
  WaitListing(QStringLiteral("/"));
  ClickNamed(QStringLiteral("SpeedButton17"));
  const TUi panel = WaitFor(QStringLiteral("the second panel"), [](const TUi& ui) { return ui.Shown(QStringLiteral("Form4")); });
  EXPECT_EQ(TitleOf(panel.Window(QStringLiteral("Form4"))), QStringLiteral("Выбери нужную папку"));
  ClickNamed(QStringLiteral("Button1"), QStringLiteral("Form1"));
  const TUi search = WaitFor(QStringLiteral("the search window"), [](const TUi& ui) { return ui.Shown(QStringLiteral("FILESCH")); });
  EXPECT_TRUE(TitleOf(search.Window(QStringLiteral("FILESCH"))).startsWith(QStringLiteral("  Поиск файлов")));
  ClickNamed(QStringLiteral("SpeedButton11"), QStringLiteral("Form1"));
  const TUi extensions = WaitFor(QStringLiteral("the associations window"), [](const TUi& ui) { return ui.Shown(QStringLiteral("Extent")); });
  EXPECT_EQ(TitleOf(extensions.Window(QStringLiteral("Extent"))), QStringLiteral("  Настройка расширений"));
  ClickNamed(QStringLiteral("Button5"), QStringLiteral("Extent"));
  WaitFor(QStringLiteral("the associations window closed"), [](const TUi& ui) { return !ui.Shown(QStringLiteral("Extent")); });
  ClickNamed(QStringLiteral("SpeedButton20"), QStringLiteral("Form1"));
  const TUi modes = WaitFor(QStringLiteral("the selection modes"), [](const TUi& ui) { return ui.Shown(QStringLiteral("Selekt")); });
  EXPECT_EQ(TitleOf(modes.Window(QStringLiteral("Selekt"))), QStringLiteral("Режимы выделения"));
  Key(QStringLiteral("Escape"));
  WaitFor(QStringLiteral("the selection modes closed"), [](const TUi& ui) { return !ui.Shown(QStringLiteral("Selekt")); });
  ClickNamed(QStringLiteral("SpeedButton12"), QStringLiteral("Form1"));
  const TUi viewer = WaitFor(QStringLiteral("the text viewer"), [](const TUi& ui) { return ui.Shown(QStringLiteral("RF")); });
  EXPECT_TRUE(TitleOf(viewer.Window(QStringLiteral("RF"))).startsWith(QStringLiteral("Просмотр содержимого файлов  V1.4")));
}

}  // namespace
}  // namespace zarn::e2e
