#pragma once
// The lines of the start-folder chooser's folder list: the folder's ancestors
// from the root down to the folder itself, then its visible subfolders (names
// not beginning with "."), sorted ignoring case. Qt Core only.

#include <QString>

#include <vector>

namespace zarn {

struct TFolderListLine {
  QString Text;  // what the line shows: the root "/" or one name
  QString Path;  // the full path the line stands for: "/" or "/a/b"
  int Depth = 0;       // indentation level: 0 for the root
  bool IsOpen = false; // the root, an ancestor or the folder itself
};

// `folder` is an absolute path; a trailing "/" is ignored. Subfolders that
// cannot be listed leave only the ancestor lines.
std::vector<TFolderListLine> FolderListLines(const QString& folder);

// The absolute form of `folder` without a trailing "/" ("/" for the root).
QString NormalFolderPath(const QString& folder);

}  // namespace zarn
