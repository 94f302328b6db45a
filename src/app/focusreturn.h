#pragma once
// When a window that had the keyboard closes (a message box, a dialog, the
// progress window), the keyboard goes back to the window that had it before.
// Window managers usually do this themselves; without one, or under one that
// keeps new windows from taking the focus, the person's keys would otherwise
// go nowhere until they clicked a window. GUI thread only.

namespace zarn {

// Installs the watcher on the application; it lives as long as the application.
void ReturnFocusWhenWindowsClose();

}  // namespace zarn
