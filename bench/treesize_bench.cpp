// The folder-size walker against du -sb on a tree of 200,000 files. Our side
// times one WalkTreeSize call in this process; the peer's time is du's whole
// process, spawn to exit. Both totals must equal the sum of the sizes written.

#include <QCoreApplication>
#include <QDir>

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>

#include "benchutil.h"
#include "platform/filenames.h"
#include "platform/fileop_remove.h"
#include "platform/treesize.h"

namespace zarn::bench {
namespace {

constexpr int Runs = 5;

// 20 folders of 20 folders of 500 small files; returns the bytes written.
qint64 MakeTree(const QString& root, int fileCount) {
  qint64 written = 0;
  for (int i = 0; i < fileCount; ++i) {
    const QString folder = root + QStringLiteral("/a%1/b%2").arg(i / 10000).arg(i / 500 % 20);
    if (i % 500 == 0) QDir().mkpath(folder);
    const QByteArray path = ToNativeName(folder + QStringLiteral("/file%1").arg(i));
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    char bytes[300] = {};
    const ssize_t size = ::write(fd, bytes, std::size_t(i % 300));
    if (size < 0) Fail(QStringLiteral("cannot write %1").arg(QString::fromLocal8Bit(path)));
    written += size;
    ::close(fd);
  }
  return written;
}

// du -sb counts the folders' own sizes too; the walker counts files only, so
// the folders' apparent sizes, measured the same way, are taken off du's total.
qint64 DuFileBytes(const QString& root) {
  const qint64 all = ProgramOutput({"du", "-sb", root}).split('\t').first().toLongLong();
  const QByteArray folders = ProgramOutput({"find", root, "-type", "d", "-printf", "%s\n"});
  qint64 folderBytes = 0;
  for (const QByteArray& line : folders.split('\n')) folderBytes += line.toLongLong();
  return all - folderBytes;
}

}  // namespace
}  // namespace zarn::bench

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  using namespace zarn::bench;
  const QString scratch = ScratchFolder(QStringLiteral("treesize"));
  const int fileCount = int(Scaled(200000));
  const qint64 written = MakeTree(scratch, fileCount);
  SettleWrites(scratch);
  const QByteArray folder = zarn::ToNativeName(scratch);
  if (const qint64 du = DuFileBytes(scratch); du != written)
    Fail(QStringLiteral("du -sb counts %1 bytes of files, %2 were written").arg(du).arg(written));

  std::atomic<bool> stop{false};
  // The program walks below normal priority; here both sides run at the same
  // priority, so the figure compares the walks and not the scheduler.
  zarn::TreeSizeOptions options;
  options.Priority = zarn::WalkPriority::Normal;
  const TAlternateTimes times = AlternateMedians(
      Runs, {},
      [&] {
        const auto result = zarn::WalkTreeSize(folder, stop, [](std::int64_t, bool) {}, options);
        if (result.Files != fileCount || result.Bytes != written)
          Fail(QStringLiteral("the walk counted %1 files of %2 bytes, not %3 of %4")
                   .arg(result.Files).arg(result.Bytes).arg(fileCount).arg(written));
      },
      [&] { return TimeProgram({"du", "-sb", scratch}); });
  PrintRatio(QStringLiteral("folder-size-200k"), times);

  (void)zarn::RemoveTree(folder);
  return 0;
}
