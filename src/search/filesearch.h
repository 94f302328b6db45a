#pragma once
// The file search: finds the files and folders below a start folder whose names
// match a name and an extension mask and, optionally, that contain a text.
// Qt Core only; a search runs whole on the calling thread (the window runs it on
// a thread of its own) and can be watched and stopped from any other thread.
//
// Phases of one search:
//   1. The start folder is checked by making it the current directory.
//   2. With subfolders, CollectFolders lists the start folder and every visible
//      subfolder (hidden ones, names beginning with ".", are not entered; links
//      to folders are not followed), depth first, each folder before its
//      subfolders, siblings in the reverse of the order the file system lists
//      them. Without subfolders the start folder is searched alone.
//   3. Each folder's entries are gone through and every entry whose name
//      matches the mask is tested and, when it passes, found. The name and
//      extension are read afresh for every folder, the text settings for every
//      entry. Reading a folder costs more than everything else a name search
//      does, so the entries read in phase 2 are kept (up to a memory limit) and
//      used again here instead of reading every folder twice; a folder that is
//      gone by then yields nothing.
// The stop request is looked at before each folder of phase 2 and before each
// matching entry of phase 3 (and ends the reading of a file in the text test).

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "platform/folderwalk.h"
#include "search/searchfields.h"
#include "search/textlookahead.h"

namespace zarn {

struct TCollectControl {
  const std::atomic<bool>* Stop = nullptr;
  // Called with the number of folders listed so far after every 51st file of a
  // folder, so a large folder shows progress.
  std::function<void(qsizetype listed)> ShowListed;
  // Called before each folder whose subfolders are listed (tests stop here).
  std::function<void()> BeforeFolder;
};

// The start folder and all its visible subfolders in search order (folder paths
// as bytes, "/"-separated, no trailing "/"; an empty start folder is the root
// "/", whose subfolders read "/name"). Empty when the start folder is no
// folder. When stopped, the folders found so far without the start folder.
// Folders that cannot be read add nothing; a folder reached twice (a bind mount
// inside itself) has its subfolders listed once.
std::vector<QByteArray> CollectFolders(const QByteArray& startFolder, const TCollectControl& control = {});

// A folder of the search order with the entries read while collecting it.
struct TListedFolder {
  QByteArray Path;
  // For each entry: its EntryType as a byte, its name, a NUL. Meaningful only
  // when Kept is set (the folder was read and the memory limit allowed it).
  QByteArray Entries;
  bool Kept = false;
};

// CollectFolders keeping each folder's entries while at most `keepBytes` are
// kept in all.
std::vector<TListedFolder> CollectListedFolders(const QByteArray& startFolder, const TCollectControl& control,
                                                qsizetype keepBytes);

enum class SearchEnd {
  Finished,      // every folder searched
  Stopped,       // ended by a stop request
  NoFolder,      // the start folder field is empty or blank: no message
  MissingFolder, // the start folder cannot be made the current directory
  Failed,        // a file could not be read for the text test: ErrorText
};

struct TSearchOutcome {
  SearchEnd End = SearchEnd::Finished;
  QStringList Found;   // full paths in the order found
  QString LastTested;  // the full path of the last entry tested, empty when none
  QString ErrorText;   // for Failed: "Cannot open file "<path>". <reason>"
};

// The start folder as the search uses it: trimmed, one trailing "/" removed
// ("/" becomes "", the root). Nothing when the field is empty or blank.
std::optional<QString> SearchRootOf(const QString& typed);

// "Cannot open file "<path>". <the system's reason>".
QString CannotOpenFileMessage(const QString& path, const QString& reason);

// Photos, pictures and icons are shown by the picture viewer: the extension
// (with its dot, Latin letters compared in upper case) is one of .JPG .JPEG
// .BMP .WMF .ICO .GIF .PNG.
bool IsPictureResult(const QString& path);

struct TResultParts {
  QString Folder;  // up to and including the last "/"
  QString Name;    // the rest
};
TResultParts SplitResult(const QString& path);

class TEntrySource;
class TTextLookAhead;

class TFileSearch {
 public:
  explicit TFileSearch(const TSearchFieldsBox& fields) : Fields_(fields) {}

  // Clears the stop request and sets the counters to their start values. Call
  // on the controlling thread before handing Run to another thread, so a stop
  // pressed right after the start is not lost.
  void Reset();
  // The whole search, on the calling thread.
  TSearchOutcome Run();

  // Any thread.
  void Stop() { Stopped_.store(true); }
  bool StopRequested() const { return Stopped_.load(); }
  int FoldersToSearch() const { return FoldersToSearch_.load(); }  // "1" until the folders are counted
  int FoldersDone() const { return FoldersDone_.load(); }
  int FoundCount() const { return FoundCount_.load(); }

  // Called on the searching thread with each entry's full path just before it
  // is tested (after the stop check). For tests; empty by default.
  std::function<void(const QString& path)> BeforeEntry;
  // Handed to CollectFolders. For tests.
  std::function<void()> BeforeCollectStep;

 private:
  struct TFolderMask;
  struct TCandidate {
    QByteArray PathBytes;
    QString Path;
    EntryType Type = EntryType::Unknown;
    bool PassesFragment = true;
    qsizetype LookAheadIndex = -1;
  };
  using TTextLookAheadHolder = std::unique_ptr<TTextLookAhead>;

  bool SearchFolder(TEntrySource& source, const TListedFolder& folder, bool isStart, TTextLookAheadHolder& lookAhead,
                    TSearchOutcome& outcome);
  std::vector<TCandidate> MatchingEntries(TEntrySource& source, const TListedFolder& folder, bool isStart,
                                          const TFolderMask& mask);
  bool StartLookAhead(std::vector<TCandidate>& candidates, TTextLookAheadHolder& lookAhead);
  TFolderMask ReadFolderMask();
  bool PassesFragment(const QString& path, const TFolderMask& mask) const;
  // True when found; false when not found or on failure (outcome.End set).
  bool PassesText(const TCandidate& candidate, TTextLookAhead* lookAhead, TSearchOutcome& outcome);
  void RefreshTextTest();

  const TSearchFieldsBox& Fields_;
  std::atomic<bool> Stopped_{false};
  std::atomic<int> FoldersToSearch_{1};
  std::atomic<int> FoldersDone_{0};
  std::atomic<int> FoundCount_{0};

  // Only from the searching thread during Run.
  bool FragmentMode_ = false;
  QString NameFragment_;
  quint64 TextVersion_ = ~quint64(0);
  bool WithText_ = false;
  TTextForms TextForms_;
};

}  // namespace zarn
