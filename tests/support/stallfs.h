#pragma once
// A FUSE mount of the test file system (stallfs/tree.h lists what it serves)
// that stops answering on command: while stalled, every request to it (stat,
// lookup, readdir, open, read, close, statvfs, ...) waits in the server until
// Release(), then is answered normally, like a network mount whose server has
// gone quiet. The server runs in a process of its own, so a test never blocks
// in its own handler, and killing it always ends a wedged mount.
//
// The mount is made in the test's own mount namespace (MountPrivately), which
// the server and every child process the test starts afterwards share: a zarn
// started by an end-to-end scenario sees it, other programs do not. Entering
// that namespace moves only the calling thread: threads started before it (a
// thread pool's workers among them) keep seeing the system's mounts, so mount
// before the test starts the threads that are to use the mount.
//
//   if (auto why = TStallFs::Unavailable()) GTEST_SKIP() << why->toStdString();
//   TStallFs fs;
//   ASSERT_FALSE(fs.Mount(folder).IsError());
//   fs.Stall();  ...  fs.Release();
//
// Use a handle from one thread, the one that lives as long as the mount (the
// server is killed when the thread that started it ends). A call that is to
// wait on the stalled mount runs on another thread or in a child process.

#include <QByteArray>
#include <QString>

#include <optional>

#include <sys/types.h>

#include "platform/errors.h"
#include "stallfs/tree.h"

namespace zarn::test {

class TStallFs {
 public:
  TStallFs() = default;
  // Releases, unmounts and ends the server; returns even while stalled.
  ~TStallFs();
  TStallFs(const TStallFs&) = delete;
  TStallFs& operator=(const TStallFs&) = delete;

  // Why the test file system cannot be mounted here (no /dev/fuse, no mount
  // namespace of the test's own, mounting refused, the server not built), or
  // nothing when it can. Enters the private mount namespace and tries one
  // mount the first time; the answer is kept for the process.
  static std::optional<QString> Unavailable();

  // Starts the server on `folder` (an existing empty folder) and returns once
  // the mount answers, or with the server's reason when it does not within a
  // few seconds.
  ErrorOrDone Mount(const QString& folder);
  // Every request from now on waits, until Release().
  ErrorOrDone Stall();
  // Reads are served until `bytes` bytes in all (counted from now, in the
  // kernel's read sizes, so a little more may be served) have been read; then
  // the mount stalls as by Stall(). For a copy that stops in the middle.
  ErrorOrDone StallAfterBytes(qint64 bytes);
  // Waiting requests go on and are answered; ends a pending StallAfterBytes.
  ErrorOrDone Release();
  // How many requests wait in the server now: a test polls for its call to
  // have arrived there before it checks that the call is held.
  ErrorOr<int> BlockedRequests();
  // Releases, detaches the mount at once (even while a call is inside it),
  // kills and reaps the server. Calls still inside the mount then fail with
  // "Transport endpoint is not connected". Does nothing when not mounted.
  void Unmount();

  // Whether the mount table shows this mount now (read without touching it).
  bool Mounted() const;
  // The mount point, and `relative` below it ("" for the mount point itself).
  QString Root() const { return Root_; }
  QString Path(const QString& relative) const;

 private:
  ErrorOr<QByteArray> Ask(const QByteArray& command);
  ErrorOrDone WaitUntilAnswering();
  QString ServerErrors();

  QString Root_;
  pid_t Server_ = -1;
  int Control_ = -1;  // our end of the command socket
  int Errors_ = -1;   // read end of the server's standard error
};

}  // namespace zarn::test
