// Reading files back after their replacement, by path or through a handle
// opened relative to a held folder.
#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/win32/files/nt_file.h"
#include "platform/win32/unique_handle.h"
#include "platform/win32/wide_path.h"
#include "platform/win32/win32_platform.h"

namespace mwn {
namespace {

constexpr std::size_t kCompareChunk = 1u << 20;
// Far above any text file the program reads whole, and small enough to hold.
constexpr std::uint64_t kLargestWholeFile = 16u << 20;

// With an administrator's rights, without waiting for anyone's oplock on
// the file (a user's list of copies, say): one whose holder must first be
// told leaves it unopened, as in use. A standard run waits as any program
// does, for holders that answer in time (another client of a share).
UniqueFileHandle OpenForReading(const std::string& path) {
  std::wstring wide;
  if (!WidePath(path, wide)) return UniqueFileHandle();
  static const bool elevated = ProcessElevated();
  if (!elevated) {
    return UniqueFileHandle(CreateFileW(wide.c_str(), GENERIC_READ, kShareAll, nullptr,
                                        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  }
  NtPath ntPath(wide);
  if (!ntPath) {
    SetLastError(ERROR_INVALID_NAME);
    return UniqueFileHandle();
  }
  OBJECT_ATTRIBUTES attributes;
  InitializeObjectAttributes(&attributes, ntPath.get(), OBJ_CASE_INSENSITIVE, nullptr, nullptr);
  IO_STATUS_BLOCK status{};
  HANDLE file = nullptr;
  const NTSTATUS opened = NtCreateFile(
      &file, GENERIC_READ | SYNCHRONIZE, &attributes, &status, nullptr, 0, kShareAll, kNtFileOpen,
      FILE_NON_DIRECTORY_FILE | FILE_SYNCHRONOUS_IO_NONALERT | kCompleteIfOplocked, nullptr, 0);
  if (opened < 0) {
    SetLastError(RtlNtStatusToDosError(opened));
    return UniqueFileHandle();
  }
  UniqueFileHandle owned(file);
  if (opened != kStatusOplockBreakInProgress) return owned;
  SetLastError(ERROR_SHARING_VIOLATION);
  return UniqueFileHandle();
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

void BetweenChunks(std::uint64_t done, const Progress& progress) {
  if (done > 0 && progress) progress();
}

}  // namespace

bool HoldsExactly(HANDLE file, const std::uint8_t* data, std::size_t size,
                  const Progress& progress) {
  std::uint64_t fileSize = 0;
  if (file == nullptr || !SizeOf(file, fileSize) || fileSize != size) return false;
  std::vector<std::uint8_t> chunk(std::min<std::size_t>(size, kCompareChunk));
  for (std::size_t done = 0; done < size;) {
    BetweenChunks(done, progress);
    const DWORD wanted = static_cast<DWORD>(std::min<std::size_t>(size - done, kCompareChunk));
    if (!ReadFully(file, chunk.data(), wanted) ||
        std::memcmp(chunk.data(), data + done, wanted) != 0) {
      return false;
    }
    done += wanted;
  }
  return AtEnd(file);
}

bool HoldSame(HANDLE first, HANDLE second, const Progress& progress) {
  std::uint64_t size = 0;
  std::uint64_t otherSize = 0;
  if (first == nullptr || second == nullptr || !SizeOf(first, size) ||
      !SizeOf(second, otherSize) || size != otherSize) {
    return false;
  }
  const std::size_t chunkSize =
      static_cast<std::size_t>(std::min<std::uint64_t>(size, kCompareChunk));
  std::vector<std::uint8_t> chunkOfFirst(chunkSize);
  std::vector<std::uint8_t> chunkOfSecond(chunkSize);
  for (std::uint64_t done = 0; done < size;) {
    BetweenChunks(done, progress);
    const DWORD wanted = static_cast<DWORD>(std::min<std::uint64_t>(size - done, kCompareChunk));
    if (!ReadFully(first, chunkOfFirst.data(), wanted) ||
        !ReadFully(second, chunkOfSecond.data(), wanted) ||
        std::memcmp(chunkOfFirst.data(), chunkOfSecond.data(), wanted) != 0) {
      return false;
    }
    done += wanted;
  }
  return AtEnd(first) && AtEnd(second);
}

bool Win32Platform::FileHoldsExactly(const std::string& path, const std::uint8_t* data,
                                     std::size_t size, const Progress& progress) {
  return HoldsExactly(OpenForReading(path).get(), data, size, progress);
}

bool Win32Platform::FilesHoldSame(const std::string& a, const std::string& b,
                                  const Progress& progress) {
  return HoldSame(OpenForReading(a).get(), OpenForReading(b).get(), progress);
}

bool Win32Platform::ReadWholeFile(const std::string& path, std::string& content) {
  const UniqueFileHandle file = OpenForReading(path);
  std::uint64_t size = 0;
  if (!file || !SizeOf(file.get(), size) || size > kLargestWholeFile) return false;
  std::string read(static_cast<std::size_t>(size), '\0');
  if (size > 0 &&
      !ReadFully(file.get(), reinterpret_cast<std::uint8_t*>(&read[0]), static_cast<DWORD>(size))) {
    return false;
  }
  if (!AtEnd(file.get())) return false;
  content = std::move(read);
  return true;
}

}  // namespace mwn
