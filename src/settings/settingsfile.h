#pragma once
// The program's plain text files (zarn.ini, zarn.ext, fs.ini): one value per
// line, written in UTF-8 with CR LF line ends and replaced atomically, so a full
// disk leaves the old file whole. Read with CR LF or LF; a leading byte-order
// mark is ignored. Damaged files (binary bytes, endless lines, missing lines)
// are read as far as they make sense.

#include <QString>
#include <QStringList>

#include "platform/errors.h"

namespace zarn {

// The folder that holds the settings files: $ZARN_CONFIG_DIR when set; else
// SettingsFolderFor(the executable's folder). Ends without a separator.
QString SettingsFolder();
// The executable's folder when it can be written and is not an installation's
// (platform/installation.h); else $XDG_CONFIG_HOME/zarn (created on demand).
QString SettingsFolderFor(const QString& executableFolder);
// SettingsFolder() + "/" + fileName.
QString SettingsFilePath(const QString& fileName);

// Longest line kept whole; longer lines are cut (a damaged file must not eat
// memory) and what follows up to the line end is skipped.
inline constexpr qsizetype MaxSettingsLineBytes = 64 * 1024;
// At most this many lines are read from one file.
inline constexpr qsizetype MaxSettingsLines = 100000;

// Nothing (an empty list) when the file does not exist; an error when it exists
// but cannot be read.
ErrorOr<QStringList> ReadSettingsLines(const QString& path);
bool SettingsFileExists(const QString& path);
// Each line is written followed by CR LF. A link to a regular file updates that
// file and keeps the link; a settings file that is, or leads to, anything but a
// regular file (a folder, a device, a FIFO, a missing name outside the settings
// folder) is not written, and the error says why.
ErrorOrDone WriteSettingsLines(const QString& path, const QStringList& lines);

}  // namespace zarn
