#pragma once
// Pictures for the process-wide icon indices of the platform layer: the
// desktop icon theme's icon, then its generic icon, then a drawing of the
// program's own. Cached per index. GUI thread only.

#include <QIcon>

namespace zarn {

QIcon ShellImage(int index);

}  // namespace zarn
