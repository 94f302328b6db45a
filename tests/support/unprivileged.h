#pragma once
// Root passes every permission check, so a test of what permissions refuse
// runs its body as an unprivileged user: as root, in a forked child that
// hands the given folders to that user and drops to it; otherwise in place.
// The child's failures are printed as they happen and its exit status fails
// the test in the parent.

#include <QByteArray>

#include <functional>
#include <vector>

namespace zarn::test {

void AsUnprivilegedUser(const std::function<void()>& body, const std::vector<QByteArray>& handedOver = {});

}  // namespace zarn::test
