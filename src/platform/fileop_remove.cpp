#include "platform/fileop_remove.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

#include "platform/filenames.h"
#include "platform/folderwalk.h"

namespace zarn {
namespace {

// Unlinks the non-folders of each folder as the walker reads them and removes
// each folder once the walk comes back out of it.
class TreeRemover final : public TreeVisitor {
 public:
  TreeRemover(dev_t device, const std::atomic<bool>* cancel) : Device_(device), Cancel_(cancel) {}

  EnterStep Enter(FolderHandle& folder, const QByteArray&) override {
    auto info = folder.Stat();
    if (info.IsError()) {
      Note(info.Error());
      return EnterStep::Skip;
    }
    if (info.Value().st_dev != Device_) {
      Note(folder.ErrorAt({}, EXDEV));  // another file system mounted inside: leave it alone
      return EnterStep::Skip;
    }
    return EnterStep::Read;
  }

  WalkStep Visit(const FolderHandle& folder, const FolderEntry& entry) override {
    if (ResolveType(folder, entry, LinkPolicy::DoNotFollow) == EntryType::Folder) return WalkStep::Descend;
    if (::unlinkat(folder.Descriptor(), entry.Name, 0) != 0 && errno != ENOENT)
      Note(folder.ErrorAt(entry.NameBytes(), errno));
    return WalkStep::Next;
  }

  // After an earlier failure inside, ENOTEMPTY here only repeats it: Note keeps the first.
  void Leave(const FolderHandle& parent, const QByteArray& name) override { RemoveFolder(parent, name); }

  void EnterFailed(const FolderHandle& parent, const QByteArray& name, const OsError& error) override {
    if (error.Code() != ELOOP && error.Code() != ENOTDIR) return Note(error);
    // Replaced by a link or a file meanwhile: that goes, never what it leads to.
    if (::unlinkat(parent.Descriptor(), name.constData(), 0) != 0) Note(parent.ErrorAt(name, errno));
  }

  void Failed(const OsError& error) override { Note(error); }

  bool Stopped() override {
    if (!Cancel_ || !Cancel_->load(std::memory_order_relaxed)) return false;
    Note(OsError(ECANCELED));
    return true;
  }

  void RemoveFolder(const FolderHandle& parent, const QByteArray& name) {
    if (::unlinkat(parent.Descriptor(), name.constData(), AT_REMOVEDIR) != 0) Note(parent.ErrorAt(name, errno));
  }

  void Note(const OsError& error) {
    if (!FirstError_) FirstError_ = error;
  }

  std::optional<OsError> FirstError_;

 private:
  dev_t Device_;
  const std::atomic<bool>* Cancel_;
};

ErrorOrDone RemoveBelow(const FolderHandle& parent, const QByteArray& name, const std::atomic<bool>* cancel) {
  auto info = parent.StatEntry(name.constData(), LinkPolicy::DoNotFollow);
  if (info.IsError()) return info.Error();
  if (!S_ISDIR(info.Value().st_mode)) {
    if (::unlinkat(parent.Descriptor(), name.constData(), 0) != 0) return parent.ErrorAt(name, errno);
    return Done{};
  }
  TreeRemover remover(info.Value().st_dev, cancel);
  auto folder = parent.OpenChild(name);
  if (folder.IsError()) {
    remover.EnterFailed(parent, name, folder.Error());
  } else if (WalkTree(folder.TakeValue(), remover)) {
    remover.RemoveFolder(parent, name);
  }
  if (remover.FirstError_) return *remover.FirstError_;
  return Done{};
}

}  // namespace

ErrorOrDone RemoveTree(const QByteArray& path, const std::atomic<bool>* cancel) {
  QByteArray trimmed = path;
  while (trimmed.size() > 1 && trimmed.endsWith('/')) trimmed.chop(1);
  const qsizetype slash = trimmed.lastIndexOf('/');
  const QByteArray parentPath = slash < 0 ? QByteArray(".") : slash == 0 ? QByteArray("/") : trimmed.left(slash);
  auto parent = FolderHandle::Open(parentPath, LinkPolicy::Follow);
  if (parent.IsError()) return OsError(parent.Error().Code(), FromNativeName(trimmed));
  return RemoveBelow(parent.Value(), trimmed.mid(slash + 1), cancel);
}

}  // namespace zarn
