#pragma once
// Pictures for the process-wide icon indices in the panel: the desktop icon
// theme's icon, then its generic icon, then a plain style icon (offscreen and
// in bare sessions there is no theme). Cached per index. GUI thread only.

#include <QIcon>

namespace zarn {

QIcon PanelIcon(int index);

}  // namespace zarn
