#include "platform/folderwalk.h"

#include <QList>

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>

#include "platform/filenames.h"

namespace zarn {
namespace {

// Large enough that most folders come in one call.
constexpr long BufferBytes = 64 * 1024;
constexpr int FolderFlags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;

EntryType TypeOfDirentType(unsigned char type) {
  switch (type) {
    case DT_DIR: return EntryType::Folder;
    case DT_REG: return EntryType::File;
    case DT_LNK: return EntryType::Link;
    case DT_UNKNOWN: return EntryType::Unknown;
    default: return EntryType::Other;
  }
}

QByteArray JoinName(const QByteArray& folder, const QByteArray& name) {
  return folder.endsWith('/') ? folder + name : folder + '/' + name;
}

QByteArray LastName(const QByteArray& path) { return path.mid(path.lastIndexOf('/') + 1); }

}  // namespace

bool IsDotOrDotDot(const char* name) {
  return name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0));
}

EntryType EntryTypeOfMode(mode_t mode) {
  if (S_ISDIR(mode)) return EntryType::Folder;
  if (S_ISREG(mode)) return EntryType::File;
  if (S_ISLNK(mode)) return EntryType::Link;
  return EntryType::Other;
}

// ---- FolderHandle ----

FolderHandle::~FolderHandle() { Close(); }

FolderHandle::FolderHandle(FolderHandle&& other) noexcept
    : Fd_(std::exchange(other.Fd_, -1)), Path_(std::move(other.Path_)) {}

FolderHandle& FolderHandle::operator=(FolderHandle&& other) noexcept {
  if (this != &other) {
    Close();
    Fd_ = std::exchange(other.Fd_, -1);
    Path_ = std::move(other.Path_);
  }
  return *this;
}

void FolderHandle::Close() {
  if (Fd_ >= 0) ::close(Fd_);
  Fd_ = -1;
}

ErrorOr<FolderHandle> FolderHandle::Open(const QByteArray& path, LinkPolicy links) {
  const QByteArray opened = path.isEmpty() ? QByteArray("/") : path;
  const int fd = ::open(opened.constData(), FolderFlags | (links == LinkPolicy::DoNotFollow ? O_NOFOLLOW : 0));
  if (fd < 0) return OsError(errno, FromNativeName(opened));
  return FolderHandle(fd, opened);
}

ErrorOr<FolderHandle> FolderHandle::OpenChild(const QByteArray& name) const {
  const int fd = ::openat(Fd_, name.constData(), FolderFlags | O_NOFOLLOW);
  if (fd < 0) return ErrorAt(name, errno);
  return FolderHandle(fd, ChildPath(name));
}

ErrorOr<FolderHandle> FolderHandle::OpenParent(QByteArray parentPath) const {
  const int fd = ::openat(Fd_, "..", FolderFlags);
  if (fd < 0) return OsError(errno, FromNativeName(parentPath));
  return FolderHandle(fd, std::move(parentPath));
}

QByteArray FolderHandle::ChildPath(const QByteArray& name) const { return JoinName(Path_, name); }

ErrorOr<struct stat> FolderHandle::Stat() const {
  struct stat info;
  if (::fstat(Fd_, &info) != 0) return ErrorAt({}, errno);
  return info;
}

ErrorOr<struct stat> FolderHandle::StatEntry(const char* name, LinkPolicy links) const {
  struct stat info;
  if (::fstatat(Fd_, name, &info, links == LinkPolicy::DoNotFollow ? AT_SYMLINK_NOFOLLOW : 0) != 0)
    return ErrorAt(QByteArray(name), errno);
  return info;
}

OsError FolderHandle::ErrorAt(const QByteArray& name, int code) const {
  return OsError(code, FromNativeName(name.isEmpty() ? Path_ : ChildPath(name)));
}

// ---- FolderReader ----

FolderReader::FolderReader(DotEntries dots) : Dots_(dots), Buffer_(new char[BufferBytes]) {}

FolderReader::~FolderReader() = default;

void FolderReader::Start(const FolderHandle& folder) {
  Folder_ = &folder;
  Filled_ = 0;
  Position_ = 0;
  Error_.reset();
}

bool FolderReader::Fill() {
  for (;;) {
    const ssize_t got = ::getdents64(Folder_->Descriptor(), Buffer_.get(), BufferBytes);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) Error_ = Folder_->ErrorAt({}, errno);
    Filled_ = got > 0 ? long(got) : 0;
    Position_ = 0;
    return got > 0;
  }
}

