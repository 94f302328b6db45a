#include "viewer/findinfile.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <QFile>

#include <random>

#include "platform/filenames.h"
#include "temptree.h"
#include "viewer/codepages.h"

namespace zarn {
namespace {

using test::TempTree;

class FindInFileTest : public ::testing::Test {
 protected:
  QString Make(const QByteArray& name, const QByteArray& bytes) {
    Tree.CreateFile(name, bytes);
    return Tree.Path(QString::fromUtf8(name));
  }
  TempTree Tree;
};

TEST_F(FindInFileTest, FindsTextIgnoringCaseAndHonoursTheStart) {
  const QString path = Make("a.txt", "xxABC yyy Abc zzz abc");
  EXPECT_EQ(FindInFile(path, "abc", 0), 2);
  EXPECT_EQ(FindInFile(path, "abc", 3), 10);
  EXPECT_EQ(FindInFile(path, "ABC", 11), 18);
  EXPECT_EQ(FindInFile(path, "abc", 19), -1);
  EXPECT_EQ(FindInFile(path, "x", 0), 0);
  EXPECT_EQ(FindInFile(path, "abcd", 0), -1);
}

TEST_F(FindInFileTest, NothingForEmptyTextMissingEmptyOrNonRegularFiles) {
  const QString path = Make("a.txt", "abc");
  EXPECT_EQ(FindInFile(path, "", 0), -1);
  EXPECT_EQ(FindInFile("", "a", 0), -1);
  EXPECT_EQ(FindInFile(Tree.Path("missing"), "a", 0), -1);
  EXPECT_EQ(FindInFile(Make("empty", ""), "a", 0), -1);
  Tree.CreateDir("folder");
  EXPECT_EQ(FindInFile(Tree.Path("folder"), "a", 0), -1);
  Tree.CreateFifo("fifo");  // must not block
  auto fifo = FindInFileOrError(Tree.Path("fifo"), "a", 0);
  ASSERT_TRUE(fifo.IsError());
  EXPECT_FALSE(fifo.Error().Text().isEmpty());
}

TEST_F(FindInFileTest, MatchAcrossChunkAndReadBoundaries) {
  // 8192 is the chunk of the events; reads take 32 chunks at a time.
  const QByteArray needles[] = {"q", "Qz", "nEe", "NeEd", "needle-long"};
  for (const QByteArray& needle : needles) {
    for (qint64 boundary : {qint64(8192), qint64(262144), qint64(524288)}) {
      for (qint64 at = boundary - qint64(needle.size()); at <= boundary; ++at) {
        QByteArray bytes(600000, 'x');
        bytes.replace(at, needle.size(), needle.toUpper());
        const QString path = Make("b" + QByteArray::number(at) + needle, bytes);
        EXPECT_EQ(FindInFile(path, needle.toLower(), 0), at) << needle.constData() << " " << at;
        EXPECT_EQ(FindInFile(path, needle, at + 1), -1) << needle.constData() << " " << at;
        QFile::remove(path);
      }
    }
  }
}

// The reference: a plain scan comparing case forms byte by byte.
qint64 NaiveFind(const QByteArray& bytes, const QByteArray& text, qint64 start) {
  const QByteArray upper = UpperCase1251(text);
  const QByteArray lower = LowerCase1251(text);
  for (qint64 position = start; position + text.size() <= bytes.size(); ++position) {
    qsizetype index = 0;
    while (index < text.size() && (bytes[position + index] == upper[index] || bytes[position + index] == lower[index])) {
      ++index;
    }
    if (index == text.size()) return position;
  }
  return -1;
}

// Small files are read by their size: a text in the last bytes must still be
// found, whatever the size's place against pages and reads.
TEST_F(FindInFileTest, TextInTheLastBytesOfFilesOfEverySize) {
  for (const qint64 size : {qint64(4), qint64(4095), qint64(4096), qint64(4097), qint64(8192), qint64(262143),
                            qint64(262144), qint64(262145), qint64(300000)}) {
    QByteArray bytes(size, 'x');
    bytes.replace(size - 4, 4, "tail");
    const QString path = Make("size" + QByteArray::number(size), bytes);
    EXPECT_EQ(FindInFile(path, "TAIL", 0), size - 4) << size;
    EXPECT_EQ(FindInFile(path, "tailx", 0), -1) << size;
  }
}

// Files of the /proc kind report no size and are read to their end.
TEST_F(FindInFileTest, FilesReportingNoSizeAreReadToTheirEnd) {
  QFile status(QStringLiteral("/proc/self/status"));
  ASSERT_TRUE(status.open(QIODevice::ReadOnly));
  const qint64 offset = status.readAll().indexOf("VmRSS");
  if (offset < 0) GTEST_SKIP() << "no VmRSS line here";
  EXPECT_GT(FindInFile(QStringLiteral("/proc/self/status"), "vmrss", 0), 0);
}

TEST_F(FindInFileTest, AgreesWithAPlainScanOnRandomData) {
  std::mt19937 random(7);
  const char alphabet[] = "abAB\xE0\xC0\xB8\xA8";
  for (int round = 0; round < 40; ++round) {
    QByteArray bytes(static_cast<qsizetype>(random() % 300000), Qt::Uninitialized);
    for (char& byte : bytes) byte = alphabet[random() % 8];
    const QString path = Make("random" + QByteArray::number(round), bytes);
    for (int probe = 0; probe < 5; ++probe) {
      QByteArray text(1 + static_cast<qsizetype>(random() % 9), Qt::Uninitialized);
      for (char& byte : text) byte = alphabet[random() % 8];
      const qint64 start = bytes.isEmpty() ? 0 : static_cast<qint64>(random() % bytes.size());
      EXPECT_EQ(FindInFile(path, text, start), NaiveFind(bytes, text, start)) << round << " " << probe;
    }
  }
}

TEST_F(FindInFileTest, TextsLongerThanAChunkAreSearchedWhole) {
  QByteArray text;
  for (int index = 0; index < 9000; ++index) text.append(static_cast<char>('a' + index % 26));
  QByteArray bytes(30000, '-');
  // A near miss first: the text with its last byte changed.
  QByteArray nearMiss = text;
  nearMiss[nearMiss.size() - 1] = '#';
  bytes.replace(100, nearMiss.size(), nearMiss);
  bytes.replace(12345, text.size(), text.toUpper());
  const QString path = Make("long", bytes);
  EXPECT_EQ(FindInFile(path, text, 0), 12345);
  EXPECT_EQ(FindInFile(path, text.left(1), 0), 100);
}

TEST_F(FindInFileTest, CyrillicMatchesBothCasesIn1251And866) {
  const QByteArray upperWin = EncodeCp1251(QString::fromUtf8("ЁЖИК ЯЩИК"));
  const QString path = Make("ru", "....." + upperWin + "..." + AnsiToOem(upperWin));
  const QByteArray typed = EncodeCp1251(QString::fromUtf8("ёжик"));
  EXPECT_EQ(FindInFile(path, typed, 0), 5);
  // 1251 case forms applied to 866 bytes would miss lower-case letters typed
  // for upper-case text: the forms are taken in 1251 and then moved to 866.
  auto dos = FindTextInFile(path, QString::fromUtf8("ёжик"), CodePage::Dos, 0);
  ASSERT_FALSE(dos.IsError());
  EXPECT_EQ(dos.Value(), 5 + 9 + 3);
  EXPECT_EQ(FindTextInFile(path, QString::fromUtf8("ЁЖИК"), CodePage::Win, 0).Value(), 5);
  EXPECT_EQ(FindInFile(path, EncodeCp1251(QString::fromUtf8("ящик")), 0), 10);
}

TEST_F(FindInFileTest, StopEndsTheSearchAndEventsAreProcessedEvery101Chunks) {
  QByteArray bytes(8192 * 250, 'x');
  bytes.append("end");
  const QString path = Make("big", bytes);
  int events = 0;
  FindProgress progress;
  progress.ProcessEvents = [&events] { ++events; };
  EXPECT_EQ(FindInFile(path, "END", 0, progress), 8192 * 250);
  EXPECT_EQ(events, 2);
  std::atomic<bool> stop{true};
  progress.Stop = &stop;
  EXPECT_EQ(FindInFile(path, "END", 0, progress), -1);
}

TEST_F(FindInFileTest, FindsTheTrueOffsetBeyondFourGibibytes) {
  Tree.CreateFile("sparse", {});
  const QByteArray native = ToNativeName(Tree.Path("sparse"));
  const int descriptor = ::open(native.constData(), O_WRONLY);
  ASSERT_GE(descriptor, 0);
  const qint64 offset = (qint64(1) << 32) + 12345;
  ASSERT_EQ(::pwrite(descriptor, "MaRk", 4, offset), 4);
  ::close(descriptor);
  EXPECT_EQ(FindInFile(Tree.Path("sparse"), "mark", offset - 100000), offset);
}

TEST_F(FindInFileTest, CaseFormsFindUtf16Text) {
  const QString text = QString::fromUtf8("яблоко");
  auto utf16 = [](const QString& value) {
    return QByteArray(reinterpret_cast<const char*>(value.utf16()), value.size() * 2);
  };
  QByteArray bytes = "..";
  bytes += utf16(QString::fromUtf8("ЯБЛОКО"));
  const QString path = Make("wide", bytes);
  auto found = FindCaseFormsInFile(path, utf16(text.toUpper()), utf16(text.toLower()), 0);
  ASSERT_FALSE(found.IsError());
  EXPECT_EQ(found.Value(), 2);
  EXPECT_EQ(FindTextInFile(path, text, CodePage::Ucode, 0).Value(), 2);
  EXPECT_EQ(FindTextInFile(path, text, CodePage::Ucode, 3).Value(), -1);
}

}  // namespace
}  // namespace zarn
