#include "stallfs.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <string>
#include <thread>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/mount.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/statvfs.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/filenames.h"
#include "platform/volumes.h"
#include "privatemounts.h"

namespace zarn::test {
namespace {

using namespace std::chrono_literals;

const QString ServerPath = QStringLiteral(ZARN_STALLFS_SERVER);
// Generous: a busy machine may be slow to start the server, and a command is
// answered by a thread of the server that never waits on the mount.
constexpr auto MountDeadline = 20s;
constexpr auto AnswerDeadline = 5s;
constexpr auto ExitDeadline = 10s;
constexpr auto PollInterval = 10ms;

OsError Failure(const QString& text) { return OsError::WithText(text); }

std::optional<QString> ProbeAvailability() {
  if (!QFileInfo(ServerPath).isExecutable()) {
    return QStringLiteral("the test file system's server is missing: ") + ServerPath;
  }
  const int device = ::open("/dev/fuse", O_RDWR | O_CLOEXEC);
  if (device < 0) return QStringLiteral("FUSE cannot be used here: /dev/fuse: ") + SystemMessage(errno);
  ::close(device);
  if (!MountPrivately()) return QStringLiteral("FUSE cannot be used here: no mount namespace of the test's own");
  QTemporaryDir folder;
  TStallFs probe;
  const ErrorOrDone mounted = probe.Mount(folder.path());
  if (mounted.IsError()) return QStringLiteral("FUSE cannot be used here: ") + mounted.Error().Text();
  return std::nullopt;
}

// In the forked child, before exec: only async-signal-safe calls.
[[noreturn]] void ExecServer(char* const* arguments, int control, int errors, pid_t parent) {
  ::prctl(PR_SET_PDEATHSIG, SIGKILL);  // a crashed test leaves no server behind
  if (::getppid() != parent) ::_exit(127);
  ::fcntl(control, F_SETFD, 0);
  ::dup2(errors, STDERR_FILENO);
  ::execv(arguments[0], arguments);
  static const char message[] = "cannot start the server\n";
  [[maybe_unused]] const ssize_t written = ::write(STDERR_FILENO, message, sizeof message - 1);
  ::_exit(127);
}

using Clock = std::chrono::steady_clock;

}  // namespace

TStallFs::~TStallFs() { Unmount(); }

std::optional<QString> TStallFs::Unavailable() {
  static const std::optional<QString> reason = ProbeAvailability();
  return reason;
}

ErrorOrDone TStallFs::Mount(const QString& folder) {
  if (Server_ >= 0) return Failure(QStringLiteral("the test file system is mounted already on ") + Root_);
  if (!MountPrivately()) return Failure(QStringLiteral("no mount namespace of the test's own"));
  Root_ = QFileInfo(folder).canonicalFilePath();
  if (Root_.isEmpty()) return OsError(ENOENT, folder);
  int control[2];
  int errors[2];
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, control) != 0) return OsError(errno);
  if (::pipe2(errors, O_CLOEXEC) != 0) {
    const int error = errno;
    ::close(control[0]);
    ::close(control[1]);
    return OsError(error);
  }
  const QByteArray program = QFile::encodeName(ServerPath);
  const QByteArray socket = QByteArray::number(control[1]);
  const QByteArray mountPoint = ToNativeName(Root_);
  char* const arguments[] = {const_cast<char*>(program.constData()), const_cast<char*>("--control-fd"),
                             const_cast<char*>(socket.constData()), const_cast<char*>(mountPoint.constData()),
                             nullptr};
  const pid_t parent = ::getpid();
  Server_ = ::fork();
  if (Server_ == 0) ExecServer(arguments, control[1], errors[1], parent);
  const int forkError = errno;
  ::close(control[1]);
  ::close(errors[1]);
  Control_ = control[0];
  Errors_ = errors[0];
  ::fcntl(Errors_, F_SETFL, O_NONBLOCK);
  if (Server_ < 0) {
    Unmount();
    return OsError(forkError);
  }
  return WaitUntilAnswering();
}

// Polls the mount table, which never touches the mount, until the mount shows
// there; then checks that it answers with the server's own totals.
ErrorOrDone TStallFs::WaitUntilAnswering() {
  const Clock::time_point deadline = Clock::now() + MountDeadline;
  while (Clock::now() < deadline) {
    int status = 0;
    if (::waitpid(Server_, &status, WNOHANG) == Server_) {
      Server_ = -1;
      const QString reason = ServerErrors();
      Unmount();
      return Failure(QStringLiteral("the server ended (status %1) without mounting: %2").arg(status).arg(reason));
    }
    if (Mounted()) {
      struct statvfs totals;
      if (::statvfs(ToNativeName(Root_).constData(), &totals) == 0 && totals.f_blocks == stallfs::TotalBlocks) {
        return Done{};
      }
      const int error = errno;
      Unmount();
      return OsError(error, Root_);
    }
    std::this_thread::sleep_for(PollInterval);
  }
  const QString reason = ServerErrors();
  Unmount();
  return Failure(QStringLiteral("no mount appeared within the deadline: ") + reason);
}

