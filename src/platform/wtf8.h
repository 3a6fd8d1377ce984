// Text in the program is 8-bit, UTF-8; the system's is UTF-16. File names
// on Windows need not be valid UTF-16 (NTFS keeps unpaired surrogates), so
// the 8-bit form is WTF-8, which is UTF-8 that also spells a lone surrogate
// as the three bytes of its code point: every UTF-16 name has exactly one
// such spelling, and reading it back gives the same name. Plain C++, so that
// the conversions are tested where the rest of the logic is.
#pragma once

#include <cstddef>
#include <string>

namespace mwn {

enum class BadBytes {
  kRefuse,   // a name that reaches a file: it must be exactly the one meant
  kReplace,  // text only shown: each bad sequence becomes U+FFFD
};

// `text` as UTF-16. With kRefuse, false (and `wide` empty) when it is not
// WTF-8: a stray or missing continuation byte, an overlong or out-of-range
// spelling, or a surrogate pair spelled as two code points (which has its
// own four-byte spelling). With kReplace, always true.
bool Utf16FromWtf8(const std::string& text, std::u16string& wide, BadBytes bad);

// The WTF-8 spelling of `count` UTF-16 units; never fails.
std::string Wtf8FromUtf16(const char16_t* units, std::size_t count);

// True when Utf16FromWtf8 with kRefuse takes `text`.
bool IsWtf8(const std::string& text);

// How many UTF-16 units `text` takes, counting well-formed text exactly
// (what the system's path limit counts) without converting it.
std::size_t Utf16Length(const std::string& text);

}  // namespace mwn
