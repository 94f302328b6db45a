#pragma once
// A private XDG_DATA_HOME for tests that use the desktop trash, so the user's
// real trash is never touched. GLib reads the variable once per process, at its
// first use: call this before anything uses GIO.

#include <QString>
#include <QTemporaryDir>

#include <cstdlib>

namespace zarn::test {

inline const QString& PrivateDataHome() {
  static QTemporaryDir home;
  static const bool set = ::setenv("XDG_DATA_HOME", home.path().toUtf8().constData(), 1) == 0;
  (void)set;
  static const QString path = home.path();
  return path;
}

}  // namespace zarn::test
