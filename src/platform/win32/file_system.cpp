#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/win32/win32_platform.h"

namespace mwn {
namespace {

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

bool HasWildcard(const std::string& path) {
  return path.find_first_of("*?") != std::string::npos;
}

// Windows refuses to overwrite or replace a read-only file; Wine renames
// over one, and run by root it writes over one too. Asking first makes both
// leave a read-only copy as it is. True (access denied set) when it is one.
bool RefuseReadOnly(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_READONLY) == 0) {
    return false;
  }
  SetLastError(ERROR_ACCESS_DENIED);
  return true;
}

constexpr std::size_t kCompareChunk = 1u << 20;

UniqueFileHandle OpenForReading(const std::string& path) {
  return UniqueFileHandle(CreateFileA(path.c_str(), GENERIC_READ, kShareAll, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
}

bool SizeOf(HANDLE file, std::uint64_t& size) {
  LARGE_INTEGER large;
  if (!GetFileSizeEx(file, &large)) return false;
  size = static_cast<std::uint64_t>(large.QuadPart);
  return true;
}

// False on an error, or when the file ends before `wanted` bytes.
bool ReadFully(HANDLE file, std::uint8_t* buffer, DWORD wanted) {
  for (DWORD total = 0; total < wanted;) {
    DWORD read = 0;
    if (!ReadFile(file, buffer + total, wanted - total, &read, nullptr) || read == 0) return false;
    total += read;
  }
  return true;
}

// A file that grew after its size was taken does not hold what was compared.
bool AtEnd(HANDLE file) {
  std::uint8_t extra;
  DWORD read = 0;
  return ReadFile(file, &extra, 1, &read, nullptr) && read == 0;
}

class Win32FolderListing : public FolderListing {
 public:
  Win32FolderListing(UniqueFindHandle find, const WIN32_FIND_DATAA& first)
      : find_(std::move(find)), pending_(first), hasPending_(true) {}

  bool Next(DirEntry& entry) override {
    if (!hasPending_ && !FindNextFileA(find_.get(), &pending_)) return false;
    hasPending_ = false;
    entry.name = pending_.cFileName;
    entry.attributes = pending_.dwFileAttributes;
    return true;
  }

 private:
  UniqueFindHandle find_;
  WIN32_FIND_DATAA pending_;
  bool hasPending_;
};

}  // namespace

bool UsableAnsiPath(const std::string& path) {
  return path.size() < kMaxPath && path.find('\0') == std::string::npos;
}

bool Win32Platform::FolderExists(const std::string& path) {
  if (!UsableAnsiPath(path)) return false;
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool Win32Platform::FileExists(const std::string& path) {
  if (!UsableAnsiPath(path) || HasWildcard(path)) return false;
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

std::unique_ptr<FolderListing> Win32Platform::ListFolder(const std::string& pattern) {
  if (!UsableAnsiPath(pattern)) return nullptr;
  WIN32_FIND_DATAA first;
  UniqueFindHandle find(FindFirstFileA(pattern.c_str(), &first));
  if (!find) return nullptr;
  return std::make_unique<Win32FolderListing>(std::move(find), first);
}

bool Win32Platform::FolderIdentity(const std::string& path, FileIdentity& identity) {
  if (!UsableAnsiPath(path)) return false;
  // Backup semantics is what lets CreateFile open a folder at all.
  UniqueFileHandle folder(CreateFileA(path.c_str(), FILE_READ_ATTRIBUTES, kShareAll, nullptr,
                                      OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!folder) return false;
  BY_HANDLE_FILE_INFORMATION information;
  if (!GetFileInformationByHandle(folder.get(), &information)) return false;
  identity.volumeSerial = information.dwVolumeSerialNumber;
  identity.fileIndex =
      (static_cast<std::uint64_t>(information.nFileIndexHigh) << 32) | information.nFileIndexLow;
  return true;
}

bool Win32Platform::DeleteFileAt(const std::string& path) {
  return UsableAnsiPath(path) && DeleteFileA(path.c_str());
}

bool Win32Platform::CopyFileTo(const std::string& source, const std::string& destination,
                               bool overwrite) {
  if (!UsableAnsiPath(source) || !UsableAnsiPath(destination)) return false;
  if (overwrite && RefuseReadOnly(destination)) return false;
  return CopyFileA(source.c_str(), destination.c_str(), !overwrite);
}

bool Win32Platform::MoveFileReplacing(const std::string& source, const std::string& destination) {
  if (!UsableAnsiPath(source) || !UsableAnsiPath(destination)) return false;
  if (RefuseReadOnly(destination)) return false;
  // The source is staged in the destination's folder, so the move is a
  // rename on one volume and never needs a copy.
  return MoveFileExA(source.c_str(), destination.c_str(), MOVEFILE_REPLACE_EXISTING);
}

std::string Win32Platform::StoredName(const std::string& path) {
  if (!UsableAnsiPath(path) || HasWildcard(path)) return "";
  WIN32_FIND_DATAA found;
  UniqueFindHandle find(FindFirstFileA(path.c_str(), &found));
  if (!find) return "";
  return found.cFileName;
}

bool Win32Platform::FileHoldsExactly(const std::string& path, const std::uint8_t* data,
                                     std::size_t size) {
  if (!UsableAnsiPath(path)) return false;
  const UniqueFileHandle file = OpenForReading(path);
  std::uint64_t fileSize = 0;
  if (!file || !SizeOf(file.get(), fileSize) || fileSize != size) return false;
  std::vector<std::uint8_t> chunk(std::min<std::size_t>(size, kCompareChunk));
  for (std::size_t done = 0; done < size;) {
    const DWORD wanted = static_cast<DWORD>(std::min<std::size_t>(size - done, kCompareChunk));
    if (!ReadFully(file.get(), chunk.data(), wanted) ||
        std::memcmp(chunk.data(), data + done, wanted) != 0) {
      return false;
    }
    done += wanted;
  }
  return AtEnd(file.get());
}

bool Win32Platform::FilesHoldSame(const std::string& a, const std::string& b) {
  if (!UsableAnsiPath(a) || !UsableAnsiPath(b)) return false;
  const UniqueFileHandle first = OpenForReading(a);
  const UniqueFileHandle second = OpenForReading(b);
  std::uint64_t size = 0;
  std::uint64_t otherSize = 0;
  if (!first || !second || !SizeOf(first.get(), size) || !SizeOf(second.get(), otherSize) ||
      size != otherSize) {
    return false;
  }
  const std::size_t chunkSize =
      static_cast<std::size_t>(std::min<std::uint64_t>(size, kCompareChunk));
  std::vector<std::uint8_t> chunkOfFirst(chunkSize);
  std::vector<std::uint8_t> chunkOfSecond(chunkSize);
  for (std::uint64_t done = 0; done < size;) {
    const DWORD wanted = static_cast<DWORD>(std::min<std::uint64_t>(size - done, kCompareChunk));
    if (!ReadFully(first.get(), chunkOfFirst.data(), wanted) ||
        !ReadFully(second.get(), chunkOfSecond.data(), wanted) ||
        std::memcmp(chunkOfFirst.data(), chunkOfSecond.data(), wanted) != 0) {
      return false;
    }
    done += wanted;
  }
  return AtEnd(first.get()) && AtEnd(second.get());
}

bool Win32Platform::FileAttributesOf(const std::string& path, std::uint32_t& attributes) {
  if (!UsableAnsiPath(path) || HasWildcard(path)) return false;
  const DWORD found = GetFileAttributesA(path.c_str());
  if (found == INVALID_FILE_ATTRIBUTES) return false;
  attributes = found;
  return true;
}

std::string Win32Platform::TempPath() {
  char buffer[kMaxPath];
  const DWORD length = GetTempPathA(kMaxPath, buffer);
  if (length == 0 || length >= kMaxPath) return "";
  return std::string(buffer, length);
}

std::string Win32Platform::UniqueTempFile(const std::string& folder, const std::string& prefix) {
  if (!UsableAnsiPath(folder) || prefix.find('\0') != std::string::npos) return "";
  char buffer[kMaxPath];
  if (GetTempFileNameA(folder.c_str(), prefix.c_str(), 0, buffer) == 0) return "";
  return buffer;
}

std::uint32_t Win32Platform::CreateFolder(const std::string& path) {
  if (!UsableAnsiPath(path)) return ERROR_FILENAME_EXCED_RANGE;
  return CreateDirectoryA(path.c_str(), nullptr) ? kErrorSuccess : GetLastError();
}

std::uint32_t Win32Platform::RemoveFolder(const std::string& path) {
  if (!UsableAnsiPath(path)) return ERROR_FILENAME_EXCED_RANGE;
  return RemoveDirectoryA(path.c_str()) ? kErrorSuccess : GetLastError();
}

std::uint32_t Win32Platform::CreateFileRW(const std::string& path, PlatformHandle& handle) {
  if (!UsableAnsiPath(path)) return ERROR_FILENAME_EXCED_RANGE;
  UniqueFileHandle file(CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return GetLastError();
  handle = reinterpret_cast<PlatformHandle>(file.get());
  files_[handle] = std::move(file);
  return kErrorSuccess;
}

std::uint32_t Win32Platform::WriteFileBytes(PlatformHandle handle, const std::uint8_t* data,
                                            std::size_t size, std::size_t& written) {
  written = 0;
  const auto found = files_.find(handle);
  if (found == files_.end()) return ERROR_INVALID_HANDLE;
  if (size != static_cast<DWORD>(size)) return ERROR_INVALID_PARAMETER;
  DWORD count = 0;
  const BOOL wrote = WriteFile(found->second.get(), data, static_cast<DWORD>(size), &count, nullptr);
  written = count;
  return wrote ? kErrorSuccess : GetLastError();
}

std::uint32_t Win32Platform::CloseFile(PlatformHandle handle) {
  const auto found = files_.find(handle);
  if (found == files_.end()) return ERROR_INVALID_HANDLE;
  // Closed by hand rather than by the owner: the answer of the close matters.
  const HANDLE file = found->second.release();
  files_.erase(found);
  return CloseHandle(file) ? kErrorSuccess : GetLastError();
}

}  // namespace mwn
