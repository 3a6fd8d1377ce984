// The two questions, the application title and the caption animation frames.
#pragma once

#include <string>

namespace mwn {

class Platform;

// True only when the user pressed OK; Cancel, Escape and the close box cancel.
bool Confirm(Platform& platform);
// True only when the user pressed Yes.
bool AskClose(Platform& platform);

// The executable's name without its folder, cut at its first ".", every
// character after the first in lower case: C:\X\UPDATER.EXE gives "Updater".
std::string ApplicationTitle(const std::string& executablePath);

// The caption for animation counter `counter`: "Mwn Update" and
// (counter mod 7) + 1 " ." pairs.
std::string CaptionFrame(int counter);

}  // namespace mwn
