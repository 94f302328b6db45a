#pragma once
// The entry points other windows use to reach the text viewer.

#include <QString>

namespace zarn {

class TRF;

// Shows `path` in the text viewer: sets ViewFileName, shows and raises RF and
// loads the file; the image viewer is hidden, since the two are never shown
// together. An error reading the file is shown in the error box; the viewer
// stays open with what it had done.
void ShowTextViewer(const QString& path);

// Installs the wheel handling of the viewer as an application-wide event
// filter: while RF's text area has the focus, the wheel moves the page by one
// line (or scrolls the whole text by one line) instead of scrolling by itself.
// Call once, after RF exists.
void InstallMouseWheelHook(TRF* viewer);

}  // namespace zarn
