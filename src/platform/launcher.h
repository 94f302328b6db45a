#pragma once
// Starting other programs and opening documents, the desktop's way. Default
// applications, MIME associations and desktop entries are GIO's; programs are
// started from an argument list, never through a shell, so a file name reaches
// the program as one argument whatever characters it holds. Call everything
// here on the GUI thread.

#include <QString>
#include <QStringList>

#include <chrono>
#include <functional>

#include "platform/errors.h"

namespace zarn {

// The show states callers pass; Linux has no use for them, they are accepted
// so that calls read as the commands describe them.
inline constexpr int SW_SHOWNORMAL = 1;
inline constexpr int SW_SHOW = 5;

// Results of ShellExecuteA. Any value below 32 is a failure.
inline constexpr int ShellSucceeded = 42;
inline constexpr int ShellFileNotFound = 2;
inline constexpr int ShellAccessDenied = 5;
inline constexpr int ShellBadFormat = 11;
inline constexpr int ShellNoAssociation = 31;

// Opens an existing file or folder with the desktop's default application for
// its type. A missing file, or no application, is an error.
ErrorOrDone OpenWithDefaultApplication(const QString& path);
// Opens an address such as https://... with the default handler of its scheme.
ErrorOrDone OpenUri(const QString& uri);
// Opens an existing local page (an HTML file) with the desktop's default web
// browser, or with the default application of its type when no browser is set.
ErrorOrDone OpenInBrowser(const QString& path);

// Splits parameter text into arguments as a POSIX shell splits words: quotes
// and backslashes are honoured, nothing is expanded. Blank text gives no
// arguments; an unclosed quote is an error.
ErrorOr<QStringList> SplitParameters(const QString& parameters);
// `text` in double quotes such that SplitParameters gives it back as one argument.
QString QuoteForCommandLine(const QString& text);

// The executable a program text stands for: a path (with a "/") to an
// executable file, or a name found in PATH.
ErrorOr<QString> FindProgram(const QString& program);
// Starts `program` (as FindProgram takes it) with `arguments`, not waiting for
// it, in `directory` or else in the current directory.
ErrorOrDone StartDetached(const QString& program, const QStringList& arguments, const QString& directory = {});

// Starts `program` as StartDetached does and watches it: when it ends with a
// failure within `grace` (it could not open its window, say), `onEarlyFailure`
// is called on the GUI thread with how it ended ("завершилась с кодом 1").
// GUI thread only.
ErrorOrDone StartWatched(const QString& program, const QStringList& arguments, const QString& directory,
                         std::chrono::milliseconds grace, std::function<void(const QString&)> onEarlyFailure);

// The shell's open: `file` is a program (path or PATH name, surrounding double
// quotes removed) started with `parameters` split as above, or else a document,
// folder or address opened with its default application (parameters ignored).
// Returns ShellSucceeded or a code below 32; LastShellExecuteError() then says why.
int ShellExecuteA(const QString& verb, const QString& file, const QString& parameters = {},
                  const QString& directory = {}, int showCommand = SW_SHOWNORMAL);
QString LastShellExecuteError();

// The editor that stands in for Notepad: the default application for
// text/plain, else the first common graphical editor found in PATH.
bool TextEditorAvailable();
// The first of the common graphical editors found in PATH, or empty.
QString FallbackTextEditor();
ErrorOrDone OpenInTextEditor(const QString& path);

// How a wait for a started program ended.
enum class WaitEnd {
  Exited,     // the program ended
  NoProcess,  // started, but by a service that gives no process to wait on
  Cancelled,  // CancelRunAndWait() or the application's quit ended the wait; the program runs on
};
// Starts `program` with the one argument `parameter` and returns when it has
// ended. Meanwhile the application's events keep being processed (so windows
// stay usable and another wait may start inside this one). An error when the
// program cannot be started.
ErrorOr<WaitEnd> RunAndWait(const QString& program, const QString& parameter);
// The same with the editor that stands in for Notepad.
ErrorOr<WaitEnd> RunAndWaitInTextEditor(const QString& path);
// Ends every wait in progress; the main window calls it when it closes.
void CancelRunAndWait();
// How many waits are in progress.
int RunningWaits();

// The process's current directory; false when `path` is not an enterable folder.
bool SetCurrentDirectoryA(const QString& path);
QString CurrentDirectory();

}  // namespace zarn
