#include "platform/contextmenu.h"

#include <algorithm>
#include <cerrno>

#include <sys/stat.h>

#include "platform/filenames.h"
#include "platform/gioobjects.h"
#include "platform/guard.h"
#include "platform/launcher.h"
#include "platform/pathtext.h"

namespace zarn {
namespace {

QString TakeGString(gchar* text) {
  const QString result = text ? QString::fromUtf8(text) : QString();
  g_free(text);
  return result;
}

// The full path of the entry's program; empty when it cannot be found.
QString ProgramOf(GAppInfo* application) {
  const char* commandLine = g_app_info_get_commandline(application);
  gint count = 0;
  gchar** words = nullptr;
  if (!commandLine || !g_shell_parse_argv(commandLine, &count, &words, nullptr)) return {};
  gchar* found = count > 0 ? g_find_program_in_path(words[0]) : nullptr;
  g_strfreev(words);
  const QString program = found ? FromNativeName(QByteArray(found)) : QString();
  g_free(found);
  return program;
}

// GIO checks an entry's program when it loads the entry, but keeps entries
// cached: a program removed since then would only fail when chosen.
bool ProgramExists(GAppInfo* application) { return !ProgramOf(application).isEmpty(); }

MenuApplication DescribeApplication(GAppInfo* application) {
  MenuApplication described;
  described.Id = QString::fromUtf8(g_app_info_get_id(application));
  described.Name = QString::fromUtf8(g_app_info_get_name(application));
  if (GIcon* icon = g_app_info_get_icon(application)) described.IconName = TakeGString(g_icon_to_string(icon));
  return described;
}

bool HasCategory(GDesktopAppInfo* application, const char* wanted) {
  const char* categories = g_desktop_app_info_get_categories(application);
  if (!categories) return false;
  const QList<QByteArray> names = QByteArray(categories).split(';');
  return names.contains(QByteArray(wanted));
}

// errno of an lstat of `path`, 0 when it exists.
int LstatError(const QByteArray& path) {
  struct stat info;
  return ::lstat(path.constData(), &info) == 0 ? 0 : errno;
}

bool IsFolderPath(const QByteArray& path) {
  struct stat info;
  return ::stat(path.constData(), &info) == 0 && S_ISDIR(info.st_mode);
}

std::vector<MenuEntry> EntriesFor(MenuScope scope, const ContextMenuModel& model, bool hasDefault) {
  const MenuEntry separator{MenuEntryKind::Separator, {}, {}, true};
  const MenuEntry open{MenuEntryKind::Open, OpenCaption, QStringLiteral("document-open"), hasDefault};
  const MenuEntry terminal{MenuEntryKind::OpenTerminal, OpenTerminalCaption, QStringLiteral("utilities-terminal"),
                           true};
  const MenuEntry properties{MenuEntryKind::Properties, PropertiesCaption, QStringLiteral("document-properties"),
                             true};
  if (scope == MenuScope::Volume) return {open, terminal, separator, properties};
  std::vector<MenuEntry> entries{
      open,
      {MenuEntryKind::OpenWith, OpenWithCaption, {}, !model.Applications.empty()},
      separator,
      terminal,
      {MenuEntryKind::CopyPath, CopyPathCaption, QStringLiteral("edit-copy"), true},
  };
  if (scope == MenuScope::Row) {
    entries.push_back(separator);
    entries.push_back({MenuEntryKind::MoveToTrash, MoveToTrashCaption, QStringLiteral("user-trash"), true});
    entries.push_back({MenuEntryKind::Delete, DeleteCaption, QStringLiteral("edit-delete"), true});
    entries.push_back({MenuEntryKind::Rename, RenameCaption, QStringLiteral("edit-rename"), true});
  }
  entries.push_back(separator);
  entries.push_back(properties);
  return entries;
}

GAppInfo* UsableDefaultFor(const QByteArray& type) {
  GAppInfo* application = g_app_info_get_default_for_type(type.constData(), FALSE);
  if (application && !ProgramExists(application)) {
    g_object_unref(application);
    return nullptr;
  }
  return application;
}

ErrorOrDone LaunchWithFile(GAppInfo* application, const QString& path) {
  const QByteArray native = ToNativeName(path);
  if (const int code = LstatError(native)) return OsError(code, path);
  TGRef<GFile> file(g_file_new_for_path(native.constData()));
  GList files{file.Get(), nullptr, nullptr};
  TGError error;
  if (!g_app_info_launch(application, &files, nullptr, &error.Error)) return error.ToOsError(path);
  return Done{};
}

const char* const CommonTerminals[] = {"gnome-terminal", "konsole",   "xfce4-terminal", "mate-terminal", "lxterminal",
                                       "qterminal",      "terminator", "tilix",          "alacritty",     "kitty",
                                       "foot",           "urxvt",      "xterm"};

}  // namespace

ErrorOr<QString> ContentTypeOfPath(const QString& path) {
  const QByteArray native = ToNativeName(path);
  if (const int code = LstatError(native)) return OsError(code, path);
  TGRef<GFile> file(g_file_new_for_path(native.constData()));
  TGError error;
  TGRef<GFileInfo> info(g_file_query_info(file.Get(), G_FILE_ATTRIBUTE_STANDARD_CONTENT_TYPE,
                                          G_FILE_QUERY_INFO_NONE, nullptr, &error.Error));
  if (!info) return error.ToOsError(path);
  const char* type = g_file_info_get_content_type(info.Get());
  if (!type) return QStringLiteral("application/octet-stream");
  // Content types are MIME types on Linux; the call keeps that an explicit step.
  return TakeGString(g_content_type_get_mime_type(type));
}

std::vector<MenuApplication> ApplicationsForType(const QString& contentType) {
  const QByteArray type = contentType.toUtf8();
  std::vector<MenuApplication> applications;
  if (TGRef<GAppInfo> preferred(UsableDefaultFor(type)); preferred) {
    applications.push_back(DescribeApplication(preferred.Get()));
  }
  GList* all = g_app_info_get_all_for_type(type.constData());
  for (GList* node = all; node; node = node->next) {
    auto* application = static_cast<GAppInfo*>(node->data);
    const QString id = QString::fromUtf8(g_app_info_get_id(application));
    const bool listed = std::any_of(applications.begin(), applications.end(),
                                    [&](const MenuApplication& known) { return known.Id == id; });
    if (!listed && ProgramExists(application)) applications.push_back(DescribeApplication(application));
  }
  g_list_free_full(all, g_object_unref);
  return applications;
}

ErrorOr<ContextMenuModel> BuildContextMenu(const QString& path, MenuScope scope) {
  ContextMenuModel model;
  model.Path = WithoutTrailingSlash(path);
  // The computer's list and other virtual places have no menu of their own.
  if (!model.Path.startsWith(QLatin1Char('/'))) return model;
  auto type = ContentTypeOfPath(model.Path);
  if (type.IsError()) return type.Error();
  model.ContentType = type.Value();
  model.IsFolder = IsFolderPath(ToNativeName(model.Path));
  if (scope != MenuScope::Volume) model.Applications = ApplicationsForType(model.ContentType);
  TGRef<GAppInfo> preferred(UsableDefaultFor(model.ContentType.toUtf8()));
  model.Entries = EntriesFor(scope, model, bool(preferred));
  return model;
}

ErrorOrDone OpenWithDefault(const QString& path) {
  auto type = ContentTypeOfPath(path);
  if (type.IsError()) return type.Error();
  TGRef<GAppInfo> preferred(UsableDefaultFor(type.Value().toUtf8()));
  if (!preferred) {
    return OsError::WithText(QStringLiteral("Нет программы для открытия объектов типа ") + type.Value(), path);
  }
  return LaunchWithFile(preferred.Get(), path);
}

ErrorOrDone LaunchApplication(const QString& applicationId, const QString& path) {
  TGRef<GDesktopAppInfo> application(g_desktop_app_info_new(applicationId.toUtf8().constData()));
  if (!application || !ProgramExists(G_APP_INFO(application.Get()))) {
    return OsError::WithText(QStringLiteral("Программа не найдена: ") + applicationId, path);
  }
  return LaunchWithFile(G_APP_INFO(application.Get()), path);
}

QString TerminalProgram() {
  // Debian's alternatives name the terminal the system was set up to use.
  if (auto chosen = FindProgram(QStringLiteral("x-terminal-emulator")); !chosen.IsError()) return chosen.Value();
  QString program;
  GList* all = g_app_info_get_all();
  for (GList* node = all; node && program.isEmpty(); node = node->next) {
    auto* application = static_cast<GAppInfo*>(node->data);
    if (!G_IS_DESKTOP_APP_INFO(application) || !HasCategory(G_DESKTOP_APP_INFO(application), "TerminalEmulator")) {
      continue;
    }
    program = ProgramOf(application);
  }
  g_list_free_full(all, g_object_unref);
  for (const char* name : CommonTerminals) {
    if (!program.isEmpty()) break;
    auto found = FindProgram(QString::fromLatin1(name));
    if (!found.IsError()) program = found.Value();
  }
  return program;
}

QString TerminalFolderFor(const QString& path, bool isFolder) {
  const QString item = WithoutTrailingSlash(path);
  if (isFolder) return item;
  const qsizetype slash = item.lastIndexOf(QLatin1Char('/'));
  return slash <= 0 ? QStringLiteral("/") : item.left(slash);
}

ErrorOrDone OpenTerminalIn(const QString& folder) {
  const QByteArray native = ToNativeName(folder);
  if (const int code = LstatError(native)) return OsError(code, folder);
  if (!IsFolderPath(native)) return OsError(ENOTDIR, folder);
  const QString program = TerminalProgram();
  if (program.isEmpty()) return OsError::WithText(QStringLiteral("Не найдена программа терминала"), folder);
  // The terminal's shell starts in its working directory; no option of any
  // one terminal is needed for that. A terminal that cannot open its window
  // ends at once: that is said, not passed over.
  return StartWatched(program, {}, folder, std::chrono::seconds(3), [program](const QString& failure) {
    ReportError(QStringLiteral("Терминал не открылся: ") + program + QStringLiteral(" ") + failure);
  });
}

ClipboardPath PathForClipboard(const QString& path) {
  const QByteArray native = ToNativeName(path);
  TGRef<GFile> file(g_file_new_for_path(native.constData()));
  gchar* uri = g_file_get_uri(file.Get());
  ClipboardPath result{QString::fromUtf8(native), QByteArray(uri)};
  g_free(uri);
  return result;
}

}  // namespace zarn
