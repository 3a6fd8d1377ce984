#include "update/base/display_scale.h"

#include <algorithm>
#include <climits>
#include <cstdint>

namespace mwn {

int MulDivRounded(int number, int numerator, int denominator) {
  if (denominator == 0) return -1;
  std::int64_t product = static_cast<std::int64_t>(number) * numerator;
  std::int64_t divisor = denominator;
  if (divisor < 0) {
    product = -product;
    divisor = -divisor;
  }
  const std::int64_t half = divisor / 2;
  const std::int64_t result = (product < 0 ? product - half : product + half) / divisor;
  return result < INT_MIN || result > INT_MAX ? -1 : static_cast<int>(result);
}

int ScaleToDpi(int layoutPixels, int dpi) { return MulDivRounded(layoutPixels, dpi, kLayoutDpi); }

Box ScaleToDpi(const Box& layoutBox, int dpi) {
  return {ScaleToDpi(layoutBox.left, dpi), ScaleToDpi(layoutBox.top, dpi),
          ScaleToDpi(layoutBox.width, dpi), ScaleToDpi(layoutBox.height, dpi)};
}

int FontHeightAtDpi(int points, int dpi) { return -MulDivRounded(points, dpi, 72); }

Box CentredIn(const Box& area, int width, int height) {
  return {std::max(area.left, area.left + (area.width - width) / 2),
          std::max(area.top, area.top + (area.height - height) / 2), width, height};
}

}  // namespace mwn
