#pragma once
// A read-only view of the program's windows for the end-to-end tests, the way
// an accessibility bridge would give it: when ZARN_PROBE names a socket path,
// the program listens there, and each connection that sends "windows\n" gets
// one JSON document describing every top-level window and its controls
// (class, objectName, visibility, focus, screen geometry, texts, rows of item
// views, entries of menus). Nothing is ever changed through it. Without the
// variable nothing listens. GUI thread only.

#include <QJsonObject>

class QWidget;

namespace zarn {

// Starts listening when ZARN_PROBE is set; the listener lives as long as the
// application object.
void StartProbeIfAsked();

// The description of one widget and its children, as the probe sends it.
QJsonObject DescribeWidget(const QWidget& widget);
// Every top-level widget, with "active" naming the active window's objectName
// and "focus" the focus widget's.
QJsonObject DescribeWindows();

}  // namespace zarn
