// The one writer of JSON the program has (the run's report), with the one
// routine that turns the program's text into a JSON string.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace mwn {

// `text` (WTF-8) as a quoted JSON string: valid UTF-8 kept as it is, quotes,
// backslashes and control characters escaped, a lone surrogate (a name NTFS
// keeps that is not valid UTF-16) as its \uD800-style escape so that it
// still names the same file, and bytes that spell nothing as U+FFFD.
std::string JsonString(const std::string& text);

// Builds one document in the order of the calls; commas are its concern.
class JsonWriter {
 public:
  void BeginObject() { Open('{'); }
  void EndObject() { Close('}'); }
  void BeginArray() { Open('['); }
  void EndArray() { Close(']'); }
  // The name of the next member of the object open.
  void Key(const std::string& name);
  void String(const std::string& text);
  void Number(std::int64_t value);
  void Bool(bool value);
  void Null();
  const std::string& Text() const { return text_; }

 private:
  void Open(char bracket);
  void Close(char bracket);
  void Value(const std::string& json);

  std::string text_;
  // Per level open: true until its first member or element.
  std::vector<bool> first_;
  bool afterKey_ = false;
};

}  // namespace mwn
