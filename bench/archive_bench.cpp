// Listing a large archive: from opening a zip of 100,000 files in nested
// folders to having its root's children, against `bsdtar -tf` on the same file.

#include <archive.h>
#include <archive_entry.h>

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

int PeerCount(const QString& path) {
  return int(ProgramOutput({QStringLiteral("bsdtar"), QStringLiteral("-tf"), path}).count('\n'));
}

}  // namespace
}  // namespace zarn::bench

int main() {
  using namespace zarn;
  using namespace zarn::bench;
  const QString path = MakeZip();
  if (PeerCount(path) != Entries) Fail(QStringLiteral("archive-list-100k: bsdtar did not list 100,000 entries"));
  std::size_t rootChildren = 0;
  std::size_t files = 0;
  // Times the index being read and the root's children being taken from it,
  // against bsdtar reading every header of the same file.
  const auto listRoot = [&] {
    auto index = TArchiveIndex::Open(path);
    if (index.IsError()) Fail(QStringLiteral("archive-list-100k: the archive did not open"));
    rootChildren = index.Value()->Children("").size();
    files = std::size_t(index.Value()->FolderSize("").Files);
  };
  const auto check = [&](bool zarnSide) {
    if (zarnSide && (rootChildren != 100 || files != std::size_t(Entries)))
      Fail(QStringLiteral("archive-list-100k: the index did not hold 100,000 entries"));
  };
  const auto times = AlternateMedians(
      3, {}, listRoot, [&] { return TimeProgram({QStringLiteral("bsdtar"), QStringLiteral("-tf"), path}); }, check);
  PrintRatio(QStringLiteral("archive-list-100k"), times);
  return 0;
}
