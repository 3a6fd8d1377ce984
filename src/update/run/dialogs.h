// The two questions, the error box, the application title and the caption
// animation frames.
#pragma once

#include <string>

namespace mwn {

class Platform;
class Exception;

// True only when the user pressed OK; Cancel, Escape and the close box cancel.
bool Confirm(Platform& platform);
// True only when the user pressed Yes.
bool AskClose(Platform& platform);

// The application's error handler: the error box (stop icon, OK) captioned
// with the application title; nothing for EAbort.
void ShowErrorMessage(Platform& platform, const std::string& title, const Exception& error);

// The executable's name without its folder, cut at its first ".", every
// character after the first in lower case: C:\X\UPDATER.EXE gives "Updater".
std::string ApplicationTitle(const std::string& executablePath);

// The caption animation runs through this many frames, then starts again.
constexpr int kCaptionFrameCount = 7;

// The caption for animation counter `counter`: "Mwn Update" and
// (counter mod kCaptionFrameCount) + 1 " ." pairs.
std::string CaptionFrame(int counter);

}  // namespace mwn
