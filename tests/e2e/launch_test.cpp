// Handing files and typed commands to other programs: the command line,
// Ctrl+J, Enter on a file with an association, and the external viewer and
// editor of the settings.


#include <QFile>

#include "fileprobes.h"
#include "scenario.h"

namespace zarn::e2e {
namespace {

using test::Exists;
using test::ReadAll;

class LaunchScenario : public TZarnScenario {
 protected:
  // A program that writes its working folder and its arguments, one per line, to `log`.
  QString Recorder(const QString& name, const QString& log) {
    return CreateProgram(u"bin/"_s + name, "printf '%s\\n' \"$PWD\" \"$@\" >> '" + Home(log).toUtf8() + "'\n");
  }

  QStringList Lines(const QString& log) {
    return QString::fromUtf8(ReadAll(Home(log))).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
  }

  void WaitForLines(const QString& log, int count) {
    WaitFor(log + u" written"_s, [&](const TUi&) { return Lines(log).size() >= count; });
  }

  void StartIn(const QString& folder, const QStringList& programs = {{}, {}, {}}) {
    WriteSettings(u"zarn.ini"_s, programs + QStringList{Home(folder)});
    Start();
    WaitListing(Home(folder));
  }

  void RunCommand(const QString& text) {
    FillField(u"ComboBox1"_s, u"Form1"_s, text);
    Key(u"Return"_s);
  }
};

TEST_F(LaunchScenario, TheCommandLineRunsInTheListedFolderAndKeepsAHistory) {
  CreateDir(u"x"_s);
  StartIn(u"x/"_s);
  RunCommand(u"touch ran.txt"_s);
  WaitFor(u"ran.txt made"_s, [&](const TUi&) { return Exists(HomeBytes("x/ran.txt")); });
  RunCommand(u"no-such-program-of-zarn now"_s);
  WaitText(u"qt_msgbox_label"_s, u"Не могу выполнить: no-such-program-of-zarn"_s, u"MessageBox"_s);
  Key(u"Return"_s);
  const TUi ui = WaitClosed(u"MessageBox"_s);
  const QJsonArray history = ui.Widget(u"ComboBox1"_s).value(u"items"_s).toArray();
  EXPECT_EQ(history.size(), 2);
  EXPECT_EQ(history.at(0).toString(), u"touch ran.txt"_s);
}

TEST_F(LaunchScenario, CtrlJPutsTheRowsPathIntoTheCommandLine) {
  CreateFile(u"x/a b.txt"_s, "content");
  StartIn(u"x/"_s);
  SelectMainRow(u"a b.txt"_s);
  Key(u"ctrl+j"_s);
  const QString quoted = QLatin1Char('"') + Home(u"x/a b.txt"_s) + QLatin1Char('"');
  WaitText(u"ComboBox1"_s, quoted, u"Form1"_s);
  ClickNamed(u"ComboBox1"_s, u"Form1"_s);
  Key(u"Home"_s);
  Type(u"cp "_s);
  Key(u"End"_s);
  Type(u" copy.txt"_s);
  WaitText(u"ComboBox1"_s, u"cp "_s + quoted + u" copy.txt"_s, u"Form1"_s);
  Key(u"Return"_s);
  WaitFor(u"the copy made"_s, [&](const TUi&) { return ReadAll(Home(u"x/copy.txt"_s)) == "content"; });
}

TEST_F(LaunchScenario, EnterOpensAFileWithItsAssociatedProgram) {
  CreateFile(u"x/notes.txt"_s, "n");
  const QString opener = Recorder(u"opener"_s, u"opened.log"_s);
  WriteSettings(u"zarn.ext"_s, {u".txt"_s, opener});
  StartIn(u"x/"_s);
  SelectMainRow(u"notes.txt"_s);
  Key(u"Return"_s);
  WaitForLines(u"opened.log"_s, 2);
  EXPECT_EQ(Lines(u"opened.log"_s), (QStringList{Home(u"x"_s), Home(u"x/notes.txt"_s)}));
}

TEST_F(LaunchScenario, ExternalViewerAndEditorGetTheFile) {
  CreateFile(u"x/notes.txt"_s, "n");
  const QString viewer = Recorder(u"viewer"_s, u"viewed.log"_s);
  const QString editor = Recorder(u"editor"_s, u"edited.log"_s);
  StartIn(u"x/"_s, {viewer, {}, editor});
  SelectMainRow(u"notes.txt"_s);
  Key(u"F3"_s);
  WaitForLines(u"viewed.log"_s, 2);
  EXPECT_EQ(Lines(u"viewed.log"_s).value(1), Home(u"x/notes.txt"_s));
  EXPECT_EQ(Look().Text(u"Label9"_s, u"Form1"_s), u"Жду команды..."_s);
  Key(u"F4"_s);
  WaitForLines(u"edited.log"_s, 2);
  EXPECT_EQ(Lines(u"edited.log"_s).value(1), Home(u"x/notes.txt"_s));
}

TEST_F(LaunchScenario, ShiftF4WaitsForTheEditorAndListsTheNewFile) {
  CreateFile(u"x/old.txt"_s);
  StartIn(u"x/"_s, {{}, {}, CreateProgram(u"bin/write"_s, "echo written > \"$1\"\n")});
  SelectMainRow(u"old.txt"_s);
  Key(u"shift+F4"_s);
  AnswerInputBox(u"new.txt"_s);
  WaitFor(u"the new file listed"_s, [](const TUi& ui) { return RowTexts(MainList(ui)).contains(u"new.txt"_s); });
  EXPECT_EQ(ReadAll(Home(u"x/new.txt"_s)), QByteArray("written\n"));
}

}  // namespace
}  // namespace zarn::e2e
