#pragma once
// A desktop of the test's own: XDG data and config folders in a temporary
// folder, holding applications (desktop entries) and a mimeapps.list, made
// current for the process before GIO's first look at them (GIO keeps the XDG
// folders for the life of the process, so there is one such desktop per test
// process). The system's MIME database is linked in so types are known.
//
// Every application runs a recorder script that writes the arguments it got,
// one a line, to ArgumentsFile() and its working directory to FolderFile().

#include <QByteArray>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>

#include <unistd.h>

#include <optional>

#include "platform/filenames.h"

namespace zarn::test {

class TestDesktop {
 public:
  // The process's desktop, made on the first call.
  static TestDesktop& Instance() {
    static TestDesktop desktop;
    return desktop;
  }

  QString Root() const { return Dir_.path(); }
  QString RecorderScript() const { return Root() + QStringLiteral("/record.sh"); }
  QString ArgumentsFile() const { return Root() + QStringLiteral("/arguments"); }
  QString FolderFile() const { return Root() + QStringLiteral("/folder"); }
  QString DesktopFile(const QString& id) const { return Root() + QStringLiteral("/system/applications/") + id; }

  // Removes the recorder's output of an earlier run.
  void ForgetRecords() const {
    QFile::remove(ArgumentsFile());
    QFile::remove(FolderFile());
  }

  // The recorder's lines once it has written them, waiting at most `seconds`;
  // nothing when it did not run.
  std::optional<QList<QByteArray>> WaitForArguments(int seconds = 10) const {
    QDeadlineTimer deadline(seconds * 1000);
    while (!QFile::exists(ArgumentsFile())) {
      if (deadline.hasExpired()) return std::nullopt;
      QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
      QThread::msleep(10);
    }
    QFile file(ArgumentsFile());
    if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
    QList<QByteArray> lines = file.readAll().split('\n');
    if (!lines.isEmpty() && lines.last().isEmpty()) lines.removeLast();
    return lines;
  }

  QByteArray RecordedFolder() const {
    QFile file(FolderFile());
    return file.open(QIODevice::ReadOnly) ? file.readAll().trimmed() : QByteArray();
  }

 private:
  TestDesktop() {
    const QString root = Root();
    for (const char* folder : {"/system/applications", "/home/applications", "/config", "/configdirs"}) {
      QDir().mkpath(root + QLatin1String(folder));
    }
    // The system's MIME database, without the system's applications.
    ::symlink("/usr/share/mime", zarn::ToNativeName(root + QStringLiteral("/system/mime")).constData());
    qputenv("XDG_DATA_DIRS", zarn::ToNativeName(root + QStringLiteral("/system")));
    qputenv("XDG_DATA_HOME", zarn::ToNativeName(root + QStringLiteral("/home")));
    qputenv("XDG_CONFIG_HOME", zarn::ToNativeName(root + QStringLiteral("/config")));
    qputenv("XDG_CONFIG_DIRS", zarn::ToNativeName(root + QStringLiteral("/configdirs")));
    qputenv("XDG_CURRENT_DESKTOP", "ZarnTest");
    WriteRecorder();
    WriteApplications();
    // What update-desktop-database makes on a real system; GIO finds the
    // applications of a type through it. The broken entries are listed too.
    Write(root + QStringLiteral("/system/applications/mimeinfo.cache"),
          "[MIME Cache]\n"
          "text/plain=zarn-editor.desktop;zarn-viewer.desktop;zarn-uri.desktop;zarn-fields.desktop;"
          "zarn-damaged.desktop;zarn-noexec.desktop;zarn-missing.desktop;\n"
          "inode/directory=zarn-files.desktop;zarn-terminal.desktop;\n");
    Write(root + QStringLiteral("/config/mimeapps.list"),
          "[Default Applications]\ntext/plain=zarn-editor.desktop\ninode/directory=zarn-files.desktop\n");
  }

  static void Write(const QString& path, const QByteArray& text) {
    QFile file(path);
    if (file.open(QIODevice::WriteOnly)) file.write(text);
  }

  void WriteRecorder() const {
    const QByteArray root = zarn::ToNativeName(Root());
    Write(RecorderScript(), "#!/bin/sh\n"
                            "printf '%s\\n' \"$@\" > '" + root + "/arguments.part'\n"
                            "pwd > '" + root + "/folder'\n"
                            "mv '" + root + "/arguments.part' '" + root + "/arguments'\n");
    QFile::setPermissions(RecorderScript(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                QFileDevice::ExeOwner | QFileDevice::ReadGroup |
                                                QFileDevice::ExeGroup | QFileDevice::ReadOther |
                                                QFileDevice::ExeOther);
  }

  void Application(const QString& id, const QByteArray& body) const {
    Write(DesktopFile(id), "[Desktop Entry]\nType=Application\n" + body);
  }

  void WriteApplications() const {
    const QByteArray recorder = zarn::ToNativeName(RecorderScript());
    Application(QStringLiteral("zarn-editor.desktop"),
                "Name=Test Editor\nIcon=accessories-text-editor\nExec=" + recorder + " %f\nMimeType=text/plain;\n");
    Application(QStringLiteral("zarn-viewer.desktop"),
                "Name=Test Viewer\nExec=" + recorder + " %U\nMimeType=text/plain;\n");
    Application(QStringLiteral("zarn-uri.desktop"),
                "Name=Test Uri\nExec=" + recorder + " %u\nX-GIO-NoFuse=true\nMimeType=text/plain;\n");
    Application(QStringLiteral("zarn-fields.desktop"),
                "Name=Field Codes\nIcon=zarn-icon\nExec=\"" + recorder +
                    "\" \"two words\" \"quote\\\\\"d\" 100%% %i %c %k %F\nMimeType=text/plain;\n");
    Application(QStringLiteral("zarn-files.desktop"),
                "Name=Test Files\nIcon=system-file-manager\nExec=" + recorder + " %U\nMimeType=inode/directory;\n");
    Application(QStringLiteral("zarn-terminal.desktop"),
                "Name=Test Terminal\nExec=" + recorder +
                    "\nCategories=System;TerminalEmulator;\nMimeType=inode/directory;\n");
    // Entries that must stay out of every menu.
    Write(DesktopFile(QStringLiteral("zarn-damaged.desktop")), "this is no key file\n[[[\nExec=\x01\n");
    Application(QStringLiteral("zarn-noexec.desktop"), "Name=No Exec\nMimeType=text/plain;\n");
    Application(QStringLiteral("zarn-missing.desktop"),
                "Name=Missing Program\nExec=/nonexistent/zarn-missing-program %f\nMimeType=text/plain;\n");
  }

  QTemporaryDir Dir_;
};

}  // namespace zarn::test
