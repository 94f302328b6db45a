#pragma once
// Helpers for the benchmark programs. Each program builds its own data under
// /tmp, checks that Zarn's code and the standard tool for the same job both
// did it right, times them alternately in the same run, and prints one line per
// figure:
//   bench: NAME ratio=R zarn=Ts peer=Ts cache=cold|warm
//   bench: NAME value=V UNIT
// Any failed check ends the program with a message and exit status 1, before
// the figure it concerns is printed.

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

namespace zarn::bench {

[[noreturn]] void Fail(const QString& message);

// ZARN_BENCH_SCALE=N shrinks the data of every benchmark N times, to check
// the benchmarks quickly; figures are only meaningful at 1, the default.
qint64 Scaled(qint64 full);

// Seconds taken by `work`, the median of `runs` runs, for figures with no peer.
double MedianSeconds(int runs, const std::function<void()>& work);
// Runs a program (no shell, locale pinned to C.UTF-8) with stdout and stderr
// sent to /dev/null and returns its wall time in seconds, from spawn to exit.
// Ends the benchmark when the program cannot start or exits non-zero.
double TimeProgram(const QStringList& argv);
// Runs a program as TimeProgram does and returns its standard output.
QByteArray ProgramOutput(const QStringList& argv);

// Where the page cache may be dropped (root), writes back dirty pages and
// drops the cache, so that the timed run that follows starts cold; otherwise
// it only writes back dirty pages and every run starts warm.
void StartRun();
bool CacheStartsCold();

struct TAlternateTimes {
  double Zarn = 0;
  double Peer = 0;
  std::vector<double> ZarnRuns;
};
// Runs `prepare`, StartRun, then `zarn` (timed here), then `check(true)`; then
// the same for `peer`, which returns its own time, and `check(false)`; `runs`
// times. Returns the median time of each side. `prepare` and `check` may be empty.
using CheckSide = std::function<void(bool zarnSide)>;
TAlternateTimes AlternateMedians(int runs, const std::function<void()>& prepare, const std::function<void()>& zarn,
                                 const std::function<double()>& peer, const CheckSide& check = {});

void PrintRatio(const QString& name, double zarnSeconds, double peerSeconds);
void PrintRatio(const QString& name, const TAlternateTimes& times);
void PrintValue(const QString& name, double value, const QString& unit);

// Turns the event loop until `done()`.
void TurnEventLoopUntil(const std::function<bool()>& done);
// Runs `start` from the event loop, then turns the loop until `done()`, and
// returns the longest time between two turns of the loop meanwhile, in ms:
// how long the window could not answer input or repaint.
double LongestBlockMs(const std::function<void()>& start, const std::function<bool()>& done);

// Resident set size of this process in bytes.
long long ResidentBytes();

// Where ScratchFolder(name) lives, left as it is.
QString ScratchFolderPath(const QString& name);
// A fresh, empty scratch folder under /tmp (or $ZARN_BENCH_DIR).
QString ScratchFolder(const QString& name);
// Writes what a benchmark just made to its device, so that the write-back of a
// freshly made tree does not run during the timings of whichever tool runs first.
void SettleWrites(const QString& folder);

}  // namespace zarn::bench
