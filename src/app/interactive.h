// The interactive mode: the window, its questions and notices, and the
// message loop, with the log and the one run at a time on the machine.
#pragma once

#include "platform/win32/windows_api.h"
#include "update/run/command_line.h"

namespace mwn {

class Win32Platform;

// Gives the exit code.
int RunInteractive(HINSTANCE instance, Win32Platform& platform, const CommandLine& command);

}  // namespace mwn
