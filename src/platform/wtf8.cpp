#include "platform/wtf8.h"

namespace mwn {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

bool IsContinuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }
bool IsLeadSurrogate(char32_t point) { return point >= 0xD800 && point <= 0xDBFF; }
bool IsTrailSurrogate(char32_t point) { return point >= 0xDC00 && point <= 0xDFFF; }

// The code point spelled at text[at], and its length in bytes; 0 bytes when
// no well-formed WTF-8 sequence starts there.
std::size_t Decode(const std::string& text, std::size_t at, char32_t& point) {
  const auto lead = static_cast<unsigned char>(text[at]);
  std::size_t length = 0;
  char32_t lowest = 0;
  if (lead < 0x80) {
    point = lead;
    return 1;
  } else if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2, lowest = 0x80, point = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3, lowest = 0x800, point = lead & 0x0F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4, lowest = 0x10000, point = lead & 0x07;
  } else {
    return 0;
  }
  if (text.size() - at < length) return 0;
  for (std::size_t i = 1; i < length; ++i) {
    const auto byte = static_cast<unsigned char>(text[at + i]);
    if (!IsContinuation(byte)) return 0;
    point = (point << 6) | (byte & 0x3F);
  }
  return point >= lowest && point <= 0x10FFFF ? length : 0;
}

void Encode(char32_t point, std::string& text) {
  if (point < 0x80) {
    text += static_cast<char>(point);
  } else if (point < 0x800) {
    text += static_cast<char>(0xC0 | (point >> 6));
    text += static_cast<char>(0x80 | (point & 0x3F));
  } else if (point < 0x10000) {
    text += static_cast<char>(0xE0 | (point >> 12));
    text += static_cast<char>(0x80 | ((point >> 6) & 0x3F));
    text += static_cast<char>(0x80 | (point & 0x3F));
  } else {
    text += static_cast<char>(0xF0 | (point >> 18));
    text += static_cast<char>(0x80 | ((point >> 12) & 0x3F));
    text += static_cast<char>(0x80 | ((point >> 6) & 0x3F));
    text += static_cast<char>(0x80 | (point & 0x3F));
  }
}

}  // namespace

bool Utf16FromWtf8(const std::string& text, std::u16string& wide, BadBytes bad) {
  wide.clear();
  wide.reserve(text.size());
  bool afterLead = false;
  for (std::size_t at = 0; at < text.size();) {
    char32_t point = 0;
    std::size_t length = Decode(text, at, point);
    // A lead surrogate spelled alone and then a trail one spelled alone make
    // a pair: that is the four-byte spelling's, and refused in this one.
    if (length != 0 && afterLead && IsTrailSurrogate(point)) length = 0;
    if (length == 0) {
      if (bad == BadBytes::kRefuse) {
        wide.clear();
        return false;
      }
      point = kReplacement;
      length = 1;
      while (at + length < text.size() &&
             IsContinuation(static_cast<unsigned char>(text[at + length])) && length < 4) {
        ++length;
      }
    }
    afterLead = IsLeadSurrogate(point);
    if (point >= 0x10000) {
      point -= 0x10000;
      wide += static_cast<char16_t>(0xD800 + (point >> 10));
      wide += static_cast<char16_t>(0xDC00 + (point & 0x3FF));
    } else {
      wide += static_cast<char16_t>(point);
    }
    at += length;
  }
  return true;
}

std::string Wtf8FromUtf16(const char16_t* units, std::size_t count) {
  std::string text;
  text.reserve(count);
  for (std::size_t i = 0; i < count; ++i) {
    char32_t point = units[i];
    if (IsLeadSurrogate(point) && i + 1 < count && IsTrailSurrogate(units[i + 1])) {
      point = 0x10000 + ((point - 0xD800) << 10) + (units[++i] - 0xDC00);
    }
    Encode(point, text);
  }
  return text;
}

bool IsWtf8(const std::string& text) {
  std::u16string ignored;
  return Utf16FromWtf8(text, ignored, BadBytes::kRefuse);
}

std::size_t Utf16Length(const std::string& text) {
  std::size_t units = 0;
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (!IsContinuation(byte)) ++units;
    if (byte >= 0xF0) ++units;
  }
  return units;
}

}  // namespace mwn
