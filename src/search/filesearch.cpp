#include "search/filesearch.h"

#include <cerrno>
#include <set>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

#include "platform/errors.h"
#include "platform/filenames.h"
#include "search/windowsmask.h"
#include "viewer/codepages.h"
#include "viewer/findinfile.h"

namespace zarn {
namespace {

// A large folder moves the count of folders after every this many files.
constexpr int kFilesBetweenCounts = 50;

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

// Lists the visible subfolders of folders, one at a time, onto a stack.
class TSubfolderLister {
 public:
  TSubfolderLister(std::vector<QByteArray>& pending, const TCollectControl& control)
      : Pending_(pending), Control_(control) {}

  void List(const QByteArray& folder, LinkPolicy links) {
    if (!Reader_.Open(folder, links) || !FirstVisit()) return;
    const QByteArray prefix = folder + '/';
    int files = 0;
    TFolderEntry entry;
    while (Reader_.Next(entry)) {
      if (Reader_.ResolveType(entry, LinkPolicy::DoNotFollow) == EntryType::Folder) {
        if (!IsHiddenName(entry.Name, entry.Length)) {
          Pending_.push_back(prefix + QByteArray(entry.Name, entry.Length));
          ++Listed_;
        }
      } else if (++files > kFilesBetweenCounts) {
        if (Control_.ShowListed) Control_.ShowListed(Listed_);
        files = 0;
      }
    }
    Reader_.Close();
  }

 private:
  bool FirstVisit() {
    quint64 device = 0;
    quint64 inode = 0;
    if (!Reader_.Identity(&device, &inode)) return true;
    return Visited_.insert({device, inode}).second;
  }

  std::vector<QByteArray>& Pending_;
  const TCollectControl& Control_;
  TFolderReader Reader_;
  std::set<std::pair<quint64, quint64>> Visited_;
  qsizetype Listed_ = 0;
};

bool IsStopped(const TCollectControl& control) { return control.Stop != nullptr && control.Stop->load(); }

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
std::vector<QByteArray> CollectFolders(const QByteArray& startFolder, const TCollectControl& control) {
  if (!IsExistingFolder(startFolder)) return {};
  std::vector<QByteArray> ordered;
  std::vector<QByteArray> pending;
  TSubfolderLister lister(pending, control);
  lister.List(startFolder, LinkPolicy::Follow);
  while (!pending.empty()) {
    if (control.BeforeFolder) control.BeforeFolder();
    if (IsStopped(control)) {
      ordered.insert(ordered.end(), std::make_move_iterator(pending.rbegin()),
                     std::make_move_iterator(pending.rend()));
      return ordered;
    }
    ordered.push_back(std::move(pending.back()));
    pending.pop_back();
    lister.List(ordered.back(), LinkPolicy::DoNotFollow);
  }
  ordered.insert(ordered.begin(), startFolder);
  return ordered;
}

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
  std::vector<QByteArray> folders{rootBytes};
  if (fields.Subfolders) {
    TCollectControl control;
    control.Stop = &Stopped_;
    control.ShowListed = [this](qsizetype listed) { FoldersToSearch_.store(int(listed)); };
    control.BeforeFolder = BeforeCollectStep;
    folders = CollectFolders(rootBytes, control);
    if (!Stopped_.load()) FoldersToSearch_.store(int(folders.size()));
  }
  TFolderReader reader;
  for (const QByteArray& folder : folders) {
    if (!SearchFolder(reader, folder, folder == rootBytes, outcome)) return outcome;
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

bool TFileSearch::SearchFolder(TFolderReader& reader, const QByteArray& folder, bool isStart,
                               TSearchOutcome& outcome) {
  const TFolderMask mask = ReadFolderMask();
  // The root has no "." and ".." to show, as a drive's root has none.
  const bool isRoot = folder.isEmpty();
  if (reader.Open(folder, isStart ? LinkPolicy::Follow : LinkPolicy::DoNotFollow)) {
    TFolderEntry entry;
    while (reader.Next(entry)) {
      if (isRoot && IsHiddenName(entry.Name, entry.Length) && entry.Length <= 2 &&
          (entry.Length == 1 || entry.Name[1] == '.')) {
        continue;
      }
      if (!mask.Mask.Matches(entry.Name, entry.Length)) continue;
      if (Stopped_.load()) {
        outcome.End = SearchEnd::Stopped;
        return false;
      }
      const QString path = FromNativeName(folder + '/' + QByteArray(entry.Name, entry.Length));
      outcome.LastTested = path;
      if (BeforeEntry) BeforeEntry(path);
      if (FragmentMode_ && !PassesFragment(path, mask)) continue;
      RefreshTextTest();
      if (WithText_ && !PassesText(reader, entry, path, outcome)) {
        if (outcome.End == SearchEnd::Failed) return false;
        continue;
      }
      outcome.Found.append(path);
      FoundCount_.fetch_add(1);
    }
    reader.Close();
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
  TextBytes_.clear();
  TextEncodable_ = true;
  for (const QChar character : text) {
    unsigned char byte = 0;
    if (!UnicodeToCp1251(character.unicode(), &byte)) TextEncodable_ = false;
    TextBytes_.append(char(byte));
  }
  if (fields.Dos) TextBytes_ = AnsiToOem(TextBytes_);
}

bool TFileSearch::PassesText(const TFolderReader& reader, const TFolderEntry& entry, const QString& path,
                             TSearchOutcome& outcome) {
  // A text with characters code page 1251 lacks occurs in no 1251 file.
  if (!TextEncodable_ || TextBytes_.isEmpty()) return false;
  // Folders, FIFOs, devices and dangling links hold no text; a FIFO is never opened.
  if (reader.ResolveType(entry, LinkPolicy::Follow) != EntryType::File) return false;
  FindProgress progress;
  progress.Stop = &Stopped_;
  auto found = FindInFileOrError(path, TextBytes_, 0, progress);
  if (!found.IsError()) return found.Value() != -1;
  const int code = found.Error().Code();
  // Gone or replaced by something else since it was listed: nothing to find.
  if (code == 0 || code == ENOENT || code == ENOTDIR) return false;
  outcome.End = SearchEnd::Failed;
  outcome.ErrorText = CannotOpenFileMessage(path, SystemMessage(code));
  return false;
}

}  // namespace zarn
