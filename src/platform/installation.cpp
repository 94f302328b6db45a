#include "platform/installation.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace zarn {
namespace {

// The install rules put the manual here, below the data folder (data/CMakeLists.txt).
const QString ManualInDataFolder = QStringLiteral("help/index.html");

}  // namespace

QString InstalledDataFolder(const QString& executableFolder) {
  if (executableFolder.isEmpty()) return {};
  // ZARN_BINDIR_TO_DATADIR is the install's bin folder to its share folder, "../share".
  const QString folder = QDir::cleanPath(executableFolder + QStringLiteral("/" ZARN_BINDIR_TO_DATADIR "/zarn"));
  return QFileInfo(folder).isDir() ? folder : QString();
}

QString InstalledManual(const QString& executableFolder) {
  const QString dataFolder = InstalledDataFolder(executableFolder);
  if (!dataFolder.isEmpty()) {
    const QString beside = dataFolder + QLatin1Char('/') + ManualInDataFolder;
    if (QFileInfo(beside).isFile()) return beside;
  }
  return QStandardPaths::locate(QStandardPaths::GenericDataLocation, QStringLiteral("zarn/") + ManualInDataFolder);
}

}  // namespace zarn
