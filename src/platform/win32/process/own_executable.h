// The program's own file, held from the first statement of WinMain until the
// process ends: opened for reading and shared for reading only, so that no
// other program can overwrite, rename or delete it meanwhile. The file that
// an administrator's consent is asked for is then the file that was started.
#pragma once

#include <string>

#include "platform/files.h"
#include "platform/win32/windows_api.h"

namespace mwn {

// The full path of the running executable as the system has it, or the
// empty string.
std::wstring ModulePath();

// Call first thing in WinMain. Where the file cannot be held (another
// program has it open for writing), the run goes on, but RunElevated refuses.
void HoldOwnExecutable();

// The path of the held file itself, every link on the way resolved, in the
// form the shell starts a program by (C:\..., \\server\share\...); empty,
// with the system's error code in `error`, when it is not held or the system
// cannot say (before Vista).
std::wstring HeldOwnExecutable(DWORD& error);

// The identity of the held file; false when it is not held.
bool HeldOwnIdentity(FileIdentity& identity);

// The identity of the file or folder open as `handle`; false when it cannot
// be read.
bool IdentityOf(HANDLE handle, FileIdentity& identity);

}  // namespace mwn
