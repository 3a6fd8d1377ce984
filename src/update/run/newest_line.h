#pragma once

#include <cstddef>
#include <string>

namespace mwn {

struct TextSelection {
  std::size_t start = 0;
  std::size_t length = 0;
};

// The selection that covers exactly the last line of a text box whose text
// is `wholeText` (every line ending in CR LF) and whose last line is
// `lastLine`.
TextSelection NewestLineSelection(const std::string& wholeText, const std::string& lastLine);

}  // namespace mwn
