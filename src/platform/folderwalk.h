#pragma once
// The one folder walker: every reader of folders (the listing, the panel, the
// search, folder sizes, copy, move and delete) reads through it.
//
// - FolderHandle: an open folder. The folder the user chose is opened by its
//   path; every folder below it is opened relative to its parent's handle with
//   O_NOFOLLOW, so a link swapped in for a folder is never followed and depth
//   is not bounded by PATH_MAX.
// - FolderReader: the entries of one handle, read with getdents64 a buffer at a
//   time, as raw name bytes and the type the listing reports.
// - WalkTree: a depth-first walk below one handle that keeps at most a fixed
//   number of handles open, however deep the tree.
// - FolderChain: opens the folders of paths below a base folder the same safe
//   way, keeping the last path's handles for the next call.
//
// Errors are values naming the path and carrying the system's message. Qt Core
// only; a reader, walk or chain belongs to one thread.

#include <QByteArray>

#include <sys/stat.h>

#include <memory>
#include <optional>
#include <vector>

#include "platform/errors.h"

namespace zarn {

enum class EntryType : unsigned char { Folder, File, Link, Other, Unknown };
enum class LinkPolicy { Follow, DoNotFollow };
// Whether a reader returns the "." and ".." entries (the file search lists them).
enum class DotEntries { Skip, Include };

// True for "." and "..".
bool IsDotOrDotDot(const char* name);
// True for names that begin with "." (hidden on Linux; "." and ".." too).
inline bool IsHiddenName(const char* name, qsizetype length) { return length > 0 && name[0] == '.'; }

class FolderHandle {
 public:
  FolderHandle() = default;
  ~FolderHandle();
  FolderHandle(FolderHandle&& other) noexcept;
  FolderHandle& operator=(FolderHandle&& other) noexcept;
  FolderHandle(const FolderHandle&) = delete;
  FolderHandle& operator=(const FolderHandle&) = delete;

  // Opens a folder by its path (bytes; empty means "/"). With DoNotFollow a link
  // in place of the folder itself is refused.
  static ErrorOr<FolderHandle> Open(const QByteArray& path, LinkPolicy links);
  // A subfolder, relative to this handle, never through a link.
  ErrorOr<FolderHandle> OpenChild(const QByteArray& name) const;
  // The folder above, relative to this handle.
  ErrorOr<FolderHandle> OpenParent(QByteArray parentPath) const;

  bool IsOpen() const { return Fd_ >= 0; }
  int Descriptor() const { return Fd_; }
  // The path the handle was reached by, for messages: opened path, then "/name" for each level.
  const QByteArray& Path() const { return Path_; }
  QByteArray ChildPath(const QByteArray& name) const;

  // fstat of the folder itself.
  ErrorOr<struct stat> Stat() const;
  // fstatat of an entry: lstat with DoNotFollow, stat with Follow.
  ErrorOr<struct stat> StatEntry(const char* name, LinkPolicy links) const;
  // An error for an entry of this folder, or for the folder itself with an empty name.
  OsError ErrorAt(const QByteArray& name, int code) const;
  void Close();

 private:
  FolderHandle(int fd, QByteArray path) : Fd_(fd), Path_(std::move(path)) {}
  int Fd_ = -1;
  QByteArray Path_;
};

struct FolderEntry {
  const char* Name = nullptr;  // valid until the next Next() or Start() of its reader
  qsizetype Length = 0;
  EntryType Type = EntryType::Unknown;  // as the listing reports it (Unknown on some file systems)
  QByteArray NameBytes() const { return QByteArray(Name, Length); }
};

class FolderReader {
 public:
  explicit FolderReader(DotEntries dots = DotEntries::Skip);
  ~FolderReader();
  FolderReader(const FolderReader&) = delete;
  FolderReader& operator=(const FolderReader&) = delete;

  // Reads `folder` from its start; the handle must outlive the reading.
  void Start(const FolderHandle& folder);
  // The next entry, or false at the end or on a read error (then Error() is set).
  bool Next(FolderEntry& entry);
  const std::optional<OsError>& Error() const { return Error_; }
  // What an entry is, asking the file system when the listing did not say: with
  // Follow a link reports what it points to (Other when it dangles).
  EntryType ResolveType(const FolderEntry& entry, LinkPolicy links) const;

