#include "app/line_list.h"

#include "platform/platform.h"

namespace mwn {
namespace {

constexpr char kLineEnd[] = "\r\n";
constexpr std::size_t kLineEndLength = 2;

}  // namespace

void EditLines::Add(const std::string& line) {
  std::size_t end = 0;
  for (const std::string& existing : lines_) end += existing.size() + kLineEndLength;
  // The list first, so that the change handler already sees the new line.
  lines_.push_back(line);
  ReplaceText(end, end, line + kLineEnd);
}

std::string EditLines::Get(int index) const {
  if (index < 0 || index >= Count()) return std::string();
  return lines_[static_cast<std::size_t>(index)];
}

void EditLines::Delete(int index) {
  if (index < 0 || index >= Count()) return;
  std::size_t start = 0;
  for (int i = 0; i < index; ++i) start += lines_[static_cast<std::size_t>(i)].size() + kLineEndLength;
  const std::size_t end = start + lines_[static_cast<std::size_t>(index)].size() + kLineEndLength;
  lines_.erase(lines_.begin() + index);
  ReplaceText(start, end, std::string());
}

int EditLines::Count() const { return static_cast<int>(lines_.size()); }

int EditLines::Find(const std::string& line) const {
  for (std::size_t i = 0; i < lines_.size(); ++i) {
    if (platform_.EqualIgnoringCase(lines_[i], line)) return static_cast<int>(i);
  }
  return -1;
}

void EditLines::ReplaceText(std::size_t start, std::size_t end, const std::string& text) {
  SendMessageA(edit_, EM_SETSEL, static_cast<WPARAM>(start), static_cast<LPARAM>(end));
  SendMessageA(edit_, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text.c_str()));
}

}  // namespace mwn
