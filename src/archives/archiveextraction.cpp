// Extraction runs in three phases.
//
// 1. Plan. Each chosen entry and everything below it becomes a job keyed by
//    the position of its header in the archive; a folder that no header names
//    is made at once. A hard link whose file is not chosen takes over that
//    file's data as a copy of its own.
// 2. Extract. The archive is read once from its start; each header with jobs
//    is checked against the index (the archive must not have changed), then
//    its folder is reached below the destination without following links, a
//    conflict is asked about, and the data goes to a temporary name that is
//    renamed into place when whole. Folders get their modes and times last,
//    so that a read-only folder is filled first.
// 3. Flush. syncfs on the destination's file system, so that "done" means the
//    data is on the device; this also runs after a cancel for what was written.

#include "archives/archiveextraction.h"

#include <archive.h>
#include <archive_entry.h>

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <map>
#include <optional>
#include <vector>

#include "archives/archiveindex.h"
#include "archives/archivestream.h"
#include "platform/filedescriptor.h"
#include "platform/filenames.h"

namespace zarn {
namespace {

constexpr qint64 ChunkBytes = 256 * 1024;
// Free space is asked again after this much data, and this much is left free.
constexpr qint64 SpaceCheckBytes = qint64(4) << 20;
constexpr qint64 SpaceReserveBytes = qint64(1) << 20;

struct TJob {
  const TArchiveEntry* Entry = nullptr;  // whose header, data, mode and time
  QByteArray Target;                     // below the destination
  QByteArray LinkTo;                     // a hard link's file below the destination
};

struct TFinishedFolder {
  QByteArray Target;
  unsigned Mode = 0;
  QDateTime Modified;
};

qint64 SystemFreeSpace(int fd) {
  struct statvfs info {};
  if (::fstatvfs(fd, &info) != 0) return -1;
  return qint64(info.f_bavail) * qint64(info.f_frsize);
}

QByteArray LastPart(const QByteArray& path) { return path.mid(path.lastIndexOf('/') + 1); }

// The entry's name below the folder it was chosen in, as text made into bytes,
// so that names of another code page arrive in UTF-8.
// The entry's path below the destination; `rename` replaces the chosen entry's own name.
QByteArray TargetOf(const TArchiveEntry& entry, int chosenDepth, const QString& rename) {
  QStringList parts = entry.Text.split(QLatin1Char('/')).mid(chosenDepth);
  if (!rename.isEmpty() && !parts.isEmpty()) parts.first() = rename;
  return ToNativeName(parts.join(QLatin1Char('/')));
}

timespec TimeOf(const QDateTime& time) {
  if (!time.isValid()) return {0, UTIME_OMIT};
  const qint64 ms = time.toMSecsSinceEpoch();
  return {time_t(ms / 1000), long(ms % 1000) * 1000000};
}

OsError TextError(const char* text, const QString& path) { return OsError::WithText(QString::fromUtf8(text), path); }

}  // namespace

class TArchiveExtraction::Engine {
 public:
  Engine(TExtractRequest request, TFileOpQuestions& questions, TFileOpObserver* observer)
      : Request_(std::move(request)), Questions_(questions), Observer_(observer), FreeSpace_(SystemFreeSpace) {}

  FileOpResult Run() {
    Root_ = std::make_unique<TFileDescriptor>(
        ::open(ToNativeName(Request_.Destination).constData(), O_DIRECTORY | O_RDONLY | O_CLOEXEC));
    if (!Root_->IsOpen()) return Fail(OsError(errno, Request_.Destination));
    Plan();
    if (!Cancelled_) Extract();
    FinishFolders();
    Progress_.Phase = FileOpPhase::Flushing;
    Report();
    if (::syncfs(Root_->Get()) != 0) Result_.Failures.append(OsError(errno, Request_.Destination));
    Progress_.Phase = FileOpPhase::Finished;
    Report();
    Result_.Cancelled = Cancelled_;
    return Result_;
  }

  void Cancel() { CancelFlag_ = true; }
  void SetFreeSpaceCall(FreeSpaceCall call) { FreeSpace_ = std::move(call); }

