// zarn_stallfs: a read-only FUSE file system for tests that stops answering on
// command, the way a wedged network mount or FUSE daemon does.
//
//   zarn_stallfs --control-fd FD MOUNTPOINT
//
// It serves the fixed tree of tree.h. FD is one end of a stream socket; each
// line written to it is a command, answered by one line:
//   "stall"          every request from now on waits          -> "ok"
//   "stall-after N"  reads are served until N bytes in all have
//                    been read, then the file system stalls   -> "ok"
//   "release"        waiting requests carry on and are answered
//                    normally; ends a pending "stall-after"   -> "ok"
//   "blocked"        how many requests wait now               -> a number
// Waiting requests are not failed and not interruptible by the caller's
// signals, like those of a server that has stopped reading its device. The
// server ends when the mount goes away, or when the other end of FD closes.
#define FUSE_USE_VERSION 312
#include <fuse_lowlevel.h>

#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "tree.h"

namespace zarn::test::stallfs {
namespace {

// Holds requests back while the file system is stalled.
class TGate {
 public:
  // Returns at once unless stalled; else when released.
  void Pass() {
    std::unique_lock lock(Mutex_);
    Wait(lock);
  }
  // For a read of `size` bytes: stalls first when the byte budget is spent.
  void PassRead(size_t size) {
    std::unique_lock lock(Mutex_);
    if (StallAfter_ >= 0 && Served_ >= StallAfter_) Stalled_ = true;
    Wait(lock);
    Served_ += static_cast<std::int64_t>(size);
  }
  void Stall() {
    std::lock_guard lock(Mutex_);
    Stalled_ = true;
  }
  void StallAfter(std::int64_t bytes) {
    std::lock_guard lock(Mutex_);
    StallAfter_ = bytes;
    Served_ = 0;
  }
  void Release() {
    {
      std::lock_guard lock(Mutex_);
      Stalled_ = false;
      StallAfter_ = -1;
    }
    Released_.notify_all();
  }
  int Blocked() {
    std::lock_guard lock(Mutex_);
    return Blocked_;
  }

 private:
  void Wait(std::unique_lock<std::mutex>& lock) {
    ++Blocked_;
    Released_.wait(lock, [this] { return !Stalled_; });
    --Blocked_;
  }

