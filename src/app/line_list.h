// The lines of a read-only multi-line EDIT control as a string list: the
// strings added are the lines, whatever the control wraps on screen, and the
// control's text is always each line followed by CR LF.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "platform/win32/windows_api.h"
#include "update/base/window.h"

namespace mwn {

class Platform;

class EditLines : public StringList {
 public:
  explicit EditLines(Platform& platform) : platform_(platform) {}

  void Attach(HWND edit) { edit_ = edit; }

  // Appends at the end of the control's text; the control sends EN_CHANGE
  // to its parent before this returns.
  void Add(const std::string& line) override;
  // Out-of-range indexes give the empty string.
  std::string Get(int index) const override;
  // Out-of-range indexes change nothing.
  void Delete(int index) override;
  int Count() const override;
  int Find(const std::string& line) const override;

 private:
  // Positions in UTF-16 units, as the control counts them.
  void ReplaceText(std::size_t start, std::size_t end, const std::wstring& text);

  Platform& platform_;
  HWND edit_ = nullptr;
  std::vector<std::string> lines_;
  // Each line as the control holds it.
  std::vector<std::wstring> shown_;
};

}  // namespace mwn
