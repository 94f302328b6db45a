#include "ops/glyphs.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace zarn {
namespace {

using Painter = void (*)(QPainter&);

void Arrow(QPainter& painter, bool left) {
  QPainterPath path;
  if (left) {
    path.moveTo(4, 10);
    path.lineTo(14, 3);
    path.lineTo(14, 17);
  } else {
    path.moveTo(16, 10);
    path.lineTo(6, 3);
    path.lineTo(6, 17);
  }
  path.closeSubpath();
  painter.fillPath(path, QColor(20, 90, 170));
}

void VerticalArrow(QPainter& painter, bool up) {
  QPainterPath path;
  if (up) {
    path.moveTo(10, 3);
    path.lineTo(17, 11);
    path.lineTo(3, 11);
  } else {
    path.moveTo(10, 17);
    path.lineTo(17, 9);
    path.lineTo(3, 9);
  }
  path.closeSubpath();
  painter.fillPath(path, QColor(20, 130, 60));
}

void Digit(QPainter& painter, const QString& text) {
  QFont font(QStringLiteral("Arial"));
  font.setPixelSize(14);
  font.setBold(true);
  painter.setFont(font);
  painter.setPen(QColor(20, 90, 170));
  painter.drawText(QRect(0, 0, 20, 20), Qt::AlignCenter, text);
}

QPixmap Draw(const QString& name) {
  QPixmap pixmap(20, 20);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  if (name == QLatin1String("TOLEFT")) Arrow(painter, true);
  else if (name == QLatin1String("TORIGHT")) Arrow(painter, false);
  else if (name == QLatin1String("TOUP")) VerticalArrow(painter, true);
  else if (name == QLatin1String("TODOWN")) VerticalArrow(painter, false);
  else if (name == QLatin1String("TOONE")) Digit(painter, QStringLiteral("1"));
  else if (name == QLatin1String("TOTWO")) Digit(painter, QStringLiteral("2"));
  return pixmap;
}

}  // namespace

QIcon LoadBitmapA(const QString& name) {
  return QIcon(Draw(name));
}

}  // namespace zarn
