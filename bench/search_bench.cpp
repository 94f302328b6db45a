// File search figures: a name search over a tree of 200,000 entries against
// find, a text search over the same tree holding 1 GiB of text against grep and
// against ripgrep, and a search of that tree for a Russian word held in four
// encodings against ripgrep run once per encoding. Our side times one TFileSearch
// run in this process (the search the window starts, without the window); the
// peer's time is its whole process, spawn to exit. Both must find the same files.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <random>

#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QProcess>

#include "benchutil.h"
#include "platform/filenames.h"
#include "search/filesearch.h"

namespace zarn::bench {
namespace {

constexpr int kTopFolders = 20;
constexpr int kSubfolders = 20;
const int kFilesPerFolder = int(Scaled(500));  // 20 * 20 * 500 = 200,000 files
const qint64 kTextBytes = Scaled(qint64(1) << 30);
constexpr int kFilesWithWord = 5;
const char kWord[] = "marmalade";

void MakeFolder(const QByteArray& path) {
  if (::mkdir(path.constData(), 0755) != 0 && errno != EEXIST) {
    std::perror(path.constData());
    std::exit(1);
  }
}

void WriteFile(const QByteArray& path, const QByteArray& bytes) {
  const int descriptor = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (descriptor < 0 || ::write(descriptor, bytes.constData(), size_t(bytes.size())) != bytes.size()) {
    std::perror(path.constData());
    std::exit(1);
  }
  ::close(descriptor);
}

// Common English words in both letter cases, so the letters of the word looked
// for come up about as often as in real text.
QByteArray MakeText(std::mt19937& random, qint64 size) {
  static const QList<QByteArray> kWords =
      QByteArray("the of and to in is was for on that with as by at from his her it this are be have not or which "
                 "one had an but were they all their there been has when who will more no if out so said what up "
                 "its about into than them can only other new some could time these two may then do first any my "
                 "now such like our over man me even most made after also did many before must through back years "
                 "where much your way well down should because each just those people how too little state good "
                 "very make world still own see men work long get here between both life being under never day "
                 "same another know while last might us great old year off come since against go came right used "
                 "take three The It In And But Many Most Some")
          .split(' ');
  QByteArray text;
  text.reserve(size + 16);
  while (text.size() < size) {
    text.append(kWords[qsizetype(random() % quint32(kWords.size()))]);
    text.append(random() % 12 == 0 ? '\n' : ' ');
  }
  text.truncate(size);
  return text;
}

QString FileName(int index) {
  static const char* const kExtensions[] = {".txt", ".doc", ".cpp", ".TXT"};
  const char first = char('a' + index % 26);
  return QStringLiteral("%1file%2%3").arg(QChar(first)).arg(index).arg(QLatin1String(kExtensions[index % 4]));
}

// 20 folders of 20 folders of 500 files; with `withText` the files share 1 GiB
// of text and a few of them hold the word.
void BuildTree(const QString& root, bool withText) {
  std::mt19937 random(42);
  const qint64 fileBytes = kTextBytes / (kTopFolders * kSubfolders * kFilesPerFolder);
  const QByteArray sample = MakeText(random, fileBytes * 4);
  int fileIndex = 0;
  for (int top = 0; top < kTopFolders; ++top) {
    const QByteArray topPath = ToNativeName(root + QStringLiteral("/top%1").arg(top));
    MakeFolder(topPath);
    for (int sub = 0; sub < kSubfolders; ++sub) {
      const QByteArray folder = topPath + "/sub" + QByteArray::number(sub);
      MakeFolder(folder);
      for (int file = 0; file < kFilesPerFolder; ++file, ++fileIndex) {
        QByteArray bytes;
        if (withText) {
          bytes = sample.mid(qsizetype(random() % (3 * fileBytes)), fileBytes);
          if (fileIndex % (kTopFolders * kSubfolders * kFilesPerFolder / kFilesWithWord) == 7) {
            bytes.replace(bytes.size() / 2, qsizetype(sizeof kWord) - 1, kWord);
          }
        }
        WriteFile(folder + '/' + ToNativeName(FileName(fileIndex)), bytes);
      }
    }
  }
}

QStringList SearchOnce(const QString& root, const QString& name, const QString& extension, const QString& text) {
  TSearchFieldsBox fields;
  TSearchFields values;
  values.StartFolder = root;
  values.Name = name;
  values.Extension = extension;
  values.Subfolders = true;
  values.WithText = !text.isEmpty();
  values.Text = text;
  fields.Set(values);
  TFileSearch search(fields);
  search.Reset();
  const TSearchOutcome outcome = search.Run();
  if (outcome.End != SearchEnd::Finished) Fail(QStringLiteral("search ended early: %1").arg(outcome.ErrorText));
  QStringList found = outcome.Found;
  found.sort();
  return found;
}

// The paths a peer printed, one a line, sorted.
QStringList PeerPaths(const QStringList& argv) {
  QStringList paths;
  for (const QByteArray& line : ProgramOutput(argv).split('\n'))
    if (!line.isEmpty()) paths.append(QFile::decodeName(line));
  paths.sort();
  return paths;
}

void CheckSameFound(const QString& figure, const QStringList& ours, const QStringList& peer, const QString& peerName) {
  if (ours.isEmpty() || ours != peer)
    Fail(QStringLiteral("%1: we found %2 files, %3 found %4, or not the same ones")
             .arg(figure).arg(ours.size()).arg(peerName).arg(peer.size()));
}

// Checks that both sides find the same files, then times them alternately.
void CompareSearch(const QString& figure, int runs, const QString& root, const QString& name, const QString& text,
                   const QStringList& peer) {
  const QString extension = name == QStringLiteral("*") ? QStringLiteral("*") : QStringLiteral("txt");
  CheckSameFound(figure, SearchOnce(root, name, extension, text), PeerPaths(peer), peer.first());
  const TAlternateTimes times = AlternateMedians(
      runs, {}, [&] { SearchOnce(root, name, extension, text); }, [&] { return TimeProgram(peer); });
  PrintRatio(figure, times);
}

void CompareNameSearch(const QString& root) {
  CompareSearch(QStringLiteral("search-name-200k"), 5, root, "a*", {}, {"find", root, "-iname", "a*.txt"});
}

void CompareTextSearch(const QString& root) {
  const QString word = QString::fromLatin1(kWord);
  CompareSearch(QStringLiteral("search-text-1g"), 3, root, "*", word, {"grep", "-rlia", word, root});
  CompareSearch(QStringLiteral("search-text-1g-rg"), 3, root, "*", word, {"rg", "-l", "-i", "-F", "-a", "-uuu", word, root});
}

// The Russian word in 1251, 866, UTF-8 and UTF-16LE, one small file each,
// and the encoding ripgrep is told to read that file in.
struct TEncodedWord {
  const char* Encoding;
  const char* FileName;
  QByteArray Bytes;
};

std::vector<TEncodedWord> EncodedWords() {
  const QString word = QStringLiteral("Мармелад");
  const QString wide = QStringLiteral("..МАРМЕЛАД..");
  return {
      {"windows-1251", "enc-win.txt", QByteArray("..\xCC\xE0\xF0\xEC\xE5\xEB\xE0\xE4..")},
      {"ibm866", "enc-dos.txt", QByteArray("..\xAC\xA0\xE0\xAC\xA5\xAB\xA0\xA4..")},
      {"utf-8", "enc-utf8.txt", ".." + word.toLower().toUtf8() + ".."},
      {"utf-16le", "enc-utf16.txt", QByteArray(reinterpret_cast<const char*>(wide.utf16()), wide.size() * 2)},
  };
}

void PlantEncodedWords(const QString& root) {
  for (const TEncodedWord& word : EncodedWords()) {
    WriteFile(ToNativeName(root + QStringLiteral("/top0/sub0/") + QLatin1String(word.FileName)), word.Bytes);
  }
}

QStringList RipgrepFor(const TEncodedWord& word, const QString& root) {
  return {"rg", "-l", "-i", "-F", "-a", "-uuu", "-E", QLatin1String(word.Encoding), QStringLiteral("мармелад"), root};
}

// The peer must find exactly the file of its encoding, and say so by its exit status.
void CheckRipgrep(const TEncodedWord& word, const QString& root) {
  const QStringList argv = RipgrepFor(word, root);
  QProcess ripgrep;
  ripgrep.start(argv.first(), argv.mid(1));
  const bool finished = ripgrep.waitForFinished(-1);
  const QList<QByteArray> lines = ripgrep.readAllStandardOutput().trimmed().split('\n');
  if (!finished || ripgrep.exitStatus() != QProcess::NormalExit || ripgrep.exitCode() != 0 || lines.size() != 1 ||
      !lines.first().endsWith(word.FileName))
    Fail(QStringLiteral("rg for %1 did not find %2 alone").arg(QLatin1String(word.Encoding), QLatin1String(word.FileName)));
}

// Times Zarn's one search for the word in every encoding against the sum of
// ripgrep's searches, one per encoding, over the same 1 GiB tree.
void CompareEncodingsSearch(const QString& root) {
  const std::vector<TEncodedWord> words = EncodedWords();
  for (const TEncodedWord& word : words) CheckRipgrep(word, root);
  const QString typed = QStringLiteral("мармелад");
  if (const int found = int(SearchOnce(root, "*", "*", typed).size()); found != int(words.size()))
    Fail(QStringLiteral("the search found %1 files, not %2").arg(found).arg(words.size()));
  const TAlternateTimes times = AlternateMedians(3, {}, [&] { SearchOnce(root, "*", "*", typed); }, [&] {
    double peer = 0;
    for (const TEncodedWord& word : words) peer += TimeProgram(RipgrepFor(word, root));
    return peer;
  });
  PrintRatio(QStringLiteral("search-text-1g-encodings"), times);
}

}  // namespace
}  // namespace zarn::bench

int main() {
  using namespace zarn::bench;
  // ZARN_BENCH_REUSE=1 searches the tree an earlier run left, to save rebuilding 1 GiB.
  const QString kept = ScratchFolderPath(QStringLiteral("search"));
  const bool reuse = qEnvironmentVariableIntValue("ZARN_BENCH_REUSE") == 1 && QFileInfo::exists(kept + "/top0");
  const QString root = reuse ? kept : ScratchFolder(QStringLiteral("search"));
  if (!reuse) BuildTree(root, true);
  PlantEncodedWords(root);
  SettleWrites(root);
  CompareNameSearch(root);
  CompareTextSearch(root);
  CompareEncodingsSearch(root);
  return 0;
}
