#include "platform/pe_version.h"
#include "platform/win32/process/own_executable.h"
#include "platform/win32/process/system_library.h"
#include "platform/win32/wide_path.h"
#include "platform/win32/win32_platform.h"

namespace mwn {
namespace {

// The spelling of `wide` in the ANSI code page; false when a character has
// none there (only a look-alike or the default character).
bool AnsiSpelling(const std::wstring& wide, std::string& ansi) {
  if (wide.empty()) return false;
  const int length = static_cast<int>(wide.size());
  BOOL lossy = FALSE;
  const int size = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), length, nullptr,
                                       0, nullptr, &lossy);
  if (size <= 0 || lossy) return false;
  ansi.assign(static_cast<std::size_t>(size), '\0');
  return WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), length, &ansi[0], size,
                             nullptr, &lossy) == size &&
         !lossy;
}

std::wstring FromAnsi(const std::string& ansi) {
  const int length = static_cast<int>(ansi.size());
  const int size = MultiByteToWideChar(CP_ACP, 0, ansi.data(), length, nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(size > 0 ? size : 0), L'\0');
  if (size > 0) MultiByteToWideChar(CP_ACP, 0, ansi.data(), length, &wide[0], size);
  return wide;
}

}  // namespace

// Without version.dll there is no version information: the answers of a
// file that has none.
std::uint32_t Win32Platform::VersionInfoSize(const std::string& path) {
  const auto sizeOf =
      VersionLibrary().Function<decltype(&GetFileVersionInfoSizeW)>("GetFileVersionInfoSizeW");
  std::wstring wide;
  if (sizeOf == nullptr || !WidePath(path, wide)) return 0;
  DWORD ignored = 0;
  return sizeOf(wide.c_str(), &ignored);
}

bool Win32Platform::VersionInfo(const std::string& path, std::vector<std::uint8_t>& data) {
  const auto read = VersionLibrary().Function<decltype(&GetFileVersionInfoW)>("GetFileVersionInfoW");
  std::wstring wide;
  if (read == nullptr || data.empty() || !WidePath(path, wide)) return false;
  return read(wide.c_str(), 0, static_cast<DWORD>(data.size()), data.data());
}

bool Win32Platform::ImageFileVersion(const std::uint8_t* data, std::size_t size,
                                     std::uint32_t& versionMS, std::uint32_t& versionLS) {
  return PeFileVersion(data, size, versionMS, versionLS);
}

bool Win32Platform::RootFileVersion(const std::vector<std::uint8_t>& data,
                                    std::uint32_t& versionMS, std::uint32_t& versionLS) {
  const auto query = VersionLibrary().Function<decltype(&VerQueryValueW)>("VerQueryValueW");
  if (query == nullptr || data.empty()) return false;
  void* block = nullptr;
  UINT length = 0;
  if (!query(data.data(), L"\\", &block, &length) || block == nullptr ||
      length < sizeof(VS_FIXEDFILEINFO)) {
    return false;
  }
  const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(block);
  versionMS = fixed->dwFileVersionMS;
  versionLS = fixed->dwFileVersionLS;
  return true;
}

bool Win32Platform::OwnResource(const std::string& type, const std::string& name,
                                const std::uint8_t*& data, std::size_t& size) {
  data = nullptr;
  size = 0;
  std::wstring wideType;
  std::wstring wideName;
  if (!WideText(type, wideType) || !WideText(name, wideName)) return false;
  HRSRC found = FindResourceW(nullptr, wideName.c_str(), wideType.c_str());
  if (found == nullptr) return false;
  HGLOBAL loaded = LoadResource(nullptr, found);
  if (loaded == nullptr) return false;
  const void* bytes = LockResource(loaded);
  if (bytes == nullptr) return false;
  data = static_cast<const std::uint8_t*>(bytes);
  size = SizeofResource(nullptr, found);
  return true;
}

// Whole pages only: the rest of a page may hold other resources. Windows
// takes unlocked pages out of the working set on VirtualUnlock, keeping
// their contents; where that does nothing (Wine), the reset lets them go.
void Win32Platform::ForgetOwnResourceBytes(const std::uint8_t* data, std::size_t size) {
  SYSTEM_INFO system;
  GetSystemInfo(&system);
  const std::uintptr_t page = system.dwPageSize;
  const std::uintptr_t start = reinterpret_cast<std::uintptr_t>(data);
  const std::uintptr_t first = (start + page - 1) / page * page;
  const std::uintptr_t end = (start + size) / page * page;
  if (end <= first) return;
  void* pages = reinterpret_cast<void*>(first);
  VirtualUnlock(pages, end - first);
  VirtualAlloc(pages, end - first, MEM_RESET, PAGE_NOACCESS);
}

std::string Win32Platform::ExecutablePath() { return NarrowText(ModulePath()); }

std::string Win32Platform::TitleName() {
  const std::wstring path = ModulePath();
  const std::wstring name = path.substr(path.find_last_of(L"\\:") + 1);
  std::string ansi;
  if (!AnsiSpelling(name, ansi)) return NarrowText(name);
  OemToCharA(ansi.c_str(), &ansi[0]);
  return NarrowText(FromAnsi(ansi));
}

bool Win32Platform::EqualIgnoringCase(const std::string& a, const std::string& b) {
  std::wstring wideA;
  std::wstring wideB;
  if (!WideText(a, wideA) || !WideText(b, wideB)) return a == b;
  return CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, wideA.data(),
                        static_cast<int>(wideA.size()), wideB.data(),
                        static_cast<int>(wideB.size())) == CSTR_EQUAL;
}

}  // namespace mwn
