// The program's own executable run again with an administrator's rights,
// for the copies only those rights can replace.
#include "platform/win32/system_library.h"
#include "platform/win32/unique_handle.h"
#include "platform/win32/wide_path.h"
#include "platform/win32/win32_platform.h"
#include "platform/win32/windows_api.h"

// Not part of the lean <windows.h>, and needs it first.
#include <shellapi.h>

namespace mwn {
namespace {

// The path as the system has it, not as the 8-bit API would spell it.
std::wstring OwnExecutable() {
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

}  // namespace

bool Win32Platform::RunningElevated() {
  HANDLE token = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return false;
  const UniqueKernelHandle owned(token);
  // Before Vista there is no such information, and no elevation to gain.
  TOKEN_ELEVATION elevation{};
  DWORD size = 0;
  if (!GetTokenInformation(token, TokenElevation, &elevation, sizeof elevation, &size)) {
    return false;
  }
  return elevation.TokenIsElevated != 0;
}

std::uint32_t Win32Platform::RunElevated(const std::string& arguments, const Progress& whileWaiting,
                                         std::uint32_t& exitCode) {
  std::wstring parameters;
  if (!WideText(arguments, parameters)) return ERROR_INVALID_PARAMETER;
  const std::wstring program = OwnExecutable();
  if (program.empty()) return GetLastError();
  // Held, shared for reading only, until the instance has ended: no other
  // program can overwrite or rename the file in between, so the consent is
  // given to, and the rights go to, this very program. Where it cannot be
  // held (another program has it open for writing), the start is refused.
  const UniqueFileHandle held(CreateFileW(program.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                          OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!held) return GetLastError();
  const std::wstring systemFolder = SystemFolder();

  SHELLEXECUTEINFOW execute{};
  execute.cbSize = sizeof execute;
  // No SEE_MASK_FLAG_NO_UI: the consent prompt is the point.
  execute.fMask = SEE_MASK_NOCLOSEPROCESS;
  execute.hwnd = owner_;
  execute.lpVerb = L"runas";
  execute.lpFile = program.c_str();
  execute.lpParameters = parameters.c_str();
  // Not the folder it was started from: nothing there is trusted.
  execute.lpDirectory = systemFolder.empty() ? nullptr : systemFolder.c_str();
  execute.nShow = SW_HIDE;
  if (!ShellExecuteExW(&execute)) return GetLastError();
  if (execute.hProcess == nullptr) return ERROR_INVALID_HANDLE;
  const UniqueKernelHandle process(execute.hProcess);

  if (!WaitAnswering(process.get(), whileWaiting)) return GetLastError();
  DWORD code = 0;
  if (!GetExitCodeProcess(process.get(), &code)) return GetLastError();
  exitCode = code;
  return kErrorSuccess;
}

}  // namespace mwn
