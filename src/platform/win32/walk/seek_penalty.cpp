// Whether a local volume's disk must seek, as its storage driver says
// (Windows 7 and later; earlier systems do not know the question).
#include <string>

#include "platform/win32/unique_handle.h"
#include "platform/win32/win32_platform.h"
// After <windows.h>, on which it builds.
#include <winioctl.h>

namespace mwn {

bool Win32Platform::NoSeekPenalty(const std::string& root) {
  if (root.size() != 3 || root[1] != ':' || root[2] != '\\') return false;
  // The volume itself, opened for no access at all: enough for a question to
  // its driver, and allowed to a standard user.
  const std::wstring volume = std::wstring(L"\\\\.\\") + static_cast<wchar_t>(root[0]) + L':';
  const UniqueFileHandle handle(CreateFileW(volume.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                            nullptr, OPEN_EXISTING, 0, nullptr));
  if (!handle) return false;
  STORAGE_PROPERTY_QUERY query{};
  query.PropertyId = StorageDeviceSeekPenaltyProperty;
  query.QueryType = PropertyStandardQuery;
  DEVICE_SEEK_PENALTY_DESCRIPTOR answer{};
  DWORD size = 0;
  return DeviceIoControl(handle.get(), IOCTL_STORAGE_QUERY_PROPERTY, &query, sizeof query,
                         &answer, sizeof answer, &size, nullptr) &&
         size >= sizeof answer && !answer.IncursSeekPenalty;
}

}  // namespace mwn
