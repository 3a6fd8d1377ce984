#include "platform/win32/process/bound_imports.h"

#include "platform/win32/process/system_library.h"

// The import slots through which the compiler calls each function declared
// in <windows.h>, under the names the system's import libraries would give
// them, so that the linker takes these instead.
#ifdef _WIN64
#define MWN_IMPORT_SLOT_NAME(function, bytes) "__imp_" #function
#else
#define MWN_IMPORT_SLOT_NAME(function, bytes) "__imp__" #function "@" #bytes
#endif

#define MWN_BOUND_IMPORT(dll, function, bytes) \
  extern "C" void* mwn_slot_##function asm(MWN_IMPORT_SLOT_NAME(function, bytes)); \
  void* mwn_slot_##function = nullptr;
#include "platform/win32/process/bound_imports.inc"
#undef MWN_BOUND_IMPORT

namespace mwn {

bool BindUserInterfaceImports() {
  // Kept for the life of the process, as imported DLLs are.
  static SystemLibrary user32(L"user32.dll");
  static SystemLibrary gdi32(L"gdi32.dll");
  static SystemLibrary shell32(L"shell32.dll");
  bool bound = true;
#define MWN_BOUND_IMPORT(dll, function, bytes)            \
  mwn_slot_##function = dll.Function<void*>(#function); \
  bound = bound && mwn_slot_##function != nullptr;
#include "platform/win32/process/bound_imports.inc"
#undef MWN_BOUND_IMPORT
  return bound;
}

}  // namespace mwn
