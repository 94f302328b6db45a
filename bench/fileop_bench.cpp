// Copy and move through the file-operation engine (the call the window makes)
// against cp -a and mv, each followed by sync -f, since the engine flushes
// before it reports success. Every copy and every moved tree is compared with
// its source before any figure is printed.

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "benchutil.h"
#include "platform/filenames.h"
#include "platform/fileop.h"
#include "platform/fileop_remove.h"

namespace zarn::bench {
namespace {

constexpr int BigRuns = 7;
constexpr int SmallRuns = 5;

// Nothing should be asked in a benchmark; any question ends the operation.
class NoQuestions final : public TFileOpQuestions {
 public:
  ConflictAnswer AskReplace(const ObjectFacts&, const ObjectFacts&) override { return ConflictAnswer::Cancel; }
  ErrorAnswer AskOnError(const OsError& error) override {
    std::fprintf(stderr, "bench: %s\n", qPrintable(error.Text()));
    return ErrorAnswer::Cancel;
  }
  bool AskDeleteForGood(const QString&, const OsError&) override { return false; }
};

void RunOperation(FileOpKind kind, const QString& source, const QString& destination) {
  FileOpRequest request;
  request.Kind = kind;
  request.Sources = {source};
  request.Destination = destination;
  NoQuestions questions;
  if (!FileOperation(request, questions).Run().Succeeded())
    Fail(QStringLiteral("the engine failed to %1 %2").arg(kind == FileOpKind::Move ? QStringLiteral("move") : QStringLiteral("copy"), source));
}

void WriteFile(const QByteArray& path, qint64 size) {
  std::vector<char> block(1 << 20);
  for (std::size_t i = 0; i < block.size(); ++i) block[i] = char(i * 7 + i / 4096);
  const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  for (qint64 written = 0; written < size; written += qint64(block.size()))
    if (::write(fd, block.data(), std::size_t(std::min<qint64>(qint64(block.size()), size - written))) < 0)
      Fail(QStringLiteral("cannot write %1").arg(QString::fromLocal8Bit(path)));
  ::close(fd);
}

void MakeSmallFiles(const QString& root, int count) {
  for (int i = 0; i < count; ++i) {
    const QString folder = root + QStringLiteral("/d%1/e%2").arg(i / 1000).arg(i / 100 % 10);
    if (i % 100 == 0) QDir().mkpath(folder);
    const QByteArray path = zarn::ToNativeName(folder + QStringLiteral("/f%1.txt").arg(i));
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const std::vector<char> bytes(std::size_t(500 + i % 3000), char('a' + i % 26));
    if (::write(fd, bytes.data(), bytes.size()) < 0) std::perror("bench: write");
    ::close(fd);
  }
}

void Clear(const QString& path) { (void)RemoveTree(zarn::ToNativeName(path)); }

void CheckSameFile(const QString& source, const QString& copy) {
  QFile original(source), duplicate(copy);
  if (!original.open(QIODevice::ReadOnly) || !duplicate.open(QIODevice::ReadOnly))
    Fail(QStringLiteral("cannot open %1 or %2").arg(source, copy));
  if (original.size() != duplicate.size())
    Fail(QStringLiteral("%1 has %2 bytes, its source %3").arg(copy).arg(duplicate.size()).arg(original.size()));
  while (!original.atEnd()) {
    if (original.read(1 << 20) != duplicate.read(1 << 20)) Fail(QStringLiteral("%1 differs from %2").arg(copy, source));
  }
}

// Every file below `source` is below `copy` with the same size and content,
// and `copy` holds nothing else.
void CheckSameTree(const QString& source, const QString& copy) {
  if (QFileInfo(source).isFile()) return CheckSameFile(source, copy);
  int files = 0;
  QDirIterator walk(source, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
  while (walk.hasNext()) {
    const QString path = walk.next();
    CheckSameFile(path, copy + path.mid(source.size()));
    ++files;
  }
  int copied = 0;
  QDirIterator copies(copy, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
  while (copies.hasNext()) copies.next(), ++copied;
  if (copied != files) Fail(QStringLiteral("%1 holds %2 files, its source %3").arg(copy).arg(copied).arg(files));
}

double PeerWithSync(const QStringList& argv, const QString& target) {
  return TimeProgram(argv) + TimeProgram({"sync", "-f", target});
}

// Times a copy of `source` into a fresh folder by the engine and by cp -a +
// sync -f, alternately; each copy is compared with the source afterwards.
void CompareCopy(const QString& name, int runs, const QString& scratch, const QString& source) {
  const QString target = scratch + QStringLiteral("/copy");
  const QString copied = target + QStringLiteral("/") + QFileInfo(source).fileName();
  const TAlternateTimes times = AlternateMedians(
      runs, [&] { Clear(target), QDir().mkpath(target); }, [&] { RunOperation(FileOpKind::Copy, source, target); },
      [&] { return PeerWithSync({"cp", "-a", source, target}, target); },
      [&](bool) { CheckSameTree(source, copied); });
  Clear(target);
  PrintRatio(name, times);
  if (name == QStringLiteral("copy-1g")) {
    const auto [fastest, slowest] = std::minmax_element(times.ZarnRuns.begin(), times.ZarnRuns.end());
    PrintValue(name + QStringLiteral("-spread"), *slowest / *fastest, QStringLiteral("max/min"));
  }
}

dev_t DeviceOf(const QString& path) {
  struct stat facts {};
  return ::stat(zarn::ToNativeName(path).constData(), &facts) == 0 ? facts.st_dev : dev_t(-1);
}

// Times moving a tree of small files from the disk into /dev/shm, another file
// system, by the engine and by mv + sync -f on the destination, alternately.
// Each run moves a fresh copy of `reference` (made untimed); afterwards every
// file must be at the destination with its content and nothing left behind.
void CompareCrossDeviceMove(const QString& scratch, const QString& reference) {
  const QString shm = QStringLiteral("/dev/shm");
  if (!QFileInfo(shm).isDir() || DeviceOf(shm) == DeviceOf(scratch)) {
    std::fprintf(stderr, "bench: move-20k-files-xfs skipped: /dev/shm is missing or on the disk's file system\n");
    return;
  }
  const QString source = scratch + QStringLiteral("/to-move");
  const QString target = shm + QStringLiteral("/zarn-bench-move");
  const QString moved = target + QStringLiteral("/to-move");
  const TAlternateTimes times = AlternateMedians(
      SmallRuns,
      [&] {
        Clear(target), Clear(source), QDir().mkpath(target);
        TimeProgram({"cp", "-a", reference, source});
      },
      [&] { RunOperation(FileOpKind::Move, source, target); },
      [&] { return PeerWithSync({"mv", source, target}, target); },
      [&](bool) {
        if (QFileInfo::exists(source)) Fail(QStringLiteral("%1 is still there after the move").arg(source));
        CheckSameTree(reference, moved);
      });
  Clear(target);
  PrintRatio(QStringLiteral("move-20k-files-xfs"), times);
}

}  // namespace
}  // namespace zarn::bench

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  using namespace zarn::bench;
  const QString scratch = ScratchFolder(QStringLiteral("fileop"));

  const QString big = scratch + QStringLiteral("/big.bin");
  WriteFile(zarn::ToNativeName(big), Scaled(1LL << 30));
  CompareCopy(QStringLiteral("copy-1g"), BigRuns, scratch, big);
  ::unlink(zarn::ToNativeName(big).constData());

  const QString small = scratch + QStringLiteral("/small");
  MakeSmallFiles(small, int(Scaled(20000)));
  CompareCopy(QStringLiteral("copy-20k-files"), SmallRuns, scratch, small);
  CompareCrossDeviceMove(scratch, small);

  (void)zarn::RemoveTree(zarn::ToNativeName(scratch));
  return 0;
}
