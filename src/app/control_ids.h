// How the main window and its controls are found from outside: its window
// class and the controls' identifiers. Shared by the program and the tools
// that drive or measure it from another process (the end-to-end robot and the
// benchmark's probe), so that a change here reaches them all. Plain values:
// no Windows header needed.
#pragma once

namespace mwn::control {

inline constexpr char kForm1Class[] = "TForm1";

inline constexpr int kLabel1 = 101;
inline constexpr int kLabel2 = 102;
inline constexpr int kLabel3 = 103;
inline constexpr int kLabel4 = 104;
inline constexpr int kMemo1 = 201;
inline constexpr int kMemo2 = 202;
inline constexpr int kMemo3 = 203;

}  // namespace mwn::control
