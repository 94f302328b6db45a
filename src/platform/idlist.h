#pragma once
// Item identifier lists: how the namespace names every item. A list is a byte
// sequence of items, each a little-endian unsigned 16-bit byte count (counting
// those two bytes) followed by opaque bytes; a count of 0 ends the list. The
// empty list (the terminator alone) names the desktop. All lists are blocks of
// one allocator: obtain them with AllocIdList/CopyIdList/ConcatIdLists and
// return them with FreeIdList.

#include <cstddef>
#include <cstdint>
#include <memory>

namespace zarn {

using ItemIdList = std::uint8_t*;
using ConstItemIdList = const std::uint8_t*;

// The 16-bit byte count of the item at `item`.
std::uint16_t ItemByteCount(ConstItemIdList item);
// The item that follows: the address of `item` plus its byte count.
ItemIdList NextId(ItemIdList item);
ConstItemIdList NextId(ConstItemIdList item);
// 0 for an absent list; otherwise 2 plus the byte counts of all items.
std::size_t IdListSize(ConstItemIdList list);
// Cuts the last item by writing a zero count over it. An empty list stays
// empty; an absent list is ignored.
void StripLastId(ItemIdList list);
// A block of `size` zero bytes from the allocator, or nullptr.
ItemIdList AllocIdList(std::size_t size);
ItemIdList CopyIdList(ConstItemIdList list);
// The parent's items (none when absent), then the child's items and terminator.
ItemIdList ConcatIdLists(ConstItemIdList parent, ConstItemIdList child);
void FreeIdList(ItemIdList list);

// The number of items before the terminator (0 for the empty or absent list).
int IdListItemCount(ConstItemIdList list);
// True when both lists hold the same bytes.
bool IdListsEqual(ConstItemIdList a, ConstItemIdList b);
// A one-item list holding `payload` as the item's opaque bytes; nullptr when the
// payload does not fit a 16-bit count.
ItemIdList MakeChildId(const std::uint8_t* payload, std::size_t length);

struct IdListDeleter {
  void operator()(ItemIdList list) const { FreeIdList(list); }
};
// Owning handle for C++ code; .release() hands the block on to a raw owner.
using IdListPtr = std::unique_ptr<std::uint8_t, IdListDeleter>;

}  // namespace zarn
