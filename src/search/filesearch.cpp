#include "search/filesearch.h"

#include <QScopeGuard>

#include <cerrno>
#include <cstring>
#include <set>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

#include "platform/errors.h"
#include "platform/filenames.h"
#include "search/textlookahead.h"
#include "search/windowsmask.h"
#include "viewer/codepages.h"

namespace zarn {
namespace {

// A large folder moves the count of folders after every this many files.
constexpr int kFilesBetweenCounts = 50;
// Entries kept from the collection for the search, in bytes of names: about
// three million entries. Folders beyond it are read again.
constexpr qsizetype kKeptEntryBytes = qsizetype(64) << 20;

bool IsExistingFolder(const QByteArray& path) {
  struct stat info {};
  return ::stat(path.isEmpty() ? "/" : path.constData(), &info) == 0 && S_ISDIR(info.st_mode);
}

QString UpperLatin(QString text) {
  for (QChar& character : text) {
    if (character >= u'a' && character <= u'z') character = QChar(character.unicode() - 0x20);
  }
  return text;
}

bool IsStopped(const TCollectControl& control) { return control.Stop != nullptr && control.Stop->load(); }

// Collects the folders in search order while the walker reads them, keeping
// their entries and entering their visible subfolders. The walker enters a
// folder's subfolders in reverse listing order, each walked whole before the
// next: the order of `Pending_` used as a stack.
class TFolderCollector final : public TreeVisitor {
 public:
  TFolderCollector(TListedFolder& start, const TCollectControl& control, qsizetype keepBytes)
      : Start_(start), Control_(control), KeepBytesLeft_(keepBytes) {}

  EnterStep Enter(FolderHandle& folder, const QByteArray& name) override {
    FinishCurrent();
    Current_ = name.isEmpty() ? &Start_ : TakePending();
    // A folder reached twice (a bind mount inside itself) is searched but not entered again.
    auto info = folder.Stat();
    FirstVisit_ = info.IsError() || Visited_.insert({info.Value().st_dev, info.Value().st_ino}).second;
    Files_ = 0;
    Complete_ = true;
    return EnterStep::Read;
  }

  WalkStep Visit(const FolderHandle& folder, const FolderEntry& entry) override {
    const EntryType type = ResolveType(folder, entry, LinkPolicy::DoNotFollow);
    Current_->Entries.append(char(type)).append(entry.Name, entry.Length).append('\0');
    if (type == EntryType::Folder) {
      if (!FirstVisit_ || IsHiddenName(entry.Name, entry.Length)) return WalkStep::Next;
      Pending_.push_back({Current_->Path + '/' + entry.NameBytes(), {}, false});
      ++Listed_;
      return WalkStep::Descend;
    }
    if (++Files_ > kFilesBetweenCounts) {
      if (Control_.ShowListed) Control_.ShowListed(Listed_);
      Files_ = 0;
    }
    return WalkStep::Next;
  }

  // A folder that cannot be read stays in the order and yields nothing.
  void EnterFailed(const FolderHandle&, const QByteArray&, const OsError&) override {
    FinishCurrent();
    Current_ = TakePending();
    Complete_ = false;
    FinishCurrent();
  }

  void Failed(const OsError&) override { Complete_ = false; }

  bool Stopped() override {
    if (Control_.BeforeFolder) Control_.BeforeFolder();
    return IsStopped(Control_);
  }

  // The search order: the start folder first; after a stop, the folders
  // reached so far without it.
  std::vector<TListedFolder> TakeOrder(bool stopped) {
    FinishCurrent();
    if (stopped) {
      Ordered_.insert(Ordered_.end(), std::make_move_iterator(Pending_.rbegin()),
                      std::make_move_iterator(Pending_.rend()));
    } else {
      Ordered_.insert(Ordered_.begin(), std::move(Start_));
    }
    return std::move(Ordered_);
  }

 private:
  TListedFolder* TakePending() {
    Ordered_.push_back(std::move(Pending_.back()));
    Pending_.pop_back();
    return &Ordered_.back();
  }

