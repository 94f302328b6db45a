#include "ops/launchcommands.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTest>

#include <gtest/gtest.h>

#include "fakeprompter.h"
#include "platform/filenames.h"
#include "platform/launcher.h"
#include "settings/textent.h"
#include "settings/tset1.h"
#include "temptree.h"

namespace zarn {
namespace {

struct SplitRow {
  const char* Text;
  const char* Program;
  const char* Parameters;
};

class CommandLineSplit : public testing::TestWithParam<SplitRow> {};

TEST_P(CommandLineSplit, GivesProgramAndParameters) {
  const SplitRow& row = GetParam();
  const TCommandLine command = SplitCommandLine(QString::fromUtf8(row.Text));
  EXPECT_EQ(command.Program, QString::fromUtf8(row.Program));
  EXPECT_EQ(command.Parameters, QString::fromUtf8(row.Parameters));
}

INSTANTIATE_TEST_SUITE_P(Examples, CommandLineSplit,
                         testing::Values(SplitRow{"notepad c:\\a.txt", "notepad", "c:\\a.txt"},
                                         SplitRow{"\"/opt/my app/run\" -x", "\"/opt/my app/run\"", "-x"},
                                         SplitRow{"calc", "calc", ""}, SplitRow{"calc ", "calc", ""},
                                         SplitRow{"cmd /c dir", "cmd", "/c dir"},
                                         SplitRow{"\"unclosed text", "\"", "nclosed text"},
                                         SplitRow{"\"a\\\"b\" c", "\"a\\\"b\"", "c"},
                                         SplitRow{"\"x\"", "\"x\"", ""}));

// The recorder writes its working folder, then each argument NUL-separated.
const QByteArray RecorderScript =
    "#!/bin/sh\n"
    "{ pwd; for a in \"$@\"; do printf '%s\\0' \"$a\"; done; } > \"$ZARN_RECORD_FILE.part\"\n"
    "mv \"$ZARN_RECORD_FILE.part\" \"$ZARN_RECORD_FILE\"\n";

class LaunchCommandsTest : public testing::Test {
 protected:
  void SetUp() override {
    RecordFile_ = Tree_.Path(QStringLiteral("record.out"));
    qputenv("ZARN_RECORD_FILE", ToNativeName(RecordFile_));
    SavedFolder_ = CurrentDirectory();
    Tree_.CreateFile("bin/record me", RecorderScript);
    Tree_.SetMode("bin/record me", 0755);
    Recorder_ = Tree_.Path(QStringLiteral("bin/record me"));
  }
  void TearDown() override { SetCurrentDirectoryA(SavedFolder_); }

  struct Recording {
    QString Folder;
    QStringList Arguments;
  };
  std::optional<Recording> WaitForRecording() {
    QElapsedTimer clock;
    clock.start();
    while (!QFile::exists(RecordFile_) && clock.elapsed() < 10000) QTest::qWait(10);
    QFile file(RecordFile_);
    if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
    const QByteArray bytes = file.readAll();
    file.close();
    QFile::remove(RecordFile_);
    const qsizetype newline = bytes.indexOf('\n');
    Recording recording{FromNativeName(bytes.left(newline)), {}};
    const QList<QByteArray> parts = bytes.mid(newline + 1).split('\0');
    for (qsizetype i = 0; i + 1 < parts.size(); ++i) recording.Arguments << FromNativeName(parts[i]);
    return recording;
  }

