#include "update/base/json.h"

#include <cstdio>

#include "platform/wtf8.h"

namespace mwn {

namespace {

void AppendEscape(std::string& out, unsigned unit) {
  char escape[8];
  std::snprintf(escape, sizeof escape, "\\u%04X", unit);
  out += escape;
}

void AppendUtf8(std::string& out, char32_t point) {
  if (point < 0x80) {
    out += static_cast<char>(point);
  } else if (point < 0x800) {
    out += static_cast<char>(0xC0 | (point >> 6));
    out += static_cast<char>(0x80 | (point & 0x3F));
  } else if (point < 0x10000) {
    out += static_cast<char>(0xE0 | (point >> 12));
    out += static_cast<char>(0x80 | ((point >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (point & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (point >> 18));
    out += static_cast<char>(0x80 | ((point >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((point >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (point & 0x3F));
  }
}

bool IsHigh(char16_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool IsLow(char16_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

}  // namespace

std::string JsonString(const std::string& text) {
  std::u16string units;
  Utf16FromWtf8(text, units, BadBytes::kReplace);
  std::string out = "\"";
  for (std::size_t i = 0; i < units.size(); ++i) {
    const char16_t unit = units[i];
    if (IsHigh(unit) && i + 1 < units.size() && IsLow(units[i + 1])) {
      AppendUtf8(out, 0x10000 + ((unit - 0xD800) << 10) + (units[++i] - 0xDC00));
    } else if (IsHigh(unit) || IsLow(unit)) {
      AppendEscape(out, unit);
    } else if (unit == u'"' || unit == u'\\') {
      out += '\\';
      out += static_cast<char>(unit);
    } else if (unit == u'\n') {
      out += "\\n";
    } else if (unit == u'\r') {
      out += "\\r";
    } else if (unit == u'\t') {
      out += "\\t";
    } else if (unit < 0x20) {
      AppendEscape(out, unit);
    } else {
      AppendUtf8(out, unit);
    }
  }
  return out + "\"";
}

void JsonWriter::Key(const std::string& name) {
  Value(JsonString(name) + ":");
  afterKey_ = true;
}

void JsonWriter::String(const std::string& text) { Value(JsonString(text)); }

void JsonWriter::Number(std::int64_t value) { Value(std::to_string(value)); }

void JsonWriter::Bool(bool value) { Value(value ? "true" : "false"); }

void JsonWriter::Null() { Value("null"); }

void JsonWriter::Open(char bracket) {
  Value(std::string(1, bracket));
  first_.push_back(true);
}

void JsonWriter::Close(char bracket) {
  first_.pop_back();
  text_ += bracket;
}

void JsonWriter::Value(const std::string& json) {
  if (afterKey_) {
    afterKey_ = false;
  } else if (!first_.empty()) {
    if (!first_.back()) text_ += ',';
    first_.back() = false;
  }
  text_ += json;
}

}  // namespace mwn
