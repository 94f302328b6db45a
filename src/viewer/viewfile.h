#pragma once
// The file the viewers show, shared by the text and the image viewer. Callers
// set it before they open a viewer; it is empty until the first view.
// GUI thread only.

#include <QString>

namespace zarn {

inline QString ViewFileName;

}  // namespace zarn
