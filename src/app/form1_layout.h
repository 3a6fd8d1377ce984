// Form1's layout in pixels at 96 dots per inch, scaled as a whole to the
// resolution the window is shown at. Shared with the end-to-end robot, which
// measures the window against it. No Windows header needed.
#pragma once

#include "app/control_ids.h"
#include "update/base/display_scale.h"

namespace mwn::form1 {

// The outer size; the window is centred on the screen.
inline constexpr int kWidth = 640;
inline constexpr int kHeight = 480;
// "MS Sans Serif", 11 pixels high at 96.
inline constexpr int kFontPoints = 8;

inline constexpr int kEmptyLabelWidth = 3;
inline constexpr int kLabelHeight = 13;

struct ControlPlace {
  int id;
  Box box;
};

// In the client area. A label's width is that of its text; the table's is
// an empty label's.
inline constexpr ControlPlace kControls[] = {
    {control::kMemo1, {38, 190, 554, 89}},
    {control::kMemo2, {38, 37, 554, 89}},
    {control::kMemo3, {38, 341, 554, 89}},
    {control::kLabel1, {42, 153, kEmptyLabelWidth, kLabelHeight}},
    {control::kLabel2, {42, 304, kEmptyLabelWidth, kLabelHeight}},
    {control::kLabel3, {42, 0, kEmptyLabelWidth, kLabelHeight}},
    {control::kLabel4, {42, 168, kEmptyLabelWidth, kLabelHeight}},
};

}  // namespace mwn::form1
