// The one crossing between the program's text (UTF-8, WTF-8 for names, see
// platform/wtf8.h) and the system's (UTF-16): every call of the wide (W) API
// is given its text through these, and every text it answers comes back
// through NarrowText.
#pragma once

#include <string>

namespace mwn {

// `text` as UTF-16, for a name or a path: false when it holds a NUL, which
// would cut it short, or is not WTF-8, which would name some other file.
bool WideText(const std::string& text, std::wstring& wide);

// `text` as UTF-16 for showing only: each bad sequence becomes U+FFFD; a NUL
// ends it.
std::wstring ShownText(const std::string& text);

// WideText of `path`; an absolute path of MAX_PATH characters or more gets
// the \\?\ prefix (\\?\UNC\ for a \\server\share path), without which the
// wide API refuses it. False, with ERROR_INVALID_NAME as the last error,
// when WideText refuses it.
bool WidePath(const std::string& path, std::wstring& wide);

// UTF-16 text of the system's as WTF-8, exactly.
std::string NarrowText(const std::wstring& wide);
std::string NarrowText(const wchar_t* wide);

}  // namespace mwn