 private:
  FileOpResult Fail(OsError error) {
    Result_.Failures.append(std::move(error));
    return Result_;
  }

  QString Shown(const TArchiveEntry& entry) const {
    return Request_.Index->DisplayPath() + QLatin1Char('/') + entry.Text;
  }

  // --- Plan ---

  void Plan() {
    Progress_.Phase = FileOpPhase::Planning;
    for (const QByteArray& path : Request_.Entries) {
      const TArchiveEntry* chosen = Request_.Index->Find(path);
      if (!chosen) {
        Result_.Failures.append(OsError(ENOENT, Request_.Index->DisplayPath() + QLatin1Char('/') + FromNativeName(path)));
        continue;
      }
      AddTree(*chosen, int(chosen->Path.count('/')));
    }
    PlanHardLinks();
    Progress_.Phase = FileOpPhase::Working;
    Report();
  }

  void AddTree(const TArchiveEntry& entry, int chosenDepth) {
    const QString rename = Request_.Entries.size() == 1 ? Request_.TargetName : QString();
    TJob job{&entry, TargetOf(entry, chosenDepth, rename), {}};
    ++Progress_.ObjectsTotal;
    if (entry.Type == ArchiveEntryType::File) Progress_.BytesTotal = AddEntrySize(Progress_.BytesTotal, entry.Size);
    Planned_.insert(entry.Path, job.Target);
    if (entry.Implicit) {
      if (auto made = MakeFolder(job.Target, nullptr); !made) Result_.Failures.append(made.Error());
      ++Progress_.ObjectsDone;
    } else {
      Jobs_[entry.Ordinal].push_back(job);
    }
    if (entry.Type != ArchiveEntryType::Folder) return;
    for (const TArchiveEntry* child : Request_.Index->Children(entry.Path)) AddTree(*child, chosenDepth);
  }

  // A hard link to a chosen file that comes before it links to its copy; any
  // other is given the data of its file, read where that file's header is.
  void PlanHardLinks() {
    for (auto& [ordinal, jobs] : Jobs_) {
      for (auto job = jobs.begin(); job != jobs.end();) {
        if (job->Entry->Type != ArchiveEntryType::HardLink) {
          ++job;
          continue;
        }
        const TArchiveEntry* file = Request_.Index->Find(job->Entry->LinkTarget);
        if (!file || file->Type != ArchiveEntryType::File) {
          Result_.Failures.append(TextError("Нет файла, на который указывает жёсткая ссылка", Shown(*job->Entry)));
        } else if (Planned_.contains(file->Path) && file->Ordinal < ordinal) {
          job->LinkTo = Planned_.value(file->Path);
          ++job;
          continue;
        } else {
          Jobs_[file->Ordinal].push_back({file, job->Target, {}});
          Progress_.BytesTotal = AddEntrySize(Progress_.BytesTotal, file->Size);
        }
        job = jobs.erase(job);
      }
    }
  }

  // --- Extract ---

  void Extract() {
    if (Jobs_.empty()) return;
    auto opened = TArchiveStream::Open(Request_.Index->ArchivePath());
    if (!opened) return void(Result_.Failures.append(opened.Error()));
    TArchiveStream& stream = *opened.Value();
    const int last = Jobs_.rbegin()->first;
    int ordinal = 0;
    while (archive_entry* header = stream.Next()) {
      const auto jobs = Jobs_.find(ordinal);
      if (jobs != Jobs_.end() && !ExtractHeader(stream, header, jobs->second)) return;
      if (Cancelled_ || ordinal++ == last) return;
    }
    const OsError ended = stream.Error() ? *stream.Error() : TextError("Архив кончился раньше, чем в списке", {});
    Result_.Failures.append(ended);
  }

  // False when the archive cannot be read further.
  bool ExtractHeader(TArchiveStream& stream, archive_entry* header, const std::vector<TJob>& jobs) {
    const char* name = archive_entry_pathname(header);
    if (!stream.IsSingleFile() && !SamePath(name ? name : "", jobs.front().Entry->Path)) {
      Result_.Failures.append(TextError("Архив изменился после того, как был прочитан", Request_.Index->DisplayPath()));
      return false;
    }
    std::optional<QByteArray> written;  // the first copy of this header's data
    for (const TJob& job : jobs) {
      if (CheckCancel()) return false;
      Progress_.CurrentName = Shown(*job.Entry);
      auto step = ExtractJob(stream, job, written);
      if (!step) Result_.Failures.append(step.Error());
      ++Progress_.ObjectsDone;
      Report();
      if (stream.Error()) return false;
    }
    return true;
  }

