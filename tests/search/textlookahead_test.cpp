#include <gtest/gtest.h>

#include <atomic>

#include "search/textlookahead.h"
#include "temptree.h"

namespace zarn {
namespace {

using test::TempTree;
using Kind = TTextResult::Kind;

TTextForms Forms(const char* text) { return FormsInEveryCodePage(QString::fromLatin1(text), CodePage::Win); }

std::vector<TTextLookAhead::TFile> NumberedFiles(TempTree& tree, int count, int withWordEvery) {
  std::vector<TTextLookAhead::TFile> files;
  for (int index = 0; index < count; ++index) {
    const QByteArray name = "f" + QByteArray::number(index);
    tree.CreateFile(name, index % withWordEvery == 0 ? QByteArray("some Word here") : QByteArray("nothing"));
    files.push_back({tree.PathBytes(name), EntryType::File});
  }
  return files;
}

TEST(TextLookAhead, ResultsMatchTestingOneFileAfterTheOther) {
  TempTree tree;
  std::atomic<bool> stop{false};
  const std::vector<TTextLookAhead::TFile> files = NumberedFiles(tree, 200, 7);
  TTextLookAhead lookAhead(stop, 3);
  lookAhead.Begin(files, Forms("word"));
  for (int index = 0; index < 200; ++index) {
    EXPECT_EQ(lookAhead.Result(index, Forms("word")).Outcome, index % 7 == 0 ? Kind::Found : Kind::NotFound) << index;
  }
  lookAhead.End();
}

TEST(TextLookAhead, ResultsForAnotherTextAreNotUsed) {
  TempTree tree;
  std::atomic<bool> stop{false};
  const std::vector<TTextLookAhead::TFile> files = NumberedFiles(tree, 50, 1);
  TTextLookAhead lookAhead(stop, 2);
  lookAhead.Begin(files, Forms("absent"));
  EXPECT_EQ(lookAhead.Result(0, Forms("absent")).Outcome, Kind::NotFound);
  for (int index = 1; index < 50; ++index) EXPECT_EQ(lookAhead.Result(index, Forms("WORD")).Outcome, Kind::Found) << index;
}

TEST(TextLookAhead, BatchesFollowOneAnother) {
  TempTree tree;
  std::atomic<bool> stop{false};
  const std::vector<TTextLookAhead::TFile> files = NumberedFiles(tree, 30, 2);
  TTextLookAhead lookAhead(stop, 1);
  for (int round = 0; round < 20; ++round) {
    lookAhead.Begin(files, Forms("word"));
    const int index = round % 30;
    EXPECT_EQ(lookAhead.Result(index, Forms("word")).Outcome, index % 2 == 0 ? Kind::Found : Kind::NotFound);
  }
}

TEST(TextLookAhead, FailureIsKeptForItsOwnFile) {
  TempTree tree;
  std::atomic<bool> stop{false};
  std::vector<TTextLookAhead::TFile> files = NumberedFiles(tree, 5, 1);
  tree.CreateFifo("pipe");
  tree.CreateSymlink("dangling", "missing");
  files.insert(files.begin() + 2, {tree.PathBytes("pipe"), EntryType::Other});
  files.insert(files.begin() + 3, {tree.PathBytes("dangling"), EntryType::Link});
  files.insert(files.begin() + 4, {tree.PathBytes("vanished"), EntryType::File});
  if (test::RunningAsRoot()) {
    tree.CreateSymlink("unreadable", "/proc/self/mem");
    files.insert(files.begin() + 5, {tree.PathBytes("unreadable"), EntryType::Link});
  } else {
    tree.CreateFile("unreadable", "Word");
    tree.SetMode("unreadable", 0);
    files.insert(files.begin() + 5, {tree.PathBytes("unreadable"), EntryType::File});
  }
  TTextLookAhead lookAhead(stop, 2);
  lookAhead.Begin(files, Forms("word"));
  const Kind expected[] = {Kind::Found, Kind::Found, Kind::NotFound, Kind::NotFound, Kind::NotFound, Kind::Failed};
  for (int index = 0; index < 6; ++index) EXPECT_EQ(lookAhead.Result(index, Forms("word")).Outcome, expected[index]) << index;
  EXPECT_NE(lookAhead.Result(5, Forms("word")).ErrorCode, 0);
}

TEST(TextLookAhead, StopEndsTheHelpersWork) {
  TempTree tree;
  std::atomic<bool> stop{true};
  const std::vector<TTextLookAhead::TFile> files = NumberedFiles(tree, 100, 1);
  TTextLookAhead lookAhead(stop, 2);
  lookAhead.Begin(files, Forms("word"));
  // Whatever was tested before the stop, the object ends cleanly.
  lookAhead.Result(99, Forms("word"));
}

}  // namespace
}  // namespace zarn
