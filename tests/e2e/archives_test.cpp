// An archive used as a folder, all by real keys: entered with Ctrl+PgDn,
// browsed, a file viewed, a folder marked (its size from the headers) and
// copied out under another name into the second panel's folder,
// a command that would change it refused, climbed out of with Backspace, and
// reached again by a path typed into the path box.

#include <QDir>
#include <QProcess>

#include "fileprobes.h"
#include "scenario.h"

namespace zarn::e2e {
namespace {

using test::ReadAll;

class ArchivesScenario : public TZarnScenario {
 protected:
  // x/pack.zip holds top.txt, docs/readme.txt and docs/sub/deep.txt.
  void MakeArchive() {
    CreateFile(u"made/top.txt"_s, "top\n");
    CreateFile(u"made/docs/readme.txt"_s, "Hello from the archive\n");
    CreateFile(u"made/docs/sub/deep.txt"_s, QByteArray(5000, 'd'));
    CreateDir(u"x"_s);
    QProcess zip;
    zip.setWorkingDirectory(Home(u"made"_s));
    zip.start(u"zip"_s, {u"-q"_s, u"-r"_s, Home(u"x/pack.zip"_s), u"top.txt"_s, u"docs"_s});
    ASSERT_TRUE(zip.waitForFinished(60000));
    ASSERT_EQ(zip.exitCode(), 0) << zip.readAllStandardError().toStdString();
  }

  void GoTo(const QString& path) {
    FillField(u"cbPath"_s, u"Form1"_s, path);
    Key(u"Return"_s);
  }
};

TEST_F(ArchivesScenario, AnArchiveIsEnteredBrowsedViewedCopiedFromAndLeft) {
  MakeArchive();
  CreateDir(u"D"_s);
  WriteSettings(u"zarn.ini"_s, {{}, {}, {}, Home(u"D/"_s)});
  Start();
  WaitListing(Home(u"D/"_s));
  ClickNamed(u"SpeedButton15"_s, u"Form1"_s);
  WaitText(u"Edit1"_s, Home(u"D/"_s), u"Form4"_s);
  GoTo(Home(u"x"_s));
  WaitListing(Home(u"x/"_s));

  SelectMainRow(u"pack.zip"_s);
  Key(u"ctrl+Next"_s);
  TUi ui = WaitListing(Home(u"x/pack.zip/"_s));
  EXPECT_EQ(RowTexts(MainList(ui)), QStringList({u"docs"_s, u"top.txt"_s}));

  SelectMainRow(u"docs"_s);
  Key(u"Return"_s);
  ui = WaitListing(Home(u"x/pack.zip/docs/"_s));
  EXPECT_EQ(RowTexts(MainList(ui)), QStringList({u"sub"_s, u"readme.txt"_s}));

  SelectMainRow(u"readme.txt"_s);
  Key(u"F3"_s);
  WaitText(u"Memo1"_s, u"Hello from the archive\n"_s, u"RF"_s);

  SelectMainRow(u"sub"_s);
  Key(u"Insert"_s);
  WaitText(u"Label1"_s, u"Выделено в 1 папках и в 0 файлах: 4 KB"_s, u"Form1"_s);
  Key(u"F5"_s);  // one entry: copied under the name typed
  AnswerInputBox(u"sub-copy"_s);
  WaitFor(u"docs/sub copied out into D as sub-copy"_s, [this](const TUi&) {
    return ReadAll(Home(u"D/sub-copy/deep.txt"_s)) == QByteArray(5000, 'd');
  });

  SelectMainRow(u"readme.txt"_s);
  Key(u"F8"_s);
  DismissMessage(u"Архив открыт только для чтения: "_s + Home(u"x/pack.zip"_s));

  SelectMainRow(u"readme.txt"_s);
  Key(u"BackSpace"_s);
  WaitListing(Home(u"x/pack.zip/"_s));
  Key(u"BackSpace"_s);
  WaitListing(Home(u"x/"_s));
  WaitFor(u"the cursor on the archive's row"_s,
          [](const TUi& look) { return CurrentTextOf(MainList(look)) == u"pack.zip"_s; });

  GoTo(Home(u"x/pack.zip/docs/sub"_s));
  ui = WaitListing(Home(u"x/pack.zip/docs/sub/"_s));
  EXPECT_EQ(RowTexts(MainList(ui)), QStringList({u"deep.txt"_s}));
}

}  // namespace
}  // namespace zarn::e2e
