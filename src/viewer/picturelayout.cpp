#include "viewer/picturelayout.h"

#include "pictures/picture.h"

namespace zarn {

QRect PictureRect(const QSize& picture, const QRect& area) {
  const QSize fitted = FitSize(picture, area.size());
  if (fitted.isEmpty()) return {};
  const int left = area.left() + (area.width() - fitted.width()) / 2;
  const int top = area.top() + (area.height() - fitted.height()) / 2;
  return QRect(QPoint(left, top), fitted);
}

QRect AnchoredRect(const QRect& designed, const QSize& designedParent, const QSize& parent) {
  const int rightMargin = designedParent.width() - designed.right() - 1;
  const int bottomMargin = designedParent.height() - designed.bottom() - 1;
  const int width = std::max(0, parent.width() - designed.left() - rightMargin);
  const int height = std::max(0, parent.height() - designed.top() - bottomMargin);
  return QRect(designed.left(), designed.top(), width, height);
}

}  // namespace zarn
