#include "platform/contextmenu.h"

#include <gtest/gtest.h>

#include <QTest>

#include <algorithm>
#include <cerrno>

#include "platform/filenames.h"
#include "platform/guard.h"
#include "temptree.h"
#include "testdesktop.h"

namespace zarn {
namespace {

using test::TempTree;
using test::TestDesktop;

QStringList Ids(const std::vector<MenuApplication>& applications) {
  QStringList ids;
  for (const MenuApplication& application : applications) ids << application.Id;
  return ids;
}

// The captions, separators as "-".
QStringList Captions(const std::vector<MenuEntry>& entries) {
  QStringList captions;
  for (const MenuEntry& entry : entries) {
    captions << (entry.Kind == MenuEntryKind::Separator ? QStringLiteral("-") : entry.Caption);
  }
  return captions;
}

class ContextMenuTest : public testing::Test {
 protected:
  ContextMenuTest() : Desktop(TestDesktop::Instance()) {
    Desktop.ForgetRecords();
    Tree.CreateFile("notes.txt", "some plain text\n");
    Tree.CreateDir("folder");
  }

  QList<QByteArray> RecordedArguments() {
    auto lines = Desktop.WaitForArguments();
    EXPECT_TRUE(lines.has_value()) << "the application did not run";
    return lines.value_or(QList<QByteArray>{});
  }

