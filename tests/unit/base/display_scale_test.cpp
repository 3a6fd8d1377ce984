#include "update/base/display_scale.h"

#include <gtest/gtest.h>

#include <climits>
#include <ostream>

namespace mwn {

void PrintTo(const Box& box, std::ostream* out) {
  *out << "{" << box.left << ", " << box.top << ", " << box.width << ", " << box.height << "}";
}

namespace {

TEST(MulDivRounded, RoundsHalvesAwayFromZeroAsMulDiv) {
  const struct { int number, numerator, denominator, expected; } cases[] = {
      {3, 144, 96, 5}, {-3, 144, 96, -5}, {2, 120, 96, 3},   {-2, 120, 96, -3},
      {1, 120, 96, 1}, {-1, 120, 96, -1}, {3, 144, -96, -5}, {-3, -144, 96, 5},
      {INT_MAX, 96, 96, INT_MAX}, {INT_MAX, 192, 96, -1}, {5, 144, 0, -1}};
  for (const auto& c : cases) {
    EXPECT_EQ(MulDivRounded(c.number, c.numerator, c.denominator), c.expected)
        << c.number << " * " << c.numerator << " / " << c.denominator;
  }
}

// Form1's Memo1 and Label1 at 96 dpi, whose numbers end in halves at 120
// and 144, and its 8-point font.
TEST(ScaleToDpi, ScalesEachNumberOnItsOwn) {
  const struct { int dpi; Box memo1, label1; int fontHeight; } cases[] = {
      {96, {38, 190, 554, 89}, {42, 153, 3, 13}, -11},
      {120, {48, 238, 693, 111}, {53, 191, 4, 16}, -13},
      {144, {57, 285, 831, 134}, {63, 230, 5, 20}, -16},
      {192, {76, 380, 1108, 178}, {84, 306, 6, 26}, -21}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.dpi);
    EXPECT_EQ(ScaleToDpi(Box{38, 190, 554, 89}, c.dpi), c.memo1);
    EXPECT_EQ(ScaleToDpi(Box{42, 153, 3, 13}, c.dpi), c.label1);
    EXPECT_EQ(FontHeightAtDpi(8, c.dpi), c.fontHeight);
  }
}

TEST(CentredIn, CentresTruncatingAnOddRemainderAndKeepsTheCornerInside) {
  const struct { Box area; int width, height; Box expected; } cases[] = {
      {{0, 0, 1024, 768}, 640, 480, {192, 144, 640, 480}},
      {{0, 0, 1365, 767}, 640, 480, {362, 143, 640, 480}},
      {{-1280, 0, 1280, 1024}, 960, 720, {-1120, 152, 960, 720}},
      {{0, 0, 1366, 768}, 1280, 960, {43, 0, 1280, 960}},
      {{-1280, 40, 1024, 600}, 1280, 960, {-1280, 40, 1280, 960}}};
  for (const auto& c : cases) EXPECT_EQ(CentredIn(c.area, c.width, c.height), c.expected);
}

}  // namespace
}  // namespace mwn