  void FinishCurrent() {
    if (Current_ == nullptr) return;
    TListedFolder& folder = *Current_;
    Current_ = nullptr;
    folder.Kept = Complete_ && folder.Entries.size() <= KeepBytesLeft_;
    if (folder.Kept) {
      KeepBytesLeft_ -= folder.Entries.size();
      folder.Entries.squeeze();
    } else {
      folder.Entries = QByteArray();
    }
  }

  TListedFolder& Start_;
  const TCollectControl& Control_;
  qsizetype KeepBytesLeft_;
  std::vector<TListedFolder> Ordered_;
  std::vector<TListedFolder> Pending_;
  TListedFolder* Current_ = nullptr;
  std::set<std::pair<quint64, quint64>> Visited_;
  bool FirstVisit_ = true;
  bool Complete_ = true;
  int Files_ = 0;
  qsizetype Listed_ = 0;
};


}  // namespace

QString TrimSearchText(const QString& text) {
  qsizetype begin = 0;
  qsizetype end = text.size();
  while (begin < end && text.at(begin).unicode() <= 32) ++begin;
  while (end > begin && text.at(end - 1).unicode() <= 32) --end;
  return text.mid(begin, end - begin);
}

// The order is that of a list walked from its head while each folder's
// subfolders are inserted right after it: a stack gives the same order without
// inserting into the middle of a long list.
std::vector<TListedFolder> CollectListedFolders(const QByteArray& startFolder, const TCollectControl& control,
                                                qsizetype keepBytes) {
  if (!IsExistingFolder(startFolder)) return {};
  TListedFolder start{startFolder, {}, false};
  TFolderCollector collector(start, control, keepBytes);
  auto top = FolderHandle::Open(startFolder, LinkPolicy::Follow);
  bool stopped = false;
  if (top) {
    WalkOptions options;
    options.Order = SiblingOrder::Reversed;
    options.Dots = DotEntries::Include;
    stopped = !WalkTree(top.TakeValue(), collector, options) && IsStopped(control);
  }
  return collector.TakeOrder(stopped);
}

std::vector<QByteArray> CollectFolders(const QByteArray& startFolder, const TCollectControl& control) {
  std::vector<QByteArray> paths;
  for (TListedFolder& folder : CollectListedFolders(startFolder, control, 0)) paths.push_back(std::move(folder.Path));
  return paths;
}

// The entries of one folder: those kept while collecting, else read now.
class TEntrySource {
 public:
  bool Open(const TListedFolder& folder, LinkPolicy links) {
    Kept_ = nullptr;
    if (!folder.Kept) {
      auto handle = FolderHandle::Open(folder.Path, links);
      if (handle.IsError()) return false;
      Folder_ = handle.TakeValue();
      Reader_.Start(Folder_);
      return true;
    }
    // A folder removed since it was read has nothing left to find.
    if (!IsExistingFolder(folder.Path)) return false;
    Kept_ = &folder.Entries;
    Position_ = 0;
    return true;
  }
  bool Next(FolderEntry& entry) {
    if (Kept_ == nullptr) return Reader_.Next(entry);
    if (Position_ >= Kept_->size()) return false;
    const char* record = Kept_->constData() + Position_;
    entry.Type = static_cast<EntryType>(record[0]);
    entry.Name = record + 1;
    entry.Length = qsizetype(std::strlen(entry.Name));
    Position_ += entry.Length + 2;
    return true;
  }
  void Close() {
    Folder_.Close();
    Kept_ = nullptr;
  }