  static bool SamePath(const char* raw, const QByteArray& path) {
    QByteArray normal;
    for (const QByteArray& part : QByteArray(raw).split('/')) {
      if (part.isEmpty() || part == ".") continue;
      if (!normal.isEmpty()) normal += '/';
      normal += part;
    }
    return normal == path;
  }

  ErrorOrDone ExtractJob(TArchiveStream& stream, const TJob& job, std::optional<QByteArray>& written) {
    const TArchiveEntry& entry = *job.Entry;
    switch (entry.Type) {
      case ArchiveEntryType::Folder: return MakeFolder(job.Target, &entry);
      case ArchiveEntryType::Symlink: return Place(job, [&](int folder, const QByteArray& temporary) {
          return ::symlinkat(entry.LinkTarget.constData(), folder, temporary.constData()) == 0 ? 0 : errno;
        });
      case ArchiveEntryType::HardLink: return PlaceHardLink(job, job.LinkTo);
      case ArchiveEntryType::File:
        if (written) return PlaceHardLink(job, *written);
        if (entry.Encrypted) return TextError("Объект зашифрован; извлечь его нельзя", Shown(entry));
        if (auto done = PlaceFile(stream, job); !done) return done;
        if (Placed_) written = job.Target;
        return Done{};
      case ArchiveEntryType::Special:
        return TextError("Устройства, каналы и сокеты из архивов не извлекаются", Shown(entry));
    }
    return Done{};
  }

  // --- Folders below the destination ---

  // The open folder `relative` below the destination, made as needed; a link
  // or a file in its way is an error, never followed.
  ErrorOr<int> OpenFolder(const QByteArray& relative) {
    if (relative == CachedPath_ && Cached_) return Cached_->Get();
    auto current = std::make_unique<TFileDescriptor>(::dup(Root_->Get()));
    QByteArray reached;
    for (const QByteArray& part : relative.split('/')) {
      if (part.isEmpty()) continue;
      reached += (reached.isEmpty() ? "" : "/") + part;
      if (::mkdirat(current->Get(), part.constData(), 0777) != 0 && errno != EEXIST) return ErrorBelow(reached);
      const int next = ::openat(current->Get(), part.constData(), O_DIRECTORY | O_NOFOLLOW | O_RDONLY | O_CLOEXEC);
      if (next < 0) {
        if (errno == ELOOP || errno == ENOTDIR) return TextError("На пути стоит ссылка или файл", Below(reached));
        return ErrorBelow(reached);
      }
      current = std::make_unique<TFileDescriptor>(next);
    }
    CachedPath_ = relative;
    Cached_ = std::move(current);
    return Cached_->Get();
  }

  QString Below(const QByteArray& relative) const { return Request_.Destination + QLatin1Char('/') + FromNativeName(relative); }
  OsError ErrorBelow(const QByteArray& relative, int code = errno) const { return OsError(code, Below(relative)); }

  ErrorOrDone MakeFolder(const QByteArray& target, const TArchiveEntry* entry) {
    struct stat existing {};
    const bool existed = ::fstatat(Root_->Get(), target.constData(), &existing, AT_SYMLINK_NOFOLLOW) == 0;
    auto opened = OpenFolder(target);
    if (!opened) return opened.Error();
    // A folder that was there keeps its own attributes.
    if (entry && !existed) Finished_.push_back({target, entry->Mode, entry->Modified});
    return Done{};
  }

  void FinishFolders() {
    for (auto folder = Finished_.rbegin(); folder != Finished_.rend(); ++folder) {
      auto opened = OpenFolder(folder->Target);
      if (!opened) continue;
      const timespec times[2] = {{0, UTIME_OMIT}, TimeOf(folder->Modified)};
      if (::fchmod(opened.Value(), folder->Mode & 0777) != 0 || ::futimens(opened.Value(), times) != 0) {
        Result_.Failures.append(ErrorBelow(folder->Target));
      }
    }
    Cached_.reset();
    CachedPath_.clear();
  }

