#include "panel/shellimages.h"

#include <QHash>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include "platform/shellicons.h"

namespace zarn {
namespace {

void DrawFolder(QPainter& painter, const QColor& colour) {
  painter.setBrush(colour.darker(115));
  painter.drawRoundedRect(QRectF(1.5, 3.5, 6, 3), 1, 1);
  painter.setBrush(colour);
  painter.drawRoundedRect(QRectF(1.5, 4.5, 13, 9), 1, 1);
}

void DrawPage(QPainter& painter, const QColor& colour) {
  QPainterPath page;
  page.moveTo(3.5, 1.5);
  page.lineTo(10.5, 1.5);
  page.lineTo(13.5, 4.5);
  page.lineTo(13.5, 14.5);
  page.lineTo(3.5, 14.5);
  page.closeSubpath();
  painter.setBrush(colour);
  painter.drawPath(page);
  painter.drawLine(QPointF(5.5, 7.5), QPointF(11.5, 7.5));
  painter.drawLine(QPointF(5.5, 10.5), QPointF(11.5, 10.5));
}

void DrawLinkArrow(QPainter& painter) {
  painter.setBrush(Qt::white);
  painter.drawRect(QRectF(0.5, 9.5, 6, 6));
  painter.drawLine(QPointF(2, 14), QPointF(5, 11));
  painter.drawLine(QPointF(3, 11), QPointF(5, 11));
  painter.drawLine(QPointF(5, 11), QPointF(5, 13));
}

QPixmap DrawFallback(IconFallback kind) {
  QPixmap pixmap(16, 16);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(QPen(QColor(60, 60, 60), 1));
  switch (kind) {
    case IconFallback::Folder: DrawFolder(painter, QColor(240, 200, 80)); break;
    case IconFallback::FolderLink:
      DrawFolder(painter, QColor(240, 200, 80));
      DrawLinkArrow(painter);
      break;
    case IconFallback::Home:
      DrawFolder(painter, QColor(240, 200, 80));
      painter.setBrush(QColor(200, 60, 50));
      painter.drawPolygon(QPolygonF({QPointF(8, 5), QPointF(12, 9), QPointF(4, 9)}));
      break;
    case IconFallback::Volume:
      painter.setBrush(QColor(190, 190, 200));
      painter.drawRoundedRect(QRectF(1.5, 5.5, 13, 6), 1.5, 1.5);
      painter.setBrush(QColor(60, 200, 60));
      painter.drawEllipse(QRectF(11, 8, 2, 2));
      break;
    case IconFallback::Computer:
      painter.setBrush(QColor(120, 170, 230));
      painter.drawRect(QRectF(1.5, 2.5, 13, 8));
      painter.setBrush(QColor(150, 150, 150));
      painter.drawRect(QRectF(4.5, 12.5, 7, 2));
      break;
    case IconFallback::Special: DrawPage(painter, QColor(220, 220, 220)); break;
    case IconFallback::File: DrawPage(painter, Qt::white); break;
  }
  return pixmap;
}

QIcon LoadIcon(const ShellIcon& icon) {
  if (!icon.Name.isEmpty() && QIcon::hasThemeIcon(icon.Name)) return QIcon::fromTheme(icon.Name);
  if (!icon.GenericName.isEmpty() && QIcon::hasThemeIcon(icon.GenericName)) return QIcon::fromTheme(icon.GenericName);
  return QIcon(DrawFallback(icon.Fallback));
}

}  // namespace

QIcon ShellImage(int index) {
  static QHash<int, QIcon> cache;
  auto found = cache.constFind(index);
  if (found != cache.constEnd()) return *found;
  const QIcon icon = LoadIcon(ShellIconAt(index));
  cache.insert(index, icon);
  return icon;
}

}  // namespace zarn
