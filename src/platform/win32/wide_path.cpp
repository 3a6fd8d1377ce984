#include "platform/win32/wide_path.h"

#include "platform/win32/windows_api.h"
#include "platform/wtf8.h"

namespace mwn {
namespace {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "the wide API's text is UTF-16");

bool IsDriveAbsolute(const std::string& path) {
  return path.size() >= 3 && path[1] == ':' && path[2] == '\\' &&
         ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'));
}

std::wstring AsWide(const std::u16string& units) {
  return std::wstring(reinterpret_cast<const wchar_t*>(units.data()), units.size());
}

}  // namespace

bool WideText(const std::string& text, std::wstring& wide) {
  wide.clear();
  std::u16string units;
  if (text.find('\0') != std::string::npos ||
      !Utf16FromWtf8(text, units, BadBytes::kRefuse)) {
    return false;
  }
  wide = AsWide(units);
  return true;
}

std::wstring ShownText(const std::string& text) {
  std::u16string units;
  Utf16FromWtf8(text.substr(0, text.find('\0')), units, BadBytes::kReplace);
  return AsWide(units);
}

bool WidePath(const std::string& path, std::wstring& wide) {
  if (!WideText(path, wide)) {
    SetLastError(ERROR_INVALID_NAME);
    return false;
  }
  // Short enough, or already in the \\?\ or \\.\ form: as it is.
  if (wide.size() < MAX_PATH || path.compare(0, 4, "\\\\?\\") == 0 ||
      path.compare(0, 4, "\\\\.\\") == 0) {
    return true;
  }
  if (IsDriveAbsolute(path)) {
    wide.insert(0, L"\\\\?\\");
  } else if (path.compare(0, 2, "\\\\") == 0) {
    wide.replace(0, 2, L"\\\\?\\UNC\\");
  }
  return true;
}

std::string NarrowText(const std::wstring& wide) {
  return Wtf8FromUtf16(reinterpret_cast<const char16_t*>(wide.data()), wide.size());
}

std::string NarrowText(const wchar_t* wide) {
  if (wide == nullptr) return "";
  return Wtf8FromUtf16(reinterpret_cast<const char16_t*>(wide),
                       std::char_traits<wchar_t>::length(wide));
}

}  // namespace mwn
