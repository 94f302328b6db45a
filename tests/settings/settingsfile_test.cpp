#include "settings/settingsfile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <atomic>
#include <thread>

#include "platform/filenames.h"
#include "temptree.h"
#include "unprivileged.h"

namespace zarn {
namespace {

using test::TempTree;

// Points XDG_CONFIG_HOME into a tree for the test's life.
class UserConfigHome {
 public:
  explicit UserConfigHome(const QString& folder) : Saved_(qgetenv("XDG_CONFIG_HOME")) {
    qputenv("XDG_CONFIG_HOME", folder.toUtf8());
  }
  ~UserConfigHome() { qputenv("XDG_CONFIG_HOME", Saved_); }

 private:
  QByteArray Saved_;
};

TEST(SettingsFileTest, WritesCrLfAndReadsBothLineEnds) {
  TempTree tree;
  const QString path = tree.Path(QStringLiteral("zarn.ini"));
  ASSERT_FALSE(WriteSettingsLines(path, {QStringLiteral("a"), QString(), QStringLiteral("путь; с, запятой")}).IsError());
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  EXPECT_EQ(file.readAll(), QByteArray("a\r\n\r\n") + QStringLiteral("путь; с, запятой").toUtf8() + "\r\n");
  tree.CreateFile("lf.ini", "\xEF\xBB\xBFone\ntwo\r\nthree");
  EXPECT_EQ(ValueOrRaise(ReadSettingsLines(tree.Path(QStringLiteral("lf.ini")))),
            QStringList({QStringLiteral("one"), QStringLiteral("two"), QStringLiteral("three")}));
}

TEST(SettingsFileTest, PathsThatAreNotUtf8KeepTheirBytes) {
  TempTree tree;
  const QString path = tree.Path(QStringLiteral("zarn.ini"));
  const QString odd = FromNativeName(QByteArray("/tmp/bad\xff name"));
  ASSERT_FALSE(WriteSettingsLines(path, {odd}).IsError());
  EXPECT_EQ(ToNativeName(ValueOrRaise(ReadSettingsLines(path)).value(0)), QByteArray("/tmp/bad\xff name"));
}

TEST(SettingsFileTest, DamagedFilesReadAsFarAsTheyMakeSense) {
  TempTree tree;
  QByteArray huge(MaxSettingsLineBytes * 3, 'x');
  tree.CreateFile("huge.ini", huge + "\r\nsecond\r\n");
  const QStringList lines = ValueOrRaise(ReadSettingsLines(tree.Path(QStringLiteral("huge.ini"))));
  ASSERT_EQ(lines.size(), 2);
  EXPECT_LT(lines[0].size(), MaxSettingsLineBytes);
  EXPECT_EQ(lines[1], QStringLiteral("second"));
  EXPECT_TRUE(ValueOrRaise(ReadSettingsLines(tree.Path(QStringLiteral("missing.ini")))).isEmpty());
}

TEST(SettingsFileTest, ConfigFolderComesFromTheEnvironment) {
  TempTree tree;
  qputenv("ZARN_CONFIG_DIR", tree.Root().toUtf8());
  EXPECT_EQ(SettingsFilePath(QStringLiteral("zarn.ini")), tree.Path(QStringLiteral("zarn.ini")));
  qunsetenv("ZARN_CONFIG_DIR");
}

TEST(SettingsFileTest, AnInstalledOrReadOnlyProgramKeepsItsSettingsWithTheUser) {
  // Unprivileged, so that the read-only folder refuses a settings file.
  test::AsUnprivilegedUser([] {
    TempTree tree;
    const UserConfigHome home(tree.Path(QStringLiteral("config")));
    const QString userFolder = tree.Path(QStringLiteral("config/zarn"));
    tree.CreateFile("portable/zarn");
    EXPECT_EQ(SettingsFolderFor(tree.Path(QStringLiteral("portable"))), tree.Path(QStringLiteral("portable")));
    // Installed: though its folder can be written, nothing is written beside the program.
    tree.CreateFile("usr/bin/zarn");
    tree.CreateDir("usr/share/zarn/help");
    EXPECT_EQ(SettingsFolderFor(tree.Path(QStringLiteral("usr/bin"))), userFolder);
    EXPECT_TRUE(QFileInfo(userFolder).isDir());
    tree.CreateFile("readonly/zarn");
    tree.SetMode("readonly", 0555);
    EXPECT_EQ(SettingsFolderFor(tree.Path(QStringLiteral("readonly"))), userFolder);
  });
}

TEST(SettingsFileTest, TwoProgramsWritingAtOnceLeaveOneWholeFile) {
  TempTree tree;
  const QString path = tree.Path(QStringLiteral("zarn.ini"));
  const QStringList first{QString(2000, u'a'), QStringLiteral("/bin/first"), QString(), QStringLiteral("/first/")};
  const QStringList second{QStringLiteral("/bin/second"), QString(3000, u'b'), QStringLiteral("/x"), QStringLiteral("/")};
  const auto bytesOf = [](const QStringList& lines) { return (lines.join(QStringLiteral("\r\n")) + "\r\n").toUtf8(); };
  const QByteArray firstBytes = bytesOf(first);
  const QByteArray secondBytes = bytesOf(second);
  std::atomic<int> writing{2};
  std::atomic<int> failures{0};
  const auto writer = [&](const QStringList& lines) {
    for (int round = 0; round < 200; ++round) {
      if (WriteSettingsLines(path, lines).IsError()) ++failures;
    }
    --writing;
  };
  std::thread one(writer, first);
  std::thread two(writer, second);
  int torn = 0;
  int reads = 0;
  while (writing > 0) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) continue;
    const QByteArray bytes = file.readAll();
    ++reads;
    if (bytes != firstBytes && bytes != secondBytes) ++torn;
  }
  one.join();
  two.join();
  EXPECT_EQ(failures, 0);
  EXPECT_EQ(torn, 0) << "of " << reads << " reads";
  QFile last(path);
  ASSERT_TRUE(last.open(QIODevice::ReadOnly));
  const QByteArray bytes = last.readAll();
  EXPECT_TRUE(bytes == firstBytes || bytes == secondBytes);
  // No temporary file is left beside it.
  EXPECT_EQ(QDir(tree.Root()).entryList(QDir::Files), QStringList{QStringLiteral("zarn.ini")});
}

