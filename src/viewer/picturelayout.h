#pragma once
// Where the image viewer draws: widget-free geometry, so it is tested without a window.

#include <QRect>
#include <QSize>

namespace zarn {

// The picture fitted into `area` with its proportions kept (enlarged or
// reduced) and centred both ways.
QRect PictureRect(const QSize& picture, const QRect& area);

// A control anchored to all four sides of its parent: its margins stay as
// they were when the parent had `designedParent` size.
QRect AnchoredRect(const QRect& designed, const QSize& designedParent, const QSize& parent);

}  // namespace zarn
