// Viewer figures: a page rendered in hex and in text at random offsets of a
// 10 GiB sparse file, and the in-file search over 1 GiB against ripgrep and
// grep. Our side times FindInFile in this process, the viewer's own search
// path with its pauses for the window; the peer's time is its whole process.

#include <QFile>

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <random>

#include "benchutil.h"
#include "platform/filenames.h"
#include "viewer/fileaccess.h"
#include "viewer/findinfile.h"
#include "viewer/pager.h"
#include "viewer/pagetext.h"

namespace zarn::bench {
namespace {

constexpr int kRendersPerRun = 2000;

// A sparse file of `size` bytes with a little text written every 64 MiB.
QString MakeSparseFile(const QString& folder, quint64 size) {
  const QString path = folder + QStringLiteral("/sparse.bin");
  const int descriptor = ::open(ToNativeName(path).constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (descriptor < 0 || ::ftruncate(descriptor, static_cast<off_t>(size)) != 0) {
    std::perror("sparse file");
    std::exit(1);
  }
  const char text[] = "Some text\r\nwith lines\tand tabs \xC0\xC1\xC2 ";
  for (quint64 offset = 0; offset + sizeof text < size; offset += quint64(64) << 20) {
    if (::pwrite(descriptor, text, sizeof text, static_cast<off_t>(offset)) < 0) std::perror("pwrite");
  }
  ::close(descriptor);
  return path;
}

// Milliseconds per page: open, read and build the page at random positions.
double PageRenderMilliseconds(const QString& path, quint64 size, bool textMode) {
  TPager pager;
  pager.SetPageRange(size, 23);
  std::mt19937_64 random(42);
  std::uniform_int_distribution<qint64> positions(0, pager.Maximum());
  qsizetype sink = 0;
  const double seconds = MedianSeconds(5, [&] {
    for (int render = 0; render < kRendersPerRun; ++render) {
      pager.SetPosition(positions(random));
      auto bytes = ReadFileRange(path, pager.PageOffset(), pager.PageCount(textMode));
      if (bytes.IsError()) std::exit(1);
      sink += textMode ? TextPageText(bytes.Value(), CodePage::Win).size()
                       : HexPageLines(bytes.Value(), pager.PageOffset(), CodePage::Win).join('\n').size();
    }
  });
  if (sink == 0) std::printf("no pages\n");
  return seconds * 1000.0 / kRendersPerRun;
}

// 1 GiB of English and Russian prose lines, the needle only at the end.
QString MakeSearchFile(const QString& folder) {
  const QString path = folder + QStringLiteral("/search.txt");
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly)) std::exit(1);
  QByteArray block;
  // Plain prose: the figure is for text as people keep it, not for data made
  // of the needle's rarest letter.
  const char* lines[] = {
      "It was the best of times, it was the worst of times, it was the age of wisdom,\n",
      "The file manager copies, moves and deletes files; its viewer shows them as text.\n",
      "\xDD\xF2\xEE \xF1\xF2\xF0\xEE\xEA\xE0 \xF0\xF3\xF1\xF1\xEA\xEE\xE3\xEE \xF2\xE5\xEA\xF1\xF2\xE0 2024-01-15 12:34:56\n",
      "Settings are kept in plain text files next to the program, one value per line.\n",
      "Large folders are listed on demand, and sizes are computed in the background.\n",
  };
  for (int line = 0; block.size() < (1 << 20); ++line) block += lines[line % 5];
  block.truncate(1 << 20);
  for (qint64 index = 0; index < Scaled(1024); ++index) file.write(block);
  file.write("ZARNNEEDLE\n");
  return path;
}

}  // namespace
}  // namespace zarn::bench

int main() {
  using namespace zarn;
  using namespace zarn::bench;
  const QString folder = ScratchFolder(QStringLiteral("viewer"));
  const quint64 sparseSize = quint64(10) << 30;
  const QString sparse = MakeSparseFile(folder, sparseSize);
  PrintValue(QStringLiteral("page-render-hex-ms"), PageRenderMilliseconds(sparse, sparseSize, false), "ms");
  PrintValue(QStringLiteral("page-render-text-ms"), PageRenderMilliseconds(sparse, sparseSize, true), "ms");

  const QString searchFile = MakeSearchFile(folder);
  const QString needle = QStringLiteral("zarnneedle");
  const qint64 needleAt = Scaled(1024) * (1 << 20);
  const auto ours = [&] {
    if (const qint64 found = FindInFile(searchFile, needle.toLatin1(), 0); found != needleAt)
      Fail(QStringLiteral("find-in-file: found at %1, not at %2").arg(found).arg(needleAt));
  };
  const auto compare = [&](const QString& figure, const QStringList& peer) {
    // The file holds the needle once: the peer must count one line.
    if (const QByteArray count = ProgramOutput(peer).trimmed(); count != "1")
      Fail(QStringLiteral("%1: %2 counts %3 lines, not 1").arg(figure, peer.first(), QString::fromLatin1(count)));
    PrintRatio(figure, AlternateMedians(3, {}, ours, [&] { return TimeProgram(peer); }));
  };
  compare(QStringLiteral("find-in-file-1g"), {"rg", "-c", "-i", "-F", "-a", needle, searchFile});
  compare(QStringLiteral("find-in-file-1g-grep"), {"grep", "-c", "-i", "-F", needle, searchFile});
  QFile::remove(sparse);
  QFile::remove(searchFile);
  return 0;
}
