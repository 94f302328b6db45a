#pragma once
// A private X server for one scenario (Xvfb, started with -noreset so that the
// first client to leave does not reset it) and what a person does on it:
// pointer moves, clicks, key presses and typing go in as real X input through
// the XTEST extension (xdotool); the screen and window titles are read back
// from the server.

#include <QImage>
#include <QPoint>
#include <QProcess>
#include <QRect>
#include <QSize>
#include <QString>
#include <QStringList>

namespace zarn::e2e {

using namespace Qt::StringLiterals;

class TXDisplay {
 public:
  TXDisplay();
  ~TXDisplay();
  TXDisplay(const TXDisplay&) = delete;
  TXDisplay& operator=(const TXDisplay&) = delete;

  // ":N", empty when the server did not start (Error() tells why).
  QString Name() const { return Name_; }
  QString Error() const { return Error_; }

  void MoveTo(QPoint point);
  QPoint Pointer() const;
  void Click(QPoint point, int button = 1, int count = 1);
  // Presses and releases a key sequence in xdotool's notation ("F5", "ctrl+a", "Return").
  void Key(const QString& keys);
  // Holds a modifier ("shift", "ctrl") while clicking.
  void ClickWith(const QString& modifier, QPoint point);
  // Types text, any Unicode included, into the focused window.
  void Type(const QString& text);
  // Scrolls the wheel at a point: positive `steps` away from the user.
  void Wheel(QPoint point, int steps);

  // Raises a window and gives it the keyboard, as a click does under a
  // click-to-focus window manager.
  void Raise(quint64 window);
  // Asks a window to close, as a window manager's close box does.
  void CloseWindow(quint64 window);

  QImage Grab(const QRect& area = {}) const;
  // The window's _NET_WM_NAME, as a window manager and task bar show it.
  QString WindowTitle(quint64 window) const;
  // The sizes of the pictures in the window's _NET_WM_ICON, the icon a window
  // manager and task bar show for it; empty when it has none.
  QList<QSize> WindowIconSizes(quint64 window) const;

 private:
  void Xdotool(const QStringList& arguments);

  QProcess Server_;
  QString Name_;
  QString Error_;
  void* Connection_ = nullptr;  // the Xlib Display, for reading the screen
};

}  // namespace zarn::e2e
