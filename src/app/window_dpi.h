// The resolution a window is shown at, and what the system sizes by it. The
// functions that answer per monitor (Windows 10, 1607 on) are looked up at
// run time; before them every window has the system's resolution.
#pragma once

#include "app/gdi.h"
#include "platform/win32/windows_api.h"

namespace mwn {

// WM_DPICHANGED, which the headers at the program's Windows level leave out.
constexpr UINT kDpiChangedMessage = 0x02E0;

// Dots per inch of the monitor `window` is on where the system scales per
// monitor, else of the system.
int WindowDpi(HWND window);

// The system's message font at `dpi`, or null when the system gives none.
UniqueFont MessageFontAtDpi(int dpi);

// The outer size of a window whose client area has the given size.
SIZE FrameSizeAtDpi(SIZE client, DWORD style, DWORD exStyle, int dpi);

}  // namespace mwn