 private:
  FolderHandle Folder_;
  FolderReader Reader_{DotEntries::Include};
  const QByteArray* Kept_ = nullptr;
  qsizetype Position_ = 0;
};

std::optional<QString> SearchRootOf(const QString& typed) {
  QString root = TrimSearchText(typed);
  if (root.isEmpty()) return std::nullopt;
  if (root.endsWith(u'/')) root.chop(1);
  return root;
}

QString CannotOpenFileMessage(const QString& path, const QString& reason) {
  return QStringLiteral("Cannot open file \"%1\". %2").arg(path, reason);
}

TResultParts SplitResult(const QString& path) {
  const qsizetype slash = path.lastIndexOf(u'/');
  return {path.left(slash + 1), path.mid(slash + 1)};
}

bool IsPictureResult(const QString& path) {
  const QString name = SplitResult(path).Name;
  const qsizetype dot = name.lastIndexOf(u'.');
  if (dot < 0) return false;
  static const QStringList kPictures = {".JPG", ".JPEG", ".BMP", ".WMF", ".ICO", ".GIF", ".PNG"};
  return kPictures.contains(UpperLatin(name.mid(dot)));
}

struct TFileSearch::TFolderMask {
  TWindowsMask Mask;
  qsizetype ExtensionLength = 0;
};

void TFileSearch::Reset() {
  Stopped_.store(false);
  FoldersToSearch_.store(1);
  FoldersDone_.store(0);
  FoundCount_.store(0);
}

TSearchOutcome TFileSearch::Run() {
  TSearchOutcome outcome;
  FragmentMode_ = false;
  NameFragment_.clear();
  TextVersion_ = ~quint64(0);
  const TSearchFields fields = Fields_.Snapshot();
  const std::optional<QString> root = SearchRootOf(fields.StartFolder);
  if (!root) {
    outcome.End = SearchEnd::NoFolder;
    return outcome;
  }
  const QByteArray rootBytes = ToNativeName(*root);
  // Also the existence test: what cannot be entered cannot be searched.
  if (::chdir(rootBytes.isEmpty() ? "/" : rootBytes.constData()) != 0) {
    outcome.End = SearchEnd::MissingFolder;
    return outcome;
  }
  std::vector<TListedFolder> folders;
  if (fields.Subfolders) {
    TCollectControl control;
    control.Stop = &Stopped_;
    control.ShowListed = [this](qsizetype listed) { FoldersToSearch_.store(int(listed)); };
    control.BeforeFolder = BeforeCollectStep;
    folders = CollectListedFolders(rootBytes, control, kKeptEntryBytes);
    if (!Stopped_.load()) FoldersToSearch_.store(int(folders.size()));
  } else {
    folders.push_back({rootBytes, {}, false});
  }
  TEntrySource source;
  TTextLookAheadHolder lookAhead;
  for (const TListedFolder& folder : folders) {
    if (!SearchFolder(source, folder, folder.Path == rootBytes, lookAhead, outcome)) return outcome;
  }
  outcome.End = SearchEnd::Finished;
  return outcome;
}

TFileSearch::TFolderMask TFileSearch::ReadFolderMask() {
  const TSearchFields fields = Fields_.Snapshot();
  const QString name = TrimSearchText(fields.Name);
  const QString extension = TrimSearchText(fields.Extension);
  QString mask = name + u'.' + extension;
  // A name typed as "*fragment" looks for the fragment anywhere in the path.
  if (fields.Name.startsWith(u'*') && fields.Name.size() > 1) {
    FragmentMode_ = true;
    NameFragment_ = UpperLatin(name.mid(1));
    mask = QStringLiteral("*.") + extension;
  }
  return {TWindowsMask(mask), extension.size()};
}

// The entries of a folder whose names match, in listing order, each marked
// with its place among the files the text test will read (or -1).
std::vector<TFileSearch::TCandidate> TFileSearch::MatchingEntries(TEntrySource& source, const TListedFolder& folder,
                                                                  bool isStart, const TFolderMask& mask) {
  std::vector<TCandidate> candidates;
  if (!source.Open(folder, isStart ? LinkPolicy::Follow : LinkPolicy::DoNotFollow)) return candidates;
  // The root has no "." and ".." to show, as a drive's root has none.
  const bool isRoot = folder.Path.isEmpty();
  FolderEntry entry;
  while (source.Next(entry)) {
    if ((isRoot && IsDotOrDotDot(entry.Name)) || !mask.Mask.Matches(entry.Name, entry.Length)) continue;
    TCandidate candidate;
    candidate.PathBytes = folder.Path + '/' + QByteArray(entry.Name, entry.Length);
    candidate.Path = FromNativeName(candidate.PathBytes);
    candidate.Type = entry.Type;
    candidate.PassesFragment = !FragmentMode_ || PassesFragment(candidate.Path, mask);
    candidates.push_back(std::move(candidate));
  }
  source.Close();
  return candidates;
}

// Lets helpers read the folder's files ahead, for the text the search holds
// now. False when there is nothing for them to do.
bool TFileSearch::StartLookAhead(std::vector<TCandidate>& candidates, TTextLookAheadHolder& lookAhead) {
  RefreshTextTest();
  if (!WithText_ || TextForms_.empty()) return false;
  std::vector<TTextLookAhead::TFile> files;
  for (TCandidate& candidate : candidates) {
    if (!candidate.PassesFragment || candidate.Type == EntryType::Folder || candidate.Type == EntryType::Other) {
      continue;
    }
    candidate.LookAheadIndex = qsizetype(files.size());
    files.push_back({candidate.PathBytes, candidate.Type});
  }
  if (files.size() < 2) return false;
  if (!lookAhead) lookAhead = std::make_unique<TTextLookAhead>(Stopped_);
  lookAhead->Begin(std::move(files), TextForms_);
  return true;
}

bool TFileSearch::SearchFolder(TEntrySource& source, const TListedFolder& folder, bool isStart,
                               TTextLookAheadHolder& lookAhead, TSearchOutcome& outcome) {
  const TFolderMask mask = ReadFolderMask();
  std::vector<TCandidate> candidates = MatchingEntries(source, folder, isStart, mask);
  const bool ahead = StartLookAhead(candidates, lookAhead);
  const auto finish = qScopeGuard([&] {
    if (ahead) lookAhead->End();
  });
  for (const TCandidate& candidate : candidates) {
    if (Stopped_.load()) {
      outcome.End = SearchEnd::Stopped;
      return false;
    }
    outcome.LastTested = candidate.Path;
    if (BeforeEntry) BeforeEntry(candidate.Path);
    if (!candidate.PassesFragment) continue;
    RefreshTextTest();
    if (WithText_ && !PassesText(candidate, ahead ? lookAhead.get() : nullptr, outcome)) {
      if (outcome.End == SearchEnd::Failed) return false;
      continue;
    }
    outcome.Found.append(candidate.Path);
    FoundCount_.fetch_add(1);
  }
  FoldersDone_.fetch_add(1);
  return true;
}

bool TFileSearch::PassesFragment(const QString& path, const TFolderMask& mask) const {
  if (NameFragment_.isEmpty()) return false;
  const QString rest = path.left(std::max<qsizetype>(0, path.size() - mask.ExtensionLength));
  return UpperLatin(rest).contains(NameFragment_);
}

void TFileSearch::RefreshTextTest() {
  const quint64 version = Fields_.Version();
  if (version == TextVersion_) return;
  TextVersion_ = version;
  const TSearchFields fields = Fields_.Snapshot();
  WithText_ = fields.WithText;
  const QString text = TrimSearchText(fields.Text);
  // A file holds the text in any of the code pages a Linux desktop meets, the
  // one asked for first.
  TextForms_ = FormsInEveryCodePage(text, fields.TextPage);
}

bool TFileSearch::PassesText(const TCandidate& candidate, TTextLookAhead* lookAhead, TSearchOutcome& outcome) {
  // A text that no code page can hold occurs in no file.
  if (TextForms_.empty()) return false;
  const TTextResult result = lookAhead != nullptr && candidate.LookAheadIndex >= 0
                                 ? lookAhead->Result(candidate.LookAheadIndex, TextForms_)
                                 : TestFileForText(candidate.Type, candidate.PathBytes, TextForms_, &Stopped_);
  if (result.Outcome != TTextResult::Kind::Failed) return result.Outcome == TTextResult::Kind::Found;
  outcome.End = SearchEnd::Failed;
  outcome.ErrorText = CannotOpenFileMessage(candidate.Path, SystemMessage(result.ErrorCode));
  return false;
}

}  // namespace zarn
