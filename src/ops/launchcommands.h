#pragma once
// The main window's commands that hand a file or a typed command to another
// program: open, view with an external viewer, edit, create a text file in the
// editor, run the command line. The main window calls them from its handlers;
// they read the settings window (Set1) and the association list (Extent) at
// the moment they act, and show their messages through Prompter().

#include <QString>
#include <QStringList>

#include <functional>

namespace zarn {

// A command line's program and parameter text, split the way the command line
// always split them: a leading double-quoted program keeps its quotes (its
// closing quote is the first one after the first character that no backslash
// escapes; without one the program is the lone quote and the parameters start
// at the third character), else the program ends at the first blank.
struct TCommandLine {
  QString Program;
  QString Parameters;
};
TCommandLine SplitCommandLine(const QString& text);

// Runs a typed command line (Enter in the command box) in `folder`, the folder
// the list shows (the current directory when empty), so that a command acts
// where the person looks: an empty text does nothing; a program that cannot
// be started shows "Не могу выполнить: " and the program. Returns true when
// `text` is to go into the history (every non-empty text, started or not),
// which it is then appended to.
bool RunCommandLine(const QString& text, const QString& folder, QStringList& history);
// The command line after Ctrl+J: the path in double quotes (escaped so that
// it reaches the program as one argument), after a blank when there is text.
QString CommandLineWithPath(const QString& commandLine, const QString& path);

// The program assigned to the file's extension in the associations window, or empty.
QString AssociatedProgramFor(const QString& fullPath);
// Opens a file row: makes `pathBoxText` the current directory (else shows
// "<pathBoxText>не найдена - " and stops), then starts the associated program
// with the file's full name as its one argument, or else opens the file with
// the desktop's default application. A start that fails says nothing.
void OpenFileRow(const QString& fullPath, const QString& pathBoxText);

// True when the extension of `path` (Latin letters in any case) is a picture's.
bool IsPictureFile(const QString& path);
enum class ViewerChoice { TextViewer, PictureViewer, ExternalTextViewer, ExternalPictureViewer };
// Which viewer the view command uses for `path`, from the settings window's boxes.
ViewerChoice ChooseViewer(const QString& path);
// Starts the external viewer the choice names with `path` as its one argument;
// false (and nothing started) for the program's own viewers. Failures say nothing.
bool StartExternalViewer(ViewerChoice choice, const QString& path);

// The edit command for a file: the external editor when ticked (failure says
// nothing), else the desktop's text editor, else the default application;
// those two failing show "Не могу редактировать: " and the path.
void EditFile(const QString& fullPath);

// Shift+F4: asks for a name ("new.txt" offered), starts the editor on
// <path box folder>/<name> and waits for it while events run; then `relist`
// lists the folder again. A start failure shows "Ошибка при запуске
// текстового редактора " and skips the relisting.
void CreateTextFile(const QString& pathBoxText, const std::function<void()>& relist);

}  // namespace zarn
