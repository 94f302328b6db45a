#include "archives/archiveindex.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>

#include "archives/archivetempcopy.h"
#include "archivesamples.h"
#include "temptree.h"
#include "viewer/codepages.h"

namespace zarn {
namespace {

using test::SampleFolder;
using test::SampleLink;
using test::TempTree;
using test::TSampleEntry;

std::shared_ptr<TArchiveIndex> OpenOrFail(const QString& path) {
  auto index = TArchiveIndex::Open(path);
  EXPECT_FALSE(index.IsError()) << index.Error().Text().toStdString();
  return index ? index.Value() : nullptr;
}

QStringList NamesOf(const std::vector<const TArchiveEntry*>& entries) {
  QStringList names;
  for (const TArchiveEntry* entry : entries) names << entry->Name;
  names.sort();
  return names;
}

struct FormatCase {
  const char* Name;
  int Format;
  int Filter;
};

class ArchiveFormats : public testing::TestWithParam<FormatCase> {};

// The columns come from the headers: size, time and mode of each entry, link
// targets, and folders that only the paths below them name.
TEST_P(ArchiveFormats, ListsHeadersAndImplicitFolders) {
  TempTree tree;
  const QString path = tree.Path(QStringLiteral("sample.") + QString::fromLatin1(GetParam().Name));
  ASSERT_TRUE(test::WriteArchive(path, GetParam().Format, GetParam().Filter,
                                 {{"docs/a.txt", "hello", AE_IFREG, 0640, {}, {}, 1500000000},
                                  {"docs/sub/b.bin", QByteArray(3000, 'b')},
                                  SampleLink("link", "docs/a.txt"),
                                  SampleFolder("empty/", 0750)}));
  const auto index = OpenOrFail(path);
  ASSERT_TRUE(index);
  EXPECT_FALSE(index->ReadError());
  EXPECT_EQ(NamesOf(index->Children("")), (QStringList{"docs", "empty", "link"}));
  EXPECT_EQ(NamesOf(index->Children("docs")), (QStringList{"a.txt", "sub"}));

  const TArchiveEntry* docs = index->Find("docs");
  ASSERT_TRUE(docs);
  EXPECT_TRUE(docs->Implicit);
  EXPECT_EQ(docs->Type, ArchiveEntryType::Folder);
  const TArchiveEntry* text = index->Find("docs/a.txt");
  ASSERT_TRUE(text);
  EXPECT_EQ(text->Size, 5);
  EXPECT_EQ(text->Mode, 0640u);
  EXPECT_EQ(text->Modified.toSecsSinceEpoch(), 1500000000);
  EXPECT_EQ(text->Text, QStringLiteral("docs/a.txt"));
  const TArchiveEntry* empty = index->Find("empty");
  ASSERT_TRUE(empty);
  EXPECT_FALSE(empty->Implicit);
  EXPECT_EQ(empty->Mode, 0750u);
  if (GetParam().Format != ARCHIVE_FORMAT_ZIP || index->Find("link")->Type == ArchiveEntryType::Symlink) {
    EXPECT_EQ(index->Find("link")->LinkTarget, "docs/a.txt");
  }
  const TArchiveFolderSize size = index->FolderSize("docs");
  EXPECT_EQ(size.Bytes, 3005);
  EXPECT_EQ(size.Files, 2);
  EXPECT_EQ(size.Folders, 1);
}

INSTANTIATE_TEST_SUITE_P(Formats, ArchiveFormats,
                         testing::Values(FormatCase{"tar.gz", ARCHIVE_FORMAT_TAR_PAX_RESTRICTED, ARCHIVE_FILTER_GZIP},
                                         FormatCase{"tar.xz", ARCHIVE_FORMAT_TAR_USTAR, ARCHIVE_FILTER_XZ},
                                         FormatCase{"tar.zst", ARCHIVE_FORMAT_TAR_GNUTAR, ARCHIVE_FILTER_ZSTD},
                                         FormatCase{"zip", ARCHIVE_FORMAT_ZIP, ARCHIVE_FILTER_NONE},
                                         FormatCase{"cpio", ARCHIVE_FORMAT_CPIO_SVR4_NOCRC, ARCHIVE_FILTER_BZIP2}),
                         [](const testing::TestParamInfo<FormatCase>& info) {
                           return QString::fromLatin1(info.param.Name).remove(QLatin1Char('.')).toStdString();
                         });

// Detection is by content: a tar named .zip, and a lone gzip stream that is
// a folder of one file named after it.
TEST(ArchiveIndex, DetectsByContentAndShowsACompressedFileAsFolderOfOne) {
  TempTree tree;
  const QString tar = tree.Path(QStringLiteral("misnamed.zip"));
  ASSERT_TRUE(test::WriteArchive(tar, ARCHIVE_FORMAT_TAR_USTAR, ARCHIVE_FILTER_NONE, {{"inside.txt", "x"}}));
  EXPECT_EQ(NamesOf(OpenOrFail(tar)->Children("")), QStringList{"inside.txt"});

  const QString gzip = tree.Path(QStringLiteral("notes.txt.gz"));
  ASSERT_TRUE(test::WriteArchive(gzip, ARCHIVE_FORMAT_RAW, ARCHIVE_FILTER_GZIP, {{"data", QByteArray(70000, 'n')}}));
  const auto single = OpenOrFail(gzip);
  ASSERT_TRUE(single);
  EXPECT_TRUE(single->IsSingleFile());
  ASSERT_EQ(NamesOf(single->Children("")), QStringList{"notes.txt"});
  EXPECT_EQ(single->Find("notes.txt")->Size, 70000);

  tree.CreateFile("plain.txt", "not an archive at all\n");
  EXPECT_TRUE(TArchiveIndex::Open(tree.Path(QStringLiteral("plain.txt"))).IsError());
}

// Zip names without the UTF-8 flag are 866 by default, even those whose bytes
// happen to be valid UTF-8; flagged names stay UTF-8 whatever code page the
// user picks for the others.
TEST(ArchiveIndex, ZipNamesWithoutTheUtf8FlagAreReadIn866AndCanBeReadAnew) {
  TempTree tree;
  const QString path = tree.Path(QStringLiteral("dos.zip"));
  const QByteArray greeting = QByteArray("\x8f\xe0\xa8\xa2\xa5\xe2.txt");  // "Привет.txt" in 866
  const QByteArray report = QByteArray("\xe0\xa0\xaf.txt");                // "рап.txt", also valid UTF-8
  const QByteArray folder = QByteArray("\x8f\xa0\xaf\xaa\xa0/\xe4.txt");   // "Папка/ф.txt"
  ASSERT_TRUE(test::WriteRawZip(path, {{greeting, "1"}, {report, "2"}, {folder, "3"},
                                       {QStringLiteral("Документ.txt").toUtf8(), "4", true}}));
  const auto index = OpenOrFail(path);
  ASSERT_TRUE(index);
  EXPECT_TRUE(index->HasLegacyNames());
  EXPECT_EQ(NamesOf(index->Children("")),
            (QStringList{QStringLiteral("Документ.txt"), QStringLiteral("Папка"), QStringLiteral("Привет.txt"),
                         QStringLiteral("рап.txt")}));
  EXPECT_EQ(index->Find(folder)->Text, QStringLiteral("Папка/ф.txt"));

  index->SetLegacyCodePage(Cp1251ToUnicode);
  EXPECT_EQ(index->Find(greeting)->Name, DecodeSingleBytes(greeting, Cp1251ToUnicode));
  EXPECT_EQ(index->Find(QStringLiteral("Документ.txt").toUtf8())->Name, QStringLiteral("Документ.txt"));
}

// A truncated archive keeps what was read before the break and says where it broke.
TEST(ArchiveIndex, TruncatedArchiveListsAsFarAsItCanWithAnError) {
  TempTree tree;
  const QString path = tree.Path(QStringLiteral("cut.tar.gz"));
  std::vector<TSampleEntry> entries;
  for (int i = 0; i < 40; ++i) {
    QByteArray data;
    quint32 state = 2654435761u * quint32(i + 1);
    for (int j = 0; j < 4000; ++j) data.append(char((state = state * 1664525u + 1013904223u) >> 24));
    entries.push_back({"file" + QByteArray::number(i), data});
  }
  ASSERT_TRUE(test::WriteArchive(path, ARCHIVE_FORMAT_TAR_USTAR, ARCHIVE_FILTER_GZIP, entries));
  QFile file(path);
  ASSERT_TRUE(file.resize(file.size() / 2));

  const auto index = OpenOrFail(path);
  ASSERT_TRUE(index);
  ASSERT_TRUE(index->ReadError());
  const qsizetype listed = index->Children("").size();
  EXPECT_GT(listed, 5);
  EXPECT_LT(listed, 40);
  EXPECT_TRUE(index->ReadError()->Text().contains(QStringLiteral("прочитано заголовков")))
      << index->ReadError()->Text().toStdString();
  EXPECT_TRUE(index->ReadError()->Text().contains(path));
}

// An archive inside an archive opens from a private copy that goes with its index.
TEST(ArchiveIndex, ArchiveInsideAnArchiveOpensFromACopyRemovedWithIt) {
  TempTree tree;
  const QString inner = tree.Path(QStringLiteral("inner.tar.xz"));
  ASSERT_TRUE(test::WriteArchive(inner, ARCHIVE_FORMAT_TAR_USTAR, ARCHIVE_FILTER_XZ, {{"deep/x.txt", "nested"}}));
  QFile innerFile(inner);
  ASSERT_TRUE(innerFile.open(QIODevice::ReadOnly));
  const QString outer = tree.Path(QStringLiteral("outer.zip"));
  ASSERT_TRUE(test::WriteArchive(outer, ARCHIVE_FORMAT_ZIP, ARCHIVE_FILTER_NONE,
                                 {{"pack/inner.tar.xz", innerFile.readAll()}}));

  const std::shared_ptr<const TArchiveIndex> outerIndex = OpenOrFail(outer);
  ASSERT_TRUE(outerIndex);
  auto nested = TArchiveIndex::OpenInside(outerIndex, "pack/inner.tar.xz");
  ASSERT_FALSE(nested.IsError()) << nested.Error().Text().toStdString();
  EXPECT_EQ(nested.Value()->DisplayPath(), outer + QStringLiteral("/pack/inner.tar.xz"));
  EXPECT_EQ(NamesOf(nested.Value()->Children("deep")), QStringList{"x.txt"});
  const QString copy = nested.Value()->ArchivePath();
  EXPECT_TRUE(QFile::exists(copy));
  nested = OsError(0);
  EXPECT_FALSE(QFile::exists(copy));
}

// A copy whose name is not UTF-8 goes with its owner like any other.
TEST(ArchiveIndex, TemporaryCopyWithANameThatIsNotUtf8IsRemoved) {
  TempTree tree;
  const QString path = tree.Path(QStringLiteral("bytes.tar"));
  ASSERT_TRUE(test::WriteArchive(path, ARCHIVE_FORMAT_TAR_USTAR, ARCHIVE_FILTER_NONE, {{"\xff\xfe.txt", "raw"}}));
  const std::shared_ptr<const TArchiveIndex> index = OpenOrFail(path);
  ASSERT_TRUE(index);
  auto copy = TArchiveTempCopy::Extract(index, "\xff\xfe.txt");
  ASSERT_FALSE(copy.IsError()) << copy.Error().Text().toStdString();
  const QString folder = QFileInfo(copy.Value()->FilePath()).path();
  ASSERT_TRUE(QFileInfo::exists(folder));
  copy = OsError(0);
  EXPECT_FALSE(QFileInfo::exists(folder));
}

}  // namespace
}  // namespace zarn
