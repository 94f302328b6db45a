// The file-operation engine runs in three phases.
//
// 1. Plan. The destination is checked (it exists, it is a folder or the parent
//    of the single source's new name, it is writable), then each source is
//    checked (it exists, its paths fit the system's limits, a folder does not
//    go into itself, a copy onto itself gets a free name) and walked into a
//    list of work items in depth-first order: make folder, copy file, link or
//    node, finish folder (its attributes, after its contents), rename (a move
//    within one file system), trash, remove. Nothing is written before the plan
//    is complete; a problem with one source asks retry, skip or cancel.
// 2. Execute. Items run in order with the cancel flag checked between items and
//    between chunks of data. Conflicts ask replace, replace all, skip, skip all
//    or cancel; errors ask retry, skip or cancel, and skipping a folder skips
//    everything planned inside it. A rename that meets another file system
//    (EXDEV) is replaced by the copy of its tree. Its sources are removed in
//    batches, each only after syncfs has put the batch's copies on the device,
//    so at any moment, power loss included, every file is whole in one place
//    at least, and a cancel loses nothing.
// 3. Flush. syncfs on the destination's file system, so that "done" means the
//    data is on the device, then the last batch of sources goes; this also
//    runs after a cancel for what was written.
//
// Every folder below a chosen source or the destination is reached through the
// folder walker (platform/folderwalk.h): opened relative to its parent's
// handle, never through a link, so trees deeper than PATH_MAX are copied whole
// and a folder swapped for a link meanwhile leads nowhere outside the trees.

#include "platform/fileop.h"

#include <QDir>

#include <fcntl.h>
#include <limits.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <optional>
#include <utility>
#include <vector>

#include "platform/filenames.h"
#include "platform/folderwalk.h"
#include "platform/fileop_copy.h"
#include "platform/fileop_remove.h"
#include "platform/trash.h"

