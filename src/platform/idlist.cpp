#include "platform/idlist.h"

#include <cstdlib>
#include <cstring>

namespace zarn {

std::uint16_t ItemByteCount(ConstItemIdList item) {
  return std::uint16_t(item[0] | (item[1] << 8));
}

ItemIdList NextId(ItemIdList item) { return item + ItemByteCount(item); }
ConstItemIdList NextId(ConstItemIdList item) { return item + ItemByteCount(item); }

std::size_t IdListSize(ConstItemIdList list) {
  if (!list) return 0;
  std::size_t size = 2;
  for (ConstItemIdList item = list; ItemByteCount(item) != 0; item = NextId(item)) size += ItemByteCount(item);
  return size;
}

void StripLastId(ItemIdList list) {
  if (!list || ItemByteCount(list) == 0) return;
  ItemIdList last = list;
  for (ItemIdList next = NextId(list); ItemByteCount(next) != 0; next = NextId(next)) last = next;
  last[0] = 0;
  last[1] = 0;
}

ItemIdList AllocIdList(std::size_t size) {
  return static_cast<ItemIdList>(std::calloc(size ? size : 1, 1));
}

ItemIdList CopyIdList(ConstItemIdList list) {
  const std::size_t size = IdListSize(list);
  ItemIdList copy = AllocIdList(size);
  if (copy && size) std::memcpy(copy, list, size);
  return copy;
}

ItemIdList ConcatIdLists(ConstItemIdList parent, ConstItemIdList child) {
  const std::size_t parentBytes = parent ? IdListSize(parent) - 2 : 0;
  const std::size_t childBytes = IdListSize(child);
  ItemIdList joined = AllocIdList(parentBytes + childBytes);
  if (!joined) return nullptr;
  if (parentBytes) std::memcpy(joined, parent, parentBytes);
  if (childBytes) std::memcpy(joined + parentBytes, child, childBytes);
  return joined;
}

void FreeIdList(ItemIdList list) {
  if (list) std::free(list);
}

int IdListItemCount(ConstItemIdList list) {
  if (!list) return 0;
  int count = 0;
  for (ConstItemIdList item = list; ItemByteCount(item) != 0; item = NextId(item)) ++count;
  return count;
}

bool IdListsEqual(ConstItemIdList a, ConstItemIdList b) {
  const std::size_t size = IdListSize(a);
  return size == IdListSize(b) && (size == 0 || std::memcmp(a, b, size) == 0);
}

ItemIdList MakeChildId(const std::uint8_t* payload, std::size_t length) {
  const std::size_t count = length + 2;
  if (count > 0xFFFF) return nullptr;
  ItemIdList id = AllocIdList(count + 2);
  if (!id) return nullptr;
  id[0] = std::uint8_t(count & 0xFF);
  id[1] = std::uint8_t(count >> 8);
  if (length) std::memcpy(id + 2, payload, length);
  return id;
}

}  // namespace zarn
