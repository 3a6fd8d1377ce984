// user32.dll, gdi32.dll and shell32.dll are not imported either: the
// program binds the functions it calls in them itself, first thing in
// WinMain, loading each from the system folder by full path. On Windows
// they are KnownDLLs and this changes nothing; but Wine's own user32 imports
// version.dll, and its loader looks for that beside the program first when
// user32 comes in as one of the program's imports, before WinMain can
// narrow the search.
#pragma once

namespace mwn {

// Loads the three DLLs and fills in the import slots of every function
// bound_imports.inc lists. Call it once, after
// RestrictDllSearchToSystemFolder and before any of those functions. False
// when a DLL or a function cannot be had; the program cannot run then.
bool BindUserInterfaceImports();

}  // namespace mwn