namespace zarn {
namespace {

using fileop::Placement;
using fileop::PlacedName;

// Sources of a move go after this many objects or bytes have been copied and flushed.
constexpr std::size_t BatchObjects = 1000;
constexpr qint64 BatchBytes = qint64(256) << 20;

enum class ItemKind {
  MakeFolder, ListFolder, Unread, FinishFolder, CopyFile, CopyLink, CopyNode, Rename, Trash, Remove
};

struct WorkItem {
  ItemKind Kind = ItemKind::CopyFile;
  QByteArray Source;
  QByteArray Target;
  struct stat Info {};       // the source's lstat at plan time
  bool MoveSource = false;   // remove the source once its copy is on the device
  bool Merged = false;       // FinishFolder: the folder existed; keep its attributes
  qsizetype SourceBase = 0;  // the source's first bytes that name the folder the user chose it in
  int Error = 0;             // Unread: why the folder could not be read to its end
};

enum class Step { Done, SkippedByChoice };

OsError ErrorAt(const QByteArray& path, int code = errno) { return OsError(code, FromNativeName(path)); }
OsError TextError(const char* text, const QByteArray& path) {
  return OsError::WithText(QString::fromUtf8(text), FromNativeName(path));
}

QByteArray StripSlashes(QByteArray path) {
  while (path.size() > 1 && path.endsWith('/')) path.chop(1);
  return path;
}

QByteArray NameOf(const QByteArray& path) { return path.mid(path.lastIndexOf('/') + 1); }

QByteArray FolderOf(const QByteArray& path) {
  const qsizetype slash = path.lastIndexOf('/');
  return slash < 0 ? QByteArray(".") : slash == 0 ? QByteArray("/") : path.left(slash);
}

QByteArray Join(const QByteArray& folder, const QByteArray& name) {
  return folder.endsWith('/') ? folder + name : folder + '/' + name;
}

bool SameObject(const struct stat& a, const struct stat& b) { return a.st_dev == b.st_dev && a.st_ino == b.st_ino; }

bool FitsLimits(const QByteArray& path) { return path.size() < PATH_MAX && NameOf(path).size() <= NAME_MAX; }

// True when `folder` is `ancestor` or lies anywhere below it, checked by device
// and inode on the way up, so links and bind mounts cannot hide it.
bool LiesWithin(const QByteArray& folder, const struct stat& ancestor) {
  int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  for (int depth = 0; fd >= 0 && depth < PATH_MAX; ++depth) {
    struct stat here;
    if (::fstat(fd, &here) != 0) break;
    if (SameObject(here, ancestor)) {
      ::close(fd);
      return true;
    }
    const int up = ::openat(fd, "..", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    struct stat above;
    const bool atRoot = up < 0 || ::fstat(up, &above) != 0 || SameObject(above, here);
    ::close(fd);
    fd = up;
    if (atRoot) break;
  }
  if (fd >= 0) ::close(fd);
  return false;
}

ObjectFacts FactsOf(const QByteArray& path, const struct stat& info) {
  ObjectFacts facts;
  facts.Path = FromNativeName(path);
  facts.Size = info.st_size;
  facts.Modified = QDateTime::fromMSecsSinceEpoch(qint64(info.st_mtim.tv_sec) * 1000 + info.st_mtim.tv_nsec / 1000000);
  facts.IsFolder = S_ISDIR(info.st_mode);
  return facts;
}

int SystemRename(const char* from, const char* to, unsigned flags) {
  return ::renameat2(AT_FDCWD, from, AT_FDCWD, to, flags);
}

ItemKind CopyKindOf(const struct stat& info) {
  if (S_ISREG(info.st_mode)) return ItemKind::CopyFile;
  if (S_ISLNK(info.st_mode)) return ItemKind::CopyLink;
  return ItemKind::CopyNode;
}

// Plans the copy of one folder's tree as the walker reads it: make folder,
// its other entries, its subfolders each in turn, finish folder. An entry that
// vanished meanwhile is left out; any other failure gets an item that fails
// again at its turn and asks then.
class TreePlanner final : public TreeVisitor {
 public:
  // With `withTop`, the items of the top folder itself too (else only what is inside it).
  TreePlanner(const WorkItem& top, bool withTop, const std::atomic<bool>& cancel, std::vector<WorkItem>& items)
      : Top_(top), WithTop_(withTop), Cancel_(cancel), Items_(items) {}

  EnterStep Enter(FolderHandle& folder, const QByteArray& name) override {
    if (name.isEmpty()) {
      Folders_.push_back(Top_);
      if (WithTop_) Add(ItemKind::MakeFolder, Top_);
      return EnterStep::Read;
    }
    WorkItem item = Child(ItemKind::MakeFolder, name);
    auto info = folder.Stat();
    if (info.IsError()) {
      Unreadable(item);
      return EnterStep::Skip;
    }
    item.Info = info.Value();
    Folders_.push_back(item);
    Add(ItemKind::MakeFolder, item);
    return EnterStep::Read;
  }

  WalkStep Visit(const FolderHandle& folder, const FolderEntry& entry) override {
    auto info = folder.StatEntry(entry.Name, LinkPolicy::DoNotFollow);
    if (info.IsError()) {
      if (info.Error().Code() != ENOENT) Items_.push_back(Child(ItemKind::ListFolder, entry.NameBytes()));
      return WalkStep::Next;
    }
    if (S_ISDIR(info.Value().st_mode)) return WalkStep::Descend;
    WorkItem item = Child(CopyKindOf(info.Value()), entry.NameBytes());
    item.Info = info.Value();
    Items_.push_back(std::move(item));
    return WalkStep::Next;
  }

  void Leave(const FolderHandle&, const QByteArray&) override {
    Add(ItemKind::FinishFolder, Folders_.back());
    Folders_.pop_back();
  }

  void EnterFailed(const FolderHandle& parent, const QByteArray& name, const OsError& error) override {
    if (error.Code() == ENOENT) return;
    WorkItem item = Child(ItemKind::MakeFolder, name);
    if (auto info = parent.StatEntry(name.constData(), LinkPolicy::DoNotFollow)) item.Info = info.Value();
    Unreadable(item);
  }

  void Failed(const OsError& error) override {
    WorkItem item = Folders_.back();
    item.Kind = ItemKind::Unread;
    item.Error = error.Code();
    Items_.push_back(std::move(item));
  }

  bool Stopped() override { return Cancel_.load(); }

  void Finish() {
    if (WithTop_) Add(ItemKind::FinishFolder, Top_);
  }

  // A folder that cannot be listed now: made, listed at its turn (asking then), finished.
  void Unreadable(const WorkItem& item) {
    Add(ItemKind::MakeFolder, item);
    Add(ItemKind::ListFolder, item);
    Add(ItemKind::FinishFolder, item);
  }

 private:
  WorkItem Child(ItemKind kind, const QByteArray& name) const {
    const WorkItem& folder = Folders_.back();
    WorkItem item;
    item.Kind = kind;
    item.Source = folder.Source + '/' + name;
    item.Target = folder.Target + '/' + name;
    item.MoveSource = Top_.MoveSource;
    item.SourceBase = Top_.SourceBase;
    return item;
  }

  void Add(ItemKind kind, WorkItem item) {
    item.Kind = kind;
    Items_.push_back(std::move(item));
  }

  const WorkItem& Top_;
  const bool WithTop_;
  const std::atomic<bool>& Cancel_;
  std::vector<WorkItem>& Items_;
  std::vector<WorkItem> Folders_;  // the folders being walked, the top first
};

int SystemFlush(int fd) { return ::syncfs(fd); }
int SystemUnlink(int folder, const char* name, int flags) { return ::unlinkat(folder, name, flags); }

}  // namespace

QByteArray NonCollidingName(const QByteArray& path) {
  struct stat info;
  if (::lstat(path.constData(), &info) != 0 && errno == ENOENT) return path;
  const QByteArray folder = FolderOf(path);
  const QByteArray name = NameOf(path);
  // "name (2).ext": the number goes before a file's last extension, never into a
  // leading dot; a folder's name takes it at the end.
  qsizetype dot = S_ISDIR(info.st_mode) ? -1 : name.lastIndexOf('.');
  if (dot <= 0) dot = name.size();
  const QByteArray stem = name.left(dot);
  const QByteArray extension = name.mid(dot);
  for (int number = 2;; ++number) {
    const QByteArray candidate = Join(folder, stem + " (" + QByteArray::number(number) + ")" + extension);
    if (::lstat(candidate.constData(), &info) != 0 && errno == ENOENT) return candidate;
  }
}

class FileOperation::Engine {
 public:
  Engine(FileOpRequest request, TFileOpQuestions& questions, TFileOpObserver* observer)
      : Rename_(SystemRename),
        Flush_(SystemFlush),
        Unlink_(SystemUnlink),
        Request_(std::move(request)),
        Questions_(questions),
        Observer_(observer) {}