bool FolderReader::Next(FolderEntry& entry) {
  if (Folder_ == nullptr || !Folder_->IsOpen()) return false;
  for (;;) {
    if (Position_ >= Filled_ && !Fill()) return false;
    const auto* record = reinterpret_cast<const dirent64*>(Buffer_.get() + Position_);
    Position_ += record->d_reclen;
    if (Dots_ == DotEntries::Skip && IsDotOrDotDot(record->d_name)) continue;
    entry.Name = record->d_name;
    entry.Length = qsizetype(std::strlen(record->d_name));
    entry.Type = TypeOfDirentType(record->d_type);
    return true;
  }
}

EntryType ResolveType(const FolderHandle& folder, const FolderEntry& entry, LinkPolicy links) {
  const bool known = entry.Type != EntryType::Unknown && !(entry.Type == EntryType::Link && links == LinkPolicy::Follow);
  if (known) return entry.Type;
  auto info = folder.StatEntry(entry.Name, links);
  return info ? EntryTypeOfMode(info.Value().st_mode) : EntryType::Other;
}

EntryType FolderReader::ResolveType(const FolderEntry& entry, LinkPolicy links) const {
  return zarn::ResolveType(*Folder_, entry, links);
}

// ---- WalkTree ----

namespace {

// Only the deepest levels hold open handles (a suffix of the stack); a level
// whose handle was closed is opened again through ".." of the level below it,
// checked against the device and inode it had, so a folder moved away during
// the walk ends the walk instead of leading it elsewhere.
class TreeWalker {
 public:
  TreeWalker(TreeVisitor& visitor, const WalkOptions& options)
      : Visitor_(visitor), Options_(options), MaxOpen_(std::max(2, options.MaxOpenHandles)), Reader_(options.Dots) {}

  bool Run(FolderHandle top) {
    if (Visitor_.Enter(top, {}) == EnterStep::Skip || !top.IsOpen()) return true;
    Levels_.emplace_back(std::move(top), QByteArray());
    if (!ReadDeepest()) return false;
    while (Levels_.size() > 1 || Levels_.back().Next < Levels_.back().ToEnter.size()) {
      Level& level = Levels_.back();
      if (level.Next >= level.ToEnter.size()) {
        if (!ReturnUp()) return false;
        continue;
      }
      if (Visitor_.Stopped()) return false;
      const QByteArray name = std::move(level.ToEnter[level.Next++]);
      auto child = level.Handle.OpenChild(name);
      if (child.IsError()) {
        Visitor_.EnterFailed(level.Handle, name, child.Error());
        continue;
      }
      FolderHandle handle = child.TakeValue();
      if (Visitor_.Enter(handle, name) == EnterStep::Skip || !handle.IsOpen()) continue;
      Levels_.emplace_back(std::move(handle), name);
      LimitOpen();
      if (!ReadDeepest()) return false;
    }
    return true;
  }

 private:
  struct Level {
    Level(FolderHandle handle, QByteArray name) : Handle(std::move(handle)), Name(std::move(name)) {}
    FolderHandle Handle;
    QByteArray Name;  // in the level above
    std::vector<QByteArray> ToEnter;
    std::size_t Next = 0;
    dev_t Device = 0;  // recorded when the handle is closed
    ino_t Inode = 0;
    QByteArray Path;   // likewise
  };

  bool ReadDeepest() {
    Level& level = Levels_.back();
    Reader_.Start(level.Handle);
    FolderEntry entry;
    while (Reader_.Next(entry)) {
      const WalkStep step = Visitor_.Visit(level.Handle, entry);
      if (step == WalkStep::Stop) return false;
      if (step == WalkStep::Descend) level.ToEnter.push_back(entry.NameBytes());
    }
    if (Reader_.Error()) Visitor_.Failed(*Reader_.Error());
    if (Options_.Order == SiblingOrder::Reversed) std::reverse(level.ToEnter.begin(), level.ToEnter.end());
    return true;
  }

  void LimitOpen() {
    if (Levels_.size() - FirstOpen_ <= std::size_t(MaxOpen_)) return;
    Level& oldest = Levels_[FirstOpen_++];
    struct stat info {};
    ::fstat(oldest.Handle.Descriptor(), &info);
    oldest.Device = info.st_dev;
    oldest.Inode = info.st_ino;
    oldest.Path = oldest.Handle.Path();
    oldest.Handle.Close();
  }

