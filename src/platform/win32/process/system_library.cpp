#include "platform/win32/process/system_library.h"

#include <string>

namespace mwn {
namespace {

// From the 2011 update of Windows 7 on; absent from the XP headers.
constexpr DWORD kSearchSystem32 = 0x00000800;  // LOAD_LIBRARY_SEARCH_SYSTEM32

using SetDefaultDllDirectoriesCall = BOOL(WINAPI*)(DWORD);
using SetDllDirectoryCall = BOOL(WINAPI*)(LPCWSTR);

}  // namespace

FARPROC Kernel32Function(const char* name) {
  // kernel32 is in every process already; no search happens here.
  return GetProcAddress(GetModuleHandleW(L"kernel32.dll"), name);
}

bool SystemSearchRestricted() {
  static const bool restricted = [] {
    const auto setDefault = reinterpret_cast<SetDefaultDllDirectoriesCall>(
        reinterpret_cast<void*>(Kernel32Function("SetDefaultDllDirectories")));
    return setDefault != nullptr && setDefault(kSearchSystem32) != FALSE;
  }();
  return restricted;
}

std::wstring SystemFolder() {
  wchar_t folder[MAX_PATH];
  const UINT length = GetSystemDirectoryW(folder, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return L"";
  return std::wstring(folder, length);
}

bool EnterSystemFolder() {
  const std::wstring folder = SystemFolder();
  return !folder.empty() && SetCurrentDirectoryW(folder.c_str());
}

void RestrictDllSearchToSystemFolder() {
  SystemSearchRestricted();
  // Takes the current directory out of the search as well, where the first
  // step is not to be had.
  const auto setDirectory = reinterpret_cast<SetDllDirectoryCall>(
      reinterpret_cast<void*>(Kernel32Function("SetDllDirectoryW")));
  if (setDirectory != nullptr) setDirectory(L"");
}

SystemLibrary::SystemLibrary(const wchar_t* name) {
  std::wstring path = SystemFolder();
  if (path.empty()) return;
  if (path.back() != L'\\') path += L'\\';
  path += name;
  // By full path; what the DLL imports in turn is looked for in the system
  // folder too, and, where that restriction is not to be had, beside the DLL
  // first.
  module_ = LoadLibraryExW(path.c_str(), nullptr,
                           SystemSearchRestricted() ? kSearchSystem32
                                                    : LOAD_WITH_ALTERED_SEARCH_PATH);
}

SystemLibrary::~SystemLibrary() {
  if (module_ != nullptr) FreeLibrary(module_);
}

SystemLibrary& VersionLibrary() {
  static SystemLibrary library(L"version.dll");
  return library;
}

SystemLibrary& NetworkLibrary() {
  static SystemLibrary library(L"mpr.dll");
  return library;
}

}  // namespace mwn
