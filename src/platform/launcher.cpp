#include "platform/launcher.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QRegularExpression>
#include <QSocketNotifier>
#include <QTimer>

#include <cerrno>
#include <functional>
#include <memory>
#include <vector>

#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/filenames.h"
#include "platform/gioobjects.h"

namespace zarn {
namespace {

// A NULL-terminated argv of native bytes that lives as long as this object.
class TArgv {
 public:
  explicit TArgv(const QStringList& arguments) {
    for (const QString& argument : arguments) Bytes_.push_back(ToNativeName(argument));
    for (QByteArray& bytes : Bytes_) Pointers_.push_back(bytes.data());
    Pointers_.push_back(nullptr);
  }
  char** Data() { return Pointers_.data(); }

 private:
  std::vector<QByteArray> Bytes_;
  std::vector<char*> Pointers_;
};

QString LastError;

int ShellCodeForErrno(int code) {
  if (code == EACCES || code == EPERM) return ShellAccessDenied;
  if (code == ENOEXEC) return ShellBadFormat;
  return ShellFileNotFound;
}

int Fail(int code, const QString& message) {
  LastError = message;
  return code;
}

bool LooksLikeUri(const QString& text) {
  static const QRegularExpression scheme(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]*:[^\\s]"));
  return scheme.match(text).hasMatch();
}

// 0 when `path` exists, else the errno of the look-up.
int ExistsError(const QString& path) {
  struct stat info;
  return ::stat(ToNativeName(path).constData(), &info) == 0 ? 0 : errno;
}

bool IsExecutableFile(const QByteArray& path) {
  struct stat info;
  return ::stat(path.constData(), &info) == 0 && S_ISREG(info.st_mode) && ::access(path.constData(), X_OK) == 0;
}

QString Unquoted(const QString& text) {
  if (text.size() >= 2 && text.startsWith(QLatin1Char('"')) && text.endsWith(QLatin1Char('"'))) {
    return text.mid(1, text.size() - 2);
  }
  return text;
}

ErrorOrDone LaunchDefaultForUri(const QByteArray& uri, const QString& shownAs) {
  TGError error;
  if (!g_app_info_launch_default_for_uri(uri.constData(), nullptr, &error.Error)) return error.ToOsError(shownAs);
  return Done{};
}

ErrorOr<GPid> Spawn(const QString& program, const QStringList& arguments, const QString& directory,
                    GSpawnFlags flags) {
  auto resolved = FindProgram(program);
  if (resolved.IsError()) return resolved.Error();
  TArgv argv(QStringList{resolved.Value()} + arguments);
  const QByteArray folder = ToNativeName(directory);
  GPid pid = 0;
  TGError error;
  if (!g_spawn_async(directory.isEmpty() ? nullptr : folder.constData(), argv.Data(), nullptr, flags, nullptr,
                     nullptr, &pid, &error.Error)) {
    return error.ToOsError(program);
  }
  return pid;
}

// ---- Waiting for a child -------------------------------------------------

std::vector<QEventLoop*> ActiveWaits;  // only from the GUI thread

// Reaps `pid` once it has ended and then calls `onEnd` with its wait status
// (0 when another watcher reaped it first). A pidfd makes the end an ordinary
// socket event for Qt's loop; kernels without one are polled.
void WatchChild(pid_t pid, std::function<void(int status)> onEnd) {
  auto reaped = [pid](int& status) {
    const pid_t result = ::waitpid(pid, &status, WNOHANG);
    // ECHILD: another watcher (GLib's) has already reaped it.
    if (result < 0 && errno == ECHILD) status = 0;
    return result == pid || (result < 0 && errno == ECHILD);
  };
#ifdef SYS_pidfd_open
  const int descriptor = static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
  if (descriptor < 0 && errno == ESRCH) {
    onEnd(0);
    return;
  }
  if (descriptor >= 0) {
    auto* notifier = new QSocketNotifier(descriptor, QSocketNotifier::Read);
    QObject::connect(notifier, &QSocketNotifier::activated, notifier, [=] {
      int status = 0;
      reaped(status);
      notifier->setEnabled(false);
      notifier->deleteLater();
      ::close(descriptor);
      onEnd(status);
    });
    return;
  }
#endif
  auto* timer = new QTimer;
  QObject::connect(timer, &QTimer::timeout, timer, [=] {
    int status = 0;
    if (!reaped(status)) return;
    timer->stop();
    timer->deleteLater();
    onEnd(status);
  });
  timer->start(25);
}

// How a program that ended badly ended, in the program's words.
QString FailureOf(int status) {
  if (WIFSIGNALED(status)) return QStringLiteral("прервана сигналом %1").arg(WTERMSIG(status));
  return QStringLiteral("завершилась с кодом %1").arg(WEXITSTATUS(status));
}

WaitEnd WaitForChild(pid_t pid) {
  struct TState {
    bool Ended = false;
    QEventLoop* Loop = nullptr;
  };
  auto state = std::make_shared<TState>();
  QEventLoop loop;
  state->Loop = &loop;
  WatchChild(pid, [state](int) {
    state->Ended = true;
    if (state->Loop) state->Loop->quit();
  });
  if (!state->Ended) {
    ActiveWaits.push_back(&loop);
    loop.exec();
    std::erase(ActiveWaits, &loop);
  }
  state->Loop = nullptr;
  return state->Ended ? WaitEnd::Exited : WaitEnd::Cancelled;
}

void CollectPid(GDesktopAppInfo*, GPid pid, gpointer pids) { static_cast<std::vector<GPid>*>(pids)->push_back(pid); }

const char* const CommonEditors[] = {"gnome-text-editor", "gedit", "kate",   "kwrite", "mousepad", "pluma",
                                     "xed",               "featherpad", "leafpad", "geany"};

// The file:// address of an existing path; an error when the path is missing.
ErrorOr<QByteArray> ExistingFileUri(const QString& path) {
  if (path.isEmpty()) return OsError(ENOENT, path);
  if (const int code = ExistsError(path)) return OsError(code, path);
  TGRef<GFile> file(g_file_new_for_path(ToNativeName(path).constData()));
  gchar* uri = g_file_get_uri(file.Get());
  const QByteArray uriBytes(uri);
  g_free(uri);
  return uriBytes;
}

}  // namespace

ErrorOrDone OpenWithDefaultApplication(const QString& path) {
  auto uri = ExistingFileUri(path);
  if (uri.IsError()) return uri.Error();
  return LaunchDefaultForUri(uri.Value(), path);
}

ErrorOrDone OpenInBrowser(const QString& path) {
  auto uri = ExistingFileUri(path);
  if (uri.IsError()) return uri.Error();
  // The desktop's browser is the handler of its web addresses; a desktop
  // without one opens the page with whatever opens its type.
  TGRef<GAppInfo> browser(g_app_info_get_default_for_uri_scheme("https"));
  if (!browser) return LaunchDefaultForUri(uri.Value(), path);
  GList uris{uri.Value().data(), nullptr, nullptr};
  TGError error;
  if (!g_app_info_launch_uris(browser.Get(), &uris, nullptr, &error.Error)) return error.ToOsError(path);
  return Done{};
}

ErrorOrDone OpenUri(const QString& uri) { return LaunchDefaultForUri(uri.toUtf8(), uri); }

ErrorOr<QStringList> SplitParameters(const QString& parameters) {
  const QByteArray text = ToNativeName(parameters);
  if (text.trimmed().isEmpty()) return QStringList{};
  gint count = 0;
  gchar** words = nullptr;
  TGError error;
  if (!g_shell_parse_argv(text.constData(), &count, &words, &error.Error)) return error.ToOsError(parameters);
  QStringList arguments;
  for (gint i = 0; i < count; ++i) arguments << FromNativeName(QByteArray(words[i]));
  g_strfreev(words);
  return arguments;
}

QString QuoteForCommandLine(const QString& text) {
  QString quoted = QStringLiteral("\"");
  for (const QChar character : text) {
    if (character == QLatin1Char('"') || character == QLatin1Char('\\')) quoted += QLatin1Char('\\');
    quoted += character;
  }
  return quoted + QLatin1Char('"');
}

ErrorOr<QString> FindProgram(const QString& program) {
  if (program.isEmpty()) return OsError(ENOENT, program);
  const QByteArray native = ToNativeName(program);
  if (program.contains(QLatin1Char('/'))) {
    if (const int code = ExistsError(program)) return OsError(code, program);
    if (!IsExecutableFile(native)) return OsError(EACCES, program);
    return program;
  }
  gchar* found = g_find_program_in_path(native.constData());
  if (!found) return OsError(ENOENT, program);
  const QString path = FromNativeName(QByteArray(found));
  g_free(found);
  return path;
}

ErrorOrDone StartDetached(const QString& program, const QStringList& arguments, const QString& directory) {
  // Without DO_NOT_REAP_CHILD GLib starts through an intermediate child, so
  // the program is nobody's zombie when it ends.
  auto pid = Spawn(program, arguments, directory, G_SPAWN_DEFAULT);
  if (pid.IsError()) return pid.Error();
  return Done{};
}

ErrorOrDone StartWatched(const QString& program, const QStringList& arguments, const QString& directory,
                         std::chrono::milliseconds grace, std::function<void(const QString&)> onEarlyFailure) {
  auto pid = Spawn(program, arguments, directory, G_SPAWN_DO_NOT_REAP_CHILD);
  if (pid.IsError()) return pid.Error();
  QElapsedTimer clock;
  clock.start();
  WatchChild(pid.Value(), [clock, grace, onEarlyFailure = std::move(onEarlyFailure)](int status) {
    const bool failed = (WIFEXITED(status) && WEXITSTATUS(status) != 0) || WIFSIGNALED(status);
    if (failed && clock.elapsed() <= grace.count()) onEarlyFailure(FailureOf(status));
  });
  return Done{};
}

int ShellExecuteA(const QString&, const QString& file, const QString& parameters, const QString& directory, int) {
  LastError.clear();
  const QString target = Unquoted(file);
  if (target.isEmpty() || target == QStringLiteral("\"")) return Fail(ShellFileNotFound, SystemMessage(ENOENT));
  const QString inFolder =
      directory.isEmpty() || target.startsWith(QLatin1Char('/')) ? target : directory + QLatin1Char('/') + target;
  const bool isPath = target.contains(QLatin1Char('/'));
  if (isPath ? IsExecutableFile(ToNativeName(inFolder)) : !FindProgram(target).IsError()) {
    auto arguments = SplitParameters(parameters);
    if (arguments.IsError()) return Fail(ShellBadFormat, arguments.Error().Text());
    auto started = StartDetached(isPath ? inFolder : target, arguments.Value(), directory);
    if (started.IsError()) return Fail(ShellCodeForErrno(started.Error().Code()), started.Error().Text());
    return ShellSucceeded;
  }
  if (ExistsError(inFolder) == 0) {
    auto opened = OpenWithDefaultApplication(inFolder);
    return opened.IsError() ? Fail(ShellNoAssociation, opened.Error().Text()) : ShellSucceeded;
  }
  if (!isPath && LooksLikeUri(target)) {
    auto opened = OpenUri(target);
    return opened.IsError() ? Fail(ShellNoAssociation, opened.Error().Text()) : ShellSucceeded;
  }
  return Fail(ShellFileNotFound, OsError(ENOENT, target).Text());
}

QString LastShellExecuteError() { return LastError; }

QString FallbackTextEditor() {
  for (const char* name : CommonEditors) {
    auto found = FindProgram(QString::fromLatin1(name));
    if (!found.IsError()) return found.Value();
  }
  return {};
}

bool TextEditorAvailable() {
  TGRef<GAppInfo> application(g_app_info_get_default_for_type("text/plain", FALSE));
  return application.Get() || !FallbackTextEditor().isEmpty();
}

ErrorOrDone OpenInTextEditor(const QString& path) {
  TGRef<GAppInfo> application(g_app_info_get_default_for_type("text/plain", FALSE));
  if (application.Get()) {
    TGRef<GFile> file(g_file_new_for_path(ToNativeName(path).constData()));
    GList files{file.Get(), nullptr, nullptr};
    TGError error;
    if (!g_app_info_launch(application.Get(), &files, nullptr, &error.Error)) return error.ToOsError(path);
    return Done{};
  }
  const QString editor = FallbackTextEditor();
  if (editor.isEmpty()) return OsError::WithText(QStringLiteral("Не найден текстовый редактор"), path);
  return StartDetached(editor, {path});
}

ErrorOr<WaitEnd> RunAndWait(const QString& program, const QString& parameter) {
  auto pid = Spawn(Unquoted(program), {parameter}, {}, G_SPAWN_DO_NOT_REAP_CHILD);
  if (pid.IsError()) return pid.Error();
  return WaitForChild(pid.Value());
}

ErrorOr<WaitEnd> RunAndWaitInTextEditor(const QString& path) {
  TGRef<GAppInfo> application(g_app_info_get_default_for_type("text/plain", FALSE));
  if (application.Get() && G_IS_DESKTOP_APP_INFO(application.Get())) {
    TGRef<GFile> file(g_file_new_for_path(ToNativeName(path).constData()));
    gchar* uri = g_file_get_uri(file.Get());
    GList uris{uri, nullptr, nullptr};
    std::vector<GPid> pids;
    TGError error;
    const bool launched = g_desktop_app_info_launch_uris_as_manager(
        G_DESKTOP_APP_INFO(application.Get()), &uris, nullptr,
        static_cast<GSpawnFlags>(G_SPAWN_SEARCH_PATH | G_SPAWN_DO_NOT_REAP_CHILD), nullptr, nullptr, CollectPid,
        &pids, &error.Error);
    g_free(uri);
    if (!launched) return error.ToOsError(path);
    // A D-Bus activated editor gives no process to wait on.
    if (pids.empty()) return WaitEnd::NoProcess;
    for (GPid pid : pids) {
      if (WaitForChild(pid) == WaitEnd::Cancelled) return WaitEnd::Cancelled;
    }
    return WaitEnd::Exited;
  }
  const QString editor = FallbackTextEditor();
  if (editor.isEmpty()) return OsError::WithText(QStringLiteral("Не найден текстовый редактор"), path);
  return RunAndWait(editor, path);
}

void CancelRunAndWait() {
  for (QEventLoop* loop : ActiveWaits) loop->quit();
}

int RunningWaits() { return static_cast<int>(ActiveWaits.size()); }

bool SetCurrentDirectoryA(const QString& path) {
  return !path.isEmpty() && ::chdir(ToNativeName(path).constData()) == 0;
}

QString CurrentDirectory() {
  std::vector<char> buffer(4096);
  while (!::getcwd(buffer.data(), buffer.size())) {
    if (errno != ERANGE) return {};
    buffer.resize(buffer.size() * 2);
  }
  return FromNativeName(QByteArray(buffer.data()));
}

}  // namespace zarn
