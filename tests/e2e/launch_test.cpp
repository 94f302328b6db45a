// Handing files and typed commands to other programs: the command line,
// Ctrl+J, Enter on a file with an association, and the external viewer and
// editor of the settings.

#include <QFile>

#include <sys/stat.h>

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
    const QString script = QStringLiteral("#!/bin/sh\nprintf '%s\\n' \"$PWD\" \"$@\" >> '") + Home(log) +
                           QStringLiteral("'\n");
    CreateFile(QStringLiteral("bin/") + name, script.toUtf8());
    ::chmod(Home(QStringLiteral("bin/") + name).toUtf8().constData(), 0755);
    return Home(QStringLiteral("bin/") + name);
  }

  QStringList Lines(const QString& log) {
    return QString::fromUtf8(ReadAll(Home(log))).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
  }

  void WaitForLines(const QString& log, int count) {
    WaitFor(log + QStringLiteral(" written"), [&](const TUi&) { return Lines(log).size() >= count; });
  }

  void StartIn(const QString& folder, const QStringList& programs = {{}, {}, {}}) {
    WriteSettings(QStringLiteral("zarn.ini"), programs + QStringList{Home(folder)});
    Start();
    WaitListing(Home(folder));
  }

  void RunCommand(const QString& text) {
    FillField(QStringLiteral("ComboBox1"), QStringLiteral("Form1"), text);
    Key(QStringLiteral("Return"));
  }
};

TEST_F(LaunchScenario, TheCommandLineRunsInTheListedFolderAndKeepsAHistory) {
  CreateDir(QStringLiteral("x"));
  StartIn(QStringLiteral("x/"));
  RunCommand(QStringLiteral("touch ran.txt"));
  WaitFor(QStringLiteral("ran.txt made"), [&](const TUi&) { return Exists(HomeBytes("x/ran.txt")); });
  RunCommand(QStringLiteral("no-such-program-of-zarn now"));
  WaitText(QStringLiteral("qt_msgbox_label"), QStringLiteral("Не могу выполнить: no-such-program-of-zarn"),
           QStringLiteral("MessageBox"));
  Key(QStringLiteral("Return"));
  const TUi ui = WaitFor(QStringLiteral("the message closed"), [](const TUi& look) { return !look.Shown(QStringLiteral("MessageBox")); });
  const QJsonArray history = ui.Widget(QStringLiteral("ComboBox1")).value(QStringLiteral("items")).toArray();
  EXPECT_EQ(history.size(), 2);
  EXPECT_EQ(history.at(0).toString(), QStringLiteral("touch ran.txt"));
}

TEST_F(LaunchScenario, CtrlJPutsTheRowsPathIntoTheCommandLine) {
  CreateFile(QStringLiteral("x/a b.txt"), "content");
  StartIn(QStringLiteral("x/"));
  SelectMainRow(QStringLiteral("a b.txt"));
  Key(QStringLiteral("ctrl+j"));
  const QString quoted = QLatin1Char('"') + Home(QStringLiteral("x/a b.txt")) + QLatin1Char('"');
  WaitText(QStringLiteral("ComboBox1"), quoted, QStringLiteral("Form1"));
  ClickNamed(QStringLiteral("ComboBox1"), QStringLiteral("Form1"));
  Key(QStringLiteral("Home"));
  Type(QStringLiteral("cp "));
  Key(QStringLiteral("End"));
  Type(QStringLiteral(" copy.txt"));
  WaitText(QStringLiteral("ComboBox1"), QStringLiteral("cp ") + quoted + QStringLiteral(" copy.txt"), QStringLiteral("Form1"));
  Key(QStringLiteral("Return"));
  WaitFor(QStringLiteral("the copy made"), [&](const TUi&) { return ReadAll(Home(QStringLiteral("x/copy.txt"))) == "content"; });
}

TEST_F(LaunchScenario, EnterOpensAFileWithItsAssociatedProgram) {
  CreateFile(QStringLiteral("x/notes.txt"), "n");
  const QString opener = Recorder(QStringLiteral("opener"), QStringLiteral("opened.log"));
  WriteSettings(QStringLiteral("zarn.ext"), {QStringLiteral(".txt"), opener});
  StartIn(QStringLiteral("x/"));
  SelectMainRow(QStringLiteral("notes.txt"));
  Key(QStringLiteral("Return"));
  WaitForLines(QStringLiteral("opened.log"), 2);
  EXPECT_EQ(Lines(QStringLiteral("opened.log")),
            (QStringList{Home(QStringLiteral("x")), Home(QStringLiteral("x/notes.txt"))}));
}

TEST_F(LaunchScenario, ExternalViewerAndEditorGetTheFile) {
  CreateFile(QStringLiteral("x/notes.txt"), "n");
  const QString viewer = Recorder(QStringLiteral("viewer"), QStringLiteral("viewed.log"));
  const QString editor = Recorder(QStringLiteral("editor"), QStringLiteral("edited.log"));
  StartIn(QStringLiteral("x/"), {viewer, {}, editor});
  SelectMainRow(QStringLiteral("notes.txt"));
  Key(QStringLiteral("F3"));
  WaitForLines(QStringLiteral("viewed.log"), 2);
  EXPECT_EQ(Lines(QStringLiteral("viewed.log")).value(1), Home(QStringLiteral("x/notes.txt")));
  EXPECT_EQ(Look().Text(QStringLiteral("Label9"), QStringLiteral("Form1")), QStringLiteral("Жду команды..."));
  Key(QStringLiteral("F4"));
  WaitForLines(QStringLiteral("edited.log"), 2);
  EXPECT_EQ(Lines(QStringLiteral("edited.log")).value(1), Home(QStringLiteral("x/notes.txt")));
}

TEST_F(LaunchScenario, ShiftF4WaitsForTheEditorAndListsTheNewFile) {
  CreateFile(QStringLiteral("x/old.txt"));
  CreateFile(QStringLiteral("bin/write"), "#!/bin/sh\necho written > \"$1\"\n");
  ::chmod(Home(QStringLiteral("bin/write")).toUtf8().constData(), 0755);
  StartIn(QStringLiteral("x/"), {{}, {}, Home(QStringLiteral("bin/write"))});
  SelectMainRow(QStringLiteral("old.txt"));
  Key(QStringLiteral("shift+F4"));
  AnswerInputBox(QStringLiteral("new.txt"));
  WaitFor(QStringLiteral("the new file listed"), [](const TUi& ui) {
    return RowTexts(ui.Widget(QStringLiteral("ListView"), QStringLiteral("Form1"))).contains(QStringLiteral("new.txt"));
  });
  EXPECT_EQ(ReadAll(Home(QStringLiteral("x/new.txt"))), QByteArray("written\n"));
}

}  // namespace
}  // namespace zarn::e2e
