// Viewer figures: a page rendered in hex and in text at random offsets of a
// 10 GiB sparse file, and the in-file search over 1 GiB against grep.

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
  for (int index = 0; index < 1024; ++index) file.write(block);
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
  const QStringList grep{QStringLiteral("grep"), QStringLiteral("-c"), QStringLiteral("-i"), QStringLiteral("-F"),
                         QStringLiteral("zarnneedle"), searchFile};
  TimeProgram(grep);  // both read from the page cache from here on
  qint64 found = -1;
  const double zarnSeconds = MedianSeconds(3, [&] { found = FindInFile(searchFile, "zarnneedle", 0); });
  if (found != (qint64(1) << 30)) {
    std::printf("find-in-file: wrong offset %lld\n", static_cast<long long>(found));
    return 1;
  }
  PrintRatio(QStringLiteral("find-in-file-1g"), zarnSeconds, MedianProgramSeconds(3, grep));
  QFile::remove(sparse);
  QFile::remove(searchFile);
  return 0;
}