  FileOpResult Run() {
    if (Plan()) {
      Execute();
      Flush();
    }
    Result_.Cancelled = Result_.Cancelled || Cancel_.load();
    SetPhase(FileOpPhase::Finished);
    return Result_;
  }

  std::atomic<bool> Cancel_{false};
  RenameCall Rename_;
  FlushCall Flush_;
  UnlinkCall Unlink_;
  ObjectHook BetweenObjects_;

 private:
  // ---- planning ----

  bool Plan() {
    SetPhase(FileOpPhase::Planning);
    if (Request_.Kind != FileOpKind::Delete && !Ask([this] { return CheckDestination(); })) return false;
    for (const QString& source : Request_.Sources) {
      if (Cancel_.load()) return false;
      if (!Ask([&] { return PlanSource(AbsolutePath(StripSlashes(ToNativeName(source)))); })) return false;
    }
    for (const WorkItem& item : Items_) CountIntoTotals(item);
    return true;
  }

  // Runs `attempt` until it succeeds or the user skips or cancels; false on cancel.
  template <typename Attempt>
  bool Ask(Attempt attempt) {
    while (true) {
      ErrorOrDone result = attempt();
      if (result) return true;
      const ErrorAnswer answer = Questions_.AskOnError(result.Error());
      if (answer == ErrorAnswer::Retry) continue;
      Result_.Failures << result.Error();
      const bool nowhereToGo = Request_.Kind != FileOpKind::Delete && TargetFolder_.isEmpty();
      if (answer == ErrorAnswer::Cancel || nowhereToGo) {
        Result_.Cancelled = answer == ErrorAnswer::Cancel;
        return false;
      }
      return true;
    }
  }

  ErrorOrDone CheckDestination() {
    TargetFolder_.clear();
    ExplicitName_.clear();
    const QByteArray destination = ToNativeName(Request_.Destination);
    if (destination.isEmpty()) return TextError("Не задана папка назначения", destination);
    struct stat info;
    const bool exists = ::stat(destination.constData(), &info) == 0;
    const int statError = errno;
    const bool exact = Request_.Target == DestinationKind::ExactName;
    if (exact && (Request_.Sources.size() != 1 || destination.endsWith('/'))) return ErrorAt(destination, EINVAL);
    if (!exact && exists && S_ISDIR(info.st_mode)) {
      TargetFolder_ = StripSlashes(destination);
    } else if (destination.endsWith('/') || Request_.Sources.size() != 1) {
      return ErrorAt(destination, exists ? ENOTDIR : statError);
    } else {
      const QByteArray folder = FolderOf(destination);
      if (::stat(folder.constData(), &info) != 0) return ErrorAt(folder);
      if (!S_ISDIR(info.st_mode)) return ErrorAt(folder, ENOTDIR);
      TargetFolder_ = folder;
      ExplicitName_ = NameOf(destination);
    }
    if (::access(TargetFolder_.constData(), W_OK | X_OK) != 0) {
      const QByteArray shown = TargetFolder_;
      const int code = errno;
      TargetFolder_.clear();
      return ErrorAt(shown, code);
    }
    ::stat(TargetFolder_.constData(), &TargetFolderInfo_);
    return Done{};
  }