  std::mutex Mutex_;
  std::condition_variable Released_;
  bool Stalled_ = false;         // protected by Mutex_
  int Blocked_ = 0;              // protected by Mutex_; counts the waiting requests
  std::int64_t StallAfter_ = -1;  // protected by Mutex_; -1 when reads are not budgeted
  std::int64_t Served_ = 0;      // protected by Mutex_
};

TGate Gate;

enum class Kind { Folder, File };

struct Entry {
  fuse_ino_t Parent;
  std::string_view Name;
  Kind Type;
  std::int64_t Size;
};

// Entry i is inode i + 1; the root is inode 1 (FUSE_ROOT_ID).
constexpr std::array<Entry, 6> Entries = {{
    {0, "", Kind::Folder, 0},
    {1, "docs", Kind::Folder, 0},
    {1, "big.bin", Kind::File, BigSize},
    {1, "empty", Kind::File, 0},
    {2, "a.txt", Kind::File, static_cast<std::int64_t>(ATextContent.size())},
    {2, "sub", Kind::Folder, 0},
}};
constexpr fuse_ino_t BigInode = 3;
constexpr fuse_ino_t ATextInode = 5;

const Entry* Find(fuse_ino_t inode) { return inode >= 1 && inode <= Entries.size() ? &Entries[inode - 1] : nullptr; }

struct stat Attributes(fuse_ino_t inode) {
  const Entry& entry = Entries[inode - 1];
  struct stat attributes {};
  attributes.st_ino = inode;
  attributes.st_uid = ::getuid();
  attributes.st_gid = ::getgid();
  attributes.st_atime = attributes.st_mtime = attributes.st_ctime = EntryTime;
  attributes.st_blksize = 4096;
  if (entry.Type == Kind::Folder) {
    attributes.st_mode = S_IFDIR | 0555;
    attributes.st_nlink = 2 + std::count_if(Entries.begin(), Entries.end(), [&](const Entry& child) {
                            return child.Parent == inode && child.Type == Kind::Folder;
                          });
    attributes.st_size = 4096;
  } else {
    attributes.st_mode = S_IFREG | 0444;
    attributes.st_nlink = 1;
    attributes.st_size = entry.Size;
  }
  attributes.st_blocks = (attributes.st_size + 511) / 512;
  return attributes;
}

// Nothing is cached by the kernel, so every stat and lookup reaches the server
// and can be held back.
fuse_entry_param EntryParam(fuse_ino_t inode) {
  fuse_entry_param param {};
  param.ino = inode;
  param.attr = Attributes(inode);
  return param;
}

void Lookup(fuse_req_t request, fuse_ino_t parent, const char* name) {
  Gate.Pass();
  for (fuse_ino_t inode = 2; inode <= Entries.size(); ++inode) {
    if (Entries[inode - 1].Parent == parent && Entries[inode - 1].Name == name) {
      const fuse_entry_param param = EntryParam(inode);
      fuse_reply_entry(request, &param);
      return;
    }
  }
  fuse_reply_err(request, ENOENT);
}

void GetAttributes(fuse_req_t request, fuse_ino_t inode, fuse_file_info*) {
  Gate.Pass();
  if (!Find(inode)) {
    fuse_reply_err(request, ENOENT);
    return;
  }
  const struct stat attributes = Attributes(inode);
  fuse_reply_attr(request, &attributes, 0.0);
}

void Open(fuse_req_t request, fuse_ino_t inode, fuse_file_info* info) {
  Gate.Pass();
  const Entry* entry = Find(inode);
  if (!entry) {
    fuse_reply_err(request, ENOENT);
  } else if (entry->Type == Kind::Folder) {
    fuse_reply_err(request, EISDIR);
  } else if ((info->flags & O_ACCMODE) != O_RDONLY) {
    fuse_reply_err(request, EROFS);
  } else {
    fuse_reply_open(request, info);
  }
}

void Read(fuse_req_t request, fuse_ino_t inode, size_t size, off_t offset, fuse_file_info*) {
  const Entry* entry = Find(inode);
  const std::int64_t end = entry ? std::min<std::int64_t>(entry->Size, offset + static_cast<std::int64_t>(size)) : 0;
  std::vector<char> bytes(static_cast<size_t>(std::max<std::int64_t>(0, end - offset)));
  Gate.PassRead(bytes.size());
  for (size_t i = 0; i < bytes.size(); ++i) {
    const std::int64_t at = offset + static_cast<std::int64_t>(i);
    bytes[i] = inode == BigInode ? static_cast<char>(BigByte(at)) : inode == ATextInode ? ATextContent[at] : 0;
  }
  fuse_reply_buf(request, bytes.data(), bytes.size());
}

void OpenFolder(fuse_req_t request, fuse_ino_t inode, fuse_file_info* info) {
  Gate.Pass();
  const Entry* entry = Find(inode);
  if (!entry) {
    fuse_reply_err(request, ENOENT);
  } else if (entry->Type != Kind::Folder) {
    fuse_reply_err(request, ENOTDIR);
  } else {
    fuse_reply_open(request, info);
  }
}

// The whole listing is small: it is built for every call and the part from
// `offset` on handed out.
void ReadFolder(fuse_req_t request, fuse_ino_t inode, size_t size, off_t offset, fuse_file_info*) {
  Gate.Pass();
  const fuse_ino_t parent = std::max<fuse_ino_t>(1, Entries[inode - 1].Parent);
  std::vector<std::pair<std::string, fuse_ino_t>> names = {{".", inode}, {"..", parent}};
  for (fuse_ino_t child = 2; child <= Entries.size(); ++child) {
    if (Entries[child - 1].Parent == inode) names.emplace_back(Entries[child - 1].Name, child);
  }
  std::vector<char> buffer(size);
  size_t used = 0;
  for (size_t index = static_cast<size_t>(offset); index < names.size(); ++index) {
    const struct stat attributes = Attributes(names[index].second);
    const size_t length = fuse_add_direntry(request, buffer.data() + used, size - used, names[index].first.c_str(),
                                            &attributes, static_cast<off_t>(index + 1));
    if (length > size - used) break;
    used += length;
  }
  fuse_reply_buf(request, buffer.data(), used);
}

void Release(fuse_req_t request, fuse_ino_t, fuse_file_info*) {
  Gate.Pass();
  fuse_reply_err(request, 0);
}

void Flush(fuse_req_t request, fuse_ino_t, fuse_file_info*) {
  Gate.Pass();
  fuse_reply_err(request, 0);
}

void StatFileSystem(fuse_req_t request, fuse_ino_t) {
  Gate.Pass();
  struct statvfs totals {};
  totals.f_bsize = totals.f_frsize = BlockSize;
  totals.f_blocks = TotalBlocks;
  totals.f_bfree = totals.f_bavail = FreeBlocks;
  totals.f_files = TotalFiles;
  totals.f_ffree = totals.f_favail = FreeFiles;
  totals.f_namemax = 255;
  fuse_reply_statfs(request, &totals);
}

void Access(fuse_req_t request, fuse_ino_t inode, int mask) {
  Gate.Pass();
  fuse_reply_err(request, !Find(inode) ? ENOENT : (mask & W_OK) ? EROFS : 0);
}

void GetExtendedAttribute(fuse_req_t request, fuse_ino_t, const char*, size_t) {
  Gate.Pass();
  fuse_reply_err(request, ENODATA);
}

void ListExtendedAttributes(fuse_req_t request, fuse_ino_t, size_t size) {
  Gate.Pass();
  if (size == 0) {
    fuse_reply_xattr(request, 0);
  } else {
    fuse_reply_buf(request, nullptr, 0);
  }
}

fuse_lowlevel_ops Operations() {
  fuse_lowlevel_ops operations {};
  operations.lookup = Lookup;
  operations.getattr = GetAttributes;
  operations.open = Open;
  operations.read = Read;
  operations.flush = Flush;
  operations.release = Release;
  operations.opendir = OpenFolder;
  operations.readdir = ReadFolder;
  operations.releasedir = Release;
  operations.statfs = StatFileSystem;
  operations.access = Access;
  operations.getxattr = GetExtendedAttribute;
  operations.listxattr = ListExtendedAttributes;
  return operations;
}

std::string Answer(const std::string& command) {
  if (command == "stall") {
    Gate.Stall();
  } else if (command == "release") {
    Gate.Release();
  } else if (command.rfind("stall-after ", 0) == 0) {
    Gate.StallAfter(std::strtoll(command.c_str() + 12, nullptr, 10));
  } else if (command == "blocked") {
    return std::to_string(Gate.Blocked());
  } else {
    return "unknown command: " + command;
  }
  return "ok";
}

// Runs on a thread of its own, so that commands are taken while every request
// thread waits. When the test process goes away, so does the server: its mount
// lives in that process's mount namespace.
void ServeControl(int socket) {
  std::string pending;
  char chunk[256];
  for (;;) {
    const ssize_t count = ::read(socket, chunk, sizeof chunk);
    if (count < 0 && errno == EINTR) continue;
    if (count <= 0) break;
    pending.append(chunk, static_cast<size_t>(count));
    for (size_t end; (end = pending.find('\n')) != std::string::npos; pending.erase(0, end + 1)) {
      const std::string reply = Answer(pending.substr(0, end)) + '\n';
      if (::send(socket, reply.data(), reply.size(), MSG_NOSIGNAL) < 0) break;
    }
  }
  Gate.Release();
  std::_Exit(0);
}

int Serve(int controlSocket, const char* program, const char* mountPoint) {
  const std::string options = "ro,default_permissions,allow_other,fsname=" + std::string(FileSystemName) +
                              ",subtype=" + std::string(FileSystemName);
  std::vector<char*> arguments = {const_cast<char*>(program), const_cast<char*>("-o"),
                                  const_cast<char*>(options.c_str())};
  fuse_args args = FUSE_ARGS_INIT(static_cast<int>(arguments.size()), arguments.data());
  const fuse_lowlevel_ops operations = Operations();
  fuse_session* session = fuse_session_new(&args, &operations, sizeof operations, nullptr);
  if (!session) return 1;
  if (fuse_session_mount(session, mountPoint) != 0) {
    std::fprintf(stderr, "zarn_stallfs: cannot mount on %s\n", mountPoint);
    fuse_session_destroy(session);
    return 1;
  }
  std::thread(ServeControl, controlSocket).detach();
  // Every waiting request holds a thread, so there must be more than a busy
  // program sends at once.
  fuse_loop_config* config = fuse_loop_cfg_create();
  fuse_loop_cfg_set_max_threads(config, 200);
  const int result = fuse_session_loop_mt(session, config);
  fuse_loop_cfg_destroy(config);
  fuse_session_unmount(session);
  fuse_session_destroy(session);
  return result == 0 ? 0 : 1;
}

}  // namespace
}  // namespace zarn::test::stallfs

int main(int argc, char** argv) {
  if (argc != 4 || std::strcmp(argv[1], "--control-fd") != 0) {
    std::fprintf(stderr, "usage: zarn_stallfs --control-fd FD MOUNTPOINT\n");
    return 2;
  }
  return zarn::test::stallfs::Serve(std::atoi(argv[2]), argv[0], argv[3]);
}
