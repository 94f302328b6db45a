#include "app/windowplacement.h"

#include <QEvent>
#include <QScreen>
#include <QWidget>

namespace zarn {
namespace {

QPoint WantedTopLeft(const QRect& main, const QSize& size, WindowPlace place) {
  switch (place) {
    case WindowPlace::Below: return {main.left(), main.bottom() + 1};
    case WindowPlace::RightOf: return {main.right() + 1, main.top()};
    case WindowPlace::CentredOver: return main.center() - QPoint(size.width() / 2, size.height() / 2);
  }
  return main.topLeft();
}

// Moves the window back inside the screen where it would stick out.
QPoint KeptOnScreen(QPoint topLeft, const QSize& size, const QRect& screen) {
  topLeft.setX(std::max(screen.left(), std::min(topLeft.x(), screen.right() + 1 - size.width())));
  topLeft.setY(std::max(screen.top(), std::min(topLeft.y(), screen.bottom() + 1 - size.height())));
  return topLeft;
}

class TFirstShowPlacer final : public QObject {
 public:
  TFirstShowPlacer(QWidget& window, const QWidget& main, WindowPlace place)
      : QObject(&window), Main_(&main), Place_(place) {}

  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Show) {
      auto* window = static_cast<QWidget*>(watched);
      const QRect main = Main_->frameGeometry();
      const QRect screen = Main_->screen() ? Main_->screen()->availableGeometry() : main;
      window->move(KeptOnScreen(WantedTopLeft(main, window->frameGeometry().size(), Place_),
                                window->frameGeometry().size(), screen));
      window->removeEventFilter(this);
      deleteLater();
    }
    return false;
  }

 private:
  const QWidget* Main_;  // lives for the whole run
  WindowPlace Place_;
};

}  // namespace

void PlaceOnFirstShow(QWidget& window, const QWidget& main, WindowPlace place) {
  window.installEventFilter(new TFirstShowPlacer(window, main, place));
}

}  // namespace zarn
