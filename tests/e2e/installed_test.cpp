// The installed program: the tree of make install run where it lies, with the
// program's icon on its windows, the about box's help opening the installed
// manual in the desktop's browser, and the settings kept with the user.

#include <QDir>
#include <QFile>
#include <QUrl>

#include <algorithm>

#include "scenario.h"

inline void PrintTo(const QSize& size, std::ostream* out) { *out << size.width() << 'x' << size.height(); }

namespace zarn::e2e {
namespace {

class InstalledScenario : public TZarnScenario {
 protected:
  // Installs the built program into a prefix of the scenario's own, as
  // make install PREFIX=... does; the prefix.
  QString Install() {
    const QString prefix = Home(u"prefix"_s);
    QProcess install;
    install.setProcessChannelMode(QProcess::MergedChannels);
    install.start(QStringLiteral(ZARN_CMAKE), {u"--install"_s, QStringLiteral(ZARN_BUILD_DIR), u"--prefix"_s, prefix});
    const bool installed = install.waitForFinished(240000) && install.exitStatus() == QProcess::NormalExit &&
                           install.exitCode() == 0;
    EXPECT_TRUE(installed) << install.readAll().toStdString();
    return prefix;
  }

  // A browser of the scenario's own, the desktop's default for web addresses
  // and pages: it writes the addresses it was given, one a line, to Opened().
  void RegisterBrowser() {
    const QString browser =
        CreateProgram(u"bin/browser"_s, "printf '%s\\n' \"$@\" > \"$0.part\" && mv \"$0.part\" \"$0.opened\"\n");
    CreateFile(u".local/share/applications/zarn-test-browser.desktop"_s,
               "[Desktop Entry]\nType=Application\nName=Test Browser\nExec=" + browser.toUtf8() +
                   " %u\nMimeType=x-scheme-handler/http;x-scheme-handler/https;text/html;\n");
    CreateFile(u".config/mimeapps.list"_s,
               "[Default Applications]\nx-scheme-handler/http=zarn-test-browser.desktop\n"
               "x-scheme-handler/https=zarn-test-browser.desktop\ntext/html=zarn-test-browser.desktop\n");
  }
  QString Opened() const { return Home(u"bin/browser.opened"_s); }

  // The picture sizes of a shown window's icon, as the window manager reads them, smallest first.
  QList<QSize> IconSizesOf(const QString& window) {
    const TWidget shown = WaitShown(window).Window(window);
    QList<QSize> sizes = X().WindowIconSizes(shown.value(u"window"_s).toString().toULongLong());
    std::sort(sizes.begin(), sizes.end(), [](QSize a, QSize b) { return a.width() < b.width(); });
    return sizes;
  }
};

TEST_F(InstalledScenario, TheInstalledProgramShowsItsIconOpensItsManualAndKeepsSettingsWithTheUser) {
  const QString prefix = Install();
  RegisterBrowser();
  UseExecutable(prefix + u"/bin/zarn"_s);
  // No settings folder of the scenario's: the program chooses its own.
  Start({u"ZARN_CONFIG_DIR="_s});
  const QList<QSize> sizes{{16, 16}, {32, 32}, {48, 48}, {64, 64}, {128, 128}, {256, 256}};
  EXPECT_EQ(IconSizesOf(u"Form1"_s), sizes);

  ClickNamed(u"Button2"_s, u"Form1"_s);
  EXPECT_EQ(IconSizesOf(u"AboutBox"_s), sizes);
  ClickNamed(u"Button2"_s, u"AboutBox"_s);
  WaitFor(u"the browser given the manual"_s, [&](const TUi&) { return QFile::exists(Opened()); });
  QFile opened(Opened());
  ASSERT_TRUE(opened.open(QIODevice::ReadOnly));
  // GIO hands a local page over as its path or as its file:// address.
  const QString given = QString::fromUtf8(opened.readAll()).trimmed();
  const QString page = given.startsWith(u"file:"_s) ? QUrl(given).toLocalFile() : given;
  EXPECT_EQ(page, prefix + u"/share/zarn/help/index.html"_s);
  const TUi ui = WaitClosed(u"AboutBox"_s);
  EXPECT_FALSE(ui.Shown(u"MessageBox"_s));
  WaitText(u"Label9"_s, u"Жду команды..."_s, u"Form1"_s);

  CloseWithExitButton();
  // The prefix can be written, yet nothing was written beside the program.
  EXPECT_EQ(QDir(prefix + u"/bin"_s).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList{u"zarn"_s});
  EXPECT_TRUE(QFile::exists(Home(u".config/zarn/zarn.ini"_s)));
}

}  // namespace
}  // namespace zarn::e2e
