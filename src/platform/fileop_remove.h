#pragma once
// Deletion for good without the trash. The walk is the folder walker's, on
// descriptors (openat/unlinkat with O_NOFOLLOW): it never follows a link out of the tree,
// even one swapped in for a folder during the walk, it does not enter other
// file systems mounted inside the tree, and it works on trees deeper than
// PATH_MAX because it never opens anything by a full path.

#include <QByteArray>

#include <atomic>

#include "platform/errors.h"

namespace zarn {

// Removes `path` (native bytes): a link or file is unlinked, a folder is
// emptied and removed. Goes on past objects it cannot remove and returns the
// first error; ECANCELED when `cancel` became true (what was removed stays removed).
ErrorOrDone RemoveTree(const QByteArray& path, const std::atomic<bool>* cancel = nullptr);

}  // namespace zarn
