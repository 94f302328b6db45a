#pragma once
// What the second panel shows of a folder: its subfolders, then its files, each
// group in the main list's name order; and the information line
// of one entry. No widgets here. Call from any thread; nothing is shared.

#include <QDateTime>
#include <QString>

#include <optional>
#include <vector>

#include "platform/errors.h"

namespace zarn {

struct TPanelEntry {
  QString Name;        // the entry's name (surrogate-escaped where not UTF-8)
  bool IsFolder = false;
  int IconIndex = -1;  // a process-wide icon index (platform/shellicons.h)
};

struct TPanelListing {
  std::vector<TPanelEntry> Folders;  // links to folders included: they can be entered
  std::vector<TPanelEntry> Files;    // everything else, dangling links, FIFOs and devices too
};

// Reads a folder path ending in "/", hidden entries included. A folder that
// cannot be read (vanished, no access, not a folder) gives an empty listing.
// Cost: one fstatat per entry whose type the directory does not report.
TPanelListing ReadPanelFolder(const QString& folderPath);

// "Папка: name - date" for a folder, "Файл: name - date  - 1 234 567 byte" for
// anything else; nothing when the entry cannot be looked up.
std::optional<QString> PanelInfoLine(const QString& folderPath, const QString& name);
// A modification time as the locale writes a short date and a long time, without
// the seconds.
QString PanelDateText(const QDateTime& local);

// Creates the folder `name` in `folderPath`. Refuses an empty, relative or
// non-existent folder path and names that are empty, "." or ".." or hold a "/".
ErrorOrDone CreatePanelFolder(const QString& folderPath, const QString& name);
// True when `name` can name an entry of a folder on its own.
bool IsPlainEntryName(const QString& name);

}  // namespace zarn
