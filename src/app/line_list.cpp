#include "app/line_list.h"

#include "platform/platform.h"
#include "platform/win32/wide_path.h"

namespace mwn {
namespace {

constexpr wchar_t kLineEnd[] = L"\r\n";
constexpr std::size_t kLineEndLength = 2;

}  // namespace

void EditLines::Add(const std::string& line) {
  std::size_t end = 0;
  for (const std::wstring& existing : shown_) end += existing.size() + kLineEndLength;
  // The list first, so that the change handler already sees the new line.
  lines_.push_back(line);
  shown_.push_back(ShownText(line));
  ReplaceText(end, end, shown_.back() + kLineEnd);
}

std::string EditLines::Get(int index) const {
  if (index < 0 || index >= Count()) return std::string();
  return lines_[static_cast<std::size_t>(index)];
}

void EditLines::Delete(int index) {
  if (index < 0 || index >= Count()) return;
  const auto at = static_cast<std::size_t>(index);
  std::size_t start = 0;
  for (std::size_t i = 0; i < at; ++i) start += shown_[i].size() + kLineEndLength;
  const std::size_t end = start + shown_[at].size() + kLineEndLength;
  lines_.erase(lines_.begin() + index);
  shown_.erase(shown_.begin() + index);
  ReplaceText(start, end, std::wstring());
}

int EditLines::Count() const { return static_cast<int>(lines_.size()); }

int EditLines::Find(const std::string& line) const {
  for (std::size_t i = 0; i < lines_.size(); ++i) {
    if (platform_.EqualIgnoringCase(lines_[i], line)) return static_cast<int>(i);
  }
  return -1;
}

void EditLines::ReplaceText(std::size_t start, std::size_t end, const std::wstring& text) {
  SendMessageW(edit_, EM_SETSEL, static_cast<WPARAM>(start), static_cast<LPARAM>(end));
  SendMessageW(edit_, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text.c_str()));
}

}  // namespace mwn