  bool ReturnUp() {
    const std::size_t parentIndex = Levels_.size() - 2;
    Level& parent = Levels_[parentIndex];
    if (!parent.Handle.IsOpen() && !Reopen(parent, Levels_.back().Handle)) return false;
    FirstOpen_ = std::min(FirstOpen_, parentIndex);
    const QByteArray name = std::move(Levels_.back().Name);
    Levels_.pop_back();
    Visitor_.Leave(Levels_.back().Handle, name);
    return true;
  }

  bool Reopen(Level& parent, const FolderHandle& child) {
    auto reopened = child.OpenParent(parent.Path);
    if (reopened.IsError()) {
      Visitor_.Failed(reopened.Error());
      return false;
    }
    auto info = reopened.Value().Stat();
    if (info.IsError() || info.Value().st_dev != parent.Device || info.Value().st_ino != parent.Inode) {
      Visitor_.Failed(OsError(ESTALE, FromNativeName(parent.Path)));
      return false;
    }
    parent.Handle = reopened.TakeValue();
    return true;
  }

  TreeVisitor& Visitor_;
  const WalkOptions Options_;
  const int MaxOpen_;
  std::vector<Level> Levels_;
  std::size_t FirstOpen_ = 0;
  FolderReader Reader_;
};

}  // namespace

bool WalkTree(FolderHandle top, TreeVisitor& visitor, const WalkOptions& options) {
  return TreeWalker(visitor, options).Run(std::move(top));
}

// ---- FolderChain ----

ErrorOr<const FolderHandle*> FolderChain::Folder(const QByteArray& path, qsizetype baseLength) {
  const QByteArray base = baseLength > 0 ? path.left(baseLength) : QByteArray("/");
  if (Levels_.empty() || Levels_[0].Path != base) {
    Levels_.clear();
    Levels_.push_back({base, {}});
  }
  std::size_t depth = 0;
  QByteArray walked = base;
  for (const QByteArray& component : path.mid(baseLength).split('/')) {
    if (component.isEmpty()) continue;
    walked = JoinName(walked, component);
    ++depth;
    if (depth < Levels_.size() && Levels_[depth].Path == walked) continue;
    Levels_.resize(depth);
    Levels_.push_back({walked, {}});
  }
  Levels_.resize(depth + 1);
  return OpenLevel(depth);
}

ErrorOr<const FolderHandle*> FolderChain::ParentOf(const QByteArray& path, qsizetype baseLength, QByteArray* name) {
  const qsizetype slash = path.lastIndexOf('/');
  *name = path.mid(slash + 1);
  const QByteArray parent = slash <= 0 ? QByteArray("/") : path.left(slash);
  return Folder(parent, std::min(baseLength, parent.size()));
}

ErrorOr<const FolderHandle*> FolderChain::OpenLevel(std::size_t index) {
  std::size_t open = index + 1;
  while (open > 0 && !Levels_[open - 1].Handle.IsOpen()) --open;
  if (open == 0) {
    auto base = FolderHandle::Open(Levels_[0].Path, LinkPolicy::Follow);
    if (base.IsError()) return base.Error();
    Levels_[0].Handle = base.TakeValue();
    open = 1;
  }
  for (std::size_t level = open; level <= index; ++level) {
    auto child = Levels_[level - 1].Handle.OpenChild(LastName(Levels_[level].Path));
    if (child.IsError()) return child.Error();
    Levels_[level].Handle = child.TakeValue();
  }
  LimitOpen();
  return &Levels_[index].Handle;
}

void FolderChain::LimitOpen() {
  int open = 0;
  for (const Level& level : Levels_) open += level.Handle.IsOpen();
  for (std::size_t level = 0; open > MaxOpen_ && level + 1 < Levels_.size(); ++level) {
    if (!Levels_[level].Handle.IsOpen()) continue;
    Levels_[level].Handle.Close();
    --open;
  }
}

void FolderChain::Forget(const QByteArray& path) {
  const QByteArray below = path + '/';
  for (std::size_t level = 0; level < Levels_.size(); ++level) {
    if (Levels_[level].Path == path || Levels_[level].Path.startsWith(below)) {
      Levels_.resize(level);
      return;
    }
  }
}

}  // namespace zarn
