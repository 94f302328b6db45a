#include "search/folderreader.h"

#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace zarn {
namespace {

// Large enough that most folders come in one call.
constexpr long kBufferBytes = 64 * 1024;

struct LinuxDirent64 {
  quint64 Inode;
  qint64 Offset;
  unsigned short RecordLength;
  unsigned char Type;
  char Name[];
};

EntryType TypeOfDirentType(unsigned char type) {
  switch (type) {
    case DT_DIR: return EntryType::Folder;
    case DT_REG: return EntryType::File;
    case DT_LNK: return EntryType::Link;
    case DT_UNKNOWN: return EntryType::Unknown;
    default: return EntryType::Other;
  }
}

EntryType TypeOfMode(mode_t mode) {
  if (S_ISDIR(mode)) return EntryType::Folder;
  if (S_ISREG(mode)) return EntryType::File;
  if (S_ISLNK(mode)) return EntryType::Link;
  return EntryType::Other;
}

}  // namespace

TFolderReader::TFolderReader() : Buffer_(new char[kBufferBytes]) {}

TFolderReader::~TFolderReader() { Close(); }

bool TFolderReader::Open(const QByteArray& path, LinkPolicy links) {
  Close();
  Error_ = 0;
  int flags = O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NONBLOCK;
  if (links == LinkPolicy::DoNotFollow) flags |= O_NOFOLLOW;
  Descriptor_ = ::open(path.isEmpty() ? "/" : path.constData(), flags);
  if (Descriptor_ < 0) {
    Error_ = errno;
    return false;
  }
  return true;
}

void TFolderReader::Close() {
  if (Descriptor_ >= 0) ::close(Descriptor_);
  Descriptor_ = -1;
  Filled_ = 0;
  Position_ = 0;
}

bool TFolderReader::Fill() {
  for (;;) {
    const long got = ::syscall(SYS_getdents64, Descriptor_, Buffer_.get(), kBufferBytes);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) Error_ = errno;
    Filled_ = got > 0 ? got : 0;
    Position_ = 0;
    return got > 0;
  }
}

bool TFolderReader::Next(TFolderEntry& entry) {
  if (Descriptor_ < 0) return false;
  if (Position_ >= Filled_ && !Fill()) return false;
  const auto* record = reinterpret_cast<const LinuxDirent64*>(Buffer_.get() + Position_);
  Position_ += record->RecordLength;
  entry.Name = record->Name;
  entry.Length = qsizetype(std::strlen(record->Name));
  entry.Type = TypeOfDirentType(record->Type);
  return true;
}

EntryType TFolderReader::ResolveType(const TFolderEntry& entry, LinkPolicy links) const {
  const bool known = entry.Type != EntryType::Unknown && !(entry.Type == EntryType::Link && links == LinkPolicy::Follow);
  if (known) return entry.Type;
  struct stat info {};
  const int flags = links == LinkPolicy::Follow ? 0 : AT_SYMLINK_NOFOLLOW;
  if (::fstatat(Descriptor_, entry.Name, &info, flags) != 0) return EntryType::Other;
  return TypeOfMode(info.st_mode);
}

bool TFolderReader::Identity(quint64* device, quint64* inode) const {
  struct stat info {};
  if (Descriptor_ < 0 || ::fstat(Descriptor_, &info) != 0) return false;
  *device = info.st_dev;
  *inode = info.st_ino;
  return true;
}

}  // namespace zarn
