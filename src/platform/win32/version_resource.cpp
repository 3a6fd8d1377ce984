#include "platform/pe_version.h"
#include "platform/win32/system_library.h"
#include "platform/win32/win32_platform.h"

namespace mwn {

// Without version.dll there is no version information: the answers of a
// file that has none.
std::uint32_t Win32Platform::VersionInfoSize(const std::string& path) {
  const auto sizeOf =
      VersionLibrary().Function<decltype(&GetFileVersionInfoSizeA)>("GetFileVersionInfoSizeA");
  if (sizeOf == nullptr || !UsableAnsiPath(path)) return 0;
  DWORD ignored = 0;
  return sizeOf(path.c_str(), &ignored);
}

bool Win32Platform::VersionInfo(const std::string& path, std::vector<std::uint8_t>& data) {
  const auto read = VersionLibrary().Function<decltype(&GetFileVersionInfoA)>("GetFileVersionInfoA");
  if (read == nullptr || !UsableAnsiPath(path) || data.empty()) return false;
  return read(path.c_str(), 0, static_cast<DWORD>(data.size()), data.data());
}

bool Win32Platform::ImageFileVersion(const std::uint8_t* data, std::size_t size,
                                     std::uint32_t& versionMS, std::uint32_t& versionLS) {
  return PeFileVersion(data, size, versionMS, versionLS);
}

bool Win32Platform::RootFileVersion(const std::vector<std::uint8_t>& data,
                                    std::uint32_t& versionMS, std::uint32_t& versionLS) {
  const auto query = VersionLibrary().Function<decltype(&VerQueryValueA)>("VerQueryValueA");
  if (query == nullptr || data.empty()) return false;
  void* block = nullptr;
  UINT length = 0;
  if (!query(data.data(), "\\", &block, &length) || block == nullptr ||
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
  HRSRC found = FindResourceA(nullptr, name.c_str(), type.c_str());
  if (found == nullptr) return false;
  HGLOBAL loaded = LoadResource(nullptr, found);
  if (loaded == nullptr) return false;
  const void* bytes = LockResource(loaded);
  if (bytes == nullptr) return false;
  data = static_cast<const std::uint8_t*>(bytes);
  size = SizeofResource(nullptr, found);
  return true;
}

std::string Win32Platform::ExecutablePath() {
  std::string path(kMaxPath, '\0');
  for (;;) {
    const DWORD length = GetModuleFileNameA(nullptr, &path[0], static_cast<DWORD>(path.size()));
    if (length == 0) return "";
    if (length < path.size()) {
      path.resize(length);
      break;
    }
    path.resize(path.size() * 2);
  }
  // The application title is made from this path read as OEM text.
  OemToCharA(path.c_str(), &path[0]);
  return path;
}

bool Win32Platform::EqualIgnoringCase(const std::string& a, const std::string& b) {
  return CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a.data(),
                        static_cast<int>(a.size()), b.data(), static_cast<int>(b.size())) ==
         CSTR_EQUAL;
}

}  // namespace mwn
