// What becomes of a running copy's old image once it is set aside in its
// folder: hidden, and deleted by the system at the next restart where that
// is safe.
#include "platform/win32/files/nt_file.h"
#include "platform/win32/rights/administrators.h"
#include "platform/win32/process/system_library.h"
#include "platform/win32/wide_path.h"
#include "platform/win32/win32_platform.h"

namespace mwn {

namespace {

constexpr wchar_t kLongPrefix[] = L"\\\\?\\";

// FILE_BASIC_INFORMATION: times left at 0 stay as they are.
struct BasicInformation {
  LARGE_INTEGER creation;
  LARGE_INTEGER lastAccess;
  LARGE_INTEGER lastWrite;
  LARGE_INTEGER change;
  ULONG attributes;
};
constexpr auto kFileBasicInformation = static_cast<FILE_INFORMATION_CLASS>(4);

// The held folder's own path as the system resolves it now, "\\?\C:\...".
std::wstring FinalPathOf(HANDLE folder) {
  using FinalPathCall = DWORD(WINAPI*)(HANDLE, LPWSTR, DWORD, DWORD);
  static const auto finalPath = reinterpret_cast<FinalPathCall>(
      reinterpret_cast<void*>(Kernel32Function("GetFinalPathNameByHandleW")));
  if (!finalPath) return L"";
  std::wstring path(kMaxPath, L'\0');
  const DWORD length = finalPath(folder, &path[0], static_cast<DWORD>(path.size()), 0);
  if (length == 0 || length >= path.size()) return L"";
  path.resize(length);
  return path;
}

// True when no standard user may rename or replace any folder above the one
// at `path` ("\\?\C:\a\b"): each lets them add entries of their own at most.
// The drive's root ("C:\") first, then each folder below it but the last.
bool AncestorsFixed(const std::wstring& path) {
  const std::wstring plain = path.substr(std::wstring(kLongPrefix).size());
  for (std::size_t cut = 2; cut != std::wstring::npos; cut = plain.find(L'\\', cut + 1)) {
    DWORD error = kErrorSuccess;
    const UniqueKernelHandle ancestor =
        HoldPath(NarrowText(plain.substr(0, cut == 2 ? 3 : cut)), error);
    if (!ancestor || TrustOfFolder(ancestor.get()) == FolderTrust::kChangeable) return false;
  }
  return true;
}

}  // namespace

DWORD HideOpenFile(HANDLE file) {
  BasicInformation information{};
  IO_STATUS_BLOCK status{};
  NTSTATUS result = NtQueryInformationFile(file, &status, &information, sizeof information,
                                           kFileBasicInformation);
  if (result >= 0) {
    information = BasicInformation{{}, {}, {}, {}, information.attributes | FILE_ATTRIBUTE_HIDDEN};
    result = NtSetInformationFile(file, &status, &information, sizeof information,
                                  kFileBasicInformation);
  }
  return result >= 0 ? kErrorSuccess : RtlNtStatusToDosError(result);
}

// The system deletes it by path before any program runs: only a path that
// no standard user can point elsewhere meanwhile is handed over, on a local
// drive.
DWORD DeleteEntryAtRestart(HANDLE folder, const std::wstring& name) {
  const std::wstring path = FinalPathOf(folder);
  if (path.size() < 7 || path.compare(0, 4, kLongPrefix) != 0 || path[5] != L':') {
    return ERROR_NOT_SUPPORTED;
  }
  if (TrustOfFolder(folder) != FolderTrust::kAdministratorsOnly || !AncestorsFixed(path)) {
    return ERROR_ACCESS_DENIED;
  }
  const std::wstring entry = path + (path.back() == L'\\' ? L"" : L"\\") + name;
  return MoveFileExW(entry.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT) ? kErrorSuccess
                                                                          : GetLastError();
}

// The list is set as read, protected or auto-inherited as it was, so the
// system neither drops the entries it had inherited nor looks up the folder
// by name to inherit anew.
DWORD CopyAccessList(HANDLE source, HANDLE target) {
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  DWORD error = GetSecurityInfo(source, SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr,
                                nullptr, nullptr, nullptr, &descriptor);
  if (error != ERROR_SUCCESS) return error;
  if (!SetKernelObjectSecurity(target, DACL_SECURITY_INFORMATION, descriptor)) {
    error = GetLastError();
  }
  LocalFree(descriptor);
  return error;
}

std::uint32_t Win32Platform::HideFileAt(const std::string& path) {
  std::wstring wide;
  if (HasWildcard(path) || !WidePath(path, wide)) return ERROR_INVALID_NAME;
  const DWORD attributes = GetFileAttributesW(wide.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return GetLastError();
  return SetFileAttributesW(wide.c_str(), attributes | FILE_ATTRIBUTE_HIDDEN) ? kErrorSuccess
                                                                              : GetLastError();
}

}  // namespace mwn
