#include "archives/zipdirectory.h"

#include <gtest/gtest.h>

#include <QFile>

#include <time.h>

#include <functional>

#include "archives/archiveindex.h"
#include "archives/archiveindexreaders.h"
#include "archivesamples.h"
#include "temptree.h"

namespace zarn {
namespace {

using test::SampleFolder;
using test::SampleLink;
using test::TempTree;
using test::TZipName;
using test::ZipLayout;

QString Describe(const TArchiveEntry& entry) {
  return QStringLiteral("%1 [%2] name=%3 type=%4 link=%5 size=%6 time=%7 mode=%8 enc=%9 implicit=%10 legacy=%11 #%12")
      .arg(QString::fromLatin1(entry.Path.toPercentEncoding("/")), entry.Text, entry.Name)
      .arg(int(entry.Type))
      .arg(QString::fromLatin1(entry.LinkTarget.toPercentEncoding("/")))
      .arg(entry.Size)
      .arg(entry.Modified.toString(Qt::ISODateWithMs))
      .arg(entry.Mode, 0, 8)
      .arg(entry.Encrypted)
      .arg(entry.Implicit)
      .arg(entry.LegacyName)
      .arg(entry.Ordinal);
}

QStringList Describe(const TArchiveIndex& index) {
  QStringList lines;
  lines << QStringLiteral("single=%1 legacy=%2 error=%3")
               .arg(index.IsSingleFile())
               .arg(index.HasLegacyNames())
               .arg(index.ReadError() ? index.ReadError()->Text() : QString());
  for (const TArchiveEntry& entry : index.Entries()) lines << Describe(entry);
  // The tree: each folder's children in their order.
  for (const QByteArray& folder : [&] {
         QList<QByteArray> folders{""};
         for (const TArchiveEntry& entry : index.Entries()) {
           if (entry.Type == ArchiveEntryType::Folder) folders << entry.Path;
         }
         return folders;
       }()) {
    QStringList children;
    for (const TArchiveEntry* child : index.Children(folder)) children << child->Text;
    lines << QString::fromUtf8(folder) + QStringLiteral(": ") + children.join(QLatin1Char('|'));
  }
  for (const OsError& refusal : index.Refusals()) lines << QStringLiteral("refused: ") + refusal.Text();
  return lines;
}

// Every field of every entry, the tree and the refusals, as both readers give them.
void ExpectSameIndex(const QString& path) {
  const auto fromDirectory = TArchiveIndexReaders::ThroughZipDirectory(path);
  auto fromLibarchive = TArchiveIndexReaders::ThroughLibarchive(path);
  ASSERT_TRUE(fromDirectory) << "the directory reader refused " << path.toStdString();
  ASSERT_FALSE(fromLibarchive.IsError()) << fromLibarchive.Error().Text().toStdString();
  EXPECT_EQ(Describe(*fromDirectory).join(QLatin1Char('\n')).toStdString(),
            Describe(*fromLibarchive.Value()).join(QLatin1Char('\n')).toStdString());
}

const QByteArray Greeting866 = QByteArray("\x8f\xe0\xa8\xa2\xa5\xe2.txt");  // "Привет.txt" in 866

std::vector<TZipName> UnixAndDosEntries() {
  return {
      {"tool.sh", "#!", false, 0x031e, 0100755u << 16},
      {"unix-folder", {}, false, 0x031e, 040750u << 16},
      {"bare-mode", "p", false, 0x031e, 0600u << 16},  // no file type, as some writers make them
      {"no-mode", "z", false, 0x031e, 0},
      {"slash-file/", {}, false, 0x031e, 0100644u << 16},
      {"dos-readonly.txt", "r", false, 20, 0x01},
      {"dos-folder", {}, false, 20, 0x10},
      {"dos-readonly-folder/", {}, false, 20, 0x11},
      {"dos\\inner\\file.txt", "b", false, 20, 0x20},
      {"\x8f\xa0\xaf\xaa\xa0\\\xe4.txt", "c", false, 20, 0},  // "Папка\ф.txt" in 866
  };
}

// Each plain zip gives, through its directory alone, the index libarchive's
// pass gives: names and their code pages, types, modes, sizes, times, the
// order of the headers, implicit folders and the refusals.
TEST(ZipDirectory, GivesTheIndexThatLibarchiveGives) {
  TempTree tree;
  const std::vector<std::pair<const char*, std::function<bool(const QString&)>>> samples = {
      {"written by libarchive",
       [](const QString& path) {
         return test::WriteArchive(path, ARCHIVE_FORMAT_ZIP, ARCHIVE_FILTER_NONE,
                                   {{"docs/a.txt", "hello", AE_IFREG, 0640, {}, {}, 1500000000},
                                    {"docs/sub/b.bin", QByteArray(3000, 'b')},
                                    SampleFolder("empty/", 0750),
                                    {"../escaped", "x"},
                                    {"/abs/file", "a"},
                                    {"./dot/x", "d"},
                                    {"docs/a.txt", "again"},
                                    {"docs/sub", "a file where a folder is"}});
       }},
      {"866 and UTF-8 names",
       [](const QString& path) {
         return test::WriteRawZip(path, {{Greeting866, "1"},
                                         {QByteArray("\xe0\xa0\xaf.txt"), "2"},
                                         {QByteArray("\x8f\xa0\xaf\xaa\xa0/\xe4.txt"), "3"},
                                         {QStringLiteral("Документ.txt").toUtf8(), "4", true}});
       }},
      {"made on Unix and on MS-DOS", [](const QString& path) { return test::WriteRawZip(path, UnixAndDosEntries()); }},
      {"extended and MS-DOS times",
       [](const QString& path) {
         return test::WriteRawZip(path, {{"ut.txt", "u", false, 20, 0, test::ExtendedTimeField(1500000000)},
                                         {"late.txt", "l", false, 20, 0, test::ExtendedTimeField(0xF0000000)},
                                         {"dos.txt", "d", false, 20, 0, {}, 0, 0x4c2e5b9d}});
       }},
      {"ZIP64",
       [](const QString& path) {
         return test::WriteRawZip(path, {{"one", "1"}, {"dir/two", "22", false, 0x031e, 0100640u << 16}},
                                  ZipLayout::Zip64);
       }},
      {"Unicode Path fields",
       [](const QString& path) {
         const QByteArray utf8 = QStringLiteral("Привет.txt").toUtf8();
         return test::WriteRawZip(
             path, {{Greeting866, "1", false, 20, 0, test::UnicodePathField(utf8, Greeting866)},
                    {"\x8f" + Greeting866, "2", false, 20, 0, test::UnicodePathField(utf8, Greeting866, false)}});
       }},
      {"encrypted",
       [](const QString& path) { return test::WriteRawZip(path, {{"secret", "s", false, 20, 0, {}, 1}}); }},
      {"directory out of order",
       [](const QString& path) {
         return test::WriteRawZip(path, {{"a/1", "1"}, {"b/2", "2"}, {"a/3", "3"}}, ZipLayout::DirectoryReversed);
       }},
  };
  // MS-DOS times are local: away from UTC, so that reading them as UTC shows.
  const QByteArray zone = qgetenv("TZ");
  qputenv("TZ", "Asia/Yekaterinburg");
  ::tzset();
  int number = 0;
  for (const auto& [name, write] : samples) {
    SCOPED_TRACE(name);
    const QString path = tree.Path(QStringLiteral("sample%1.zip").arg(++number));
    ASSERT_TRUE(write(path));
    ExpectSameIndex(path);
  }
  if (zone.isNull()) qunsetenv("TZ"); else qputenv("TZ", zone);
  ::tzset();
}

// What the directory reader gives that libarchive's pass here does not, or
// that a mistake shared by both readers would hide.
TEST(ZipDirectory, ReadsModesTimesSizesAndUnicodeNames) {
  TempTree tree;
  const QString path = tree.Path(QStringLiteral("mixed.zip"));
  std::vector<TZipName> entries = UnixAndDosEntries();
  const QByteArray ntfs = [] {
    QByteArray data;
    test::AppendLittle(data, 0, 4);
    test::AppendLittle(data, 1, 2);
    test::AppendLittle(data, 24, 2);
    const quint64 ticks = (quint64(1500000000) + 11644473600ull) * 10000000ull + 1234567;
    for (int copy = 0; copy < 3; ++copy) {
      test::AppendLittle(data, quint32(ticks), 4);
      test::AppendLittle(data, quint32(ticks >> 32), 4);
    }
    return test::ZipExtraField(0x000a, data);
  }();
  entries.push_back({"ntfs.txt", "n", false, 0x0a14, 0x01, ntfs});
  entries.push_back({"nameless-ro-folder", {}, false, 20, 0x11});
  const QByteArray greetingUtf8 = QStringLiteral("Привет.txt").toUtf8();
  entries.push_back({Greeting866, "1", false, 20, 0, test::UnicodePathField(greetingUtf8, Greeting866)});
  ASSERT_TRUE(test::WriteRawZip(path, entries, ZipLayout::Zip64));
  const auto index = TArchiveIndexReaders::ThroughZipDirectory(path);
  ASSERT_TRUE(index);
  const auto expect = [&](const QByteArray& entryPath, ArchiveEntryType type, unsigned mode) {
    const TArchiveEntry* entry = index->Find(entryPath);
    ASSERT_TRUE(entry) << entryPath.constData();
    EXPECT_EQ(entry->Type, type) << entryPath.constData();
    EXPECT_EQ(entry->Mode, mode) << entryPath.constData();
  };
  expect("tool.sh", ArchiveEntryType::File, 0755);
  expect("unix-folder", ArchiveEntryType::Folder, 0750);
  expect("bare-mode", ArchiveEntryType::File, 0600);
  expect("slash-file", ArchiveEntryType::Folder, 0755);
  expect("dos-readonly.txt", ArchiveEntryType::File, 0444);
  expect("dos-folder", ArchiveEntryType::Folder, 0775);
  expect("dos-readonly-folder", ArchiveEntryType::Folder, 0555);
  expect("nameless-ro-folder", ArchiveEntryType::Folder, 0555);
  expect("dos/inner/file.txt", ArchiveEntryType::File, 0664);
  expect("ntfs.txt", ArchiveEntryType::File, 0444);
  EXPECT_EQ(index->Find("ntfs.txt")->Modified, QDateTime::fromMSecsSinceEpoch(1500000000123, Qt::UTC));
  EXPECT_EQ(index->Find("tool.sh")->Size, 2);

  const TArchiveEntry* greeting = index->Find(QStringLiteral("Привет.txt").toUtf8());
  ASSERT_TRUE(greeting);
  EXPECT_FALSE(greeting->LegacyName);
  EXPECT_EQ(greeting->Name, QStringLiteral("Привет.txt"));
  EXPECT_EQ(index->Children("").size(), 13u);
}

// A zip that is not plain goes to libarchive, which knows link targets and
// says where a damaged archive breaks: whatever the directory claims, the
// reader reads nothing outside the file and the index is libarchive's.
TEST(ZipDirectory, ZipsThatAreNotPlainAreReadByLibarchive) {
  TempTree tree;
  const QString links = tree.Path(QStringLiteral("links.zip"));
  ASSERT_TRUE(test::WriteRawZip(links, {{"target.txt", "t"}, {"link", "target.txt", false, 0x031e, 0120777u << 16}}));
  EXPECT_FALSE(TArchiveIndexReaders::ThroughZipDirectory(links));
  auto index = TArchiveIndex::Open(links);
  ASSERT_FALSE(index.IsError());
  ASSERT_TRUE(index.Value()->Find("link"));
  EXPECT_EQ(index.Value()->Find("link")->Type, ArchiveEntryType::Symlink);
  EXPECT_EQ(index.Value()->Find("link")->LinkTarget, "target.txt");

  const QString plain = tree.Path(QStringLiteral("plain.zip"));
  const QString wide = tree.Path(QStringLiteral("wide.zip"));
  ASSERT_TRUE(test::WriteRawZip(plain, {{"a", "1"}, {"b/c", "22"}, {"d", "333"}}));
  ASSERT_TRUE(test::WriteRawZip(wide, {{"a", "1"}, {"b/c", "22"}}, ZipLayout::Zip64));
  const auto bytesOf = [](const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
  };
  const auto put = [](QByteArray& bytes, qsizetype at, quint64 value, int width) {
    for (int i = 0; i < width; ++i) bytes[at + i] = char((value >> (8 * i)) & 0xFF);
  };
  const QByteArray plainBytes = bytesOf(plain);
  const QByteArray wideBytes = bytesOf(wide);
  const qsizetype end = plainBytes.size() - 22;
  const qsizetype directory = qsizetype(quint8(plainBytes[end + 16]) | quint8(plainBytes[end + 17]) << 8);
  const qsizetype secondEntry = directory + 46 + 1;
  const std::vector<std::tuple<const char*, QByteArray, qsizetype, quint64, int>> damages = {
      {"a count larger than the entries", plainBytes, end + 8, 0x0004'0004, 4},
      {"a count smaller than the entries", plainBytes, end + 8, 0x0002'0002, 4},
      {"a count larger than the bytes allow", plainBytes, end + 8, 0xFFFE'FFFE, 4},
      {"a directory larger than the file", plainBytes, end + 12, 0x7FFFFFFF, 4},
      {"a name running past the directory", plainBytes, directory + 28, 0xFFFF, 2},
      {"an extra field running past its block", plainBytes, directory + 30, 4, 2},
      {"two entries at one local header", plainBytes, secondEntry + 42, 0, 4},
      {"a local header inside the directory", plainBytes, secondEntry + 42, quint64(directory - 10), 4},
      {"a second disk", plainBytes, end + 4, 1, 2},
      {"a ZIP64 record past the file", wideBytes, wideBytes.size() - 22 - 20 + 8, 0xFFFF'FFFF'FFFF'FF00ull, 8},
      {"a ZIP64 record on a local header", wideBytes, wideBytes.size() - 22 - 20 + 8, 0, 8},
  };
  for (const auto& [what, original, at, value, width] : damages) {
    SCOPED_TRACE(what);
    QByteArray bytes = original;
    put(bytes, at, value, width);
    const QString path = tree.Path(QStringLiteral("damaged.zip"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(file.write(bytes), bytes.size());
    file.close();
    EXPECT_FALSE(TArchiveIndexReaders::ThroughZipDirectory(path));
    auto opened = TArchiveIndex::Open(path);
    auto fromLibarchive = TArchiveIndexReaders::ThroughLibarchive(path);
    ASSERT_EQ(opened.IsError(), fromLibarchive.IsError());
    if (!opened.IsError()) EXPECT_EQ(Describe(*opened.Value()), Describe(*fromLibarchive.Value()));
  }
}

}  // namespace
}  // namespace zarn
