#include "platform/win32/process/task_windows.h"

namespace mwn {

TaskWindowsDisabled::TaskWindowsDisabled(HWND systemDialogOwner)
    : systemDialogOwner_(systemDialogOwner), previouslyActive_(GetActiveWindow()) {
  EnumThreadWindows(GetCurrentThreadId(), &TaskWindowsDisabled::DisableOne,
                    reinterpret_cast<LPARAM>(this));
}

TaskWindowsDisabled::~TaskWindowsDisabled() {
  // Enabling before activating: a disabled window cannot become active.
  for (HWND window : disabled_) {
    if (IsWindow(window)) EnableWindow(window, TRUE);
  }
  if (previouslyActive_ != nullptr && IsWindow(previouslyActive_)) {
    SetActiveWindow(previouslyActive_);
  }
}

BOOL CALLBACK TaskWindowsDisabled::DisableOne(HWND window, LPARAM self) {
  auto* guard = reinterpret_cast<TaskWindowsDisabled*>(self);
  if (window != guard->systemDialogOwner_ && IsWindowVisible(window) && IsWindowEnabled(window)) {
    EnableWindow(window, FALSE);
    guard->disabled_.push_back(window);
  }
  return TRUE;
}

}  // namespace mwn