 private:
  bool Fill();
  DotEntries Dots_;
  const FolderHandle* Folder_ = nullptr;
  std::unique_ptr<char[]> Buffer_;
  long Filled_ = 0;
  long Position_ = 0;
  std::optional<OsError> Error_;
};

EntryType EntryTypeOfMode(mode_t mode);
// FolderReader::ResolveType for an entry of `folder`.
EntryType ResolveType(const FolderHandle& folder, const FolderEntry& entry, LinkPolicy links);

// ---- the tree walk ----

enum class WalkStep { Next, Descend, Stop };
enum class EnterStep { Read, Skip };
// The order in which a folder's subfolders are entered: as listed, or reversed
// (the file search's order).
enum class SiblingOrder { Listed, Reversed };

// Called on the walking thread. For each folder: Enter, then Visit for each of
// its entries as they are read, then its subfolders one by one (each walked
// whole), then Leave in the folder above. "." and ".." are never visited.
class TreeVisitor {
 public:
  virtual ~TreeVisitor() = default;
  // A folder was opened (the top with an empty name). Skip leaves it unread and
  // not left; the visitor may take the handle to walk it elsewhere.
  virtual EnterStep Enter(FolderHandle& folder, const QByteArray& name) {
    (void)folder;
    (void)name;
    return EnterStep::Read;
  }
  // Descend on a folder entry walks into it after the folder's other entries.
  virtual WalkStep Visit(const FolderHandle& folder, const FolderEntry& entry) = 0;
  // The subfolder `name` of `parent` is done.
  virtual void Leave(const FolderHandle& parent, const QByteArray& name) {
    (void)parent;
    (void)name;
  }
  // A subfolder could not be opened.
  virtual void EnterFailed(const FolderHandle& parent, const QByteArray& name, const OsError& error) {
    (void)parent;
    (void)name;
    (void)error;
  }
  // A folder could not be read to its end, or the walk lost its way back up (a
  // folder moved away meanwhile; the walk ends there).
  virtual void Failed(const OsError& error) { (void)error; }
  // Asked before each subfolder is opened; true ends the walk.
  virtual bool Stopped() { return false; }
};

struct WalkOptions {
  SiblingOrder Order = SiblingOrder::Listed;
  DotEntries Dots = DotEntries::Skip;
  int MaxOpenHandles = 32;  // the top's included; at least 2
};

// Walks everything below `top`. Returns false when the walk ended early (a stop,
// Visit's Stop, or a folder moved away under it).
bool WalkTree(FolderHandle top, TreeVisitor& visitor, const WalkOptions& options = {});

// ---- paths below a base ----

// Opens the folders of paths that lie below a base folder: the base by its path
// (links followed: the user named it), every folder below it relative to its
// parent and never through a link. The handles of the last path stay open, so
// paths in depth-first order cost one openat per new folder; at most
// `maxOpen` of them are kept.
class FolderChain {
 public:
  explicit FolderChain(int maxOpen = 32) : MaxOpen_(maxOpen < 2 ? 2 : maxOpen) {}
  // The folder `path` itself; its first `baseLength` bytes name the base.
  ErrorOr<const FolderHandle*> Folder(const QByteArray& path, qsizetype baseLength);
  // The folder holding `path` (which lies below the base), and the last name.
  ErrorOr<const FolderHandle*> ParentOf(const QByteArray& path, qsizetype baseLength, QByteArray* name);
  // Forgets the handles of `path` and below (it was removed or replaced).
  void Forget(const QByteArray& path);

 private:
  struct Level {
    QByteArray Path;
    FolderHandle Handle;
  };
  ErrorOr<const FolderHandle*> OpenLevel(std::size_t index);
  void LimitOpen();
  const int MaxOpen_;
  std::vector<Level> Levels_;  // [0] is the base
};

}  // namespace zarn
