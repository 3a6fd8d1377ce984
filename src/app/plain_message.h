// The program's own modal message: the text in the system's message font and
// one OK button, captioned with the application title.
#pragma once

#include <string>

#include "platform/win32/windows_api.h"

namespace mwn {

// Returns when the message is dismissed by OK, Enter, Escape or the close
// box, or as soon as one message has been handled once `ending` is true.
// The other windows of the program take no input meanwhile.
void ShowPlainMessage(HINSTANCE instance, HWND owner, const std::string& title,
                      const std::string& text, const bool& ending);

}  // namespace mwn
