#include "benchutil.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace zarn::bench {

double MedianSeconds(int runs, const std::function<void()>& work) {
  std::vector<double> times;
  for (int i = 0; i < runs; ++i) {
    QElapsedTimer timer;
    timer.start();
    work();
    times.push_back(double(timer.nsecsElapsed()) / 1e9);
  }
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
}

double TimeProgram(const QStringList& argv) {
  std::vector<QByteArray> storage;
  std::vector<char*> args;
  for (const QString& arg : argv) storage.push_back(QFile::encodeName(arg));
  for (QByteArray& arg : storage) args.push_back(arg.data());
  args.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  QElapsedTimer timer;
  timer.start();
  pid_t pid = 0;
  if (posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ) != 0) {
    std::fprintf(stderr, "bench: cannot start %s\n", args[0]);
    std::exit(1);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  posix_spawn_file_actions_destroy(&actions);
  return double(timer.nsecsElapsed()) / 1e9;
}

double MedianProgramSeconds(int runs, const QStringList& argv) {
  return MedianSeconds(runs, [&] { TimeProgram(argv); });
}

void PrintRatio(const QString& name, double zarnSeconds, double peerSeconds) {
  std::printf("bench: %s ratio=%.2f zarn=%.3fs peer=%.3fs\n", qPrintable(name),
              peerSeconds > 0 ? zarnSeconds / peerSeconds : 0.0, zarnSeconds, peerSeconds);
  std::fflush(stdout);
}

void PrintValue(const QString& name, double value, const QString& unit) {
  std::printf("bench: %s value=%.3f %s\n", qPrintable(name), value, qPrintable(unit));
  std::fflush(stdout);
}

long long ResidentBytes() {
  long long pages = 0, resident = 0;
  if (FILE* statm = std::fopen("/proc/self/statm", "r")) {
    if (std::fscanf(statm, "%lld %lld", &pages, &resident) != 2) resident = 0;
    std::fclose(statm);
  }
  return resident * sysconf(_SC_PAGESIZE);
}

void WarmUp(const QStringList& argv) { TimeProgram(argv); }

QString ScratchFolderPath(const QString& name) {
  QString base = qEnvironmentVariable("ZARN_BENCH_DIR");
  if (base.isEmpty()) base = QStringLiteral("/tmp");
  return base + QStringLiteral("/zarn-bench-") + name;
}

QString ScratchFolder(const QString& name) {
  const QString folder = ScratchFolderPath(name);
  QDir(folder).removeRecursively();
  QDir().mkpath(folder);
  return folder;
}

void SettleWrites(const QString& folder) {
  const int fd = ::open(folder.toUtf8().constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::syncfs(fd);
  ::close(fd);
}

}  // namespace zarn::bench
