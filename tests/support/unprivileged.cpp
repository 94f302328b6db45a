#include "unprivileged.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <ftw.h>
#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

namespace zarn::test {
namespace {

// The traditional "nobody" of Debian; it owns no files of its own.
constexpr uid_t UnprivilegedId = 65534;

int HandOver(const char* path, const struct stat*, int, struct FTW*) {
  return ::lchown(path, UnprivilegedId, UnprivilegedId) == 0 ? 0 : -1;
}

bool DropPrivileges(const std::vector<QByteArray>& handedOver) {
  for (const QByteArray& folder : handedOver) {
    if (::nftw(folder.constData(), HandOver, 16, FTW_PHYS) != 0) return false;
  }
  return ::setgroups(0, nullptr) == 0 && ::setgid(UnprivilegedId) == 0 && ::setuid(UnprivilegedId) == 0 &&
         ::geteuid() == UnprivilegedId;
}

}  // namespace

void AsUnprivilegedUser(const std::function<void()>& body, const std::vector<QByteArray>& handedOver) {
  if (::geteuid() != 0) {
    body();
    return;
  }
  std::fflush(nullptr);
  const pid_t child = ::fork();
  ASSERT_GE(child, 0) << "fork failed";
  if (child == 0) {
    if (!DropPrivileges(handedOver)) {
      std::fprintf(stderr, "could not become an unprivileged user\n");
      ::_exit(2);
    }
    body();
    std::fflush(nullptr);
    ::_exit(testing::Test::HasFailure() ? 1 : 0);
  }
  int status = 0;
  while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0)
      << "the unprivileged run failed (status " << status << "); its failures are printed above";
}

}  // namespace zarn::test
