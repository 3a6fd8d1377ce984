#include "platform/win32/wide_path.h"

#include <climits>

#include "platform/win32/windows_api.h"

namespace mwn {
namespace {

bool IsDriveAbsolute(const std::string& path) {
  return path.size() >= 3 && path[1] == ':' && path[2] == '\\' &&
         ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'));
}

}  // namespace

bool WideText(const std::string& text, std::wstring& wide) {
  wide.clear();
  if (text.find('\0') != std::string::npos || text.size() > INT_MAX) return false;
  if (text.empty()) return true;
  const int length = static_cast<int>(text.size());
  const int wideLength = MultiByteToWideChar(CP_ACP, 0, text.data(), length, nullptr, 0);
  if (wideLength == 0) return false;
  wide.resize(wideLength);
  return MultiByteToWideChar(CP_ACP, 0, text.data(), length, &wide[0], wideLength) == wideLength;
}

bool WidePath(const std::string& path, std::wstring& wide) {
  if (!WideText(path, wide)) {
    SetLastError(ERROR_INVALID_NAME);
    return false;
  }
  if (wide.size() < MAX_PATH) return true;
  if (IsDriveAbsolute(path)) {
    wide.insert(0, L"\\\\?\\");
  } else if (path.compare(0, 2, "\\\\") == 0) {
    wide.replace(0, 2, L"\\\\?\\UNC\\");
  }
  return true;
}

std::string NarrowText(const std::wstring& wide) {
  if (wide.empty() || wide.size() > INT_MAX) return "";
  const int length = static_cast<int>(wide.size());
  const int narrowLength =
      WideCharToMultiByte(CP_ACP, 0, wide.data(), length, nullptr, 0, nullptr, nullptr);
  if (narrowLength == 0) return "";
  std::string narrow(narrowLength, '\0');
  if (WideCharToMultiByte(CP_ACP, 0, wide.data(), length, &narrow[0], narrowLength, nullptr,
                          nullptr) != narrowLength) {
    return "";
  }
  return narrow;
}

}  // namespace mwn
