#include "platform/launcher.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <csignal>

#include "platform/filenames.h"
#include "temptree.h"

namespace zarn {
namespace {

// The recorder writes its working folder, then each argument, NUL-separated,
// to $ZARN_RECORD_FILE; the file appears whole (renamed into place).
const QByteArray RecorderScript =
    "#!/bin/sh\n"
    "{ pwd; for a in \"$@\"; do printf '%s\\0' \"$a\"; done; } > \"$ZARN_RECORD_FILE.part\"\n"
    "mv \"$ZARN_RECORD_FILE.part\" \"$ZARN_RECORD_FILE\"\n";

// Writes its process id, then sleeps until killed.
const QByteArray SleeperScript = "#!/bin/sh\necho $$ > \"$ZARN_RECORD_FILE\"\nexec sleep 600\n";

// One desktop per test process: GIO reads the XDG folders once, so they are
// set before its first use and shared by every test here.
class DesktopSandbox {
 public:
  static DesktopSandbox& Get() {
    static DesktopSandbox sandbox;
    return sandbox;
  }
  QString Recorder() const { return Dir_.filePath(QStringLiteral("bin/record")); }
  QString Root() const { return Dir_.path(); }

 private:
  DesktopSandbox() {
    QDir(Dir_.path()).mkpath(QStringLiteral("data/applications"));
    QDir(Dir_.path()).mkpath(QStringLiteral("config"));
    QDir(Dir_.path()).mkpath(QStringLiteral("bin"));
    Write(QStringLiteral("bin/record"), RecorderScript, true);
    Write(QStringLiteral("data/applications/zarn-test-open.desktop"),
          "[Desktop Entry]\nType=Application\nName=Zarn test opener\nExec=" + Recorder().toUtf8() +
              " %f\nMimeType=text/plain;inode/directory;x-scheme-handler/zarntest;\n",
          false);
    Write(QStringLiteral("config/mimeapps.list"),
          "[Default Applications]\ntext/plain=zarn-test-open.desktop\ninode/directory=zarn-test-open.desktop\n"
          "x-scheme-handler/zarntest=zarn-test-open.desktop\n",
          false);
    qputenv("XDG_DATA_HOME", Dir_.filePath(QStringLiteral("data")).toUtf8());
    qputenv("XDG_CONFIG_HOME", Dir_.filePath(QStringLiteral("config")).toUtf8());
    qputenv("XDG_DATA_DIRS", "/usr/local/share:/usr/share");
    qputenv("XDG_CURRENT_DESKTOP", "");
  }
  void Write(const QString& relative, const QByteArray& bytes, bool executable) {
    QFile file(Dir_.filePath(relative));
    file.open(QIODevice::WriteOnly);
    file.write(bytes);
    file.close();
    if (executable) file.setPermissions(file.permissions() | QFileDevice::ExeOwner);
  }
  QTemporaryDir Dir_;
};

struct Recording {
  QString Folder;
  QStringList Arguments;
};

class LauncherTest : public testing::Test {
 protected:
  void SetUp() override {
    DesktopSandbox::Get();
    RecordFile_ = Tree_.Path(QStringLiteral("record.out"));
    qputenv("ZARN_RECORD_FILE", ToNativeName(RecordFile_));
    SavedFolder_ = CurrentDirectory();
  }
  void TearDown() override {
    SetCurrentDirectoryA(SavedFolder_);
    for (pid_t pid : Sleepers_) ::kill(pid, SIGKILL);
  }

  QString MakeScript(const QByteArray& relative, const QByteArray& body) {
    Tree_.CreateFile(relative, body);
    Tree_.SetMode(relative, 0755);
    return FromNativeName(Tree_.PathBytes(relative));
  }

  std::optional<Recording> WaitForRecording(int milliseconds = 10000) {
    QElapsedTimer clock;
    clock.start();
    while (!QFile::exists(RecordFile_) && clock.elapsed() < milliseconds) QTest::qWait(10);
    QFile file(RecordFile_);
    if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
    const QByteArray bytes = file.readAll();
    file.close();
    QFile::remove(RecordFile_);
    const qsizetype newline = bytes.indexOf('\n');
    Recording recording{FromNativeName(bytes.left(newline)), {}};
    for (const QByteArray& argument : bytes.mid(newline + 1).split('\0')) {
      recording.Arguments << FromNativeName(argument);
    }
    recording.Arguments.removeLast();  // after the last NUL
    return recording;
  }

