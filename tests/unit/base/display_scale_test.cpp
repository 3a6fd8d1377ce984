#include "update/base/display_scale.h"

#include <gtest/gtest.h>

#include <climits>
#include <ostream>
#include <string>

namespace mwn {

std::ostream& operator<<(std::ostream& out, const Box& box) {
  return out << "{" << box.left << ", " << box.top << ", " << box.width << ", " << box.height
             << "}";
}

namespace {

struct MulDivCase {
  int number, numerator, denominator, expected;
};

class MulDivRoundedTest : public testing::TestWithParam<MulDivCase> {};

TEST_P(MulDivRoundedTest, RoundsAsMulDiv) {
  const MulDivCase& c = GetParam();
  EXPECT_EQ(MulDivRounded(c.number, c.numerator, c.denominator), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    HalvesAwayFromZero, MulDivRoundedTest,
    testing::Values(MulDivCase{3, 144, 96, 5}, MulDivCase{-3, 144, 96, -5},
                    MulDivCase{2, 120, 96, 3}, MulDivCase{-2, 120, 96, -3},
                    MulDivCase{1, 120, 96, 1}, MulDivCase{-1, 120, 96, -1},
                    MulDivCase{3, 144, -96, -5}, MulDivCase{-3, -144, 96, 5},
                    // The product overflows 32 bits; the result does not.
                    MulDivCase{INT_MAX, 96, 96, INT_MAX}, MulDivCase{INT_MAX, 192, 96, -1},
                    MulDivCase{5, 144, 0, -1}));

struct DpiCase {
  int dpi;
  Box memo1, label1;
  int fontHeight;
};

class ScaleToDpiTest : public testing::TestWithParam<DpiCase> {};

// Form1's Memo1 and Label1 at 96 dpi: the places of the layout that round
// at each resolution.
TEST_P(ScaleToDpiTest, ScalesEachNumberOnItsOwn) {
  const DpiCase& c = GetParam();
  EXPECT_EQ(ScaleToDpi(Box{38, 190, 554, 89}, c.dpi), c.memo1);
  EXPECT_EQ(ScaleToDpi(Box{42, 153, 3, 13}, c.dpi), c.label1);
  EXPECT_EQ(FontHeightAtDpi(8, c.dpi), c.fontHeight);
}

INSTANTIATE_TEST_SUITE_P(
    Resolutions, ScaleToDpiTest,
    testing::Values(DpiCase{96, {38, 190, 554, 89}, {42, 153, 3, 13}, -11},
                    DpiCase{120, {48, 238, 693, 111}, {53, 191, 4, 16}, -13},
                    DpiCase{144, {57, 285, 831, 134}, {63, 230, 5, 20}, -16},
                    DpiCase{192, {76, 380, 1108, 178}, {84, 306, 6, 26}, -21}),
    [](const testing::TestParamInfo<DpiCase>& info) { return std::to_string(info.param.dpi); });

TEST(CentredIn, CentresAndTruncatesAnOddRemainder) {
  EXPECT_EQ(CentredIn(Box{0, 0, 1024, 768}, 640, 480), (Box{192, 144, 640, 480}));
  EXPECT_EQ(CentredIn(Box{0, 0, 1920, 1080}, 960, 720), (Box{480, 180, 960, 720}));
  EXPECT_EQ(CentredIn(Box{0, 0, 1365, 767}, 640, 480), (Box{362, 143, 640, 480}));
  // A second monitor left of the first.
  EXPECT_EQ(CentredIn(Box{-1280, 0, 1280, 1024}, 960, 720), (Box{-1120, 152, 960, 720}));
}

TEST(CentredIn, KeepsTheCornerOfAWindowLargerThanTheArea) {
  EXPECT_EQ(CentredIn(Box{0, 0, 1366, 768}, 1280, 960), (Box{43, 0, 1280, 960}));
  EXPECT_EQ(CentredIn(Box{-1280, 40, 1024, 600}, 1280, 960), (Box{-1280, 40, 1280, 960}));
}

}  // namespace
}  // namespace mwn
