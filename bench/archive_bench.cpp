// Listing a large archive: from opening a zip of 100,000 files in nested
// folders to having its root's children, against `bsdtar -tf` on the same file.

#include <QProcess>

#include <archive.h>
#include <archive_entry.h>

#include <cstdio>
#include <cstdlib>

#include "archives/archiveindex.h"
#include "benchutil.h"

namespace zarn::bench {
namespace {

constexpr int Entries = 100000;

QString MakeZip() {
  const QString path = ScratchFolder(QStringLiteral("archive-list")) + QStringLiteral("/big.zip");
  archive* writer = archive_write_new();
  archive_write_set_format_zip(writer);
  archive_write_open_filename(writer, path.toUtf8().constData());
  for (int i = 0; i < Entries; ++i) {
    const QByteArray name = "top" + QByteArray::number(i % 100) + "/mid" + QByteArray::number(i % 7) + "/entry-" +
                            QByteArray::number(i) + ".txt";
    archive_entry* entry = archive_entry_new();
    archive_entry_copy_pathname(entry, name.constData());
    archive_entry_set_filetype(entry, AE_IFREG);
    archive_entry_set_perm(entry, 0644);
    archive_entry_set_size(entry, 1);
    archive_write_header(writer, entry);
    archive_write_data(writer, "x", 1);
    archive_entry_free(entry);
  }
  archive_write_close(writer);
  archive_write_free(writer);
  return path;
}

void Require(bool condition, const char* what) {
  if (condition) return;
  std::fprintf(stderr, "bench: archive-list-100k: %s\n", what);
  std::exit(1);
}

int PeerCount(const QString& path) {
  QProcess process;
  process.start(QStringLiteral("bsdtar"), {QStringLiteral("-tf"), path});
  Require(process.waitForFinished(120000) && process.exitStatus() == QProcess::NormalExit &&
              process.exitCode() == 0, "bsdtar -tf failed");
  return int(process.readAllStandardOutput().count('\n'));
}

}  // namespace
}  // namespace zarn::bench

int main() {
  using namespace zarn;
  using namespace zarn::bench;
  const QString path = MakeZip();
  Require(PeerCount(path) == Entries, "bsdtar did not list 100,000 entries");
  std::size_t rootChildren = 0;
  std::size_t files = 0;
  // Times the index being read and the root's children being taken from it.
  const double zarn = MedianSeconds(3, [&] {
    auto index = TArchiveIndex::Open(path);
    Require(!index.IsError(), "the archive did not open");
    rootChildren = index.Value()->Children("").size();
    files = std::size_t(index.Value()->FolderSize("").Files);
  });
  Require(rootChildren == 100 && files == std::size_t(Entries), "the index did not hold 100,000 entries");
  const double peer = MedianProgramSeconds(3, {QStringLiteral("bsdtar"), QStringLiteral("-tf"), path});
  PrintRatio(QStringLiteral("archive-list-100k"), zarn, peer);
  return 0;
}
