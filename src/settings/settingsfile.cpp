#include "settings/settingsfile.h"

#include "platform/filenames.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

#include <cerrno>
#include <unistd.h>

namespace zarn {
namespace {

QString ExecutableFolder() {
  const QString folder = QCoreApplication::applicationDirPath();
  return folder.isEmpty() ? QDir::currentPath() : folder;
}

bool FolderWritable(const QString& folder) {
  return ::access(ToNativeName(folder).constData(), W_OK | X_OK) == 0;
}

QString UserConfigFolder() {
  QString base = qEnvironmentVariable("XDG_CONFIG_HOME");
  if (base.isEmpty() || !QDir::isAbsolutePath(base)) base = QDir::homePath() + QStringLiteral("/.config");
  const QString folder = base + QStringLiteral("/zarn");
  QDir().mkpath(folder);
  return folder;
}

QString DecodeLine(QByteArray line) {
  if (line.endsWith('\r')) line.chop(1);
  // Program paths and folders may hold names that are not UTF-8: keep their bytes.
  return FromNativeName(line);
}

}  // namespace

QString SettingsFolder() {
  const QString configured = qEnvironmentVariable("ZARN_CONFIG_DIR");
  if (!configured.isEmpty()) return QDir::cleanPath(configured);
  const QString executableFolder = ExecutableFolder();
  if (FolderWritable(executableFolder)) return executableFolder;
  return UserConfigFolder();
}

QString SettingsFilePath(const QString& fileName) { return SettingsFolder() + QLatin1Char('/') + fileName; }

bool SettingsFileExists(const QString& path) { return QFileInfo(path).isFile(); }

ErrorOr<QStringList> ReadSettingsLines(const QString& path) {
  QFile file(path);
  if (!file.exists()) return QStringList{};
  if (!file.open(QIODevice::ReadOnly)) return OsError::WithText(file.errorString(), path);
  QStringList lines;
  bool first = true;
  while (!file.atEnd() && lines.size() < MaxSettingsLines) {
    QByteArray line = file.readLine(MaxSettingsLineBytes);
    if (file.error() != QFileDevice::NoError) return OsError::WithText(file.errorString(), path);
    if (line.endsWith('\n')) {
      line.chop(1);
    } else {
      while (!file.atEnd() && !file.readLine(MaxSettingsLineBytes).endsWith('\n')) {
      }
    }
    if (first && line.startsWith("\xEF\xBB\xBF")) line.remove(0, 3);
    first = false;
    lines << DecodeLine(line);
  }
  return lines;
}

ErrorOrDone WriteSettingsLines(const QString& path, const QStringList& lines) {
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly)) return OsError::WithText(file.errorString(), path);
  for (const QString& line : lines) {
    file.write(ToNativeName(line));
    file.write("\r\n");
  }
  if (!file.commit()) return OsError::WithText(file.errorString(), path);
  return Done{};
}

}  // namespace zarn
