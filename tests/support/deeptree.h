#pragma once
// Trees deeper than PATH_MAX, built and compared by descriptors (no path of
// them can be handed to the system whole).

#include <QByteArray>

#include <string>

namespace zarn::test {

// Below `root` (an existing folder): seventeen folders of 250-byte names, then
// twenty short ones, each holding a file of its own and, every fifth level, a
// link; the deepest holds "deepest.txt". Paths reach about 4,400 bytes and 37
// levels.
void MakeDeepTree(const QByteArray& root);

// The first difference between two trees (names, kinds, modes, contents, link
// texts), or an empty text when they are equal.
std::string CompareTrees(const QByteArray& left, const QByteArray& right);

}  // namespace zarn::test
