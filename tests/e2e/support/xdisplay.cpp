#include "xdisplay.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <unistd.h>

#include <QImage>

// Xlib last: its macros (Status, Bool, None) clash with Qt's names.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace zarn::e2e {
namespace {

constexpr int StartMilliseconds = 20000;

Display* Connection(void* connection) { return static_cast<Display*>(connection); }

// One property of a window as the server holds it, read whole (up to
// `maxWords` 32-bit words) when it has the type asked for; freed with this object.
struct TWindowProperty {
  TWindowProperty(Display* display, quint64 window, const char* name, Atom type, long maxWords) {
    Atom actualType = 0;
    unsigned long after = 0;
    const Atom property = XInternAtom(display, name, False);
    if (XGetWindowProperty(display, Window(window), property, 0, maxWords, False, type, &actualType, &Format, &Count,
                           &after, &Data) != Success) {
      Data = nullptr;
    }
  }
  ~TWindowProperty() {
    if (Data) XFree(Data);
  }
  TWindowProperty(const TWindowProperty&) = delete;
  TWindowProperty& operator=(const TWindowProperty&) = delete;

  int Format = 0;
  unsigned long Count = 0;  // in items of Format bits
  unsigned char* Data = nullptr;
};

// Reads the display number Xvfb writes to the descriptor it was given once it
// accepts clients.
QString ReadDisplayNumber(int fd) {
  QByteArray number;
  pollfd waiting{fd, POLLIN, 0};
  while (!number.endsWith('\n') && ::poll(&waiting, 1, StartMilliseconds) > 0) {
    char buffer[16];
    const ssize_t length = ::read(fd, buffer, sizeof buffer);
    if (length <= 0) break;
    number.append(buffer, length);
  }
  return QString::fromLatin1(number.trimmed());
}

}  // namespace

TXDisplay::TXDisplay() {
  int pipe[2];
  if (::pipe2(pipe, O_CLOEXEC) != 0) {
    Error_ = u"pipe failed"_s;
    return;
  }
  const int writeEnd = pipe[1];
  Server_.setChildProcessModifier([writeEnd] { ::dup2(writeEnd, 3); });
  Server_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
  Server_.start(u"Xvfb"_s, {u"-displayfd"_s, u"3"_s, u"-noreset"_s, u"-nolisten"_s, u"tcp"_s, u"-screen"_s, u"0"_s,
                            u"1280x1024x24"_s});
  ::close(writeEnd);
  const QString number = Server_.waitForStarted(StartMilliseconds) ? ReadDisplayNumber(pipe[0]) : QString();
  ::close(pipe[0]);
  if (number.isEmpty()) {
    Error_ = u"Xvfb did not start: "_s + Server_.errorString();
    return;
  }
  Name_ = QLatin1Char(':') + number;
  Connection_ = XOpenDisplay(Name_.toLatin1().constData());
  if (!Connection_) Error_ = u"cannot connect to "_s + Name_;
}

TXDisplay::~TXDisplay() {
  if (Connection_) XCloseDisplay(Connection(Connection_));
  Server_.terminate();
  if (!Server_.waitForFinished(5000)) Server_.kill();
  Server_.waitForFinished(5000);
}

void TXDisplay::Xdotool(const QStringList& arguments) {
  QProcess tool;
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert(u"DISPLAY"_s, Name_);
  tool.setProcessEnvironment(environment);
  tool.start(u"xdotool"_s, arguments);
  if (!tool.waitForFinished(30000) || tool.exitCode() != 0) {
    ADD_FAILURE() << "xdotool " << arguments.join(QLatin1Char(' ')).toStdString()
                  << " failed: " << tool.readAllStandardError().toStdString();
  }
}

QPoint TXDisplay::Pointer() const {
  if (!Connection_) return {};
  Display* display = Connection(Connection_);
  Window root = 0;
  Window child = 0;
  int x = 0;
  int y = 0;
  int windowX = 0;
  int windowY = 0;
  unsigned int mask = 0;
  XQueryPointer(display, DefaultRootWindow(display), &root, &child, &x, &y, &windowX, &windowY, &mask);
  return {x, y};
}

void TXDisplay::MoveTo(QPoint point) {
  // xdotool's --sync waits for a motion, and there is none when the pointer is there already.
  if (Pointer() == point) return;
  Xdotool({u"mousemove"_s, u"--sync"_s, QString::number(point.x()), QString::number(point.y())});
}

