#include "ops/launchcommands.h"

#include <QCheckBox>
#include <QLineEdit>

#include "platform/launcher.h"
#include "platform/prompter.h"
#include "settings/associations.h"
#include "settings/textent.h"
#include "settings/tset1.h"

namespace zarn {
namespace {

const QStringList PictureExtensions{".JPG", ".JPEG", ".BMP", ".WMF", ".ICO", ".GIF", ".PNG"};

qsizetype ClosingQuote(const QString& text) {
  for (qsizetype at = 1; at < text.size(); ++at) {
    if (text.at(at) == QLatin1Char('\\')) {
      ++at;
    } else if (text.at(at) == QLatin1Char('"')) {
      return at;
    }
  }
  return -1;
}

QString AsciiUpper(const QString& text) {
  QString upper = text;
  for (QChar& character : upper) {
    if (character >= QLatin1Char('a') && character <= QLatin1Char('z')) character = QChar(character.unicode() - 32);
  }
  return upper;
}

// The program word of a command line: a quoted program loses its quotes and
// escapes here, since it is handed over as a file name and not split further.
QString ProgramFileName(const QString& program) {
  if (!program.startsWith(QLatin1Char('"')) || program.size() < 2) return program;
  auto words = SplitParameters(program);
  return !words.IsError() && words.Value().size() == 1 ? words.Value().constFirst() : program;
}

bool ExternalEditorTicked() { return Set1 && Set1->CheckBox3->isChecked(); }

}  // namespace

TCommandLine SplitCommandLine(const QString& text) {
  if (text.startsWith(QLatin1Char('"'))) {
    const qsizetype closing = ClosingQuote(text);
    if (closing < 0) return {QStringLiteral("\""), text.mid(2)};
    return {text.left(closing + 1), text.mid(closing + 2)};
  }
  const qsizetype blank = text.indexOf(QLatin1Char(' '));
  if (blank < 0) return {text, QString()};
  return {text.left(blank), text.mid(blank + 1)};
}

bool RunCommandLine(const QString& text, const QString& folder, QStringList& history) {
  if (text.isEmpty()) return false;
  const TCommandLine command = SplitCommandLine(text);
  const bool noParameters = command.Parameters.isEmpty() || command.Parameters == QLatin1String(" ");
  const int result = ShellExecuteA(QStringLiteral("open"), ProgramFileName(command.Program),
                                   noParameters ? QString() : command.Parameters, folder, SW_SHOWNORMAL);
  if (result < 32) Prompter().ShowMessage(QStringLiteral("Не могу выполнить: ") + command.Program);
  history.append(text);
  return true;
}

QString CommandLineWithPath(const QString& commandLine, const QString& path) {
  const QString quoted = QuoteForCommandLine(path);
  return commandLine.isEmpty() ? quoted : commandLine + QLatin1Char(' ') + quoted;
}

QString AssociatedProgramFor(const QString& fullPath) {
  return Extent ? Extent->ProgramFor(FileExtension(fullPath)) : QString();
}

void OpenFileRow(const QString& fullPath, const QString& pathBoxText) {
  const QString program = AssociatedProgramFor(fullPath);
  if (!SetCurrentDirectoryA(pathBoxText)) {
    Prompter().ShowMessage(pathBoxText + QStringLiteral("не найдена - "));
    return;
  }
  // As the shell's open did, a failed start is not reported.
  if (!program.isEmpty()) {
    (void)StartDetached(program, {fullPath});
  } else {
    (void)OpenWithDefaultApplication(fullPath);
  }
}

bool IsPictureFile(const QString& path) { return PictureExtensions.contains(AsciiUpper(FileExtension(path))); }

ViewerChoice ChooseViewer(const QString& path) {
  if (IsPictureFile(path)) {
    return Set1 && Set1->CheckBox2->isChecked() ? ViewerChoice::ExternalPictureViewer : ViewerChoice::PictureViewer;
  }
  return Set1 && Set1->CheckBox1->isChecked() ? ViewerChoice::ExternalTextViewer : ViewerChoice::TextViewer;
}

bool StartExternalViewer(ViewerChoice choice, const QString& path) {
  if (!Set1) return false;
  QLineEdit* program = nullptr;
  if (choice == ViewerChoice::ExternalTextViewer) program = Set1->Edit1;
  if (choice == ViewerChoice::ExternalPictureViewer) program = Set1->Edit2;
  if (!program) return false;
  (void)StartDetached(program->text(), {path});
  return true;
}

void EditFile(const QString& fullPath) {
  if (ExternalEditorTicked()) {
    (void)StartDetached(Set1->Edit4->text(), {fullPath});
    return;
  }
  const bool failed = TextEditorAvailable() ? OpenInTextEditor(fullPath).IsError()
                                            : OpenWithDefaultApplication(fullPath).IsError();
  if (failed) Prompter().ShowMessage(QStringLiteral("Не могу редактировать: ") + fullPath);
}

void CreateTextFile(const QString& pathBoxText, const std::function<void()>& relist) {
  const auto name = Prompter().InputBox(QStringLiteral("Создаем текстовый  файл"), QStringLiteral("Введите имя файла"),
                                        QStringLiteral("new.txt"));
  if (!name) return;
  QString full = pathBoxText;
  if (!full.isEmpty() && !full.endsWith(QLatin1Char('/'))) full += QLatin1Char('/');
  full += *name;
  const auto end =
      ExternalEditorTicked() ? RunAndWait(Set1->Edit4->text(), full) : RunAndWaitInTextEditor(full);
  if (end.IsError()) {
    Prompter().ShowMessage(QStringLiteral("Ошибка при запуске текстового редактора "));
    return;
  }
  if (relist) relist();
}

}  // namespace zarn