  // --- Placing one object ---

  enum class Conflict { None, Replace, Skip };

  ErrorOr<Conflict> AskConflict(int folder, const TJob& job) {
    struct stat existing {};
    const QByteArray name = LastPart(job.Target);
    if (::fstatat(folder, name.constData(), &existing, AT_SYMLINK_NOFOLLOW) != 0) return Conflict::None;
    if (S_ISDIR(existing.st_mode)) return ErrorBelow(job.Target, EISDIR);
    if (ReplaceAll_) return Conflict::Replace;
    if (SkipAll_) return Conflict::Skip;
    const ObjectFacts source{Shown(*job.Entry), job.Entry->Size, job.Entry->Modified, false};
    const ObjectFacts there{Below(job.Target), qint64(existing.st_size),
                            QDateTime::fromSecsSinceEpoch(existing.st_mtim.tv_sec), false};
    switch (Questions_.AskReplace(source, there)) {
      case ConflictAnswer::ReplaceAll: ReplaceAll_ = true; return Conflict::Replace;
      case ConflictAnswer::Replace: return Conflict::Replace;
      case ConflictAnswer::SkipAll: SkipAll_ = true; return Conflict::Skip;
      case ConflictAnswer::Skip: return Conflict::Skip;
      case ConflictAnswer::Cancel: CancelFlag_ = true; return Conflict::Skip;
    }
    return Conflict::Skip;
  }

  // Makes the object under a temporary name with `make` (0 or an errno
  // value), then renames it into place; replaces only what the user said.
  template <typename Make>
  ErrorOrDone Place(const TJob& job, Make make) {
    Placed_ = false;
    auto folder = OpenFolder(ArchiveParentPath(job.Target));
    if (!folder) return folder.Error();
    auto conflict = AskConflict(folder.Value(), job);
    if (!conflict) return conflict.Error();
    if (conflict.Value() == Conflict::Skip) {
      if (!CheckCancel()) ++Result_.SkippedByChoice;
      return Done{};
    }
    const QByteArray temporary = TemporaryName();
    if (const int code = make(folder.Value(), temporary); code != 0) {
      ::unlinkat(folder.Value(), temporary.constData(), 0);
      return code < 0 ? Done{} : ErrorOrDone(ErrorBelow(job.Target, code));
    }
    const timespec times[2] = {{0, UTIME_OMIT}, TimeOf(job.Entry->Modified)};
    ::utimensat(folder.Value(), temporary.constData(), times, AT_SYMLINK_NOFOLLOW);
    const unsigned flags = conflict.Value() == Conflict::Replace ? 0 : RENAME_NOREPLACE;
    const QByteArray name = LastPart(job.Target);
    if (::renameat2(folder.Value(), temporary.constData(), folder.Value(), name.constData(), flags) != 0) {
      const int code = errno;
      ::unlinkat(folder.Value(), temporary.constData(), 0);
      return ErrorBelow(job.Target, code);
    }
    Placed_ = true;
    return Done{};
  }

  QByteArray TemporaryName() {
    return ".zarn-extract-" + QByteArray::number(::getpid()) + '-' + QByteArray::number(++TemporaryCount_);
  }

  ErrorOrDone PlaceHardLink(const TJob& job, const QByteArray& existing) {
    auto from = OpenFolder(ArchiveParentPath(existing));
    if (!from) return from.Error();
    TFileDescriptor source(::dup(from.Value()));
    const QByteArray sourceName = LastPart(existing);
    return Place(job, [&](int folder, const QByteArray& temporary) {
      return ::linkat(source.Get(), sourceName.constData(), folder, temporary.constData(), 0) == 0 ? 0 : errno;
    });
  }

