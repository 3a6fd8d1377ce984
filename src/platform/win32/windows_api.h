// The one way the Win32 code reaches <windows.h>: lean, without the min/max
// macros, at the Windows XP level (GetFileSizeEx, MOVEFILE_* flags), and with
// the wide API's types and names (IDC_ARROW, IDI_APPLICATION) wherever a name
// stands for both.
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

#ifndef UNICODE
#define UNICODE
#endif
#ifndef _UNICODE
#define _UNICODE
#endif

#include <windows.h>
