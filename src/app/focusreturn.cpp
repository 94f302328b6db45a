#include "app/focusreturn.h"

#include <QApplication>
#include <QEvent>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <vector>

namespace zarn {
namespace {

bool IsOrdinaryWindow(const QWidget* widget) {
  const Qt::WindowType type = widget->windowType();
  return widget->isWindow() && (type == Qt::Window || type == Qt::Dialog);
}

class TFocusReturner final : public QObject {
 public:
  using QObject::QObject;

  bool eventFilter(QObject* watched, QEvent* event) override {
    if (!watched->isWidgetType()) return false;
    auto* widget = static_cast<QWidget*>(watched);
    if (!IsOrdinaryWindow(widget)) return false;
    if (event->type() == QEvent::WindowActivate) Remember(widget);
    // The window manager, if any, has its say first; only a keyboard left
    // without a window is given back.
    if (event->type() == QEvent::Hide) QTimer::singleShot(0, this, [this] { GiveBack(); });
    return false;
  }

 private:
  void Remember(QWidget* window) {
    std::erase_if(History_, [window](const QPointer<QWidget>& known) { return !known || known == window; });
    History_.emplace_back(window);
  }

  void GiveBack() {
    const QWidget* active = QApplication::activeWindow();
    if ((active && active->isVisible()) || QApplication::activePopupWidget()) return;
    for (auto known = History_.rbegin(); known != History_.rend(); ++known) {
      if (*known && (*known)->isVisible()) {
        (*known)->activateWindow();
        return;
      }
    }
  }

  std::vector<QPointer<QWidget>> History_;  // windows in the order they were last active, newest last
};

}  // namespace

void ReturnFocusWhenWindowsClose() { qApp->installEventFilter(new TFocusReturner(qApp)); }

}  // namespace zarn
