#pragma once
// The main window's four panel commands, and showing the panel for other
// commands (copy, move, marking what the panel lacks). They act on the main
// window through MainWindowHooks and on the panel through Form4 (skipped when
// there is none). Navigation errors are raised for the caller's guard. Only
// from the GUI thread.

namespace zarn {

// Shows a hidden panel and gives the toggle button its open-panel glyph "TOONE".
void ShowSecondPanel();
bool SecondPanelVisible();
// The main window's folder goes to the panel.
void SendFolderToPanel();
// The main window goes to the panel's folder; the panel keeps it.
void BringPanelFolderToMain();
// The main window and the panel trade folders.
void SwapPanelFolders();
// Hides a shown panel (glyph "TOTWO") or shows a hidden one (glyph "TOONE"),
// without reading its folder again.
void ToggleSecondPanel();

}  // namespace zarn
