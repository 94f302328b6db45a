// The folder-size walker against du -sb on a tree of 200,000 files, and how
// often the walker reports a running total during that walk.

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

constexpr int FileCount = 200000;
constexpr int Runs = 5;

// 20 folders of 20 folders of 500 small files.
void MakeTree(const QString& root) {
  for (int i = 0; i < FileCount; ++i) {
    const QString folder = root + QStringLiteral("/a%1/b%2").arg(i / 10000).arg(i / 500 % 20);
    if (i % 500 == 0) QDir().mkpath(folder);
    const QByteArray path = ToNativeName(folder + QStringLiteral("/file%1").arg(i));
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    char bytes[300] = {};
    if (::write(fd, bytes, std::size_t(i % 300)) < 0) std::perror("bench: write");
    ::close(fd);
  }
}

}  // namespace
}  // namespace zarn::bench

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  using namespace zarn::bench;
  const QString scratch = ScratchFolder(QStringLiteral("treesize"));
  MakeTree(scratch);
  SettleWrites(scratch);
  const QByteArray folder = zarn::ToNativeName(scratch);
  WarmUp({"du", "-sb", scratch});

  std::atomic<bool> stop{false};
  // The program walks below normal priority; here both sides run at the same
  // priority, so the figure compares the walks and not the scheduler.
  zarn::TreeSizeOptions options;
  options.Priority = zarn::WalkPriority::Normal;
  int reports = 0;
  double walkSeconds = 0;
  const double zarnSeconds = MedianSeconds(Runs, [&] {
    int thisWalk = 0;
    const auto result = zarn::WalkTreeSize(folder, stop, [&](std::int64_t, bool final) { thisWalk += !final; }, options);
    if (result.Files != FileCount) std::fprintf(stderr, "bench: counted %lld files\n", (long long)result.Files);
    reports += thisWalk;
  });
  walkSeconds = zarnSeconds * Runs;
  const double peerSeconds = MedianProgramSeconds(Runs, {"du", "-sb", scratch});
  PrintRatio(QStringLiteral("folder-size-200k"), zarnSeconds, peerSeconds);
  PrintValue(QStringLiteral("folder-size-updates-per-second"), walkSeconds > 0 ? reports / walkSeconds : 0,
             QStringLiteral("reports/s"));

  (void)zarn::RemoveTree(folder);
  return 0;
}
