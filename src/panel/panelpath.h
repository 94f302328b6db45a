#pragma once
// The second panel's folder and the path arithmetic of its up button. Header
// users need no link to the panel library for PanelPath itself.

#include <QString>

namespace zarn {

// The second panel's folder: a full path ending in "/" ("/" for the root), the
// destination of copy and move. Empty until the panel is first given a folder.
// Only from the GUI thread.
inline QString PanelPath;

// The parent of a folder path that ends in "/": "/a/b/" gives "/a/", "/a/"
// gives "/". The root, an empty path and a path without a "/" come back unchanged.
QString ParentPath(const QString& path);

}  // namespace zarn