TEST(SettingsFileTest, WriteIntoAMissingFolderFailsWithAMessage) {
  TempTree tree;
  const ErrorOrDone written = WriteSettingsLines(tree.Path(QStringLiteral("no/such/zarn.ini")), {QStringLiteral("x")});
  ASSERT_TRUE(written.IsError());
  EXPECT_FALSE(written.Error().Text().isEmpty());
}

// What stands at a path, to show that a refused write changed nothing there.
struct TStanding {
  bool Exists = false;
  mode_t Mode = 0;
  ino_t Inode = 0;
  dev_t Device = 0;
  QByteArray LinkTarget;

  bool operator==(const TStanding&) const = default;
};

TStanding StandingAt(const QString& path) {
  TStanding standing;
  struct stat status {};
  const QByteArray native = ToNativeName(path);
  if (::lstat(native.constData(), &status) != 0) return standing;
  standing = {true, status.st_mode, status.st_ino, status.st_rdev, {}};
  char target[4096];
  const ssize_t length = ::readlink(native.constData(), target, sizeof target);
  if (length > 0) standing.LinkTarget = QByteArray(target, length);
  return standing;
}

QStringList Entries(const QString& folder) {
  return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
}

// Settings in `cfg/`, the objects links lead to in `elsewhere/`.
class SettingsFileLinks : public testing::Test {
 protected:
  SettingsFileLinks() {
    Tree.CreateDir("cfg");
    Tree.CreateDir("elsewhere");
  }
  QString Settings() const { return Tree.Path(QStringLiteral("cfg/zarn.ini")); }
  QString Elsewhere(const char* name) const { return Tree.Path(QStringLiteral("elsewhere/") + name); }
  QByteArray Read(const QString& path) const {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
  }

  TempTree Tree;
};

TEST_F(SettingsFileLinks, ALinkToARegularFileUpdatesThatFileAndStays) {
  Tree.CreateFile("elsewhere/settings.txt", "old\r\n");
  Tree.SetMode("elsewhere/settings.txt", 0640);
  Tree.CreateSymlink("cfg/zarn.ini", "../elsewhere/settings.txt");
  // A chain: a link in the settings folder to an absolute link elsewhere.
  Tree.CreateFile("elsewhere/associations.txt", "old\r\n");
  Tree.CreateSymlink("elsewhere/link", Tree.PathBytes("elsewhere/associations.txt"));
  Tree.CreateSymlink("cfg/zarn.ext", "../elsewhere/link");
  const TStanding link = StandingAt(Settings());

  ASSERT_FALSE(WriteSettingsLines(Settings(), {QStringLiteral("new")}).IsError());
  ASSERT_FALSE(WriteSettingsLines(Tree.Path(QStringLiteral("cfg/zarn.ext")), {QStringLiteral("a"), "b"}).IsError());
  EXPECT_EQ(Read(Elsewhere("settings.txt")), QByteArray("new\r\n"));
  EXPECT_EQ(Read(Elsewhere("associations.txt")), QByteArray("a\r\nb\r\n"));
  EXPECT_EQ(StandingAt(Settings()), link);
  EXPECT_TRUE(S_ISLNK(StandingAt(Elsewhere("link")).Mode));
  EXPECT_EQ(StandingAt(Elsewhere("settings.txt")).Mode & 07777, 0640u);
  // No temporary file is left beside either.
  EXPECT_EQ(Entries(Tree.Path(QStringLiteral("cfg"))), QStringList({"zarn.ext", "zarn.ini"}));
  EXPECT_EQ(Entries(Tree.Path(QStringLiteral("elsewhere"))), QStringList({"associations.txt", "link", "settings.txt"}));
}

