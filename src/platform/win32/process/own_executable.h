// The program's own file, held from the first statement of WinMain until the
// process ends: opened for reading and shared for reading only, so that no
// other program can overwrite, rename or delete it meanwhile. The file that
// an administrator's consent is asked for is then the file that was started.
#pragma once

#include <string>

#include "platform/win32/windows_api.h"

namespace mwn {

// The full path of the running executable as the system has it, or the
// empty string.
std::wstring ModulePath();

// Call first thing in WinMain. Where the file cannot be held (another
// program has it open for writing), the run goes on, but RunElevated refuses.
void HoldOwnExecutable();

// The full path of the held file, as the system has it; empty, with the
// system's error code in `error`, when it is not held.
const std::wstring& HeldOwnExecutable(DWORD& error);

}  // namespace mwn