  static QByteArray AbsolutePath(const QByteArray& path) {
    return path.startsWith('/') ? path : Join(ToNativeName(QDir::currentPath()), path);
  }

  ErrorOrDone PlanSource(const QByteArray& source) {
    struct stat info;
    if (source.size() >= PATH_MAX) return ErrorAt(source, ENAMETOOLONG);
    if (::lstat(source.constData(), &info) != 0) return ErrorAt(source);
    const qsizetype base = std::max<qsizetype>(source.lastIndexOf('/'), 1);
    if (Request_.Kind == FileOpKind::Delete) {
      const ItemKind kind = Request_.Delete == DeleteMode::ToTrash ? ItemKind::Trash : ItemKind::Remove;
      Items_.push_back({kind, source, {}, info});
      return Done{};
    }
    QByteArray target = Join(TargetFolder_, ExplicitName_.isEmpty() ? NameOf(source) : ExplicitName_);
    if (!FitsLimits(target)) return ErrorAt(target, ENAMETOOLONG);
    if (S_ISDIR(info.st_mode) && LiesWithin(TargetFolder_, info)) {
      return TextError(Request_.Kind == FileOpKind::Copy ? "Нельзя скопировать папку в саму себя"
                                                         : "Нельзя переместить папку в саму себя",
                       source);
    }
    auto resolved = ResolveTopTarget(source, info, target);
    if (!resolved) return resolved.Error();
    target = resolved.TakeValue();
    WorkItem top{ItemKind::Rename, source, target, info};
    top.SourceBase = base;
    if (Request_.Kind == FileOpKind::Move && info.st_dev == TargetFolderInfo_.st_dev) {
      Items_.push_back(top);
      return Done{};
    }
    top.MoveSource = Request_.Kind == FileOpKind::Move;
    return WalkInto(top, Items_);
  }

  // The top-level target: a copy onto the object itself gets a free name, as does
  // any taken name when the caller asked for that; a hard link of the source is refused.
  ErrorOr<QByteArray> ResolveTopTarget(const QByteArray& source, const struct stat& info, const QByteArray& target) {
    struct stat existing;
    if (::lstat(target.constData(), &existing) != 0) return target;
    if (SameObject(existing, info)) {
      struct stat sourceFolder;
      const bool sameEntry = NameOf(source) == NameOf(target) && ::stat(FolderOf(source).constData(), &sourceFolder) == 0 &&
                             SameObject(sourceFolder, TargetFolderInfo_);
      if (Request_.Kind == FileOpKind::Move || !sameEntry)
        return TextError("Источник и место назначения совпадают", target);
      return NonCollidingName(target);
    }
    if (Request_.Collision == CollisionMode::RenameNew) return NonCollidingName(target);
    return target;
  }

  // Appends the items that copy `top`'s source to its target (and remove the
  // source objects once their copies are on the device, for a move).
  ErrorOrDone WalkInto(const WorkItem& top, std::vector<WorkItem>& items) {
    if (!S_ISDIR(top.Info.st_mode)) {
      WorkItem item = top;
      item.Kind = CopyKindOf(top.Info);
      items.push_back(std::move(item));
      return Done{};
    }
    return WalkFolder(top, true, items);
  }

  ErrorOrDone WalkFolder(const WorkItem& top, bool withTop, std::vector<WorkItem>& items) {
    QByteArray name;
    auto parent = Sources_.ParentOf(top.Source, top.SourceBase, &name);
    if (parent.IsError()) return parent.Error();
    auto folder = parent.Value()->OpenChild(name);
    TreePlanner planner(top, withTop, Cancel_, items);
    if (folder.IsError()) {
      if (!withTop) return folder.Error();
      planner.Unreadable(top);
      return Done{};
    }
    // A cancel meanwhile leaves the plan short; execution then stops before its first item.
    WalkTree(folder.TakeValue(), planner);
    planner.Finish();
    return Done{};
  }

