#include "platform/win32/files/nt_file.h"

namespace mwn {

NtPath::NtPath(const std::wstring& dosPath)
    : converted_(RtlDosPathNameToNtPathName_U(dosPath.c_str(), &path_, nullptr, nullptr)) {}

NtPath::~NtPath() {
  if (converted_) RtlFreeUnicodeString(&path_);
}

UNICODE_STRING CountedString(const std::wstring& text) {
  UNICODE_STRING counted;
  counted.Buffer = const_cast<wchar_t*>(text.c_str());
  counted.Length = static_cast<USHORT>(text.size() * sizeof(wchar_t));
  counted.MaximumLength = counted.Length;
  return counted;
}

}  // namespace mwn
