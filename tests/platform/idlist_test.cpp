#include "platform/idlist.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace zarn {
namespace {

// Builds a list from item payloads, each item being count(2) + payload.
IdListPtr MakeList(const std::vector<std::vector<std::uint8_t>>& payloads) {
  std::vector<std::uint8_t> bytes;
  for (const auto& payload : payloads) {
    const std::size_t count = payload.size() + 2;
    bytes.push_back(std::uint8_t(count & 0xFF));
    bytes.push_back(std::uint8_t(count >> 8));
    bytes.insert(bytes.end(), payload.begin(), payload.end());
  }
  bytes.push_back(0);
  bytes.push_back(0);
  ItemIdList list = AllocIdList(bytes.size());
  std::memcpy(list, bytes.data(), bytes.size());
  return IdListPtr(list);
}

std::vector<std::uint8_t> Bytes(ConstItemIdList list) {
  return std::vector<std::uint8_t>(list, list + IdListSize(list));
}

TEST(IdListTest, SizesCountItemsAndTerminator) {
  EXPECT_EQ(IdListSize(nullptr), 0u);
  EXPECT_EQ(IdListSize(MakeList({}).get()), 2u);
  EXPECT_EQ(IdListSize(MakeList({{1, 2, 3}}).get()), 7u);
  EXPECT_EQ(IdListSize(MakeList({{1}, {2, 3}}).get()), 9u);
}

TEST(IdListTest, NextIdStepsByByteCount) {
  auto list = MakeList({{7, 7, 7}, {9}});
  ItemIdList second = NextId(list.get());
  EXPECT_EQ(second - list.get(), 5);
  EXPECT_EQ(second[2], 9);
  EXPECT_EQ(ItemByteCount(NextId(second)), 0);
}

TEST(IdListTest, StripLastIdCutsOneItemAndLeavesEmptyAndAbsentLists) {
  auto list = MakeList({{1}, {2}, {3}});
  StripLastId(list.get());
  EXPECT_EQ(IdListItemCount(list.get()), 2);
  EXPECT_EQ(IdListSize(list.get()), 8u);
  auto one = MakeList({{5, 5}});
  StripLastId(one.get());
  EXPECT_EQ(IdListSize(one.get()), 2u);
  StripLastId(one.get());
  EXPECT_EQ(IdListSize(one.get()), 2u);
  StripLastId(nullptr);
}

TEST(IdListTest, AllocIdListIsZeroFilled) {
  IdListPtr block(AllocIdList(16));
  ASSERT_NE(block, nullptr);
  for (int i = 0; i < 16; ++i) EXPECT_EQ(block.get()[i], 0);
}

TEST(IdListTest, CopyAndConcatAreByteExact) {
  auto parent = MakeList({{1, 1}, {2}});
  auto child = MakeList({{3, 3, 3}});
  IdListPtr copy(CopyIdList(parent.get()));
  EXPECT_EQ(Bytes(copy.get()), Bytes(parent.get()));
  IdListPtr joined(ConcatIdLists(parent.get(), child.get()));
  EXPECT_EQ(Bytes(joined.get()), Bytes(MakeList({{1, 1}, {2}, {3, 3, 3}}).get()));
  EXPECT_EQ(IdListSize(joined.get()), IdListSize(parent.get()) - 2 + IdListSize(child.get()));
  IdListPtr fromAbsent(ConcatIdLists(nullptr, child.get()));
  EXPECT_EQ(Bytes(fromAbsent.get()), Bytes(child.get()));
  IdListPtr ontoEmpty(ConcatIdLists(MakeList({}).get(), child.get()));
  EXPECT_EQ(Bytes(ontoEmpty.get()), Bytes(child.get()));
}

TEST(IdListTest, MakeChildIdRefusesPayloadsBeyondSixteenBits) {
  std::vector<std::uint8_t> payload(0xFFFD, 'x');
  EXPECT_NE(IdListPtr(MakeChildId(payload.data(), payload.size())), nullptr);
  payload.push_back('x');
  payload.push_back('x');
  EXPECT_EQ(IdListPtr(MakeChildId(payload.data(), payload.size())), nullptr);
}

}  // namespace
}  // namespace zarn