  ErrorOrDone PlaceFile(TArchiveStream& stream, const TJob& job) {
    std::optional<OsError> failure;
    auto placed = Place(job, [&](int folder, const QByteArray& temporary) {
      TFileDescriptor file(::openat(folder, temporary.constData(),
                                    O_CREAT | O_EXCL | O_WRONLY | O_NOFOLLOW | O_CLOEXEC, 0600));
      if (!file.IsOpen()) return errno;
      if (auto copied = CopyData(stream, file.Get(), *job.Entry); !copied) {
        failure = copied.Error();
        return -1;
      }
      if (::fchmod(file.Get(), job.Entry->Mode & 0777) != 0) return errno;
      return file.Close() == 0 ? 0 : errno;
    });
    if (failure && !Cancelled_) return *failure;
    return placed;
  }

  ErrorOrDone CopyData(TArchiveStream& stream, int file, const TArchiveEntry& entry) {
    if (auto space = CheckSpace(std::max<qint64>(entry.Size, 0), entry); !space) return space;
    std::vector<char> buffer(ChunkBytes);
    qint64 sinceCheck = 0;
    while (true) {
      if (CheckCancel()) return TextError("Отменено", Shown(entry));
      const qint64 count = stream.ReadData(buffer.data(), ChunkBytes);
      if (count < 0) return *stream.Error();
      if (count == 0) return Done{};
      sinceCheck += count;
      if (sinceCheck >= SpaceCheckBytes) {
        if (auto space = CheckSpace(sinceCheck, entry); !space) return space;
        sinceCheck = 0;
      }
      for (qint64 offset = 0; offset < count;) {
        const ssize_t done = ::write(file, buffer.data() + offset, size_t(count - offset));
        if (done < 0 && errno == EINTR) continue;
        if (done < 0 && errno == ENOSPC) return NoSpace(entry);
        if (done < 0) return OsError(errno, Shown(entry));
        offset += done;
      }
      Progress_.BytesDone += count;
      Report();
    }
  }

  // The data still to come must fit, with room to spare.
  ErrorOrDone CheckSpace(qint64 coming, const TArchiveEntry& entry) {
    const qint64 free = FreeSpace_(Root_->Get());
    if (free >= 0 && free - SpaceReserveBytes < coming) return NoSpace(entry);
    return Done{};
  }

  OsError NoSpace(const TArchiveEntry& entry) const {
    return OsError::WithText(QStringLiteral("Недостаточно места в папке %1 для %2; извлечение остановлено")
                                 .arg(Request_.Destination, Shown(entry)));
  }

  // A cancel stops the work and is not a failure; anything in hand is undone.
  bool CheckCancel() {
    if (CancelFlag_) Cancelled_ = true;
    return Cancelled_;
  }

  void Report() {
    if (Observer_) Observer_->Progress(Progress_);
  }

  TExtractRequest Request_;
  TFileOpQuestions& Questions_;
  TFileOpObserver* Observer_;
  FreeSpaceCall FreeSpace_;
  std::atomic<bool> CancelFlag_ = false;  // set from any thread
  // The rest only from the thread that runs the extraction.
  bool Cancelled_ = false;
  bool ReplaceAll_ = false;
  bool SkipAll_ = false;
  bool Placed_ = false;
  int TemporaryCount_ = 0;
  std::unique_ptr<TFileDescriptor> Root_;
  QByteArray CachedPath_;
  std::unique_ptr<TFileDescriptor> Cached_;
  std::map<int, std::vector<TJob>> Jobs_;
  QHash<QByteArray, QByteArray> Planned_;  // path inside the archive -> target below the destination
  std::vector<TFinishedFolder> Finished_;
  FileOpProgress Progress_;
  FileOpResult Result_;
};

TArchiveExtraction::TArchiveExtraction(TExtractRequest request, TFileOpQuestions& questions,
                                       TFileOpObserver* observer)
    : Engine_(std::make_unique<Engine>(std::move(request), questions, observer)) {}
TArchiveExtraction::~TArchiveExtraction() = default;
FileOpResult TArchiveExtraction::Run() { return Engine_->Run(); }
void TArchiveExtraction::Cancel() { Engine_->Cancel(); }
void TArchiveExtraction::SetFreeSpaceCall(FreeSpaceCall call) { Engine_->SetFreeSpaceCall(std::move(call)); }

}  // namespace zarn
