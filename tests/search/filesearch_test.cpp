#include <gtest/gtest.h>

#include <QDir>
#include <QRegularExpression>

#include <dirent.h>
#include <unistd.h>

#include <functional>

#include "platform/filenames.h"
#include "search/filesearch.h"
#include "viewer/codepages.h"
#include "temptree.h"
#include "unprivileged.h"

namespace zarn {
namespace {

using test::TempTree;

// The subfolders of a folder in the order the file system lists them.
QList<QByteArray> ListedSubfolders(const QByteArray& folder) {
  QList<QByteArray> names;
  DIR* dir = ::opendir(folder.constData());
  if (dir == nullptr) return names;
  while (const dirent* entry = ::readdir(dir)) {
    if (entry->d_type == DT_DIR && entry->d_name[0] != '.') names.append(entry->d_name);
  }
  ::closedir(dir);
  return names;
}

// The search order written as the rule reads: each folder, then each of its
// visible subfolders' trees, the last listed first.
void ExpectedOrder(const QByteArray& folder, QList<QByteArray>& order) {
  order.append(folder);
  const QList<QByteArray> names = ListedSubfolders(folder);
  for (auto name = names.crbegin(); name != names.crend(); ++name) ExpectedOrder(folder + '/' + *name, order);
}

class FileSearchTest : public testing::Test {
 protected:
  TSearchOutcome Search(const QString& name, const QString& extension, bool subfolders = true) {
    Fields.Name = name;
    Fields.Extension = extension;
    Fields.Subfolders = subfolders;
    if (Fields.StartFolder.isEmpty()) Fields.StartFolder = Tree.Root();
    Box.Set(Fields);
    Engine.Reset();
    return Engine.Run();
  }
  QStringList Relative(const QStringList& paths) const {
    QStringList relative;
    for (const QString& path : paths) relative << path.mid(Tree.Root().size() + 1);
    relative.sort();
    return relative;
  }

