// Keeps the program's other windows from taking input while a modal dialog
// of its own is up, the way the system's own modal loops would if every
// window had the dialog as its owner.
#pragma once

#include <vector>

#include "platform/win32/windows_api.h"

namespace mwn {

class TaskWindowsDisabled {
 public:
  // Disables every visible and enabled top-level window of this thread but
  // `except`, and remembers the active window.
  explicit TaskWindowsDisabled(HWND except = nullptr);
  // Re-enables exactly the windows it disabled and re-activates the window
  // that was active before.
  ~TaskWindowsDisabled();
  TaskWindowsDisabled(const TaskWindowsDisabled&) = delete;
  TaskWindowsDisabled& operator=(const TaskWindowsDisabled&) = delete;

 private:
  static BOOL CALLBACK DisableOne(HWND window, LPARAM self);

  HWND except_;
  HWND previouslyActive_;
  std::vector<HWND> disabled_;
};

}  // namespace mwn
