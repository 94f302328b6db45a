#include "platform/childorder.h"

#include <future>

#include "platform/shellnamespace.h"
#include "platform/sortkeys.h"

namespace zarn {
namespace {

// Below this many children a second thread costs more than it saves.
constexpr std::size_t kSplitFrom = 20000;

struct SortedHalf {
  SortKeys Keys;
  std::vector<std::uint32_t> Order;
};

// Keys and sorts children[first, last); names the same children when asked.
SortedHalf SortHalf(ShellFolder& folder, int column, const std::vector<ConstItemIdList>& children, std::size_t first,
                    std::size_t last, std::vector<QString>* displayNames) {
  SortedHalf half;
  const std::vector<ConstItemIdList> part(children.begin() + std::ptrdiff_t(first),
                                          children.begin() + std::ptrdiff_t(last));
  folder.MakeSortKeys(column, part, half.Keys);
  half.Order = half.Keys.SortedOrder();
  if (displayNames) {
    for (std::size_t i = first; i < last; ++i) (*displayNames)[i] = folder.GetDisplayNameOf(children[i], SHGDN_NORMAL);
  }
  return half;
}

// Merges two sorted halves; positions of the second half follow the first's.
std::vector<std::uint32_t> Merge(const SortedHalf& first, const SortedHalf& second) {
  const auto offset = std::uint32_t(first.Order.size());
  std::vector<std::uint32_t> merged;
  merged.reserve(first.Order.size() + second.Order.size());
  std::size_t i = 0, j = 0;
  while (i < first.Order.size() && j < second.Order.size()) {
    if (SortKeys::Compare(second.Keys, second.Order[j], first.Keys, first.Order[i]) < 0) {
      merged.push_back(offset + second.Order[j++]);
    } else {
      merged.push_back(first.Order[i++]);
    }
  }
  for (; i < first.Order.size(); ++i) merged.push_back(first.Order[i]);
  for (; j < second.Order.size(); ++j) merged.push_back(offset + second.Order[j]);
  return merged;
}

}  // namespace

std::vector<std::uint32_t> SortedChildOrder(ShellFolder& folder, int column,
                                            const std::vector<ConstItemIdList>& children,
                                            std::vector<QString>* displayNames) {
  if (displayNames) displayNames->assign(children.size(), QString());
  const std::size_t count = children.size();
  if (count < kSplitFrom) return SortHalf(folder, column, children, 0, count, displayNames).Order;
  // Each thread writes its own half of the names.
  auto secondHalf = std::async(std::launch::async, SortHalf, std::ref(folder), column, std::cref(children),
                               count / 2, count, displayNames);
  const SortedHalf first = SortHalf(folder, column, children, 0, count / 2, displayNames);
  return Merge(first, secondHalf.get());
}

}  // namespace zarn