  test::TempTree Tree_;
  QString RecordFile_;
  QString SavedFolder_;
  std::vector<pid_t> Sleepers_;
};

TEST_F(LauncherTest, HostileFileNamesReachTheProgramAsOneArgumentEach) {
  const QString program = MakeScript("prog dir/rec;ord $(x).sh", RecorderScript);
  const QStringList names{QStringLiteral("/tmp/a b.txt"), QStringLiteral("-rf"), QStringLiteral("$(touch pwned)"),
                          QStringLiteral("x;touch pwned2"), QStringLiteral("it's \"quoted\""),
                          QStringLiteral("back\\slash"), FromNativeName(QByteArray("not-utf8-\xFF"))};
  QStringList quoted;
  for (const QString& name : names) quoted << QuoteForCommandLine(name);
  ASSERT_TRUE(SetCurrentDirectoryA(Tree_.Root()));
  EXPECT_EQ(ShellExecuteA(QStringLiteral("open"), QuoteForCommandLine(program), quoted.join(QLatin1Char(' '))),
            ShellSucceeded)
      << LastShellExecuteError().toStdString();
  const auto recording = WaitForRecording();
  ASSERT_TRUE(recording);
  EXPECT_EQ(recording->Arguments, names);
  EXPECT_FALSE(QFile::exists(Tree_.Path(QStringLiteral("pwned"))));
  EXPECT_FALSE(QFile::exists(Tree_.Path(QStringLiteral("pwned2"))));
}

TEST_F(LauncherTest, ParametersSplitLikeShellWordsWithoutExpansion) {
  auto words = SplitParameters(QStringLiteral("/c dir  'single quoted' \"double $HOME\" back\\ slash"));
  ASSERT_FALSE(words.IsError());
  EXPECT_EQ(words.Value(), (QStringList{"/c", "dir", "single quoted", "double $HOME", "back slash"}));
  EXPECT_TRUE(SplitParameters(QStringLiteral("   ")).Value().isEmpty());
  EXPECT_TRUE(SplitParameters(QStringLiteral("'unclosed")).IsError());
  EXPECT_TRUE(SplitParameters(QStringLiteral("\"unclosed")).IsError());
}

TEST_F(LauncherTest, ProgramStartsInTheCurrentDirectory) {
  MakeScript("work/run.sh", RecorderScript);
  ASSERT_TRUE(SetCurrentDirectoryA(Tree_.Path(QStringLiteral("work"))));
  EXPECT_EQ(ShellExecuteA({}, QStringLiteral("./run.sh"), QStringLiteral("one")), ShellSucceeded);
  const auto recording = WaitForRecording();
  ASSERT_TRUE(recording);
  EXPECT_EQ(QDir(recording->Folder).canonicalPath(), QDir(Tree_.Path(QStringLiteral("work"))).canonicalPath());
  EXPECT_EQ(recording->Arguments, QStringList{QStringLiteral("one")});
  EXPECT_FALSE(SetCurrentDirectoryA(Tree_.Path(QStringLiteral("missing"))));
  EXPECT_FALSE(SetCurrentDirectoryA(QString()));
}

TEST_F(LauncherTest, ProgramsAreFoundInPath) {
  MakeScript("pathbin/zarn-test-recorder", RecorderScript);
  const QByteArray savedPath = qgetenv("PATH");
  qputenv("PATH", Tree_.PathBytes("pathbin") + ":" + savedPath);
  EXPECT_EQ(ShellExecuteA(QStringLiteral("open"), QStringLiteral("zarn-test-recorder"), QStringLiteral(" ")),
            ShellSucceeded);
  qputenv("PATH", savedPath);
  const auto recording = WaitForRecording();
  ASSERT_TRUE(recording);
  EXPECT_TRUE(recording->Arguments.isEmpty());
}

TEST_F(LauncherTest, FailuresGiveCodesBelow32WithTheReason) {
  const QString program = MakeScript("rec.sh", RecorderScript);
  EXPECT_LT(ShellExecuteA(QStringLiteral("open"), QStringLiteral("zarn-no-such-program-4711")), 32);
  EXPECT_FALSE(LastShellExecuteError().isEmpty());
  EXPECT_EQ(ShellExecuteA(QStringLiteral("open"), program, QStringLiteral("\"unclosed")), ShellBadFormat);
  EXPECT_LT(ShellExecuteA(QStringLiteral("open"), QStringLiteral("\"")), 32);
  EXPECT_LT(ShellExecuteA(QStringLiteral("open"), QString()), 32);
  EXPECT_LT(ShellExecuteA(QStringLiteral("open"), Tree_.Path(QStringLiteral("missing.txt"))), 32);
  EXPECT_TRUE(OpenWithDefaultApplication(Tree_.Path(QStringLiteral("missing.txt"))).IsError());
  EXPECT_TRUE(StartDetached(Tree_.Path(QStringLiteral("missing-program")), {}).IsError());
  Tree_.CreateFile("plain", "not a program");
  EXPECT_TRUE(FindProgram(Tree_.Path(QStringLiteral("plain"))).IsError());
}

TEST_F(LauncherTest, DocumentsOpenWithTheDefaultApplicationByUri) {
  Tree_.CreateFile("-a #1 100%.txt", "some text\n");
  const QString document = Tree_.Path(QStringLiteral("-a #1 100%.txt"));
  ASSERT_FALSE(OpenWithDefaultApplication(document).IsError());
  auto recording = WaitForRecording();
  ASSERT_TRUE(recording);
  EXPECT_EQ(recording->Arguments, QStringList{document});
  EXPECT_EQ(ShellExecuteA({}, Tree_.Root(), {}, {}, SW_SHOW), ShellSucceeded) << LastShellExecuteError().toStdString();
  recording = WaitForRecording();
  ASSERT_TRUE(recording);
  EXPECT_EQ(recording->Arguments, QStringList{Tree_.Root()});
}

TEST_F(LauncherTest, TextEditorIsTheDefaultForPlainText) {
  Tree_.CreateFile("notes.txt", "x");
  EXPECT_TRUE(TextEditorAvailable());
  ASSERT_FALSE(OpenInTextEditor(Tree_.Path(QStringLiteral("notes.txt"))).IsError());
  const auto recording = WaitForRecording();
  ASSERT_TRUE(recording);
  EXPECT_EQ(recording->Arguments, QStringList{Tree_.Path(QStringLiteral("notes.txt"))});
}

TEST_F(LauncherTest, FallbackEditorIsSearchedInPath) {
  MakeScript("editors/mousepad", RecorderScript);
  const QByteArray savedPath = qgetenv("PATH");
  qputenv("PATH", Tree_.PathBytes("editors"));
  const QString editor = FallbackTextEditor();
  qputenv("PATH", Tree_.PathBytes("nothing-here"));
  const QString none = FallbackTextEditor();
  qputenv("PATH", savedPath);
  EXPECT_EQ(editor, Tree_.Path(QStringLiteral("editors/mousepad")));
  EXPECT_TRUE(none.isEmpty());
}

TEST_F(LauncherTest, RunAndWaitReturnsWhenTheProgramEnds) {
  const QString program = MakeScript("quick.sh", RecorderScript);
  auto end = RunAndWait(program, QStringLiteral("new file.txt"));
  ASSERT_FALSE(end.IsError());
  EXPECT_EQ(end.Value(), WaitEnd::Exited);
  // The program has ended, so its record is already complete.
  ASSERT_TRUE(QFile::exists(RecordFile_));
  EXPECT_EQ(WaitForRecording()->Arguments, QStringList{QStringLiteral("new file.txt")});
  EXPECT_EQ(RunningWaits(), 0);
}

TEST_F(LauncherTest, RunAndWaitFailsForMissingProgram) {
  EXPECT_TRUE(RunAndWait(Tree_.Path(QStringLiteral("absent")), QStringLiteral("x")).IsError());
  EXPECT_TRUE(RunAndWait(QStringLiteral("zarn-no-such-editor-4711"), QStringLiteral("x")).IsError());
}

TEST_F(LauncherTest, EventsRunDuringTheWaitAndCancelEndsIt) {
  const QString sleeper = MakeScript("sleeper.sh", SleeperScript);
  const QString quick = MakeScript("quick.sh", RecorderScript);
  std::optional<WaitEnd> innerEnd;
  int waitsSeenInside = 0;
  QTimer::singleShot(0, [&] {
    pid_t pid = 0;
    QElapsedTimer clock;
    clock.start();
    while (pid == 0 && clock.elapsed() < 10000) {
      QFile file(RecordFile_);
      if (file.open(QIODevice::ReadOnly)) pid = file.readAll().trimmed().toInt();
      if (pid == 0) QTest::qWait(10);
    }
    Sleepers_.push_back(pid);
    QFile::remove(RecordFile_);
    waitsSeenInside = RunningWaits();
    // A second wait inside the first, as a second command of the window would start it.
    auto end = RunAndWait(quick, QStringLiteral("inner"));
    if (!end.IsError()) innerEnd = end.Value();
    CancelRunAndWait();
  });
  auto outerEnd = RunAndWait(sleeper, QString());
  ASSERT_FALSE(outerEnd.IsError());
  EXPECT_EQ(outerEnd.Value(), WaitEnd::Cancelled);
  EXPECT_EQ(waitsSeenInside, 1);
  EXPECT_EQ(innerEnd, WaitEnd::Exited);
  ASSERT_EQ(Sleepers_.size(), 1u);
  EXPECT_GT(Sleepers_.front(), 0);
  // The cancelled program runs on.
  EXPECT_EQ(::kill(Sleepers_.front(), 0), 0);
}

TEST_F(LauncherTest, RunAndWaitInTextEditorWaitsForTheDefaultEditor) {
  const QString file = Tree_.Path(QStringLiteral("new.txt"));
  auto end = RunAndWaitInTextEditor(file);
  ASSERT_FALSE(end.IsError()) << end.Error().Text().toStdString();
  EXPECT_EQ(end.Value(), WaitEnd::Exited);
  const auto recording = WaitForRecording();
  ASSERT_TRUE(recording);
  EXPECT_EQ(recording->Arguments, QStringList{file});
}

}  // namespace
}  // namespace zarn
