#include "benchutil.h"

#include <QDir>
#include <QElapsedTimer>
#include <QCoreApplication>
#include <QFile>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace zarn::bench {
namespace {

constexpr char kDropCaches[] = "/proc/sys/vm/drop_caches";

double Median(std::vector<double> times) {
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
}

// This process's environment with LC_ALL pinned, so that a peer's speed and
// output do not depend on the locale of whoever runs the benchmark.
std::vector<char*> PinnedEnvironment() {
  static char pinned[] = "LC_ALL=C.UTF-8";
  std::vector<char*> environment;
  for (char** variable = environ; *variable != nullptr; ++variable)
    if (std::strncmp(*variable, "LC_ALL=", 7) != 0) environment.push_back(*variable);
  environment.push_back(pinned);
  environment.push_back(nullptr);
  return environment;
}

// Spawns `argv` with stdout sent to `outputFd` (or /dev/null) and waits for it;
// ends the benchmark unless it exits with status 0.
void RunProgram(const QStringList& argv, int outputFd) {
  std::vector<QByteArray> storage;
  std::vector<char*> args;
  for (const QString& arg : argv) storage.push_back(QFile::encodeName(arg));
  for (QByteArray& arg : storage) args.push_back(arg.data());
  args.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (outputFd >= 0) posix_spawn_file_actions_adddup2(&actions, outputFd, 1);
  else posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  std::vector<char*> environment = PinnedEnvironment();
  pid_t pid = 0;
  const int error = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environment.data());
  posix_spawn_file_actions_destroy(&actions);
  if (error != 0) Fail(QStringLiteral("cannot start %1: %2").arg(argv.first(), QString::fromLocal8Bit(strerror(error))));
  int status = 0;
  if (waitpid(pid, &status, 0) != pid) Fail(QStringLiteral("lost %1").arg(argv.first()));
  if (WIFSIGNALED(status)) Fail(QStringLiteral("%1 was killed by signal %2").arg(argv.join(' ')).arg(WTERMSIG(status)));
  if (WEXITSTATUS(status) != 0)
    Fail(QStringLiteral("%1 exited with status %2").arg(argv.join(' ')).arg(WEXITSTATUS(status)));
}

}  // namespace

void Fail(const QString& message) {
  std::fflush(stdout);
  std::fprintf(stderr, "bench: %s\n", qPrintable(message));
  std::exit(1);
}

qint64 Scaled(qint64 full) {
  const int scale = qEnvironmentVariableIntValue("ZARN_BENCH_SCALE");
  return scale > 1 ? std::max<qint64>(1, full / scale) : full;
}

double MedianSeconds(int runs, const std::function<void()>& work) {
  std::vector<double> times;
  for (int i = 0; i < runs; ++i) {
    QElapsedTimer timer;
    timer.start();
    work();
    times.push_back(double(timer.nsecsElapsed()) / 1e9);
  }
  return Median(times);
}

double TimeProgram(const QStringList& argv) {
  QElapsedTimer timer;
  timer.start();
  RunProgram(argv, -1);
  return double(timer.nsecsElapsed()) / 1e9;
}

QByteArray ProgramOutput(const QStringList& argv) {
  FILE* output = std::tmpfile();
  if (output == nullptr) Fail(QStringLiteral("cannot make a temporary file"));
  RunProgram(argv, fileno(output));
  QFile file;
  if (!file.open(output, QIODevice::ReadOnly)) Fail(QStringLiteral("cannot read the output of %1").arg(argv.first()));
  file.seek(0);
  QByteArray bytes = file.readAll();
  file.close();
  std::fclose(output);
  return bytes;
}

bool CacheStartsCold() {
  static const bool cold = ::access(kDropCaches, W_OK) == 0;
  return cold;
}

void StartRun() {
  ::sync();
  if (!CacheStartsCold()) return;
  const int fd = ::open(kDropCaches, O_WRONLY | O_CLOEXEC);
  if (fd < 0 || ::write(fd, "3", 1) != 1) Fail(QStringLiteral("cannot drop the page cache"));
  ::close(fd);
}

TAlternateTimes AlternateMedians(int runs, const std::function<void()>& prepare, const std::function<void()>& zarn,
                                 const std::function<double()>& peer, const CheckSide& check) {
  TAlternateTimes times;
  std::vector<double> peerRuns;
  for (int run = 0; run < runs; ++run) {
    if (prepare) prepare();
    StartRun();
    QElapsedTimer timer;
    timer.start();
    zarn();
    times.ZarnRuns.push_back(double(timer.nsecsElapsed()) / 1e9);
    if (check) check(true);
    if (prepare) prepare();
    StartRun();
    peerRuns.push_back(peer());
    if (check) check(false);
  }
  times.Zarn = Median(times.ZarnRuns);
  times.Peer = Median(peerRuns);
  return times;
}

void TurnEventLoopUntil(const std::function<bool()>& done) {
  while (!done()) QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 10);
}

double LongestBlockMs(const std::function<void()>& start, const std::function<bool()>& done) {
  QElapsedTimer clock;
  clock.start();
  qint64 lastTurn = 0;
  qint64 longest = 0;
  QTimer ticker;  // a zero interval fires once per turn of the loop
  ticker.setInterval(0);
  QObject::connect(&ticker, &QTimer::timeout, [&] {
    const qint64 now = clock.nsecsElapsed();
    longest = std::max(longest, now - lastTurn);
    lastTurn = now;
  });
  ticker.start();
  bool started = false;
  QTimer::singleShot(0, [&] {
    start();
    started = true;
  });
  TurnEventLoopUntil([&] { return started && done(); });
  QCoreApplication::processEvents();  // the turn after the last piece of work
  return double(longest) / 1e6;
}

void PrintRatio(const QString& name, double zarnSeconds, double peerSeconds) {
  std::printf("bench: %s ratio=%.2f zarn=%.3fs peer=%.3fs cache=%s\n", qPrintable(name),
              peerSeconds > 0 ? zarnSeconds / peerSeconds : 0.0, zarnSeconds, peerSeconds,
              CacheStartsCold() ? "cold" : "warm");
  std::fflush(stdout);
}

void PrintRatio(const QString& name, const TAlternateTimes& times) { PrintRatio(name, times.Zarn, times.Peer); }

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
