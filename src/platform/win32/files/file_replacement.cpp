// The operations that replace a copy by path, for runs with a standard
// user's rights (a privileged run acts through a held folder instead).
#include <exception>

#include "platform/win32/unique_handle.h"
#include "platform/win32/wide_path.h"
#include "platform/win32/win32_platform.h"

namespace mwn {
namespace {

// Windows refuses to overwrite or replace a read-only file; Wine renames
// over one, and run by root it writes over one too. Asking first makes both
// leave a read-only copy as it is.
bool IsReadOnly(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0;
}

struct CopyProgress {
  const Progress& progress;
  std::exception_ptr failure;
};

DWORD CALLBACK OnCopyProgress(LARGE_INTEGER, LARGE_INTEGER, LARGE_INTEGER, LARGE_INTEGER, DWORD,
                              DWORD, HANDLE, HANDLE, LPVOID context) {
  auto& copy = *static_cast<CopyProgress*>(context);
  // An exception must not unwind through the system's copy loop: it is
  // carried past it, the half-made destination removed by the cancel, and
  // thrown again once the copy has stopped.
  try {
    copy.progress();
    return PROGRESS_CONTINUE;
  } catch (...) {
    copy.failure = std::current_exception();
    return PROGRESS_CANCEL;
  }
}

DWORD WINAPI Flush(LPVOID file) { return FlushFileBuffers(static_cast<HANDLE>(file)); }

}  // namespace

bool Win32Platform::DeleteFileAt(const std::string& path) {
  std::wstring wide;
  return WidePath(path, wide) && DeleteFileW(wide.c_str());
}

std::uint32_t Win32Platform::CopyFileTo(const std::string& source, const std::string& destination,
                                        bool overwrite, const Progress& progress) {
  std::wstring from;
  std::wstring to;
  if (!WidePath(source, from) || !WidePath(destination, to)) return GetLastError();
  if (overwrite && IsReadOnly(to)) return ERROR_ACCESS_DENIED;
  CopyProgress copy{progress, nullptr};
  const BOOL copied = CopyFileExW(from.c_str(), to.c_str(), progress ? OnCopyProgress : nullptr,
                                  &copy, nullptr, overwrite ? 0 : COPY_FILE_FAIL_IF_EXISTS);
  if (copy.failure) std::rethrow_exception(copy.failure);
  return copied ? kErrorSuccess : GetLastError();
}

std::uint32_t Win32Platform::MoveFileTo(const std::string& source, const std::string& destination,
                                        bool replace) {
  std::wstring from;
  std::wstring to;
  if (!WidePath(source, from) || !WidePath(destination, to)) return GetLastError();
  if (replace && IsReadOnly(to)) return ERROR_ACCESS_DENIED;
  // No MOVEFILE_COPY_ALLOWED: the source is staged in the destination's
  // folder, so the move is a rename on one volume, done in one step.
  const DWORD flags = MOVEFILE_WRITE_THROUGH | (replace ? MOVEFILE_REPLACE_EXISTING : 0);
  return MoveFileExW(from.c_str(), to.c_str(), flags) ? kErrorSuccess : GetLastError();
}

// Writing out a large file can take from tens of milliseconds on a local
// disk to seconds on a slow stick or share, and cannot be done in parts.
bool Win32Platform::FlushFileToDisk(const std::string& path, const Progress& progress) {
  std::wstring wide;
  if (!WidePath(path, wide)) return false;
  const UniqueFileHandle file(CreateFileW(wide.c_str(), GENERIC_WRITE, kShareAll, nullptr,
                                          OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  return file && CallAnswering(&Flush, file.get(), progress) != FALSE;
}

std::string Win32Platform::StoredName(const std::string& path) {
  std::wstring wide;
  if (HasWildcard(path) || !WidePath(path, wide)) return "";
  WIN32_FIND_DATAW found;
  const UniqueFindHandle find(FindFirstFileW(wide.c_str(), &found));
  if (!find) return "";
  return NarrowText(found.cFileName);
}

bool Win32Platform::FileAttributesOf(const std::string& path, std::uint32_t& attributes) {
  std::wstring wide;
  if (HasWildcard(path) || !WidePath(path, wide)) return false;
  const DWORD found = GetFileAttributesW(wide.c_str());
  if (found == INVALID_FILE_ATTRIBUTES) return false;
  attributes = found;
  return true;
}

}  // namespace mwn
