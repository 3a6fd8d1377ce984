// The one way the Win32 code reaches <windows.h>: lean, without the min/max
// macros, and at the Windows XP level (GetFileSizeEx, MOVEFILE_* flags).
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef _WIN32_WINNT
#define _WIN32_WINNT 0x0501
#endif

#include <windows.h>
