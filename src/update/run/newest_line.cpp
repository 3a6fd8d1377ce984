#include "update/run/newest_line.h"

namespace mwn {

TextSelection NewestLineSelection(const std::string& wholeText, const std::string& lastLine) {
  // The last line is followed by its own CR LF; an empty box selects nothing.
  if (wholeText.size() < lastLine.size() + 2) return {wholeText.size(), 0};
  return {wholeText.size() - lastLine.size() - 2, lastLine.size()};
}

}  // namespace mwn