  test::TempTree Tree_;
  test::FakePrompter Prompts_;
  TSet1 Settings_;
  TExtent Associations_;
  QString RecordFile_;
  QString SavedFolder_;
  QString Recorder_;
};

TEST_F(LaunchCommandsTest, CommandLineRunsWithSplitParametersAndKeepsHistory) {
  QStringList history;
  EXPECT_FALSE(RunCommandLine(QString(), {}, history));
  EXPECT_TRUE(history.isEmpty());
  const QString text = CommandLineWithPath(QuoteForCommandLine(Recorder_), QStringLiteral("/tmp/it's \"$(x)\";y"));
  EXPECT_TRUE(RunCommandLine(text, {}, history));
  const auto recording = WaitForRecording();
  ASSERT_TRUE(recording);
  EXPECT_EQ(recording->Arguments, QStringList{QStringLiteral("/tmp/it's \"$(x)\";y")});
  EXPECT_EQ(history, QStringList{text});
  EXPECT_TRUE(Prompts_.Messages.isEmpty());
}

TEST_F(LaunchCommandsTest, OneBlankAfterTheProgramMeansNoParameters) {
  QStringList history;
  RunCommandLine(QuoteForCommandLine(Recorder_) + QLatin1Char(' '), {}, history);
  const auto recording = WaitForRecording();
  ASSERT_TRUE(recording);
  EXPECT_TRUE(recording->Arguments.isEmpty());
}

TEST_F(LaunchCommandsTest, FailedStartsAreReportedAndStillEnterTheHistory) {
  QStringList history;
  RunCommandLine(QStringLiteral("zarn-no-such-program-4711 -v"), {}, history);
  RunCommandLine(QStringLiteral("\"unclosed"), {}, history);
  RunCommandLine(QuoteForCommandLine(Recorder_) + QStringLiteral(" 'open quote"), {}, history);
  EXPECT_EQ(Prompts_.Messages,
            (QStringList{"Не могу выполнить: zarn-no-such-program-4711", "Не могу выполнить: \"",
                         "Не могу выполнить: " + QuoteForCommandLine(Recorder_)}));
  EXPECT_EQ(history.size(), 3);
  EXPECT_FALSE(QFile::exists(RecordFile_));
}

TEST_F(LaunchCommandsTest, CtrlJQuotesThePathAfterABlank) {
  EXPECT_EQ(CommandLineWithPath(QString(), QStringLiteral("/a b")), QStringLiteral("\"/a b\""));
  EXPECT_EQ(CommandLineWithPath(QStringLiteral("less"), QStringLiteral("/a\"b")), QStringLiteral("less \"/a\\\"b\""));
}

TEST_F(LaunchCommandsTest, AssociatedProgramGetsTheFullNameInTheListedFolder) {
  Associations_.SetTable({{QStringLiteral(" .txt "), Recorder_}});
  Tree_.CreateFile("docs/-a b;c.txt", "x");
  const QString file = Tree_.Path(QStringLiteral("docs/-a b;c.txt"));
  EXPECT_EQ(AssociatedProgramFor(Tree_.Path(QStringLiteral("docs/A.TXT"))), QString());
  OpenFileRow(file, Tree_.Path(QStringLiteral("docs/")));
  const auto recording = WaitForRecording();
  ASSERT_TRUE(recording);
  EXPECT_EQ(recording->Arguments, QStringList{file});
  EXPECT_EQ(QDir(recording->Folder).canonicalPath(), QDir(Tree_.Path(QStringLiteral("docs"))).canonicalPath());
  // The folder stays the current directory for the command line.
  EXPECT_EQ(QDir(CurrentDirectory()).canonicalPath(), QDir(Tree_.Path(QStringLiteral("docs"))).canonicalPath());
}

TEST_F(LaunchCommandsTest, OpenInAMissingFolderSaysSoAndStartsNothing) {
  Associations_.SetTable({{QStringLiteral(".txt"), Recorder_}});
  const QString folder = Tree_.Path(QStringLiteral("gone/"));
  OpenFileRow(Tree_.Path(QStringLiteral("gone/a.txt")), folder);
  EXPECT_EQ(Prompts_.Messages, QStringList{folder + QStringLiteral("не найдена - ")});
  EXPECT_FALSE(QFile::exists(RecordFile_));
}

TEST_F(LaunchCommandsTest, AssociatedProgramThatDoesNotExistFailsQuietly) {
  Associations_.SetTable({{QStringLiteral(".txt"), Tree_.Path(QStringLiteral("bin/absent"))}});
  Tree_.CreateFile("a.txt");
  OpenFileRow(Tree_.Path(QStringLiteral("a.txt")), Tree_.Root());
  EXPECT_TRUE(Prompts_.Messages.isEmpty());
}

TEST_F(LaunchCommandsTest, PicturesAreKnownByExtensionInAnyLatinCase) {
  for (const char* name : {"x.Jpg", "/p/a.jpeg", "b.BMP", "c.wmf", "d.ico", "e.GIF", "f.png"}) {
    EXPECT_TRUE(IsPictureFile(QString::fromLatin1(name))) << name;
  }
  for (const char* name : {"a.jpg.txt", "photo", "/x.png/readme", "g.tiff"}) {
    EXPECT_FALSE(IsPictureFile(QString::fromLatin1(name))) << name;
  }
}

TEST_F(LaunchCommandsTest, ViewerChoiceFollowsTheSettingsBoxes) {
  EXPECT_EQ(ChooseViewer(QStringLiteral("a.txt")), ViewerChoice::TextViewer);
  EXPECT_EQ(ChooseViewer(QStringLiteral("a.PNG")), ViewerChoice::PictureViewer);
  Settings_.CheckBox1->setChecked(true);
  EXPECT_EQ(ChooseViewer(QStringLiteral("a.txt")), ViewerChoice::ExternalTextViewer);
  EXPECT_EQ(ChooseViewer(QStringLiteral("a.PNG")), ViewerChoice::PictureViewer);
  Settings_.CheckBox2->setChecked(true);
  EXPECT_EQ(ChooseViewer(QStringLiteral("a.PNG")), ViewerChoice::ExternalPictureViewer);
  EXPECT_FALSE(StartExternalViewer(ViewerChoice::TextViewer, QStringLiteral("a.txt")));
}

TEST_F(LaunchCommandsTest, ExternalViewerGetsThePathAsOneArgument) {
  Settings_.Edit2->setText(Recorder_);
  const QString picture = Tree_.Path(QStringLiteral("holiday photo $(id).jpg"));
  EXPECT_TRUE(StartExternalViewer(ViewerChoice::ExternalPictureViewer, picture));
  const auto recording = WaitForRecording();
  ASSERT_TRUE(recording);
  EXPECT_EQ(recording->Arguments, QStringList{picture});
}

TEST_F(LaunchCommandsTest, TickedExternalEditorEditsTheFile) {
  Settings_.CheckBox3->setChecked(true);
  Settings_.Edit4->setText(Recorder_);
  const QString file = Tree_.Path(QStringLiteral("notes; rm -rf x.txt"));
  EditFile(file);
  const auto recording = WaitForRecording();
  ASSERT_TRUE(recording);
  EXPECT_EQ(recording->Arguments, QStringList{file});
}

TEST_F(LaunchCommandsTest, NewTextFileWaitsForTheEditorThenRelists) {
  Settings_.CheckBox3->setChecked(true);
  Settings_.Edit4->setText(Recorder_);
  Prompts_.InputAnswers = {QStringLiteral("my new.txt"), std::nullopt};
  int relisted = 0;
  CreateTextFile(Tree_.Path(QStringLiteral("docs/")), [&relisted] { ++relisted; });
  EXPECT_EQ(relisted, 1);
  // The editor has ended, so its record is complete already.
  ASSERT_TRUE(QFile::exists(RecordFile_));
  EXPECT_EQ(WaitForRecording()->Arguments, QStringList{Tree_.Path(QStringLiteral("docs/my new.txt"))});
  CreateTextFile(Tree_.Path(QStringLiteral("docs/")), [&relisted] { ++relisted; });
  EXPECT_EQ(relisted, 1);
  EXPECT_EQ(Prompts_.Inputs, (QStringList{"Введите имя файла", "Введите имя файла"}));
}

TEST_F(LaunchCommandsTest, NewTextFileWithAMissingEditorSaysSo) {
  Settings_.CheckBox3->setChecked(true);
  Settings_.Edit4->setText(Tree_.Path(QStringLiteral("bin/absent")));
  Prompts_.InputAnswers = {QStringLiteral("new.txt")};
  int relisted = 0;
  CreateTextFile(Tree_.Root(), [&relisted] { ++relisted; });
  EXPECT_EQ(relisted, 0);
  EXPECT_EQ(Prompts_.Messages, QStringList{QStringLiteral("Ошибка при запуске текстового редактора ")});
}

}  // namespace
}  // namespace zarn
