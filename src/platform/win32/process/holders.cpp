// Which programs hold a file open, for the log and the report when a copy
// cannot be replaced.
#include "platform/win32/process/system_library.h"
#include "platform/win32/unique_handle.h"
#include "platform/win32/wide_path.h"
#include "platform/win32/win32_platform.h"

// After <windows.h>, which they need.
#include <restartmanager.h>
#include <tlhelp32.h>

namespace mwn {
namespace {

using RmStartSessionCall = DWORD(WINAPI*)(DWORD*, DWORD, WCHAR*);
using RmRegisterResourcesCall = DWORD(WINAPI*)(DWORD, UINT, LPCWSTR*, UINT, RM_UNIQUE_PROCESS*,
                                               UINT, LPCWSTR*);
using RmGetListCall = DWORD(WINAPI*)(DWORD, UINT*, UINT*, RM_PROCESS_INFO*, DWORD*);
using RmEndSessionCall = DWORD(WINAPI*)(DWORD);
using QueryImageNameCall = BOOL(WINAPI*)(HANDLE, DWORD, LPWSTR, DWORD*);

// Loaded at first use, from the system folder; Windows XP has none.
SystemLibrary& RestartManagerLibrary() {
  static SystemLibrary library(L"rstrtmgr.dll");
  return library;
}

// The full path of the process's executable, or the empty string (the
// process ended, or it is protected, or the system predates the call).
std::wstring ImagePathOf(DWORD pid) {
  static const auto query = reinterpret_cast<QueryImageNameCall>(
      reinterpret_cast<void*>(Kernel32Function("QueryFullProcessImageNameW")));
  constexpr DWORD kQueryLimitedInformation = 0x1000;
  const UniqueKernelHandle process(OpenProcess(kQueryLimitedInformation, FALSE, pid));
  if (!query || !process) return L"";
  std::wstring path(kMaxPath, L'\0');
  DWORD size = static_cast<DWORD>(path.size());
  if (!query(process.get(), 0, &path[0], &size)) return L"";
  path.resize(size);
  return path;
}

RunningProgram ProgramOf(DWORD pid, const std::wstring& image, const std::wstring& name) {
  RunningProgram program;
  program.pid = pid;
  program.path = NarrowText(image);
  const std::size_t cut = image.find_last_of(L'\\');
  program.image = NarrowText(image.empty() ? name : image.substr(cut + 1));
  DWORD session = 0;
  if (ProcessIdToSessionId(pid, &session)) program.session = session;
  return program;
}

// The restart manager's answer: every process with the file open, in any
// way. Empty where it has none to give (Windows XP, Wine's stub).
std::vector<RunningProgram> RestartManagerHolders(const std::wstring& path) {
  SystemLibrary& library = RestartManagerLibrary();
  const auto start = library.Function<RmStartSessionCall>("RmStartSession");
  const auto add = library.Function<RmRegisterResourcesCall>("RmRegisterResources");
  const auto list = library.Function<RmGetListCall>("RmGetList");
  const auto end = library.Function<RmEndSessionCall>("RmEndSession");
  std::vector<RunningProgram> programs;
  DWORD session = 0;
  WCHAR key[CCH_RM_SESSION_KEY + 1] = L"";
  if (!start || !add || !list || !end || start(&session, 0, key) != ERROR_SUCCESS) {
    return programs;
  }
  LPCWSTR files[] = {path.c_str()};
  std::vector<RM_PROCESS_INFO> found(8);
  UINT needed = 0;
  UINT count = static_cast<UINT>(found.size());
  DWORD reasons = 0;
  if (add(session, 1, files, 0, nullptr, 0, nullptr) == ERROR_SUCCESS) {
    // The list may grow between the two calls: the second may still be short.
    DWORD answer = list(session, &needed, &count, found.data(), &reasons);
    if (answer == ERROR_MORE_DATA) {
      found.resize(needed + 8);
      count = static_cast<UINT>(found.size());
      answer = list(session, &needed, &count, found.data(), &reasons);
    }
    if (answer != ERROR_SUCCESS) count = 0;
    for (UINT i = 0; i < count; ++i) {
      const DWORD pid = found[i].Process.dwProcessId;
      RunningProgram program = ProgramOf(pid, ImagePathOf(pid), found[i].strAppName);
      program.session = found[i].TSSessionId;
      programs.push_back(program);
    }
  }
  end(session);
  return programs;
}

// Every running program whose image is the file: what a running copy is held
// by, which is all the system tells where the restart manager says nothing.
std::vector<RunningProgram> ProgramsRunning(Win32Platform& platform, const std::string& path) {
  std::vector<RunningProgram> programs;
  const UniqueFileHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (!snapshot) return programs;
  PROCESSENTRY32W entry;
  entry.dwSize = sizeof entry;
  for (BOOL more = Process32FirstW(snapshot.get(), &entry); more;
       more = Process32NextW(snapshot.get(), &entry)) {
    const std::wstring image = ImagePathOf(entry.th32ProcessID);
    if (!image.empty() && platform.EqualIgnoringCase(NarrowText(image), path)) {
      programs.push_back(ProgramOf(entry.th32ProcessID, image, entry.szExeFile));
    }
  }
  return programs;
}

}  // namespace

std::vector<RunningProgram> Win32Platform::ProgramsHolding(const std::string& path) {
  std::wstring wide;
  if (!WideText(path, wide)) return {};
  std::vector<RunningProgram> programs = RestartManagerHolders(wide);
  return programs.empty() ? ProgramsRunning(*this, path) : programs;
}

}  // namespace mwn
