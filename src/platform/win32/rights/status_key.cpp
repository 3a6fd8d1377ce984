// The run's status for detection rules, in the registry.
#include "platform/win32/wide_path.h"
#include "platform/win32/win32_platform.h"

namespace mwn {

namespace {

constexpr wchar_t kStatusKey[] = L"SOFTWARE\\Marlowen\\MwnUpdate";

class UniqueKey {
 public:
  UniqueKey() = default;
  ~UniqueKey() {
    if (key_ != nullptr) RegCloseKey(key_);
  }
  UniqueKey(const UniqueKey&) = delete;
  UniqueKey& operator=(const UniqueKey&) = delete;
  HKEY* Receive() { return &key_; }
  HKEY get() const { return key_; }

 private:
  HKEY key_ = nullptr;
};

}  // namespace

// The machine's key in its 64-bit view, which a detection rule reads without
// being told that the program is 32-bit; the user's key is not redirected.
// Below HKLM\SOFTWARE only administrators may make keys, so what is found
// there was made by one.
std::uint32_t Win32Platform::WriteStatus(bool machine, const std::vector<StatusValue>& values) {
  UniqueKey key;
  const LONG opened =
      RegCreateKeyExW(machine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER, kStatusKey, 0, nullptr,
                      REG_OPTION_NON_VOLATILE, KEY_SET_VALUE | (machine ? KEY_WOW64_64KEY : 0),
                      nullptr, key.Receive(), nullptr);
  if (opened != ERROR_SUCCESS) return static_cast<std::uint32_t>(opened);
  for (const StatusValue& value : values) {
    std::wstring name;
    std::wstring text;
    if (!WideText(value.name, name) || !WideText(value.text, text)) return ERROR_INVALID_DATA;
    const DWORD number = value.number;
    const LONG set =
        value.isNumber
            ? RegSetValueExW(key.get(), name.c_str(), 0, REG_DWORD,
                             reinterpret_cast<const BYTE*>(&number), sizeof number)
            : RegSetValueExW(key.get(), name.c_str(), 0, REG_SZ,
                             reinterpret_cast<const BYTE*>(text.c_str()),
                             static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
    if (set != ERROR_SUCCESS) return static_cast<std::uint32_t>(set);
  }
  return ERROR_SUCCESS;
}

}  // namespace mwn
