#pragma once
// The program's own button glyphs, drawn rather than shipped as bitmaps:
// "TOLEFT", "TORIGHT", "TOONE", "TOTWO", and the pictures of the command buttons.

#include <QIcon>
#include <QString>

namespace zarn {

// A named glyph; a blank icon for an unknown name.
QIcon LoadBitmapA(const QString& name);

}  // namespace zarn