  void CountIntoTotals(const WorkItem& item) {
    if (item.Kind == ItemKind::FinishFolder || item.Kind == ItemKind::ListFolder) return;
    ++Progress_.ObjectsTotal;
    if (item.Kind == ItemKind::CopyFile) Progress_.BytesTotal += item.Info.st_size;
  }

  // ---- execution ----

  void Execute() {
    SetPhase(FileOpPhase::Working);
    for (Index_ = 0; Index_ < Items_.size(); ++Index_) {
      if (Cancel_.load()) break;
      const WorkItem item = Items_[Index_];
      Progress_.CurrentName = FromNativeName(item.Source);
      Report();
      if (!ExecuteWithQuestions(item)) break;
      if (item.Kind != ItemKind::FinishFolder && item.Kind != ItemKind::ListFolder && item.Kind != ItemKind::Unread) {
        ++Progress_.ObjectsDone;
        ++Result_.ObjectsDone;
      }
      if (BetweenObjects_) BetweenObjects_(FromNativeName(item.Source));
    }
    Report();
  }

  // False when the operation ends here (cancelled).
  bool ExecuteWithQuestions(const WorkItem& item) {
    while (true) {
      ErrorOr<Step> step = ExecuteItem(item);
      if (step && step.Value() == Step::SkippedByChoice) {
        ++Result_.SkippedByChoice;
        SkipInside(item);
      }
      if (step) return !Cancel_.load();
      if (step.Error().Code() == ECANCELED || Cancel_.load()) return false;
      const ErrorAnswer answer = Questions_.AskOnError(step.Error());
      if (answer == ErrorAnswer::Retry) continue;
      Result_.Failures << step.Error();
      if (answer == ErrorAnswer::Cancel) {
        Cancel_ = true;
        return false;
      }
      SkipInside(item);
      return true;
    }
  }

  // After a folder was skipped or failed, nothing planned inside it runs.
  void SkipInside(const WorkItem& item) {
    if (item.Kind != ItemKind::MakeFolder) return;
    const QByteArray prefix = item.Source + '/';
    while (Index_ + 1 < Items_.size()) {
      const WorkItem& next = Items_[Index_ + 1];
      const bool inside = next.Source.startsWith(prefix) || (next.Source == item.Source && next.Kind != ItemKind::MakeFolder);
      if (!inside) break;
      ++Index_;
    }
  }

  ErrorOr<Step> ExecuteItem(const WorkItem& item) {
    const bool writes = item.Kind == ItemKind::MakeFolder || item.Kind == ItemKind::CopyFile ||
                        item.Kind == ItemKind::CopyLink || item.Kind == ItemKind::CopyNode;
    UnflushedWrites_ = UnflushedWrites_ || writes;
    switch (item.Kind) {
      case ItemKind::MakeFolder: return ExecuteMakeFolder(item);
      case ItemKind::ListFolder: return ExecuteListFolder(item);
      case ItemKind::Unread: return ErrorAt(item.Source, item.Error);
      case ItemKind::FinishFolder: return ExecuteFinishFolder(item);
      case ItemKind::CopyFile:
      case ItemKind::CopyLink:
      case ItemKind::CopyNode: return ExecuteCopy(item);
      case ItemKind::Rename: return ExecuteRename(item);
      case ItemKind::Trash: return ExecuteTrash(item);
      case ItemKind::Remove: return ExecuteRemove(item.Source);
    }
    return Step::Done;
  }

  // The item's source or target named relative to its folder's handle.
  static ErrorOr<PlacedName> Place(FolderChain& chain, const QByteArray& path, qsizetype baseLength) {
    PlacedName placed;
    placed.Path = path;
    auto folder = chain.ParentOf(path, baseLength, &placed.Name);
    if (folder.IsError()) return folder.Error();
    placed.Folder = folder.Value()->Descriptor();
    return placed;
  }
  ErrorOr<PlacedName> SourceOf(const WorkItem& item) { return Place(Sources_, item.Source, item.SourceBase); }
  ErrorOr<PlacedName> TargetOf(const WorkItem& item) { return Place(Targets_, item.Target, TargetFolder_.size()); }

  static std::optional<struct stat> ExistingAt(const PlacedName& placed) {
    struct stat info;
    if (::fstatat(placed.Folder, placed.Name.constData(), &info, AT_SYMLINK_NOFOLLOW) != 0) return std::nullopt;
    return info;
  }

