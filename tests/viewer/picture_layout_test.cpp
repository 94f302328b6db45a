#include "viewer/picturelayout.h"

#include <gtest/gtest.h>

namespace zarn {
namespace {

const QRect kArea(0, 0, 617, 464);

TEST(PictureLayout, WidePictureFillsTheWidthCentredVertically) {
  EXPECT_EQ(PictureRect({100, 50}, kArea), QRect(0, 78, 617, 308));
}

TEST(PictureLayout, TallPictureFillsTheHeightCentredHorizontally) {
  EXPECT_EQ(PictureRect({2000, 4000}, kArea), QRect(192, 0, 232, 464));
}

TEST(PictureLayout, SmallIconIsEnlargedToTheHeight) {
  EXPECT_EQ(PictureRect({32, 32}, kArea), QRect(76, 0, 464, 464));
}

TEST(PictureLayout, FollowsTheAreaAndItsOffset) {
  EXPECT_EQ(PictureRect({100, 50}, QRect(8, 8, 300, 300)), QRect(8, 83, 300, 150));
  EXPECT_EQ(PictureRect({}, kArea), QRect());
  EXPECT_EQ(PictureRect({100, 50}, QRect(0, 0, 0, 0)), QRect());
}

TEST(PictureLayout, AnchoredControlKeepsItsMargins) {
  const QRect designed(8, 8, 617, 464);
  EXPECT_EQ(AnchoredRect(designed, {633, 480}, {633, 480}), designed);
  EXPECT_EQ(AnchoredRect(designed, {633, 480}, {1033, 780}), QRect(8, 8, 1017, 764));
  EXPECT_EQ(AnchoredRect(designed, {633, 480}, {10, 10}), QRect(8, 8, 0, 0));
}

}  // namespace
}  // namespace zarn