QString TStallFs::ServerErrors() {
  QByteArray text;
  char chunk[4096];
  for (ssize_t count; Errors_ >= 0 && (count = ::read(Errors_, chunk, sizeof chunk)) > 0;) text.append(chunk, count);
  text = text.trimmed();
  return text.isEmpty() ? QStringLiteral("(no message)") : QString::fromLocal8Bit(text);
}

ErrorOr<QByteArray> TStallFs::Ask(const QByteArray& command) {
  if (Control_ < 0) return Failure(QStringLiteral("the test file system is not mounted"));
  const QByteArray line = command + '\n';
  if (::send(Control_, line.constData(), line.size(), MSG_NOSIGNAL) != line.size()) return OsError(errno);
  QByteArray reply;
  const Clock::time_point deadline = Clock::now() + AnswerDeadline;
  while (!reply.endsWith('\n')) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    pollfd readable{Control_, POLLIN, 0};
    if (left.count() <= 0 || ::poll(&readable, 1, static_cast<int>(left.count())) <= 0) {
      return Failure(QStringLiteral("the server did not answer \"%1\"").arg(QString::fromLatin1(command)));
    }
    char chunk[64];
    const ssize_t count = ::read(Control_, chunk, sizeof chunk);
    if (count <= 0) return Failure(QStringLiteral("the server has gone"));
    reply.append(chunk, count);
  }
  reply.chop(1);
  return reply;
}

namespace {

OsError Unexpected(const QByteArray& reply) {
  return Failure(QStringLiteral("the server answered ") + QString::fromLatin1(reply));
}

ErrorOrDone Expect(const ErrorOr<QByteArray>& reply, const char* expected) {
  if (reply.IsError()) return reply.Error();
  if (reply.Value() != expected) return Unexpected(reply.Value());
  return Done{};
}

}  // namespace

ErrorOrDone TStallFs::Stall() { return Expect(Ask("stall"), "ok"); }

ErrorOrDone TStallFs::StallAfterBytes(qint64 bytes) {
  return Expect(Ask("stall-after " + QByteArray::number(bytes)), "ok");
}

ErrorOrDone TStallFs::Release() { return Expect(Ask("release"), "ok"); }

ErrorOr<int> TStallFs::BlockedRequests() {
  ErrorOr<QByteArray> reply = Ask("blocked");
  if (reply.IsError()) return reply.Error();
  bool ok = false;
  const int count = reply.Value().toInt(&ok);
  if (!ok) return Unexpected(reply.Value());
  return count;
}

void TStallFs::Unmount() {
  if (Server_ > 0) (void)Release();
  // Detaching needs no answer from the server, and works while calls are
  // inside the mount; killing the server then fails those calls.
  if (Mounted()) ::umount2(ToNativeName(Root_).constData(), MNT_DETACH);
  if (Server_ > 0) {
    ::kill(Server_, SIGKILL);
    const Clock::time_point deadline = Clock::now() + ExitDeadline;
    while (::waitpid(Server_, nullptr, WNOHANG) == 0 && Clock::now() < deadline) {
      std::this_thread::sleep_for(PollInterval);
    }
  }
  Server_ = -1;
  for (int* descriptor : {&Control_, &Errors_}) {
    if (*descriptor >= 0) ::close(*descriptor);
    *descriptor = -1;
  }
}

bool TStallFs::Mounted() const {
  if (Root_.isEmpty()) return false;
  QFile table(QStringLiteral("/proc/self/mountinfo"));
  if (!table.open(QIODevice::ReadOnly)) return false;
  const QByteArray mountPoint = ToNativeName(Root_);
  const QString type = QStringLiteral("fuse.") + QString::fromLatin1(stallfs::FileSystemName);
  const std::vector<Volume> volumes = ParseMountInfo(table.readAll());
  return std::any_of(volumes.begin(), volumes.end(), [&](const Volume& volume) {
    return volume.MountPoint == mountPoint && volume.FileSystem == type;
  });
}

QString TStallFs::Path(const QString& relative) const {
  return relative.isEmpty() ? Root_ : Root_ + QLatin1Char('/') + relative;
}

}  // namespace zarn::test