  ErrorOr<Step> ExecuteMakeFolder(const WorkItem& item) {
    auto target = TargetOf(item);
    if (target.IsError()) return target.Error();
    auto made = fileop::MakeFolder(target.Value());
    if (made) return Step::Done;
    const std::optional<struct stat> existing = ExistingAt(target.Value());
    if (made.Error().Code() != EEXIST || !existing) return made.Error();
    if (!S_ISDIR(existing->st_mode)) return ErrorAt(item.Target, EEXIST);
    // Copying into an existing folder merges the two, after asking.
    const ConflictAnswer answer = AskConflict(item, *existing);
    if (answer == ConflictAnswer::Skip) return Step::SkippedByChoice;
    if (answer == ConflictAnswer::Cancel) return Cancelled(item);
    MarkMerged(item);
    return Step::Done;
  }

  void MarkMerged(const WorkItem& item) {
    for (std::size_t i = Index_ + 1; i < Items_.size(); ++i) {
      if (Items_[i].Kind == ItemKind::FinishFolder && Items_[i].Target == item.Target) {
        Items_[i].Merged = true;
        return;
      }
    }
  }

  // A folder that could not be listed while planning, or an entry that could not
  // be looked at: tried again now.
  ErrorOr<Step> ExecuteListFolder(const WorkItem& item) {
    auto source = SourceOf(item);
    if (source.IsError()) return source.Error();
    WorkItem now = item;
    if (S_ISDIR(item.Info.st_mode)) {
      std::vector<WorkItem> children;
      if (auto walked = WalkFolder(now, false, children); !walked) return walked.Error();
      InsertAfterCurrent(std::move(children));
      return Step::Done;
    }
    if (::fstatat(source.Value().Folder, source.Value().Name.constData(), &now.Info, AT_SYMLINK_NOFOLLOW) != 0)
      return ErrorAt(item.Source);
    std::vector<WorkItem> items;
    if (auto walked = WalkInto(now, items); !walked) return walked.Error();
    InsertAfterCurrent(std::move(items));
    return Step::Done;
  }

  void InsertAfterCurrent(std::vector<WorkItem> items) {
    for (const WorkItem& added : items) CountIntoTotals(added);
    Items_.insert(Items_.begin() + std::ptrdiff_t(Index_ + 1), items.begin(), items.end());
  }

  ErrorOr<Step> ExecuteFinishFolder(const WorkItem& item) {
    if (!item.Merged) {
      auto target = TargetOf(item);
      if (target.IsError()) return target.Error();
      if (auto finished = fileop::FinishFolder(target.Value(), item.Info); !finished) return finished.Error();
    }
    if (item.MoveSource) QueueRemoval(item);
    return Step::Done;
  }

  ErrorOr<Step> ExecuteCopy(const WorkItem& item) {
    auto source = SourceOf(item);
    if (source.IsError()) return source.Error();
    auto target = TargetOf(item);
    if (target.IsError()) return target.Error();
    Placement placement = Placement::AtTarget;
    if (const std::optional<struct stat> existing = ExistingAt(target.Value())) {
      if (SameObject(*existing, item.Info)) return TextError("Нельзя скопировать файл сам в себя", item.Target);
      if (S_ISDIR(existing->st_mode)) return ErrorAt(item.Target, EISDIR);
      const ConflictAnswer answer = AskConflict(item, *existing);
      if (answer == ConflictAnswer::Skip) return Step::SkippedByChoice;
      if (answer == ConflictAnswer::Cancel) return Cancelled(item);
      placement = Placement::BesideTarget;
    }
    if (auto copied = CopyOne(item, source.Value(), target.Value(), placement); !copied) return copied.Error();
    if (item.MoveSource) QueueRemoval(item);
    return Step::Done;
  }

  ErrorOrDone CopyOne(const WorkItem& item, const PlacedName& source, const PlacedName& target, Placement placement) {
    if (item.Kind == ItemKind::CopyLink) return fileop::CopyLink(source, item.Info, target, placement);
    if (item.Kind == ItemKind::CopyNode) return fileop::CopyNode(item.Info, target, placement);
    const qint64 bytesBefore = Progress_.BytesDone;
    fileop::CopyContext context;
    context.Cancel = &Cancel_;
    context.BytesCopied = [this](qint64 bytes) {
      Progress_.BytesDone += bytes;
      Report();
    };
    auto copied = fileop::CopyFileData(source, target, placement, context);
    if (!copied) Progress_.BytesDone = bytesBefore;
    return copied;
  }

