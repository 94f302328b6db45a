#include "viewer/textviewer.h"

#include <QApplication>
#include <QPlainTextEdit>
#include <QPointer>
#include <QWheelEvent>

#include "platform/guard.h"
#include "viewer/trf.h"
#include "viewer/tshpic.h"
#include "viewer/viewfile.h"

namespace zarn {
namespace {

// Sees every event before it is delivered; acts only on the wheel while the
// viewer's text area has the focus.
class TMouseWheelHook : public QObject {
 public:
  TMouseWheelHook(TRF* viewer, QObject* parent) : QObject(parent), Viewer_(viewer) {}

  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() != QEvent::Wheel || Viewer_.isNull()) return QObject::eventFilter(watched, event);
    if (QApplication::focusWidget() != Viewer_->Memo1) return false;
    const int distance = static_cast<QWheelEvent*>(event)->angleDelta().y();
    // A sideways wheel has nothing to do with the pages.
    if (distance == 0) return false;
    // Touchpads send small steps: one line per notch of 120, as a mouse wheel gives.
    Pending_ += distance;
    bool handled = true;
    while (std::abs(Pending_) >= 120) {
      const int step = Pending_ > 0 ? 120 : -120;
      Pending_ -= step;
      Guarded([&] { handled = Viewer_->MouseWheel(step); });
    }
    return handled;
  }

 private:
  QPointer<TRF> Viewer_;
  int Pending_ = 0;
};

}  // namespace

void ShowTextViewer(const QString& path) {
  if (RF == nullptr) return;
  ViewFileName = path;
  if (!RF->isVisible()) {
    if (SHPIC) SHPIC->hide();
    RF->show();
  }
  RF->raise();
  RF->activateWindow();
  Guarded([] { RF->ViewFile(); });
}

void InstallMouseWheelHook(TRF* viewer) {
  qApp->installEventFilter(new TMouseWheelHook(viewer, qApp));
}

}  // namespace zarn