  TestDesktop& Desktop;
  TempTree Tree;
};

TEST_F(ContextMenuTest, TextFileOffersItsApplicationsDefaultFirstAndEveryCommand) {
  auto menu = BuildContextMenu(Tree.Path(QStringLiteral("notes.txt")), MenuScope::Row);
  ASSERT_FALSE(menu.IsError()) << menu.Error().Text().toStdString();
  EXPECT_EQ(menu.Value().ContentType, QStringLiteral("text/plain"));
  EXPECT_FALSE(menu.Value().IsFolder);
  const QStringList ids = Ids(menu.Value().Applications);
  ASSERT_FALSE(ids.isEmpty());
  EXPECT_EQ(ids.first(), QStringLiteral("zarn-editor.desktop"));
  for (const char* id : {"zarn-viewer.desktop", "zarn-uri.desktop", "zarn-fields.desktop"}) {
    EXPECT_TRUE(ids.contains(QLatin1String(id))) << id << " in " << ids.join(QLatin1Char(' ')).toStdString();
  }
  EXPECT_EQ(ids.count(QStringLiteral("zarn-editor.desktop")), 1);
  EXPECT_EQ(menu.Value().Applications.front().Name, QStringLiteral("Test Editor"));
  EXPECT_EQ(menu.Value().Applications.front().IconName, QStringLiteral("accessories-text-editor"));
  EXPECT_EQ(Captions(menu.Value().Entries),
            (QStringList{"Открыть", "Открыть с помощью", "-", "Открыть терминал здесь", "Копировать путь", "-",
                         "В корзину", "Удалить", "Переименовать", "-", "Свойства"}));
  EXPECT_TRUE(std::all_of(menu.Value().Entries.begin(), menu.Value().Entries.end(),
                          [](const MenuEntry& entry) { return entry.Enabled; }));
}

TEST_F(ContextMenuTest, DamagedEntriesAndEntriesWithoutAProgramAreLeftOut) {
  const QStringList ids = Ids(ApplicationsForType(QStringLiteral("text/plain")));
  EXPECT_FALSE(ids.isEmpty());
  for (const char* id : {"zarn-damaged.desktop", "zarn-noexec.desktop", "zarn-missing.desktop"}) {
    EXPECT_FALSE(ids.contains(QLatin1String(id))) << id;
  }
  auto launched = LaunchApplication(QStringLiteral("zarn-missing.desktop"), Tree.Path(QStringLiteral("notes.txt")));
  EXPECT_TRUE(launched.IsError());
}

TEST_F(ContextMenuTest, FolderOffersFileManagersAndTerminalsThatTakeFolders) {
  auto menu = BuildContextMenu(Tree.Path(QStringLiteral("folder")) + QLatin1Char('/'), MenuScope::Row);
  ASSERT_FALSE(menu.IsError()) << menu.Error().Text().toStdString();
  EXPECT_EQ(menu.Value().Path, Tree.Path(QStringLiteral("folder")));
  EXPECT_EQ(menu.Value().ContentType, QStringLiteral("inode/directory"));
  EXPECT_TRUE(menu.Value().IsFolder);
  const QStringList ids = Ids(menu.Value().Applications);
  ASSERT_FALSE(ids.isEmpty());
  EXPECT_EQ(ids.first(), QStringLiteral("zarn-files.desktop"));
  EXPECT_TRUE(ids.contains(QStringLiteral("zarn-terminal.desktop")));
  EXPECT_FALSE(ids.contains(QStringLiteral("zarn-editor.desktop")));
}

TEST_F(ContextMenuTest, VolumeAndListedFolderMenusOfferOnlyWhatSuitsThem) {
  auto volume = BuildContextMenu(QStringLiteral("/"), MenuScope::Volume);
  ASSERT_FALSE(volume.IsError());
  EXPECT_EQ(Captions(volume.Value().Entries), (QStringList{"Открыть", "Открыть терминал здесь", "-", "Свойства"}));
  auto listed = BuildContextMenu(Tree.Root() + QLatin1Char('/'), MenuScope::ListedFolder);
  ASSERT_FALSE(listed.IsError());
  EXPECT_EQ(Captions(listed.Value().Entries), (QStringList{"Открыть", "Открыть с помощью", "-",
                                                           "Открыть терминал здесь", "Копировать путь", "-",
                                                           "Свойства"}));
  auto computer = BuildContextMenu(QStringLiteral("computer:///"), MenuScope::ListedFolder);
  ASSERT_FALSE(computer.IsError());
  EXPECT_TRUE(computer.Value().Entries.empty());
}

TEST_F(ContextMenuTest, VanishedItemGivesTheSystemsMessage) {
  const QString gone = Tree.Path(QStringLiteral("gone.txt"));
  auto menu = BuildContextMenu(gone, MenuScope::Row);
  auto opened = OpenWithDefault(gone);
  auto launched = LaunchApplication(QStringLiteral("zarn-editor.desktop"), gone);
  ASSERT_TRUE(menu.IsError() && opened.IsError() && launched.IsError());
  for (const OsError& error : {menu.Error(), opened.Error(), launched.Error()}) {
    EXPECT_EQ(error.Code(), ENOENT);
    EXPECT_TRUE(error.Text().contains(SystemMessage(ENOENT))) << error.Text().toStdString();
  }
  EXPECT_FALSE(Desktop.WaitForArguments(1).has_value());
}

struct FieldCodeCase {
  const char* Name;
  const char* ApplicationId;
  // What the recorder must get; "FILE", "URI", "DESKTOP" stand for the item's
  // path, its URI and the desktop entry's path.
  std::vector<const char*> Expected;
};

class FieldCodeTest : public ContextMenuTest, public testing::WithParamInterface<FieldCodeCase> {};

TEST_P(FieldCodeTest, ExecLineIsExpandedByGioWithTheItemsExactBytes) {
  // A blank and a byte that is not UTF-8: the name must arrive as it is.
  const QByteArray name("odd name \xff.txt");
  Tree.CreateFile(name, "plain text\n");
  const QString path = FromNativeName(Tree.PathBytes(name));
  auto launched = LaunchApplication(QLatin1String(GetParam().ApplicationId), path);
  ASSERT_FALSE(launched.IsError()) << launched.Error().Text().toStdString();
  QList<QByteArray> expected;
  for (const char* word : GetParam().Expected) {
    const QByteArray text(word);
    if (text == "FILE") expected << Tree.PathBytes(name);
    else if (text == "URI") expected << PathForClipboard(path).Uri;
    else if (text == "DESKTOP") expected << ToNativeName(Desktop.DesktopFile(QLatin1String(GetParam().ApplicationId)));
    else expected << text;
  }
  EXPECT_EQ(RecordedArguments(), expected);
}

INSTANTIATE_TEST_SUITE_P(
    Codes, FieldCodeTest,
    // GIO hands local files to %u and %U as paths unless the entry says X-GIO-NoFuse.
    testing::Values(FieldCodeCase{"PathForF", "zarn-editor.desktop", {"FILE"}},
                    FieldCodeCase{"PathForLocalUris", "zarn-viewer.desktop", {"FILE"}},
                    FieldCodeCase{"UriWithoutFuse", "zarn-uri.desktop", {"URI"}},
                    FieldCodeCase{"QuotingIconNameEntryAndFiles",
                                  "zarn-fields.desktop",
                                  {"two words", "quote\"d", "100%", "--icon", "zarn-icon", "Field Codes", "DESKTOP",
                                   "FILE"}}),
    [](const testing::TestParamInfo<FieldCodeCase>& info) { return std::string(info.param.Name); });

TEST_F(ContextMenuTest, OpenStartsTheDefaultApplicationWithThePath) {
  const QString path = Tree.Path(QStringLiteral("notes.txt"));
  auto opened = OpenWithDefault(path);
  ASSERT_FALSE(opened.IsError()) << opened.Error().Text().toStdString();
  EXPECT_EQ(RecordedArguments(), QList<QByteArray>{ToNativeName(path)});
}

// PATH for one test: a folder of the test's own, then (when kept) the rest.
class ScopedPath {
 public:
  ScopedPath(const QString& folder, bool keepRest) : Saved_(qgetenv("PATH")) {
    qputenv("PATH", folder.toUtf8() + (keepRest ? ":" + Saved_ : QByteArray()));
  }
  ~ScopedPath() { qputenv("PATH", Saved_); }