TEST_F(SettingsFileLinks, ALinkToAMissingFileInTheSettingsFolderCreatesIt) {
  Tree.CreateSymlink("cfg/zarn.ini", "zarn.ini.real");
  ASSERT_FALSE(WriteSettingsLines(Settings(), {QStringLiteral("x")}).IsError());
  EXPECT_EQ(Read(Tree.Path(QStringLiteral("cfg/zarn.ini.real"))), QByteArray("x\r\n"));
  EXPECT_TRUE(S_ISLNK(StandingAt(Settings()).Mode));
}

TEST_F(SettingsFileLinks, ALinkToAnythingButARegularFileIsNotWrittenAndSaysWhy) {
  // As root the device is a node of our own (the null device's numbers), so
  // that a write that wrongly went ahead would destroy only the test's copy.
  if (test::RunningAsRoot()) {
    ASSERT_EQ(::mknod(ToNativeName(Elsewhere("device")).constData(), S_IFCHR | 0600, makedev(1, 3)), 0);
    Tree.CreateSymlink("cfg/device.ini", Tree.PathBytes("elsewhere/device"));
  } else {
    Tree.CreateSymlink("cfg/device.ini", "/dev/null");
  }
  Tree.CreateFifo("elsewhere/fifo");
  Tree.CreateSymlink("cfg/fifo.ini", "../elsewhere/fifo");
  Tree.CreateFile("elsewhere/folder/inside");
  Tree.CreateSymlink("cfg/folder.ini", "../elsewhere/folder");
  Tree.CreateSymlink("cfg/dangling.ini", "../elsewhere/missing");
  Tree.CreateSymlink("cfg/loop.ini", "loop.ini");
  Tree.CreateFifo("cfg/fifo-itself.ini");
  Tree.CreateDir("cfg/folder-itself.ini");
  const struct {
    const char* Name;
    const char* Reason;
  } cases[] = {
      {"device.ini", "ссылка ведёт на устройство"}, {"fifo.ini", "ссылка ведёт на канал"},
      {"folder.ini", "ссылка ведёт на папку"},      {"dangling.ini", "вне папки настроек"},
      {"loop.ini", ""},                              {"fifo-itself.ini", "на его месте канал"},
      {"folder-itself.ini", "на его месте папка"},
  };
  const QString device = test::RunningAsRoot() ? Elsewhere("device") : QStringLiteral("/dev/null");
  const TStanding deviceBefore = StandingAt(device);
  const QStringList elsewhereBefore = Entries(Tree.Path(QStringLiteral("elsewhere")));
  const QStringList settingsBefore = Entries(Tree.Path(QStringLiteral("cfg")));
  for (const auto& each : cases) {
    const QString path = Tree.Path(QStringLiteral("cfg/") + each.Name);
    const TStanding before = StandingAt(path);
    const ErrorOrDone written = WriteSettingsLines(path, {QStringLiteral("9 bytes")});
    ASSERT_TRUE(written.IsError()) << each.Name;
    const QString text = written.Error().Text();
    EXPECT_TRUE(text.contains(QString::fromUtf8(each.Reason)) && text.endsWith(path)) << text.toStdString();
    EXPECT_EQ(StandingAt(path), before) << each.Name;
  }
  const TStanding deviceAfter = StandingAt(device);
  EXPECT_EQ(deviceAfter, deviceBefore);
  EXPECT_TRUE(S_ISCHR(deviceAfter.Mode));
  EXPECT_TRUE(S_ISFIFO(StandingAt(Elsewhere("fifo")).Mode));
  EXPECT_EQ(Entries(Elsewhere("folder")), QStringList({"inside"}));
  EXPECT_EQ(Entries(Tree.Path(QStringLiteral("elsewhere"))), elsewhereBefore);
  EXPECT_EQ(Entries(Tree.Path(QStringLiteral("cfg"))), settingsBefore);
}

}  // namespace
}  // namespace zarn
