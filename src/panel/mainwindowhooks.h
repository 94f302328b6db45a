#pragma once
// What the panel needs of the main window, which it cannot reach directly (the
// main window's library builds on this one). The main window fills these in
// once at creation; a hook left empty is skipped. Only from the GUI thread.

#include <QString>

#include <functional>

namespace zarn {

struct TMainWindowHooks {
  // The text of the main window's path box: its folder, ending in "/".
  std::function<QString()> PathText;
  // Navigates the main window; raises the platform's error for the guard.
  std::function<void(const QString&)> SetPath;
  // Scrolls the main window's folder tree so that its selected node is at the top.
  std::function<void()> ScrollTreeSelectionToTop;
  // Stores the name of the row the main window's next listing selects.
  std::function<void(const QString&)> SetFocusName;
  // Gives the main window's panel toggle button the named glyph ("TOONE", "TOTWO").
  std::function<void(const QString&)> SetPanelGlyph;
};

inline TMainWindowHooks MainWindowHooks;

}  // namespace zarn
