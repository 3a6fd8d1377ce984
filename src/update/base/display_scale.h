// The windows' layouts are tables in pixels at 96 dots per inch; these turn
// them into pixels at the resolution a window is shown at. At 96 every
// function is the identity.
#pragma once

namespace mwn {

constexpr int kLayoutDpi = 96;

struct Box {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
};

inline bool operator==(const Box& a, const Box& b) {
  return a.left == b.left && a.top == b.top && a.width == b.width && a.height == b.height;
}

// number * numerator / denominator, rounded to the nearest with halves away
// from zero, as Windows' MulDiv rounds; -1 (as MulDiv) for a zero
// denominator or a result beyond int.
int MulDivRounded(int number, int numerator, int denominator);

// Each of the box's four numbers scaled on its own, so that every place and
// every size is within half a pixel of the exact one.
Box ScaleToDpi(const Box& layoutBox, int dpi);
int ScaleToDpi(int layoutPixels, int dpi);

// The character height (negative, as font creation takes it) of a font of
// `points` points at `dpi`: 8 points are 11 pixels at 96.
int FontHeightAtDpi(int points, int dpi);

// A box of the given size centred in `area`; where it is larger than the
// area, its top left corner stays inside, so the caption can be reached.
Box CentredIn(const Box& area, int width, int height);

}  // namespace mwn
