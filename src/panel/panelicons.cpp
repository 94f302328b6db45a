#include "panel/panelicons.h"

#include <QApplication>
#include <QHash>
#include <QStyle>

#include "platform/shellicons.h"

namespace zarn {
namespace {

QStyle::StandardPixmap StyleIconOf(IconFallback fallback) {
  switch (fallback) {
    case IconFallback::Folder:
    case IconFallback::Home: return QStyle::SP_DirIcon;
    case IconFallback::FolderLink: return QStyle::SP_DirLinkIcon;
    case IconFallback::Volume: return QStyle::SP_DriveHDIcon;
    case IconFallback::Computer: return QStyle::SP_ComputerIcon;
    case IconFallback::Special:
    case IconFallback::File: break;
  }
  return QStyle::SP_FileIcon;
}

QIcon LoadPanelIcon(const ShellIcon& icon) {
  if (!icon.Name.isEmpty() && QIcon::hasThemeIcon(icon.Name)) return QIcon::fromTheme(icon.Name);
  if (!icon.GenericName.isEmpty() && QIcon::hasThemeIcon(icon.GenericName)) return QIcon::fromTheme(icon.GenericName);
  return QApplication::style()->standardIcon(StyleIconOf(icon.Fallback));
}

}  // namespace

QIcon PanelIcon(int index) {
  static QHash<int, QIcon> cache;  // only from the GUI thread
  auto found = cache.constFind(index);
  if (found != cache.constEnd()) return *found;
  const QIcon icon = LoadPanelIcon(ShellIconAt(index));
  cache.insert(index, icon);
  return icon;
}

}  // namespace zarn
