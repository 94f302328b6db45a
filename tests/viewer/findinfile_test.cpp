#include "viewer/findinfile.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

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

TEST_F(FindInFileTest, MatchAcrossChunkBoundariesAndAtEveryPlaceNearThem) {
  for (qint64 at : {8190, 8191, 8192, 8193, 16383, 16384 - 3}) {
    QByteArray bytes(20000, 'x');
    bytes.replace(at, 4, "NeEd");
    const QString path = Make("chunks" + QByteArray::number(at), bytes);
    EXPECT_EQ(FindInFile(path, "need", 0), at) << at;
    EXPECT_EQ(FindInFile(path, "need", at + 1), -1) << at;
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