  TempTree Tree;
  TSearchFields Fields;
  TSearchFieldsBox Box;
  TFileSearch Engine{Box};
};

TEST_F(FileSearchTest, CollectFoldersGoesDepthFirstWithSiblingsReversed) {
  for (const char* folder : {"A/A1", "A/A2", "B/B1", "B/.hidden/inner"}) Tree.CreateDir(folder);
  Tree.CreateSymlink("B/linkToA", "../A");
  const std::vector<QByteArray> folders = CollectFolders(Tree.RootBytes());
  QList<QByteArray> expected;
  ExpectedOrder(Tree.RootBytes(), expected);
  ASSERT_EQ(expected.size(), 6);  // R, A, A1, A2, B, B1: no hidden folder, no link
  EXPECT_EQ(QList<QByteArray>(folders.begin(), folders.end()), expected);
}

TEST_F(FileSearchTest, CollectFoldersOfTheExampleTree) {
  // Whatever the file system's order, R comes first and each folder's subtree
  // follows it whole.
  for (const char* folder : {"A/A1", "A/A2", "B/B1"}) Tree.CreateDir(folder);
  const std::vector<QByteArray> folders = CollectFolders(Tree.RootBytes());
  ASSERT_EQ(folders.size(), 6u);
  EXPECT_EQ(folders[0], Tree.RootBytes());
  const QByteArray first = folders[1];
  const QByteArray second = folders[4];
  EXPECT_EQ(folders[2].left(first.size() + 1), first + '/');
  EXPECT_EQ(folders[3].left(first.size() + 1), first + '/');
  EXPECT_EQ(folders[5].left(second.size() + 1), second + '/');
}

TEST_F(FileSearchTest, CollectFoldersOfWhatIsNoFolderIsEmpty) {
  Tree.CreateFile("file");
  EXPECT_TRUE(CollectFolders(Tree.PathBytes("file")).empty());
  EXPECT_TRUE(CollectFolders(Tree.PathBytes("missing")).empty());
}

TEST_F(FileSearchTest, CollectedEntriesAreKeptWithinTheLimit) {
  Tree.CreateFile("a/one");
  Tree.CreateFile("b/two");
  for (const TListedFolder& folder : CollectListedFolders(Tree.RootBytes(), {}, 1 << 20)) {
    EXPECT_TRUE(folder.Kept);
    EXPECT_TRUE(folder.Entries.contains(QByteArray("..\0", 3))) << folder.Path.constData();
  }
  for (const TListedFolder& folder : CollectListedFolders(Tree.RootBytes(), {}, 0)) {
    EXPECT_FALSE(folder.Kept);
    EXPECT_TRUE(folder.Entries.isEmpty());
  }
}

TEST_F(FileSearchTest, LinkLoopAddsNothing) {
  Tree.CreateDir("A");
  Tree.CreateSymlink("A/loop", "..");
  EXPECT_EQ(CollectFolders(Tree.RootBytes()).size(), 2u);
}

TEST_F(FileSearchTest, DefaultMasksFindEverythingWithDotEntries) {
  Tree.CreateFile("sub/readme");
  Tree.CreateFile(".profile");
  const TSearchOutcome outcome = Search("*", "*");
  EXPECT_EQ(outcome.End, SearchEnd::Finished);
  EXPECT_EQ(Relative(outcome.Found),
            QStringList({".", "..", ".profile", "sub", "sub/.", "sub/..", "sub/readme"}));
  EXPECT_EQ(Engine.FoundCount(), 7);
  EXPECT_EQ(Engine.FoldersToSearch(), 2);
  EXPECT_EQ(Engine.FoldersDone(), 2);
}

TEST_F(FileSearchTest, NameAndExtensionIgnoreCase) {
  Tree.CreateFile("Abc.TXT");
  Tree.CreateFile("abc.txt.bak");
  Tree.CreateFile("sub/a.txt");
  Tree.CreateFile("bcd.txt");
  EXPECT_EQ(Relative(Search("a*", "txt").Found), QStringList({"Abc.TXT", "sub/a.txt"}));
  EXPECT_EQ(Relative(Search("a*", "txt", false).Found), QStringList({"Abc.TXT"}));
  EXPECT_EQ(Engine.FoldersToSearch(), 1);
}

TEST_F(FileSearchTest, FragmentModeSearchesThePathWithoutTheExtensionLength) {
  Tree.CreateFile("Reports/x.doc");
  Tree.CreateFile("a/passport.doc");
  Tree.CreateFile("a/passport");
  EXPECT_EQ(Relative(Search("*port", "*").Found),
            QStringList({"Reports", "Reports/.", "Reports/..", "Reports/x.doc", "a/passport.doc"}));
}

TEST_F(FileSearchTest, LeadingBlankTurnsFragmentModeOff) {
  Tree.CreateFile("Reports/x.doc");
  Tree.CreateFile("a/passport.doc");
  Tree.CreateFile("a/passport");
  EXPECT_EQ(Relative(Search(" *port", "*").Found), QStringList({"a/passport", "a/passport.doc"}));
}

TEST_F(FileSearchTest, EmptyFragmentFindsNothing) {
  Tree.CreateFile("a/passport.doc");
  EXPECT_TRUE(Search("*   ", "*").Found.isEmpty());
  EXPECT_EQ(Engine.FoldersDone(), 2);
}

TEST_F(FileSearchTest, EmptyExtensionFindsNamesWithoutExtension) {
  Tree.CreateFile("notes");
  Tree.CreateFile("notes.txt");
  Tree.CreateDir("folder.d");
  Tree.CreateDir("plain");
  EXPECT_EQ(Relative(Search("*", "", false).Found), QStringList({".", "..", "notes", "plain"}));
}

TEST_F(FileSearchTest, HiddenSubfolderIsListedButNotEntered) {
  Tree.CreateFile(".git/config");
  Tree.CreateFile("config");
  EXPECT_EQ(Relative(Search("*", "*").Found), QStringList({".", "..", ".git", "config"}));
}

TEST_F(FileSearchTest, NamesThatAreNotUtf8RoundTrip) {
  const QByteArray name("caf\xE9.txt");
  Tree.CreateFile("sub/" + name, "x");
  const TSearchOutcome outcome = Search("*", "txt");
  ASSERT_EQ(outcome.Found.size(), 1);
  EXPECT_EQ(ToNativeName(outcome.Found[0]), Tree.PathBytes("sub/" + name));
}

TEST_F(FileSearchTest, StartFolderTrimmedAndOneSlashRemoved) {
  Tree.CreateFile("a.txt");
  Fields.StartFolder = QStringLiteral(" \t") + Tree.Root() + QStringLiteral("/ \n");
  const TSearchOutcome outcome = Search("a", "txt");
  EXPECT_EQ(outcome.Found, QStringList({Tree.Path("a.txt")}));
  EXPECT_EQ(outcome.LastTested, Tree.Path("a.txt"));
}

TEST_F(FileSearchTest, RootIsSearchedAsTheRoot) {
  Fields.StartFolder = QStringLiteral("/");
  const TSearchOutcome outcome = Search("tmp", "", false);
  EXPECT_EQ(outcome.Found, QStringList({"/tmp"}));
  EXPECT_TRUE(Search("*", "*", false).Found.filter(QRegularExpression("^/\\.\\.?$")).isEmpty());
  EXPECT_EQ(SearchRootOf("/"), QString());
}

TEST_F(FileSearchTest, BadStartFolders) {
  Tree.CreateFile("file");
  Fields.StartFolder = QStringLiteral("  ");
  EXPECT_EQ(Search("*", "*").End, SearchEnd::NoFolder);
  Fields.StartFolder = Tree.Path("missing");
  EXPECT_EQ(Search("*", "*").End, SearchEnd::MissingFolder);
  Fields.StartFolder = Tree.Path("file");
  EXPECT_EQ(Search("*", "*").End, SearchEnd::MissingFolder);
  EXPECT_EQ(Engine.FoldersDone(), 0);
  EXPECT_EQ(Engine.FoldersToSearch(), 1);
}

TEST_F(FileSearchTest, UnreadableStartFolder) {
  Tree.CreateDir("locked");
  Tree.SetMode("locked", 0);
  Fields.StartFolder = Tree.Path("locked");
  test::AsUnprivilegedUser([&] { EXPECT_EQ(Search("*", "*").End, SearchEnd::MissingFolder); }, {Tree.RootBytes()});
}

TEST_F(FileSearchTest, UnreadableSubfolderIsCountedAndSkipped) {
  Tree.CreateFile("locked/inside.txt");
  Tree.CreateFile("open/inside.txt");
  Tree.SetMode("locked", 0);
  test::AsUnprivilegedUser(
      [&] {
        const TSearchOutcome outcome = Search("inside", "txt");
        EXPECT_EQ(outcome.End, SearchEnd::Finished);
        EXPECT_EQ(Relative(outcome.Found), QStringList({"open/inside.txt"}));
        EXPECT_EQ(Engine.FoldersDone(), 3);  // the start, the open folder and the locked one
      },
      {Tree.RootBytes()});
}

TEST_F(FileSearchTest, SubfolderVanishingMidSearchIsCounted) {
  Tree.CreateFile("a/x.txt");
  Tree.CreateFile("b/x.txt");
  Engine.BeforeCollectStep = [this] {
    // Once the folders are known, both vanish before they are searched.
    QDir(Tree.Path("a")).removeRecursively();
    QDir(Tree.Path("b")).removeRecursively();
  };
  const TSearchOutcome outcome = Search("x", "txt");
  EXPECT_EQ(outcome.End, SearchEnd::Finished);
  EXPECT_TRUE(outcome.Found.isEmpty());
  EXPECT_EQ(Engine.FoldersToSearch(), 3);
  EXPECT_EQ(Engine.FoldersDone(), 3);
}

TEST_F(FileSearchTest, FolderRemovedAfterItWasCollectedYieldsNothing) {
  Tree.CreateFile("a.txt");
  Tree.CreateFile("sub/a.txt");
  Engine.BeforeEntry = [this](const QString&) { QDir(Tree.Path("sub")).removeRecursively(); };
  const TSearchOutcome outcome = Search("a", "txt");
  EXPECT_EQ(Relative(outcome.Found), QStringList({"a.txt"}));
  EXPECT_EQ(Engine.FoldersDone(), 2);
}

TEST_F(FileSearchTest, StopDuringSearchKeepsWhatWasFound) {
  for (int index = 0; index < 5; ++index) Tree.CreateFile(QByteArray("f") + QByteArray::number(index) + ".txt");
  int seen = 0;
  Engine.BeforeEntry = [&](const QString&) {
    if (++seen == 2) Engine.Stop();
  };
  const TSearchOutcome outcome = Search("f*", "txt");
  EXPECT_EQ(outcome.End, SearchEnd::Stopped);
  EXPECT_EQ(outcome.Found.size(), 2);
  EXPECT_EQ(Engine.FoundCount(), 2);
  EXPECT_EQ(Engine.FoldersDone(), 0);
}

TEST_F(FileSearchTest, StopDuringCollectionLeavesTheStartFolderOut) {
  Tree.CreateFile("a/x.txt");
  Tree.CreateFile("b/x.txt");
  Tree.CreateFile("x.txt");
  Engine.BeforeCollectStep = [this] { Engine.Stop(); };
  const TSearchOutcome outcome = Search("x", "txt");
  EXPECT_EQ(outcome.End, SearchEnd::Stopped);
  EXPECT_TRUE(outcome.Found.isEmpty());
  EXPECT_EQ(Engine.FoldersToSearch(), 1);
}

TEST_F(FileSearchTest, NameFieldsAreReadAfreshForEveryFolder) {
  Tree.CreateFile("one/a.txt");
  Tree.CreateFile("one/b.txt");
  Tree.CreateFile("two/a.txt");
  Tree.CreateFile("two/b.txt");
  bool changed = false;
  Engine.BeforeEntry = [&](const QString&) {
    if (changed) return;
    changed = true;
    TSearchFields edited = Box.Snapshot();
    edited.Name = QStringLiteral("b");
    Box.Set(edited);
  };
  const TSearchOutcome outcome = Search("a", "txt");
  ASSERT_EQ(outcome.Found.size(), 2);
  // The first folder keeps the mask it began with; the second takes the edit.
  EXPECT_TRUE(outcome.Found[0].endsWith("/a.txt"));
  EXPECT_TRUE(outcome.Found[1].endsWith("/b.txt"));
}

class TextSearchTest : public FileSearchTest {
 protected:
  TSearchOutcome SearchText(const QString& text, bool dos = false) {
    Fields.WithText = true;
    Fields.Text = text;
    Fields.TextPage = dos ? CodePage::Dos : CodePage::Win;
    return Search("*", "*");
  }
};

TEST_F(TextSearchTest, SkipsFoldersAndEmptyFilesAndFindsAMatchAtTheFirstByte) {
  Tree.CreateDir("word");
  Tree.CreateFile("empty.txt");
  Tree.CreateFile("first.txt", "Word at the start");
  Tree.CreateFile("later.txt", "a WORD later");
  Tree.CreateFile("none.txt", "nothing here");
  Tree.CreateFile("split.txt", "wo rd");
  EXPECT_EQ(Relative(SearchText("  word ").Found), QStringList({"first.txt", "later.txt"}));
}

TEST_F(TextSearchTest, OneLetterInEitherCase) {
  Tree.CreateFile("upper.txt", "xQ");
  Tree.CreateFile("lower.txt", "q");
  Tree.CreateFile("other.txt", "xyz");
  EXPECT_EQ(Relative(SearchText("q").Found), QStringList({"lower.txt", "upper.txt"}));
}

TEST_F(TextSearchTest, TheTextIsFoundInEveryEncodingAndLetterCase) {
  // "Привет" in 1251, 866, UTF-8 and UTF-16LE, each in another letter case.
  Tree.CreateFile("win.txt", QByteArray("..\xCF\xF0\xE8\xE2\xE5\xF2.."));
  Tree.CreateFile("dos.txt", QByteArray("..\x8F\xE0\xA8\xA2\xA5\xE2.."));
  Tree.CreateFile("utf8.txt", QStringLiteral("..ПРИВЕТ..").toUtf8());
  const QString wide = QStringLiteral("..привет..");
  Tree.CreateFile("utf16.txt", QByteArray(reinterpret_cast<const char*>(wide.utf16()), wide.size() * 2));
  // Near misses: another last letter, and UTF-8 bytes of "р" and "Р" mixed
  // into "Ѐ" (D0 80), which no letter case of the text makes.
  Tree.CreateFile("near.txt", QStringLiteral("Привед").toUtf8() + EncodeCp1251(QStringLiteral("Привед")));
  Tree.CreateFile("mixed.txt", QStringLiteral("ПЀИВЕТ").toUtf8());
  const QStringList all({"dos.txt", "utf16.txt", "utf8.txt", "win.txt"});
  EXPECT_EQ(Relative(SearchText(QStringLiteral("привет"), false).Found), all);
  EXPECT_EQ(Relative(SearchText(QStringLiteral("ПРИВЕТ"), true).Found), all);
  EXPECT_EQ(Relative(SearchText(QStringLiteral("ПрИвЕт"), false).Found), all);
  // A Latin word: one form for the byte code pages, one for UTF-16, one scan.
  const QString latin = QStringLiteral("..Hello..");
  Tree.CreateFile("latin16.txt", QByteArray(reinterpret_cast<const char*>(latin.utf16()), latin.size() * 2));
  Tree.CreateFile("latin8.txt", "-hELLO-");
  Tree.CreateFile("latin-near.txt", QByteArray("H\0e\0l\0l\0x\0 hell o"));
  EXPECT_EQ(Relative(SearchText(QStringLiteral("hello"), false).Found), QStringList({"latin16.txt", "latin8.txt"}));
}

TEST_F(TextSearchTest, CodePage866FoldsLetterCaseByItsOwnLetters) {
  // In 866 "А" is 0x80 and "а" 0xA0; 0x90 is "Р".
  Tree.CreateFile("capital.txt", QByteArray("-\x80-"));
  Tree.CreateFile("other.txt", QByteArray("-\x90-"));
  Tree.CreateFile("small.txt", QByteArray("-\xA0-"));
  const QStringList both({"capital.txt", "small.txt"});
  EXPECT_EQ(Relative(SearchText(QStringLiteral("А"), true).Found), both);
  EXPECT_EQ(Relative(SearchText(QStringLiteral("а"), false).Found), both);
}

TEST_F(TextSearchTest, TextThatCodePage1251LacksIsFoundInUnicodeOnly) {
  Tree.CreateFile("q.txt", "???");
  Tree.CreateFile("u.txt", QStringLiteral("-日本語-").toUtf8());
  EXPECT_EQ(Relative(SearchText(QStringLiteral("日本語")).Found), QStringList({"u.txt"}));
}

TEST_F(TextSearchTest, FifosAndLinksAreNeverOpenedWrongly) {
  Tree.CreateFifo("pipe");
  Tree.CreateFile("real.txt", "needle");
  Tree.CreateSymlink("link.txt", "real.txt");
  Tree.CreateSymlink("dangling", "missing");
  Tree.CreateSymlink("folderlink", ".");
  // Opening the FIFO would block this test for ever.
  EXPECT_EQ(Relative(SearchText("needle").Found), QStringList({"link.txt", "real.txt"}));
}

TEST_F(TextSearchTest, UnreadableFileEndsTheSearchWithTheSystemsReason) {
  if (test::RunningAsRoot()) {
    // Root reads every file; a file that fails its first read stands in.
    Tree.CreateSymlink("a.txt", "/proc/self/mem");
  } else {
    Tree.CreateFile("a.txt", "text");
    Tree.SetMode("a.txt", 0);
  }
  const TSearchOutcome outcome = SearchText("text");
  EXPECT_EQ(outcome.End, SearchEnd::Failed);
  EXPECT_TRUE(outcome.ErrorText.startsWith(QStringLiteral("Cannot open file \"%1\". ").arg(Tree.Path("a.txt"))))
      << outcome.ErrorText.toStdString();
  EXPECT_GT(outcome.ErrorText.size(), QStringLiteral("Cannot open file \"%1\". ").arg(Tree.Path("a.txt")).size());
}

TEST_F(TextSearchTest, TextSettingsAreReadAfreshForEveryEntry) {
  Tree.CreateFile("one.txt", "alpha");
  Tree.CreateFile("two.txt", "alpha");
  int seen = 0;
  Engine.BeforeEntry = [&](const QString&) {
    if (++seen != 2) return;  // the first file is tested with the text
    TSearchFields edited = Box.Snapshot();
    edited.WithText = false;
    Box.Set(edited);
  };
  Fields.WithText = true;
  Fields.Text = QStringLiteral("beta");
  const TSearchOutcome outcome = Search("*", "txt");
  EXPECT_EQ(outcome.Found.size(), 1);
}

TEST_F(TextSearchTest, TextChangedMidFolderAppliesToTheFollowingFiles) {
  for (int index = 0; index < 8; ++index) Tree.CreateFile("f" + QByteArray::number(index) + ".txt", "alpha");
  int seen = 0;
  Engine.BeforeEntry = [&](const QString&) {
    if (++seen != 3) return;
    TSearchFields edited = Box.Snapshot();
    edited.Text = QStringLiteral("ALPHA");
    Box.Set(edited);
  };
  Fields.WithText = true;
  Fields.Text = QStringLiteral("beta");
  const TSearchOutcome outcome = Search("*", "txt", false);
  EXPECT_EQ(outcome.Found.size(), 6);
}

TEST_F(TextSearchTest, ErrorEndsTheSearchAtItsEntry) {
  for (int index = 0; index < 20; ++index) Tree.CreateFile("f" + QByteArray::number(index) + ".txt", "alpha");
  if (test::RunningAsRoot()) {
    Tree.CreateSymlink("bad.txt", "/proc/self/mem");
  } else {
    Tree.CreateFile("bad.txt", "alpha");
    Tree.SetMode("bad.txt", 0);
  }
  QStringList tested;
  Engine.BeforeEntry = [&](const QString& path) { tested << path; };
  const TSearchOutcome outcome = SearchText("alpha");
  EXPECT_EQ(outcome.End, SearchEnd::Failed);
  ASSERT_FALSE(tested.isEmpty());
  EXPECT_EQ(tested.last(), Tree.Path("bad.txt"));
  EXPECT_EQ(outcome.LastTested, Tree.Path("bad.txt"));
  // Everything before the failing file was found, nothing after it.
  EXPECT_EQ(outcome.Found.size(), tested.filter(QRegularExpression("/f[0-9]+\\.txt$")).size());
}

TEST(SearchHelpers, Results) {
  EXPECT_TRUE(IsPictureResult("/a/b/x.JPEG"));
  EXPECT_TRUE(IsPictureResult("/a/b/x.png"));
  EXPECT_TRUE(IsPictureResult("/a/b/photo.jpg"));
  EXPECT_FALSE(IsPictureResult("/a/b.jpg/readme"));
  EXPECT_FALSE(IsPictureResult("/a/b/x.tiff"));
  EXPECT_FALSE(IsPictureResult("/a/b/jpg"));
  const TResultParts parts = SplitResult("/tmp/a.txt");
  EXPECT_EQ(parts.Folder, "/tmp/");
  EXPECT_EQ(parts.Name, "a.txt");
  const TResultParts up = SplitResult("/tmp/sub/..");
  EXPECT_EQ(up.Folder, "/tmp/sub/");
  EXPECT_EQ(up.Name, "..");
  EXPECT_EQ(TrimSearchText(QStringLiteral("\t a b \r\n")), "a b");
  EXPECT_EQ(SearchRootOf(QStringLiteral("  ")), std::nullopt);
  EXPECT_EQ(SearchRootOf(QStringLiteral("/home//")), "/home/");
}

}  // namespace
}  // namespace zarn
