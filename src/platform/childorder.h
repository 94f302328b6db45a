#pragma once
// The order of a folder's children for one sort column. A folder of a million
// entries spends most of its listing time making collation keys and sorting
// them, so a big folder is split in two halves that are keyed and sorted on two
// threads and then merged; the order is exactly that of one sort by the keys.

#include <QString>

#include <cstdint>
#include <vector>

#include "platform/idlist.h"

namespace zarn {

class ShellFolder;

// Positions into `children`, in the order CompareIDs gives for `column`. With
// `displayNames`, also each child's normal display name, in the order of
// `children`, made on the same threads. `folder`'s MakeSortKeys and
// GetDisplayNameOf must be safe to call from two threads at once.
std::vector<std::uint32_t> SortedChildOrder(ShellFolder& folder, int column,
                                            const std::vector<ConstItemIdList>& children,
                                            std::vector<QString>* displayNames = nullptr);

}  // namespace zarn
