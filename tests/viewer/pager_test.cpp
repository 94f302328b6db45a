#include "viewer/pager.h"

#include <gtest/gtest.h>

namespace zarn {
namespace {

TEST(LinesPerPage, FollowsTheTextAreaHeight) {
  EXPECT_EQ(LinesPerPageFor(415, 10), 23);
  EXPECT_EQ(LinesPerPageFor(413, 10), 23);
  EXPECT_EQ(LinesPerPageFor(20, 10), 0);
  EXPECT_EQ(LinesPerPageFor(0, 10), 0);
}

TEST(Pager, RangeOfA3680ByteFileWith23Lines) {
  TPager pager;
  pager.SetPageRange(3680, 23);
  EXPECT_EQ(pager.Maximum(), 209);
  EXPECT_TRUE(pager.Enabled());
  EXPECT_EQ(pager.LargeStep(), 22);
  EXPECT_EQ(pager.PageBytes(false), 368);
  EXPECT_EQ(pager.PageBytes(true), 1472);
  pager.SetPosition(209);
  EXPECT_EQ(pager.PageOffset(), 3328u);
  EXPECT_EQ(pager.PageCount(false), 352);  // 22 lines, ending at the end of the file
  pager.SetPosition(0);
  EXPECT_EQ(pager.PageOffset(), 0u);
  pager.SetPosition(1);
  EXPECT_EQ(pager.PageOffset(), 0u);
}

TEST(Pager, FileThatFitsOnePageDisablesTheBar) {
  TPager pager;
  pager.SetPageRange(100, 23);
  EXPECT_EQ(pager.Maximum(), 1);
  EXPECT_FALSE(pager.Enabled());
  pager.SetPosition(1);
  EXPECT_EQ(pager.PageOffset(), 0u);
  EXPECT_EQ(pager.PageCount(true), 100);
}

TEST(Pager, TooSmallWindowReadsNothing) {
  TPager pager;
  pager.SetPageRange(100000, 0);
  EXPECT_EQ(pager.PageCount(false), 0);
  pager.SetPageRange(100000, -3);
  EXPECT_EQ(pager.PageCount(true), 0);
}

TEST(Pager, KeysMoveWithinTheRange) {
  TPager pager;
  pager.SetPageRange(3680, 23);
  EXPECT_FALSE(pager.LineUp());  // at 0
  EXPECT_TRUE(pager.LineDown());
  EXPECT_EQ(pager.Position(), 1);
  EXPECT_TRUE(pager.PageDown());
  EXPECT_EQ(pager.Position(), 24);
  EXPECT_TRUE(pager.PageUp());
  EXPECT_EQ(pager.Position(), 1);
  EXPECT_TRUE(pager.End());
  EXPECT_EQ(pager.Position(), 209);
  EXPECT_FALSE(pager.LineDown());
  EXPECT_FALSE(pager.PageDown());
  pager.SetPosition(200);
  EXPECT_TRUE(pager.PageDown());
  EXPECT_EQ(pager.Position(), 209);
  EXPECT_TRUE(pager.Home());
  EXPECT_EQ(pager.Position(), 1);
}

TEST(Pager, A100GibibyteFilePagesToItsLastByteThroughAScaledBar) {
  const quint64 size = 100ull << 30;
  TPager pager;
  pager.SetPageRange(size, 23);
  EXPECT_GT(pager.Maximum(), qint64(INT32_MAX));
  EXPECT_LE(pager.BarMaximum(), INT32_MAX);
  pager.SetPositionFromBar(pager.BarMaximum());
  EXPECT_EQ(pager.Position(), pager.Maximum());
  EXPECT_EQ(pager.PageOffset() + static_cast<quint64>(pager.PageCount(false)), size);
  pager.SetPositionFromBar(pager.BarMaximum() / 2);
  EXPECT_NEAR(static_cast<double>(pager.PageOffset()), size / 2.0, size / 1e6);
  // A line move is not undone by the bar echoing its scaled value.
  const qint64 before = pager.Position();
  pager.LineDown();
  pager.SetPositionFromBar(pager.BarValue());
  EXPECT_EQ(pager.Position(), before + 1);
}

}  // namespace
}  // namespace zarn
