// The walk's file system operations and the scratch folder's.
#include "platform/win32/unique_handle.h"
#include "platform/win32/wide_path.h"
#include "platform/win32/win32_platform.h"

namespace mwn {
namespace {

class Win32FolderListing : public FolderListing {
 public:
  Win32FolderListing(UniqueFindHandle find, const WIN32_FIND_DATAW& first)
      : find_(std::move(find)), pending_(first), hasPending_(true) {}

  ListStep Next(DirEntry& entry) override {
    if (!hasPending_) {
      pending_ = {};
      if (!FindNextFileW(find_.get(), &pending_)) {
        return GetLastError() == ERROR_NO_MORE_FILES ? ListStep::kEnd : ListStep::kFailed;
      }
    }
    hasPending_ = false;
    entry.name = NarrowText(pending_.cFileName);
    entry.attributes = pending_.dwFileAttributes;
    // In a field otherwise reserved, which Wine leaves as it found it: the
    // structure is cleared before each call, so that there it reads as none.
    entry.reparseTag =
        (pending_.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 ? pending_.dwReserved0 : 0;
    return ListStep::kEntry;
  }

 private:
  UniqueFindHandle find_;
  WIN32_FIND_DATAW pending_;
  bool hasPending_;
};

// Windows 7 and later: no short names, which the walk never reads, and
// larger batches of entries per round trip to a share. Earlier systems, and
// some servers' file systems behind a share, refuse the level or the flag,
// each in words of its own; each listing refused gets the plain call, so
// that one such share takes the batches from no other folder.
constexpr FINDEX_INFO_LEVELS kFindExInfoBasic = static_cast<FINDEX_INFO_LEVELS>(1);
constexpr DWORD kFindFirstExLargeFetch = 2;

bool RefusesTheCall(DWORD error) {
  return error == ERROR_INVALID_PARAMETER || error == ERROR_INVALID_LEVEL ||
         error == ERROR_NOT_SUPPORTED || error == ERROR_INVALID_FUNCTION ||
         error == ERROR_CALL_NOT_IMPLEMENTED;
}

HANDLE FindFirst(const std::wstring& pattern, WIN32_FIND_DATAW& first) {
  const HANDLE find = FindFirstFileExW(pattern.c_str(), kFindExInfoBasic, &first,
                                       FindExSearchNameMatch, nullptr, kFindFirstExLargeFetch);
  if (find != INVALID_HANDLE_VALUE || !RefusesTheCall(GetLastError())) return find;
  first = {};
  return FindFirstFileW(pattern.c_str(), &first);
}

DWORD AttributesOf(const std::string& path) {
  std::wstring wide;
  return WidePath(path, wide) ? GetFileAttributesW(wide.c_str()) : INVALID_FILE_ATTRIBUTES;
}

}  // namespace

bool HasWildcard(const std::string& path) { return path.find_first_of("*?") != std::string::npos; }

bool Win32Platform::FolderExists(const std::string& path) {
  const DWORD attributes = AttributesOf(path);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool Win32Platform::FileExists(const std::string& path) {
  if (HasWildcard(path)) return false;
  const DWORD attributes = AttributesOf(path);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

std::unique_ptr<FolderListing> Win32Platform::ListFolder(const std::string& pattern) {
  std::wstring wide;
  if (!WidePath(pattern, wide)) return nullptr;
  WIN32_FIND_DATAW first{};
  UniqueFindHandle find(FindFirst(wide, first));
  if (!find) return nullptr;
  return std::make_unique<Win32FolderListing>(std::move(find), first);
}

bool Win32Platform::FolderIdentity(const std::string& path, FileIdentity& identity) {
  std::wstring wide;
  if (!WidePath(path, wide)) return false;
  // Backup semantics is what lets CreateFile open a folder at all.
  UniqueFileHandle folder(CreateFileW(wide.c_str(), FILE_READ_ATTRIBUTES, kShareAll, nullptr,
                                      OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!folder) return false;
  BY_HANDLE_FILE_INFORMATION information;
  if (!GetFileInformationByHandle(folder.get(), &information)) return false;
  identity.volumeSerial = information.dwVolumeSerialNumber;
  identity.fileIndex =
      (static_cast<std::uint64_t>(information.nFileIndexHigh) << 32) | information.nFileIndexLow;
  return true;
}

std::string Win32Platform::FullPathName(const std::string& path) {
  std::wstring wide;
  if (!WideText(path, wide) || wide.empty()) return "";
  std::wstring full(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length =
        GetFullPathNameW(wide.c_str(), static_cast<DWORD>(full.size()), &full[0], nullptr);
    if (length == 0) return "";
    if (length < full.size()) {
      full.resize(length);
      return NarrowText(full);
    }
    full.resize(length);
  }
}

std::string Win32Platform::TempPath() {
  // Where the system has it (Windows 11, and 10 updated in 2022), this gives
  // a process running as SYSTEM a temp folder that only SYSTEM may use,
  // instead of C:\Windows\Temp; for every other process it answers as the
  // classic call does.
  using TempPathCall = DWORD(WINAPI*)(DWORD, LPWSTR);
  static const auto tempPath2 = reinterpret_cast<TempPathCall>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "GetTempPath2W")));
  // The documented most, with its terminator.
  wchar_t buffer[MAX_PATH + 1];
  const DWORD length = tempPath2 != nullptr ? tempPath2(MAX_PATH + 1, buffer)
                                            : GetTempPathW(MAX_PATH + 1, buffer);
  if (length == 0 || length > MAX_PATH) return "";
  return NarrowText(std::wstring(buffer, length));
}

std::uint32_t Win32Platform::CreateFolder(const std::string& path) {
  std::wstring wide;
  if (!WidePath(path, wide)) return ERROR_INVALID_NAME;
  return CreateDirectoryW(wide.c_str(), nullptr) ? kErrorSuccess : GetLastError();
}

std::uint32_t Win32Platform::RemoveFolder(const std::string& path) {
  std::wstring wide;
  if (!WidePath(path, wide)) return ERROR_INVALID_NAME;
  return RemoveDirectoryW(wide.c_str()) ? kErrorSuccess : GetLastError();
}

}  // namespace mwn
