#pragma once
// Where the secondary windows open: beside the main window as a person
// expects them, not all in the screen's corner (where a screen without a
// window manager, or one that honours the program's positions, would put
// them). Each window is placed at its first showing only; afterwards it
// stays where the user moved it. GUI thread only.

class QWidget;

namespace zarn {

enum class WindowPlace {
  Below,        // under the main window, left edges aligned (the second panel)
  RightOf,      // to the right of the main window, tops aligned (viewers, search)
  CentredOver,  // centred over the main window (settings, dialogs)
};

// Places `window` relative to `main` when it is first shown, kept on the
// screen that holds the main window.
void PlaceOnFirstShow(QWidget& window, const QWidget& main, WindowPlace place);

}  // namespace zarn
