#pragma once
// Process-wide browsing state shared by the main window and the commands.
// Only from the GUI thread.

#include <QString>

namespace zarn {

// The column handed to the folder's comparison: 0 name, 1 size, 2 type, 3 date.
inline int SortMode = 0;
// The display name of the row to select after the next listing.
inline QString FocusName;
// The position of the tree node that RefreshTree re-reads after a file operation.
inline int TreeNodeToRefresh = 2;
// False until the main window has been shown; until then the drive box and the
// tree do not navigate.
inline bool MainShown = false;

}  // namespace zarn
