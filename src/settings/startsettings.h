#pragma once
// zarn.ini at start and close, and zarn.ext at start. zarn.ini holds four
// lines: the external text viewer, picture viewer and editor (the settings
// window's Edit1, Edit2, Edit4) and the folder shown at close. A program line
// is applied only when it names an existing file, and then also ticks its box;
// the boxes themselves are not stored.

#include <QString>
#include <QStringList>

#include <array>
#include <optional>

#include "platform/errors.h"

namespace zarn {

class TSet1;

// True when `path` names an existing file (not a folder; a link is followed).
// A path with a NUL byte names nothing.
bool IsExistingFile(const QString& path);

struct TStartSettings {
  // Lines 1-3; a program is nothing when its line does not name an existing file.
  std::array<std::optional<QString>, 3> Programs;
  // Line 4 as it stands (empty when missing); the main window tests and opens it.
  QString SavedFolder;
};

// Interprets the lines of zarn.ini; missing lines read as empty, extra lines are ignored.
TStartSettings StartSettingsFromLines(const QStringList& lines);
// Refuses a saved folder that no file name can be: the system reads a name up
// to its first NUL byte, so "/tmp\0/x" would open /tmp.
ErrorOrDone CheckSavedFolder(const QString& folder);
// Fills Edit1/Edit2/Edit4 and ticks CheckBox1..3 for each program present;
// fields of absent programs are left as they are.
void ApplyStartSettings(const TStartSettings& settings, TSet1& window);
// The four lines written at close.
QStringList SettingsLinesAtClose(const TSet1& window, const QString& pathBoxText);

QString StartSettingsFilePath();
// Reads zarn.ini; nothing when the file does not exist, an error when it cannot be read.
ErrorOr<std::optional<TStartSettings>> ReadStartSettings();
// Applies zarn.ini to the settings window (when it exists) and returns the saved
// folder line, or nothing when there is no zarn.ini.
ErrorOr<std::optional<QString>> LoadStartSettings();
// Writes zarn.ini from the settings window's fields (empty when it does not
// exist) and the path box text.
ErrorOrDone SaveSettingsAtClose(const QString& pathBoxText);

// Start-up step for the associations: reads zarn.ext into the associations
// window's list when both exist; without the file the list keeps its rows.
ErrorOrDone LoadAssociationsAtStart();

}  // namespace zarn
