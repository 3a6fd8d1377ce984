// Paths for the wide (W) API. The replacement stages temporary files beside
// copies the walk found at up to 259 characters, and those names go past what
// the 8-bit API accepts; the wide API takes them in the \\?\ form.
#pragma once

#include <string>

namespace mwn {

// The 8-bit text in the ANSI code page as UTF-16, read the way the 8-bit API
// reads it. False when it holds a NUL, which would cut it short.
bool WideText(const std::string& text, std::wstring& wide);

// WideText of `path`; an absolute path of MAX_PATH characters or more gets
// the \\?\ prefix (\\?\UNC\ for a \\server\share path), without which the
// wide API refuses it as well. False, with ERROR_INVALID_NAME as the last
// error, when it holds a NUL.
bool WidePath(const std::string& path, std::wstring& wide);

// UTF-16 text in the ANSI code page, as the 8-bit API would give it.
std::string NarrowText(const std::wstring& wide);

}  // namespace mwn
