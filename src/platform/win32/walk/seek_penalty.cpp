// Whether a local volume's disk must seek, as its storage driver says
// (Windows 7 and later; earlier systems do not know the question), and the
// clock that times listings where it does not say.
#include <string>

#include "platform/win32/unique_handle.h"
#include "platform/win32/win32_platform.h"
// After <windows.h>, on which it builds.
#include <winioctl.h>

namespace mwn {

SeekPenalty Win32Platform::SeekPenaltyOf(const std::string& root) {
  if (root.size() != 3 || root[1] != ':' || root[2] != '\\') return SeekPenalty::kNotSaid;
  // The volume itself, opened for no access at all: enough for a question to
  // its driver, and allowed to a standard user.
  const std::wstring volume = std::wstring(L"\\\\.\\") + static_cast<wchar_t>(root[0]) + L':';
  const UniqueFileHandle handle(CreateFileW(volume.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                            nullptr, OPEN_EXISTING, 0, nullptr));
  if (!handle) return SeekPenalty::kNotSaid;
  STORAGE_PROPERTY_QUERY query{};
  query.PropertyId = StorageDeviceSeekPenaltyProperty;
  query.QueryType = PropertyStandardQuery;
  DEVICE_SEEK_PENALTY_DESCRIPTOR answer{};
  DWORD size = 0;
  if (!DeviceIoControl(handle.get(), IOCTL_STORAGE_QUERY_PROPERTY, &query, sizeof query, &answer,
                       sizeof answer, &size, nullptr) ||
      size < sizeof answer) {
    return SeekPenalty::kNotSaid;
  }
  return answer.IncursSeekPenalty ? SeekPenalty::kIncurs : SeekPenalty::kNone;
}

// The performance counter runs from boot, at a fixed rate on every system
// since XP; split so that neither product overflows after months of uptime.
std::uint64_t Win32Platform::Microseconds() {
  static const std::uint64_t rate = [] {
    LARGE_INTEGER frequency;
    return QueryPerformanceFrequency(&frequency) && frequency.QuadPart > 0
               ? static_cast<std::uint64_t>(frequency.QuadPart)
               : 1;
  }();
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  const auto count = static_cast<std::uint64_t>(now.QuadPart);
  return count / rate * 1000000 + count % rate * 1000000 / rate;
}

}  // namespace mwn

