// System DLLs that are not among the system's KnownDLLs (version.dll,
// mpr.dll) are never imported: the loader would look for them in the
// program's folder first, where anything downloaded beside the updater
// could stand in for them and run with the rights the user granted. They
// are loaded here instead, at first use, from the system folder by full path.
#pragma once

#include <string>

#include "platform/win32/windows_api.h"

namespace mwn {

// Narrows where the system looks for every DLL loaded on the program's
// behalf from now on (the shell's, the message boxes', the input methods')
// to the system folder: neither the program's folder nor the current
// directory. Called first thing in WinMain; each step only where the system
// has it (Windows 7 before its 2011 update and XP lack the first).
void RestrictDllSearchToSystemFolder();

// True once RestrictDllSearchToSystemFolder has narrowed the search to the
// system folder alone (Windows 8 on, 7 and Vista with their 2011 loader
// update). Without it a DLL loaded by the system on the program's behalf
// may still come from the program's folder: nothing is done then with an
// administrator's rights.
bool SystemSearchRestricted();

// A function of kernel32.dll that not every Windows the program starts on
// has, or null.
FARPROC Kernel32Function(const char* name);

// The system folder ("C:\Windows\System32"), or the empty string.
std::wstring SystemFolder();

// Makes the system folder the current directory, so that nothing the
// process opens or loads by a relative name comes from wherever it was
// started (a downloads folder, say). False when it cannot.
bool EnterSystemFolder();

// One system DLL, loaded from the system folder when the object is made.
class SystemLibrary {
 public:
  // `name`: the file name alone, as in the system folder ("version.dll").
  explicit SystemLibrary(const wchar_t* name);
  ~SystemLibrary();
  SystemLibrary(const SystemLibrary&) = delete;
  SystemLibrary& operator=(const SystemLibrary&) = delete;

  // The exported function `name` as `Signature`, or null when the DLL or the
  // function cannot be had; callers then answer as the call would fail.
  template <typename Signature>
  Signature Function(const char* name) {
    return module_ != nullptr ? reinterpret_cast<Signature>(
                                    reinterpret_cast<void*>(GetProcAddress(module_, name)))
                              : nullptr;
  }

 private:
  HMODULE module_ = nullptr;
};

// The DLLs the program uses this way, each loaded on the first call and kept
// for the life of the process.
SystemLibrary& VersionLibrary();
SystemLibrary& NetworkLibrary();

}  // namespace mwn
