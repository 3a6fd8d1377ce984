// Unique temporary files, beside a copy as well as in the temp directory.
#include <cstdio>

#include "platform/win32/unique_handle.h"
#include "platform/win32/wide_path.h"
#include "platform/win32/win32_platform.h"

// Not part of the lean <windows.h>; RtlGenRandom, advapi32's SystemFunction036.
#include <ntsecapi.h>

namespace mwn {
namespace {

// The room GetTempFileName needs after the folder: a backslash, three
// characters of prefix, four hex digits and ".TMP", and the terminator.
constexpr std::size_t kTempNameRoom = 14;
constexpr unsigned kLargestTempNumber = 0xFFFF;

std::string WithSeparator(const std::string& folder, const std::wstring& wideFolder) {
  return !wideFolder.empty() && wideFolder.back() == L'\\' ? folder : folder + '\\';
}

// What GetTempFileName does for a folder too long for it: numbered names
// from a varying start, each created only if no file has it yet.
std::string NumberedTempFile(const std::string& folder, const std::wstring& wideFolder,
                             const std::wstring& widePrefix, std::uint32_t& error) {
  const std::string stem = WithSeparator(folder, wideFolder) + NarrowText(widePrefix.substr(0, 3));
  unsigned number = GetTickCount() & kLargestTempNumber;
  for (unsigned tries = 0; tries < kLargestTempNumber; ++tries) {
    if (number == 0 || number > kLargestTempNumber) number = 1;
    char digits[8];
    std::snprintf(digits, sizeof digits, "%X", number++);
    const std::string path = stem + digits + ".TMP";
    std::wstring widePath;
    if (!WidePath(path, widePath)) break;
    const UniqueFileHandle created(CreateFileW(widePath.c_str(), GENERIC_WRITE, 0, nullptr,
                                               CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (created) return path;
    if (GetLastError() != ERROR_FILE_EXISTS && GetLastError() != ERROR_ALREADY_EXISTS) break;
  }
  error = GetLastError();
  return "";
}

}  // namespace

std::string Win32Platform::UniqueTempFile(const std::string& folder, const std::string& prefix,
                                          std::uint32_t& error) {
  std::wstring wideFolder;
  std::wstring widePrefix;
  if (!WideText(folder, wideFolder) || !WideText(prefix, widePrefix)) {
    error = ERROR_INVALID_NAME;
    return "";
  }
  if (wideFolder.size() > MAX_PATH - kTempNameRoom) {
    return NumberedTempFile(folder, wideFolder, widePrefix, error);
  }
  wchar_t created[MAX_PATH];
  if (GetTempFileNameW(wideFolder.c_str(), widePrefix.c_str(), 0, created) == 0) {
    error = GetLastError();
    return "";
  }
  // The folder as given, so that the path reads back through the same
  // conversion; the system adds only the name.
  const std::wstring name(created);
  return WithSeparator(folder, wideFolder) + NarrowText(name.substr(name.rfind(L'\\') + 1));
}

std::string StrongRandomTempName(const std::string& prefix) {
  unsigned char random[8];
  if (!RtlGenRandom(random, sizeof random)) return "";
  std::string name = prefix;
  for (const unsigned char byte : random) {
    char digits[3];
    std::snprintf(digits, sizeof digits, "%02X", byte);
    name += digits;
  }
  return name + ".tmp";
}

std::string Win32Platform::RandomTempName(const std::string& prefix) {
  return StrongRandomTempName(prefix);
}

}  // namespace mwn
