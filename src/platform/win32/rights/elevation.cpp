// The program's own executable run again with an administrator's rights,
// for the copies only those rights can replace.
#include "platform/win32/process/own_executable.h"
#include "platform/win32/process/system_library.h"
#include "platform/win32/unique_handle.h"
#include "platform/win32/wide_path.h"
#include "platform/win32/win32_platform.h"
#include "platform/win32/windows_api.h"

// Not part of the lean <windows.h>, and needs it first.
#include <shellapi.h>

namespace mwn {
namespace {

// Before Vista an administrator's processes all have the full rights: being
// in the Administrators group (SYSTEM is) is having them.
bool InAdministratorsGroup() {
  BYTE administrators[SECURITY_MAX_SID_SIZE];
  DWORD size = sizeof administrators;
  BOOL member = FALSE;
  return CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, administrators, &size) &&
         CheckTokenMembership(nullptr, administrators, &member) && member;
}

}  // namespace

bool Win32Platform::RunningElevated() { return ProcessElevated(); }

bool ProcessElevated() {
  HANDLE token = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return false;
  const UniqueKernelHandle owned(token);
  TOKEN_ELEVATION elevation{};
  DWORD size = 0;
  if (!GetTokenInformation(token, TokenElevation, &elevation, sizeof elevation, &size)) {
    return InAdministratorsGroup();
  }
  return elevation.TokenIsElevated != 0;
}

bool Win32Platform::DllSearchNarrowed() { return SystemSearchRestricted(); }

std::uint32_t Win32Platform::RunElevated(const std::string& arguments, const Progress& whileWaiting,
                                         std::uint32_t& exitCode) {
  // Held since the program started, and started by the path the hold has
  // now: the consent is given to, and the rights go to, this very file,
  // wherever a link on the path it was started by leads by now. The
  // instance checks that it is this file.
  DWORD notHeld = 0;
  const std::wstring program = HeldOwnExecutable(notHeld);
  FileIdentity identity;
  if (program.empty()) return notHeld;
  if (!HeldOwnIdentity(identity)) return ERROR_INVALID_HANDLE;
  std::wstring parameters;
  if (!WideText(arguments + " " + ImageIdentityArgument(identity), parameters)) {
    return ERROR_INVALID_PARAMETER;
  }
  // Without it the elevated instance could load a DLL from the folder the
  // program was started in.
  if (!SystemSearchRestricted()) return ERROR_NOT_SUPPORTED;
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

  // What ends this wait: the instance, whose own waits on what others
  // control are bounded.
  if (!WaitAnswering(process.get(), whileWaiting)) return GetLastError();
  DWORD code = 0;
  if (!GetExitCodeProcess(process.get(), &code)) return GetLastError();
  exitCode = code;
  return kErrorSuccess;
}

}  // namespace mwn
