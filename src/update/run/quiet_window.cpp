#include "update/run/quiet_window.h"

#include "platform/platform.h"

namespace mwn {

QuietWindow::QuietWindow(Platform& platform)
    : memo1_(platform), memo2_(platform), memo3_(platform) {}

StringList& QuietWindow::Lines(Memo memo) {
  return OfMemo(memo, memo1_, memo2_, memo3_);
}

std::string QuietWindow::MemoryLines::Get(int index) const {
  return index >= 0 && index < Count() ? lines_[static_cast<std::size_t>(index)] : "";
}

void QuietWindow::MemoryLines::Delete(int index) {
  if (index >= 0 && index < Count()) lines_.erase(lines_.begin() + index);
}

int QuietWindow::MemoryLines::Find(const std::string& line) const {
  for (int i = 0; i < Count(); ++i) {
    if (platform_.EqualIgnoringCase(lines_[static_cast<std::size_t>(i)], line)) return i;
  }
  return -1;
}

}  // namespace mwn