  ErrorOr<Step> ExecuteRename(const WorkItem& item) {
    if (Rename_(item.Source.constData(), item.Target.constData(), RENAME_NOREPLACE) == 0) return Step::Done;
    int code = errno;
    struct stat existing;
    if (code == EINVAL && ::lstat(item.Target.constData(), &existing) != 0) {
      // This file system knows no RENAME_NOREPLACE, and the name is free.
      if (Rename_(item.Source.constData(), item.Target.constData(), 0) == 0) return Step::Done;
      code = errno;
    }
    if (code == EXDEV) {
      WorkItem moved = item;
      moved.MoveSource = true;
      std::vector<WorkItem> copies;
      if (auto walked = WalkInto(moved, copies); !walked) return walked.Error();
      InsertAfterCurrent(std::move(copies));
      return Step::Done;
    }
    if (code != EEXIST && code != ENOTEMPTY && code != EINVAL) return ErrorAt(item.Source, code);
    if (::lstat(item.Target.constData(), &existing) != 0) return ErrorAt(item.Target);
    return RenameOntoExisting(item, existing);
  }

  ErrorOr<Step> RenameOntoExisting(const WorkItem& item, const struct stat& existing) {
    if (SameObject(existing, item.Info)) return TextError("Источник и место назначения совпадают", item.Target);
    const bool sourceIsFolder = S_ISDIR(item.Info.st_mode);
    if (S_ISDIR(existing.st_mode) != sourceIsFolder) return ErrorAt(item.Target, sourceIsFolder ? ENOTDIR : EISDIR);
    const ConflictAnswer answer = AskConflict(item, existing);
    if (answer == ConflictAnswer::Skip) return Step::SkippedByChoice;
    if (answer == ConflictAnswer::Cancel) return Cancelled(item);
    if (sourceIsFolder) return MergeByRenames(item);
    // rename(2) replaces the target in one step: the old file stays until the new one is there.
    if (Rename_(item.Source.constData(), item.Target.constData(), 0) != 0) return ErrorAt(item.Source);
    return Step::Done;
  }

  ErrorOr<Step> MergeByRenames(const WorkItem& item) {
    auto folder = Sources_.Folder(item.Source, item.SourceBase);
    if (folder.IsError()) return folder.Error();
    std::vector<WorkItem> renames;
    FolderReader reader;
    reader.Start(*folder.Value());
    FolderEntry entry;
    while (reader.Next(entry)) {
      WorkItem child{ItemKind::Rename, Join(item.Source, entry.NameBytes()), Join(item.Target, entry.NameBytes())};
      child.SourceBase = item.SourceBase;
      if (auto info = folder.Value()->StatEntry(entry.Name, LinkPolicy::DoNotFollow)) {
        child.Info = info.Value();
        renames.push_back(child);
      }
    }
    if (reader.Error()) return *reader.Error();
    // The emptied source folder goes last; kept when something in it was skipped.
    WorkItem finish = item;
    finish.Kind = ItemKind::FinishFolder;
    finish.MoveSource = true;
    finish.Merged = true;
    renames.push_back(finish);
    InsertAfterCurrent(std::move(renames));
    return Step::Done;
  }

  ErrorOr<Step> ExecuteTrash(const WorkItem& item) {
    const TrashResult trashed = MoveToTrash(item.Source);
    if (trashed.Succeeded()) return Step::Done;
    if (trashed.Failure == TrashFailure::Error) return trashed.Error;
    if (!Questions_.AskDeleteForGood(FromNativeName(item.Source), trashed.Error)) return Step::SkippedByChoice;
    return ExecuteRemove(item.Source);
  }

  ErrorOr<Step> ExecuteRemove(const QByteArray& path) {
    if (auto removed = RemoveTree(path, &Cancel_); !removed) return removed.Error();
    return Step::Done;
  }

  ConflictAnswer AskConflict(const WorkItem& item, const struct stat& existing) {
    if (StickyAnswer_) return *StickyAnswer_;
    const ConflictAnswer answer =
        Questions_.AskReplace(FactsOf(item.Source, item.Info), FactsOf(item.Target, existing));
    if (answer == ConflictAnswer::ReplaceAll) StickyAnswer_ = ConflictAnswer::Replace;
    if (answer == ConflictAnswer::SkipAll) StickyAnswer_ = ConflictAnswer::Skip;
    return StickyAnswer_.value_or(answer);
  }

