// Copy and move through the file-operation engine against cp -a (followed by
// sync -f, since the engine flushes before it reports success) and mv.

#include <QCoreApplication>
#include <QDir>

#include <fcntl.h>
#include <unistd.h>

#include <QFileInfo>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "benchutil.h"
#include "platform/filenames.h"
#include "platform/fileop.h"
#include "platform/fileop_remove.h"

namespace zarn::bench {
namespace {

constexpr int Runs = 3;

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

bool RunOperation(FileOpKind kind, const QString& source, const QString& destination) {
  FileOpRequest request;
  request.Kind = kind;
  request.Sources = {source};
  request.Destination = destination;
  NoQuestions questions;
  return FileOperation(request, questions).Run().Succeeded();
}

void WriteFile(const QByteArray& path, qint64 size) {
  std::vector<char> block(1 << 20);
  for (std::size_t i = 0; i < block.size(); ++i) block[i] = char(i * 7 + i / 4096);
  const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  for (qint64 written = 0; written < size; written += qint64(block.size()))
    if (::write(fd, block.data(), block.size()) < 0) break;
  ::close(fd);
}

void MakeSmallFiles(const QString& root, int count) {
  for (int i = 0; i < count; ++i) {
    const QString folder = root + QStringLiteral("/d%1/e%2").arg(i / 1000).arg(i / 100 % 10);
    if (i % 100 == 0) QDir().mkpath(folder);
    const QByteArray path = zarn::ToNativeName(folder + QStringLiteral("/f%1.txt").arg(i));
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const std::vector<char> bytes(std::size_t(500 + i % 3000), 'x');
    if (::write(fd, bytes.data(), bytes.size()) < 0) std::perror("bench: write");
    ::close(fd);
  }
}

void Clear(const QString& path) {
  (void)RemoveTree(zarn::ToNativeName(path));
  ::sync();
}

// Times a copy of `source` into fresh folders by the engine and by cp -a + sync -f, alternating.
void CompareCopy(const QString& name, const QString& scratch, const QString& source) {
  std::vector<double> zarnTimes, peerTimes;
  const QString zarnTarget = scratch + QStringLiteral("/zarn-copy");
  const QString peerTarget = scratch + QStringLiteral("/peer-copy");
  for (int run = 0; run < Runs; ++run) {
    Clear(zarnTarget);
    QDir().mkpath(zarnTarget);
    ::sync();
    zarnTimes.push_back(MedianSeconds(1, [&] {
      if (!RunOperation(FileOpKind::Copy, source, zarnTarget)) std::fprintf(stderr, "bench: %s copy failed\n", qPrintable(name));
    }));
    Clear(zarnTarget);
    Clear(peerTarget);
    QDir().mkpath(peerTarget);
    ::sync();
    peerTimes.push_back(TimeProgram({"cp", "-a", source, peerTarget}) + TimeProgram({"sync", "-f", peerTarget}));
    Clear(peerTarget);
  }
  std::sort(zarnTimes.begin(), zarnTimes.end());
  std::sort(peerTimes.begin(), peerTimes.end());
  PrintRatio(name, zarnTimes[Runs / 2], peerTimes[Runs / 2]);
}

void CompareMove(const QString& scratch, const QString& source) {
  const QString there = scratch + QStringLiteral("/moved");
  QDir().mkpath(there);
  ::sync();
  const QString movedBack = there + QStringLiteral("/") + QFileInfo(source).fileName();
  std::vector<double> zarnTimes, peerTimes;
  for (int run = 0; run < Runs; ++run) {
    zarnTimes.push_back(MedianSeconds(1, [&] { RunOperation(FileOpKind::Move, source, there); }));
    TimeProgram({"mv", movedBack, scratch});
    ::sync();
    peerTimes.push_back(TimeProgram({"mv", source, there}));
    TimeProgram({"mv", movedBack, scratch});
    ::sync();
  }
  std::sort(zarnTimes.begin(), zarnTimes.end());
  std::sort(peerTimes.begin(), peerTimes.end());
  PrintRatio(QStringLiteral("move-20k-files"), zarnTimes[Runs / 2], peerTimes[Runs / 2]);
}

}  // namespace
}  // namespace zarn::bench

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  using namespace zarn::bench;
  const QString scratch = ScratchFolder(QStringLiteral("fileop"));

  const QString big = scratch + QStringLiteral("/big.bin");
  WriteFile(zarn::ToNativeName(big), 1LL << 30);
  ::sync();
  CompareCopy(QStringLiteral("copy-1g"), scratch, big);
  ::unlink(zarn::ToNativeName(big).constData());

  const QString small = scratch + QStringLiteral("/small");
  MakeSmallFiles(small, 20000);
  ::sync();
  WarmUp({"du", "-s", small});
  CompareCopy(QStringLiteral("copy-20k-files"), scratch, small);
  CompareMove(scratch, small);

  (void)zarn::RemoveTree(zarn::ToNativeName(scratch));
  return 0;
}
