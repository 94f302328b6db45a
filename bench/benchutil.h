#pragma once
// Helpers for the benchmark programs. Each program builds its own data under
// /tmp, times Zarn's code and the standard tool for the same job in the same
// run, and prints one line per figure:
//   bench: NAME ratio=R zarn=Ts peer=Ts
//   bench: NAME value=V UNIT

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

namespace zarn::bench {

// Seconds taken by `work`, the median of `runs` runs.
double MedianSeconds(int runs, const std::function<void()>& work);
// Runs a program (no shell) with stdout and stderr sent to /dev/null and
// returns its wall time in seconds; exits the benchmark when it fails to start.
double TimeProgram(const QStringList& argv);
double MedianProgramSeconds(int runs, const QStringList& argv);

void PrintRatio(const QString& name, double zarnSeconds, double peerSeconds);
void PrintValue(const QString& name, double value, const QString& unit);

// Resident set size of this process in bytes.
long long ResidentBytes();
// Drops clean page-cache pages of a tree when permitted; otherwise a no-op.
void WarmUp(const QStringList& argv);

// Where ScratchFolder(name) lives, left as it is.
QString ScratchFolderPath(const QString& name);
// A fresh, empty scratch folder under /tmp (or $ZARN_BENCH_DIR).
QString ScratchFolder(const QString& name);
// Writes what a benchmark just made to its device, so that the write-back of a
// freshly made tree does not run during the timings of whichever tool runs first.
void SettleWrites(const QString& folder);

}  // namespace zarn::bench
