#pragma once
// The process-wide list of item icons (the system image list's counterpart).
// The platform layer hands out indices; the window code turns an index into a
// picture from the desktop icon theme, or the program's own drawing where the
// theme has none (offscreen and in bare sessions there is no theme at all).

#include <QString>

namespace zarn {

enum class IconFallback { File, Folder, FolderLink, Volume, Computer, Home, Special };

struct ShellIcon {
  QString Name;         // the icon theme name, e.g. "text-x-csrc"
  QString GenericName;  // the theme's generic name, e.g. "text-x-generic"
  IconFallback Fallback = IconFallback::File;
  bool operator==(const ShellIcon&) const = default;
};

// The index of an icon; the same icon always gets the same index. Thread-safe.
int ShellIconIndexOf(const ShellIcon& icon);
// The icon at an index; a file icon for an unknown index. Thread-safe.
ShellIcon ShellIconAt(int index);

}  // namespace zarn