 private:
  QByteArray Saved_;
};

TEST_F(ContextMenuTest, TerminalIsTheSystemsChosenOneElseTheDesktopsEntry) {
  TempTree bin;
  bin.CreateSymlink("x-terminal-emulator", ToNativeName(Desktop.RecorderScript()));
  {
    ScopedPath path(bin.Root(), true);
    EXPECT_EQ(TerminalProgram(), bin.Path(QStringLiteral("x-terminal-emulator")));
  }
  TempTree empty;
  ScopedPath path(empty.Root(), false);
  EXPECT_EQ(TerminalProgram(), Desktop.RecorderScript());
}

TEST_F(ContextMenuTest, TerminalStartsInTheItemsFolder) {
  TempTree bin;
  bin.CreateSymlink("x-terminal-emulator", ToNativeName(Desktop.RecorderScript()));
  ScopedPath path(bin.Root(), true);
  const QString file = Tree.Path(QStringLiteral("notes.txt"));
  EXPECT_EQ(TerminalFolderFor(file, false), Tree.Root());
  EXPECT_EQ(TerminalFolderFor(Tree.Path(QStringLiteral("folder")), true), Tree.Path(QStringLiteral("folder")));
  EXPECT_EQ(TerminalFolderFor(QStringLiteral("/etc"), false), QStringLiteral("/"));
  auto started = OpenTerminalIn(Tree.Path(QStringLiteral("folder")));
  ASSERT_FALSE(started.IsError()) << started.Error().Text().toStdString();
  ASSERT_TRUE(Desktop.WaitForArguments().has_value());
  EXPECT_EQ(Desktop.RecordedFolder(), ToNativeName(Tree.Path(QStringLiteral("folder"))));
  EXPECT_TRUE(OpenTerminalIn(file).IsError());
}

TEST_F(ContextMenuTest, ATerminalThatEndsAtOnceWithAFailureIsReported) {
  TempTree bin;
  bin.CreateFile("x-terminal-emulator", "#!/bin/sh\nexit 3\n");
  bin.SetMode("x-terminal-emulator", 0755);
  ScopedPath path(bin.Root(), true);
  QStringList reported;
  SetErrorReporter([&](const QString& text) { reported << text; });
  ASSERT_FALSE(OpenTerminalIn(Tree.Root()).IsError());
  EXPECT_TRUE(QTest::qWaitFor([&] { return !reported.isEmpty(); }, 10000));
  SetErrorReporter({});
  ASSERT_EQ(reported.size(), 1);
  EXPECT_EQ(reported.first(), QStringLiteral("Терминал не открылся: ") + bin.Path(QStringLiteral("x-terminal-emulator")) +
                                  QStringLiteral(" завершилась с кодом 3"));
}

TEST_F(ContextMenuTest, ClipboardFormsKeepReadableTextAndExactBytes) {
  const QString path = FromNativeName(Tree.RootBytes() + "/a b\xff.txt");
  const ClipboardPath forms = PathForClipboard(path);
  EXPECT_TRUE(forms.Text.endsWith(QStringLiteral("a b\uFFFD.txt")));
  EXPECT_TRUE(forms.Uri.startsWith("file:///"));
  EXPECT_TRUE(forms.Uri.endsWith("/a%20b%FF.txt")) << forms.Uri.constData();
}

}  // namespace
}  // namespace zarn
