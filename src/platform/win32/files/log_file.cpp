// The run's log and report, and what they say about the process.
#include "platform/win32/files/nt_file.h"
#include "platform/win32/rights/administrators.h"
#include "platform/win32/unique_handle.h"
#include "platform/win32/wide_path.h"
#include "platform/win32/win32_platform.h"

namespace mwn {
namespace {

class Win32LogFile : public LogFile {
 public:
  explicit Win32LogFile(UniqueFileHandle file) : file_(std::move(file)) {}
  HANDLE Handle() const { return file_.get(); }

  // Each line in one write to a file opened for appending only, so that the
  // lines of two processes sharing a log never interleave within a line.
  bool WriteLine(const std::string& line) override {
    const std::string bytes = line + "\r\n";
    DWORD written = 0;
    return WriteFile(file_.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                     nullptr) &&
           written == bytes.size() && FlushFileBuffers(file_.get());
  }

 private:
  UniqueFileHandle file_;
};

// Owned by Administrators (O:BA); protected from what the Logs folder would
// pass on (P); SYSTEM (SY) and Administrators (BA) have full control (FA),
// inherited by files (OI) and folders (CI) inside; no one else anything: a
// SYSTEM run's log names every user's folders and what the run found there.
constexpr wchar_t kLogFolderAccess[] = L"O:BAD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)";

// True when the list grants something to anyone but administrators (or to
// the maker of what is made inside, which administrators are here).
bool GrantsOthers(PACL dacl) {
  for (DWORD i = 0; dacl != nullptr && i < dacl->AceCount; ++i) {
    void* ace = nullptr;
    if (!GetAce(dacl, i, &ace)) return true;
    const auto* header = static_cast<const ACE_HEADER*>(ace);
    if (header->AceType == ACCESS_DENIED_ACE_TYPE) continue;
    if (header->AceType != ACCESS_ALLOWED_ACE_TYPE) return true;
    PSID sid = &static_cast<ACCESS_ALLOWED_ACE*>(ace)->SidStart;
    if (!IsAdministrativeSid(sid) && !IsWellKnownSid(sid, WinCreatorOwnerSid)) return true;
  }
  return dacl == nullptr;
}

// What stands at `path` already: usable when it is a folder and no link,
// held, owned by administrators and changed by no one else. One that others
// may read (an older updater's, made so) is narrowed to administrators, and
// the logs in it with it: the list passes on to them.
std::uint32_t CheckAdministratorsFolder(const std::string& path) {
  DWORD error = kErrorSuccess;
  const UniqueKernelHandle folder = HoldPath(path, error);
  if (!folder) return error;
  if (!OwnedByAdministrators(folder.get(), SE_FILE_OBJECT)) return kErrorInvalidOwner;
  if (TrustOfFolder(folder.get()) != FolderTrust::kAdministratorsOnly) return ERROR_ACCESS_DENIED;
  PACL dacl = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (GetSecurityInfo(folder.get(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr,
                      &dacl, nullptr, &descriptor) != ERROR_SUCCESS) {
    return GetLastError();
  }
  const bool wide = GrantsOthers(dacl);
  LocalFree(descriptor);
  if (!wide) return kErrorSuccess;
  // Through a handle opened relative to the hold: the very folder checked.
  UNICODE_STRING none{};
  OBJECT_ATTRIBUTES attributes;
  InitializeObjectAttributes(&attributes, &none, OBJ_CASE_INSENSITIVE, folder.get(), nullptr);
  IO_STATUS_BLOCK status{};
  HANDLE writable = nullptr;
  const NTSTATUS opened = NtCreateFile(
      &writable, WRITE_DAC | SYNCHRONIZE, &attributes, &status, nullptr, 0, kShareAll, kNtFileOpen,
      FILE_DIRECTORY_FILE | FILE_SYNCHRONOUS_IO_NONALERT | kOpenReparsePoint | kCompleteIfOplocked,
      nullptr, 0);
  if (opened < 0) return RtlNtStatusToDosError(opened);
  const UniqueKernelHandle owned(writable);
  if (opened == kStatusOplockBreakInProgress) return ERROR_SHARING_VIOLATION;
  const SddlDescriptor narrow(kLogFolderAccess);
  BOOL present = FALSE;
  BOOL defaulted = FALSE;
  PACL narrowList = nullptr;
  if (narrow.get() == nullptr ||
      !GetSecurityDescriptorDacl(narrow.get(), &present, &narrowList, &defaulted)) {
    return ERROR_INVALID_PARAMETER;
  }
  return SetSecurityInfo(owned.get(), SE_FILE_OBJECT,
                         DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION, nullptr,
                         nullptr, narrowList, nullptr);
}

}  // namespace

// Below the Windows folder, where only administrators can make folders: a
// standard user can have prepared something there only where an
// administrator let them, and the checks refuse what they could have put.
std::string Win32Platform::AdministratorsLogFolder(std::uint32_t& error) {
  wchar_t windows[MAX_PATH];
  const UINT length = GetSystemWindowsDirectoryW(windows, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) {
    error = length == 0 ? GetLastError() : ERROR_BUFFER_OVERFLOW;
    return "";
  }
  // Part of Windows from Vista on; made, as any folder there, where missing.
  const std::wstring logs = std::wstring(windows, length) + L"\\Logs";
  const std::wstring wide = logs + L"\\MwnUpdate";
  const std::string folder = NarrowText(wide);
  if (!CreateDirectoryW(logs.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) {
    error = GetLastError();
    return folder;
  }
  // Made with its list from the start; what stands there already, a link
  // included, is checked through a hold.
  const SddlDescriptor access(kLogFolderAccess);
  SECURITY_ATTRIBUTES attributes{sizeof attributes, access.get(), FALSE};
  if (access.get() == nullptr) {
    error = ERROR_INVALID_PARAMETER;
  } else if (CreateDirectoryW(wide.c_str(), &attributes)) {
    error = kErrorSuccess;
  } else {
    error = GetLastError() == ERROR_ALREADY_EXISTS ? CheckAdministratorsFolder(folder)
                                                   : GetLastError();
  }
  return folder;
}

std::unique_ptr<LogFile> Win32Platform::OpenLogFile(const std::string& path,
                                                    std::uint32_t& error) {
  std::wstring wide;
  if (!WidePath(path, wide)) {
    error = ERROR_INVALID_NAME;
    return nullptr;
  }
  if (RunningElevated()) {
    // Through the folder held one step at a time: no junction on the way,
    // not even above the folder, leads the run's writes elsewhere.
    const std::string full = FullPathName(path);
    const std::size_t cut = full.find_last_of('\\');
    if (cut == std::string::npos) {
      error = ERROR_INVALID_NAME;
      return nullptr;
    }
    DWORD failure = kErrorSuccess;
    UniqueFileHandle file = OpenHeldLog(full.substr(0, cut == 2 ? 3 : cut), full.substr(cut + 1),
                                        failure);
    if (!file) {
      error = failure;
      return nullptr;
    }
    return std::make_unique<Win32LogFile>(std::move(file));
  }
  // A link planted under the log's name is opened itself, not followed.
  UniqueFileHandle file(CreateFileW(wide.c_str(), FILE_APPEND_DATA | SYNCHRONIZE,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT,
                                    nullptr));
  if (!file) {
    error = GetLastError();
    return nullptr;
  }
  return std::make_unique<Win32LogFile>(std::move(file));
}

// The log's own open, with its checks, then the same file again relative to
// that handle (an empty name), never by path, with the right to cut it
// short; not waiting should another program hold an oplock on it.
std::unique_ptr<LogFile> Win32Platform::OpenReportFile(const std::string& path,
                                                       std::uint32_t& error) {
  std::unique_ptr<LogFile> log = OpenLogFile(path, error);
  if (!log) return nullptr;
  constexpr ULONG kCompleteIfOplocked = 0x00000100;
  constexpr NTSTATUS kOplockBreakInProgress = 0x00000108;
  UNICODE_STRING none = CountedString(L"");
  OBJECT_ATTRIBUTES attributes;
  InitializeObjectAttributes(&attributes, &none, OBJ_CASE_INSENSITIVE,
                             static_cast<Win32LogFile&>(*log).Handle(), nullptr);
  IO_STATUS_BLOCK status{};
  HANDLE opened = nullptr;
  const NTSTATUS result = NtCreateFile(
      &opened, FILE_WRITE_DATA | FILE_APPEND_DATA | SYNCHRONIZE, &attributes, &status, nullptr, 0,
      FILE_SHARE_READ | FILE_SHARE_WRITE, kNtFileOpen,
      FILE_NON_DIRECTORY_FILE | FILE_SYNCHRONOUS_IO_NONALERT | kCompleteIfOplocked, nullptr, 0);
  UniqueFileHandle file(NT_SUCCESS(result) ? opened : INVALID_HANDLE_VALUE);
  if (result == kOplockBreakInProgress) {
    error = ERROR_SHARING_VIOLATION;
    return nullptr;
  }
  if (!file) {
    error = RtlNtStatusToDosError(result);
    return nullptr;
  }
  if (!SetEndOfFile(file.get())) {
    error = GetLastError();
    return nullptr;
  }
  return std::make_unique<Win32LogFile>(std::move(file));
}

namespace {

LocalTime TimeOf(const SYSTEMTIME& time) {
  LocalTime converted;
  converted.year = time.wYear;
  converted.month = time.wMonth;
  converted.day = time.wDay;
  converted.hour = time.wHour;
  converted.minute = time.wMinute;
  converted.second = time.wSecond;
  converted.millisecond = time.wMilliseconds;
  return converted;
}

}  // namespace

LocalTime Win32Platform::UniversalNow() {
  SYSTEMTIME now;
  GetSystemTime(&now);
  return TimeOf(now);
}

LocalTime Win32Platform::Now() {
  SYSTEMTIME now;
  GetLocalTime(&now);
  return TimeOf(now);
}

std::string Win32Platform::SystemMessage(std::uint32_t code) {
  wchar_t* text = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  if (length == 0 || text == nullptr) return "";
  std::wstring message(text, length);
  LocalFree(text);
  while (!message.empty() && (message.back() == L'\n' || message.back() == L'\r' ||
                              message.back() == L' ')) {
    message.pop_back();
  }
  return NarrowText(message);
}

std::string Win32Platform::UserName() {
  wchar_t name[257] = L"";
  DWORD size = sizeof name / sizeof name[0];
  return GetUserNameW(name, &size) ? NarrowText(name) : "";
}

std::string Win32Platform::ProcessCommandLine() { return NarrowText(GetCommandLineW()); }

}  // namespace mwn
