#include "platform/win32/process/own_executable.h"

#include "platform/win32/process/system_library.h"
#include "platform/win32/unique_handle.h"

namespace mwn {
namespace {

struct OwnExecutable {
  UniqueFileHandle held;
  DWORD error = ERROR_INVALID_HANDLE;
};

OwnExecutable& Own() {
  static OwnExecutable own;
  return own;
}

// "\\?\C:\x" as "C:\x" and "\\?\UNC\server\share\x" as "\\server\share\x":
// the shell starts nothing by the first form.
std::wstring ShellForm(const std::wstring& path) {
  const std::wstring local = L"\\\\?\\";
  const std::wstring unc = L"\\\\?\\UNC\\";
  if (path.compare(0, unc.size(), unc) == 0) return L"\\\\" + path.substr(unc.size());
  if (path.compare(0, local.size(), local) == 0) return path.substr(local.size());
  return path;
}

}  // namespace

std::wstring ModulePath() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetModuleFileNameW(nullptr, &path[0], static_cast<DWORD>(path.size()));
    if (length == 0) return L"";
    if (length < path.size()) {
      path.resize(length);
      return path;
    }
    path.resize(path.size() * 2);
  }
}

void HoldOwnExecutable() {
  OwnExecutable& own = Own();
  const std::wstring path = ModulePath();
  if (path.empty()) {
    own.error = GetLastError();
    return;
  }
  own.held.take(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!own.held) own.error = GetLastError();
}

// Asked of the hold, not of the path the program was started by: a junction
// on that path may lead elsewhere by now.
std::wstring HeldOwnExecutable(DWORD& error) {
  error = Own().error;
  if (!Own().held) return L"";
  using FinalPath = DWORD(WINAPI*)(HANDLE, LPWSTR, DWORD, DWORD);
  const auto finalPath = reinterpret_cast<FinalPath>(
      reinterpret_cast<void*>(Kernel32Function("GetFinalPathNameByHandleW")));
  if (finalPath == nullptr) {
    error = ERROR_NOT_SUPPORTED;
    return L"";
  }
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = finalPath(Own().held.get(), &path[0], static_cast<DWORD>(path.size()),
                                   FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    if (length == 0) {
      error = GetLastError();
      return L"";
    }
    if (length < path.size()) {
      path.resize(length);
      return ShellForm(path);
    }
    path.resize(length);
  }
}

bool HeldOwnIdentity(FileIdentity& identity) {
  return Own().held && IdentityOf(Own().held.get(), identity);
}

bool IdentityOf(HANDLE handle, FileIdentity& identity) {
  BY_HANDLE_FILE_INFORMATION information;
  if (!GetFileInformationByHandle(handle, &information)) return false;
  identity.volumeSerial = information.dwVolumeSerialNumber;
  identity.fileIndex =
      (static_cast<std::uint64_t>(information.nFileIndexHigh) << 32) | information.nFileIndexLow;
  return true;
}

}  // namespace mwn
