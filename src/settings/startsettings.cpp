#include "settings/startsettings.h"

#include <sys/stat.h>

#include "platform/filenames.h"
#include "settings/settingsfile.h"
#include "settings/textent.h"
#include "settings/tset1.h"

namespace zarn {
namespace {

struct TProgramControls {
  QCheckBox* Box;
  QLineEdit* Edit;
};

std::array<TProgramControls, 3> ProgramControls(const TSet1& window) {
  return {{{window.CheckBox1, window.Edit1}, {window.CheckBox2, window.Edit2}, {window.CheckBox3, window.Edit4}}};
}

}  // namespace

bool IsExistingFile(const QString& path) {
  struct stat info;
  if (path.isEmpty() || path.contains(QChar(0))) return false;
  return ::stat(ToNativeName(path).constData(), &info) == 0 && !S_ISDIR(info.st_mode);
}

TStartSettings StartSettingsFromLines(const QStringList& lines) {
  TStartSettings settings;
  for (int i = 0; i < 3 && i < lines.size(); ++i) {
    if (IsExistingFile(lines.at(i))) settings.Programs[i] = lines.at(i);
  }
  if (lines.size() > 3) settings.SavedFolder = lines.at(3);
  return settings;
}

ErrorOrDone CheckSavedFolder(const QString& folder) {
  if (!folder.contains(QChar(0))) return Done{};
  QString shown = folder;
  shown.replace(QChar(0), QStringLiteral("\\0"));
  return OsError::WithText(
      QStringLiteral("Папка, сохранённая в zarn.ini, не открыта: в её имени нулевой байт"),
      shown);
}

void ApplyStartSettings(const TStartSettings& settings, TSet1& window) {
  const auto controls = ProgramControls(window);
  for (size_t i = 0; i < controls.size(); ++i) {
    if (!settings.Programs[i]) continue;
    controls[i].Box->setChecked(true);
    controls[i].Edit->setText(*settings.Programs[i]);
  }
}

QStringList SettingsLinesAtClose(const TSet1& window, const QString& pathBoxText) {
  QStringList lines;
  for (const TProgramControls& control : ProgramControls(window)) lines << control.Edit->text();
  return lines << pathBoxText;
}

QString StartSettingsFilePath() { return SettingsFilePath(QStringLiteral("zarn.ini")); }

ErrorOr<std::optional<TStartSettings>> ReadStartSettings() {
  const QString path = StartSettingsFilePath();
  if (!SettingsFileExists(path)) return std::optional<TStartSettings>();
  auto lines = ReadSettingsLines(path);
  if (lines.IsError()) return lines.Error();
  return std::optional<TStartSettings>(StartSettingsFromLines(lines.Value()));
}

ErrorOr<std::optional<QString>> LoadStartSettings() {
  auto settings = ReadStartSettings();
  if (settings.IsError()) return settings.Error();
  if (!settings.Value()) return std::optional<QString>();
  if (Set1) ApplyStartSettings(*settings.Value(), *Set1);
  return std::optional<QString>(settings.Value()->SavedFolder);
}

ErrorOrDone SaveSettingsAtClose(const QString& pathBoxText) {
  QStringList lines;
  if (Set1) {
    lines = SettingsLinesAtClose(*Set1, pathBoxText);
  } else {
    lines = QStringList{QString(), QString(), QString(), pathBoxText};
  }
  return WriteSettingsLines(StartSettingsFilePath(), lines);
}

ErrorOrDone LoadAssociationsAtStart() {
  if (!Extent) return Done{};
  return Extent->LoadAssociationsFile();
}

}  // namespace zarn
