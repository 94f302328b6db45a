#pragma once
// Mounts a test makes must not reach other programs: a program of the
// end-to-end scenarios running meanwhile sees every mount of the system as a
// medium arriving. The test process moves into a mount namespace of its own
// first (each test runs in a process of its own); false when it may not.

#include <sched.h>
#include <sys/mount.h>

namespace zarn::test {

inline bool MountPrivately() {
  static const bool entered =
      ::unshare(CLONE_NEWNS) == 0 && ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0;
  return entered;
}

}  // namespace zarn::test