  OsError Cancelled(const WorkItem& item) {
    Cancel_ = true;
    return ErrorAt(item.Source, ECANCELED);
  }

  // ---- removing the sources of a move ----

  void QueueRemoval(const WorkItem& item) {
    Removals_.push_back(item);
    if (item.Kind == ItemKind::CopyFile) BatchBytes_ += item.Info.st_size;
    if (Removals_.size() >= BatchObjects || BatchBytes_ >= BatchBytes) FlushThenRemove();
  }

  // The batch's sources go only once its copies are on the device; when the
  // flush fails and is skipped, they stay where they are.
  void FlushThenRemove() {
    bool flushed = !UnflushedWrites_;
    if (!flushed) {
      Ask([&]() -> ErrorOrDone {
        auto done = FlushTarget();
        flushed = bool(done);
        return done;
      });
    }
    std::vector<WorkItem> batch = std::move(Removals_);
    Removals_.clear();
    BatchBytes_ = 0;
    if (!flushed) return;
    for (const WorkItem& removal : batch) {
      if (!Ask([&] { return RemoveSource(removal); })) return;
    }
  }

  ErrorOrDone FlushTarget() {
    auto folder = Targets_.Folder(TargetFolder_, TargetFolder_.size());
    if (folder.IsError()) return folder.Error();
    if (Flush_(folder.Value()->Descriptor()) != 0) return ErrorAt(TargetFolder_);
    UnflushedWrites_ = false;
    return Done{};
  }

  ErrorOrDone RemoveSource(const WorkItem& item) {
    auto source = SourceOf(item);
    if (source.IsError()) return source.Error();
    const bool folder = S_ISDIR(item.Info.st_mode);
    if (Unlink_(source.Value().Folder, source.Value().Name.constData(), folder ? AT_REMOVEDIR : 0) != 0) {
      // A source folder still holding something skipped stays where it is.
      if (!folder || (errno != ENOTEMPTY && errno != EEXIST)) return ErrorAt(item.Source);
    }
    if (folder) Sources_.Forget(item.Source);
    return Done{};
  }

  // ---- flush ----

  // Only after copies: a rename moves no data, and the journal keeps the object
  // under one of its two names whatever happens to the device.
  void Flush() {
    if (TargetFolder_.isEmpty()) return;
    if (UnflushedWrites_) SetPhase(FileOpPhase::Flushing);
    FlushThenRemove();
  }

  void SetPhase(FileOpPhase phase) {
    Progress_.Phase = phase;
    Report();
  }

  void Report() {
    if (Observer_) Observer_->Progress(Progress_);
  }

  FileOpRequest Request_;
  TFileOpQuestions& Questions_;
  TFileOpObserver* Observer_;

  QByteArray TargetFolder_;  // copy and move: where the objects go, no trailing slash
  struct stat TargetFolderInfo_ {};
  QByteArray ExplicitName_;  // a single source's new name, when one was given
  std::vector<WorkItem> Items_;
  std::size_t Index_ = 0;
  bool UnflushedWrites_ = false;  // something was created on the destination since the last flush
  FolderChain Sources_;           // the folders of the sources, below the folders they were chosen in
  FolderChain Targets_;           // the folders of the targets, below the destination
  std::vector<WorkItem> Removals_;  // sources of a move whose copies wait for the next flush
  qint64 BatchBytes_ = 0;
  std::optional<ConflictAnswer> StickyAnswer_;  // after "replace all" or "skip all"
  FileOpProgress Progress_;
  FileOpResult Result_;
};

FileOperation::FileOperation(FileOpRequest request, TFileOpQuestions& questions, TFileOpObserver* observer)
    : Engine_(std::make_unique<Engine>(std::move(request), questions, observer)) {}

FileOperation::~FileOperation() = default;

FileOpResult FileOperation::Run() { return Engine_->Run(); }
void FileOperation::Cancel() { Engine_->Cancel_ = true; }
bool FileOperation::IsCancelled() const { return Engine_->Cancel_.load(); }
void FileOperation::SetRenameCall(RenameCall rename) { Engine_->Rename_ = std::move(rename); }
void FileOperation::SetFlushCall(FlushCall flush) { Engine_->Flush_ = std::move(flush); }
void FileOperation::SetUnlinkCall(UnlinkCall unlink) { Engine_->Unlink_ = std::move(unlink); }
void FileOperation::SetBetweenObjects(ObjectHook hook) { Engine_->BetweenObjects_ = std::move(hook); }

}  // namespace zarn