void TXDisplay::Click(QPoint point, int button, int count) {
  MoveTo(point);
  Xdotool({u"click"_s, u"--repeat"_s, QString::number(count), u"--delay"_s, u"80"_s, QString::number(button)});
}

void TXDisplay::ClickWith(const QString& modifier, QPoint point) {
  MoveTo(point);
  Xdotool({u"keydown"_s, modifier, u"click"_s, u"1"_s, u"keyup"_s, modifier});
}

void TXDisplay::Key(const QString& keys) { Xdotool({u"key"_s, u"--delay"_s, u"40"_s, keys}); }

void TXDisplay::Type(const QString& text) { Xdotool({u"type"_s, u"--delay"_s, u"30"_s, u"--"_s, text}); }

void TXDisplay::Wheel(QPoint point, int steps) {
  MoveTo(point);
  const QString button = steps > 0 ? u"4"_s : u"5"_s;
  Xdotool({u"click"_s, u"--repeat"_s, QString::number(std::abs(steps)), button});
}

void TXDisplay::Raise(quint64 window) {
  if (!Connection_ || window == 0) return;
  Display* display = Connection(Connection_);
  XRaiseWindow(display, Window(window));
  // A click-to-focus window manager gives the clicked window the keyboard too;
  // only a window on screen can take it.
  XWindowAttributes attributes{};
  if (XGetWindowAttributes(display, Window(window), &attributes) && attributes.map_state == IsViewable) {
    XSetInputFocus(display, Window(window), RevertToParent, CurrentTime);
  }
  XSync(display, False);
}

void TXDisplay::CloseWindow(quint64 window) {
  if (!Connection_ || window == 0) return;
  Display* display = Connection(Connection_);
  XEvent event{};
  event.xclient.type = ClientMessage;
  event.xclient.window = Window(window);
  event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
  event.xclient.format = 32;
  event.xclient.data.l[0] = long(XInternAtom(display, "WM_DELETE_WINDOW", False));
  event.xclient.data.l[1] = CurrentTime;
  XSendEvent(display, Window(window), False, NoEventMask, &event);
  XFlush(display);
}

QImage TXDisplay::Grab(const QRect& area) const {
  if (!Connection_) return {};
  Display* display = Connection(Connection_);
  const Window root = DefaultRootWindow(display);
  XWindowAttributes attributes;
  XGetWindowAttributes(display, root, &attributes);
  const QRect screen(0, 0, attributes.width, attributes.height);
  const QRect wanted = area.isNull() ? screen : area.intersected(screen);
  if (wanted.isEmpty()) return {};
  XImage* image = XGetImage(display, root, wanted.x(), wanted.y(), unsigned(wanted.width()), unsigned(wanted.height()),
                            AllPlanes, ZPixmap);
  if (!image) return {};
  QImage picture(wanted.size(), QImage::Format_RGB32);
  for (int y = 0; y < wanted.height(); ++y) {
    auto* line = reinterpret_cast<QRgb*>(picture.scanLine(y));
    for (int x = 0; x < wanted.width(); ++x) line[x] = QRgb(XGetPixel(image, x, y)) | 0xff000000u;
  }
  XDestroyImage(image);
  return picture;
}

QString TXDisplay::WindowTitle(quint64 window) const {
  if (!Connection_ || window == 0) return {};
  Display* display = Connection(Connection_);
  const TWindowProperty name(display, window, "_NET_WM_NAME", XInternAtom(display, "UTF8_STRING", False), 4096);
  if (!name.Data) return {};
  return QString::fromUtf8(reinterpret_cast<const char*>(name.Data), qsizetype(name.Count));
}

QList<QSize> TXDisplay::WindowIconSizes(quint64 window) const {
  if (!Connection_ || window == 0) return {};
  // Room for every picture up to 256 x 256, several times over.
  const TWindowProperty icon(Connection(Connection_), window, "_NET_WM_ICON", XA_CARDINAL, 1L << 20);
  if (!icon.Data || icon.Format != 32) return {};
  // Format 32 arrives as longs: width, height, then width x height pixels, picture after picture.
  const auto* words = reinterpret_cast<const unsigned long*>(icon.Data);
  QList<QSize> sizes;
  for (unsigned long at = 0; at + 2 <= icon.Count; at += 2 + words[at] * words[at + 1]) {
    sizes << QSize(int(words[at]), int(words[at + 1]));
  }
  return sizes;
}

}  // namespace zarn::e2e
