// Keeps the program's other windows from taking input while a modal dialog
// of its own is up, the way the system's own modal loops would if every
// window had the dialog as its owner.
//
// A system dialog disables its owner itself and enables it again just before
// it goes, so the activation passes back to the owner; it does so only when it
// found the owner enabled. The owner of such a dialog is therefore left to it:
// disabled here, it would stay disabled as the dialog closes, no window of the
// program could take the activation, and the system would give it to another
// program, out of reach of a later SetActiveWindow.
#pragma once

#include <vector>

#include "platform/win32/windows_api.h"

namespace mwn {

class TaskWindowsDisabled {
 public:
  // Disables every visible and enabled top-level window of this thread but
  // `systemDialogOwner`, and remembers the active window. The program's own
  // modal windows leave none out; they end the guard before they destroy
  // themselves, so that the activation has an enabled window to return to.
  explicit TaskWindowsDisabled(HWND systemDialogOwner = nullptr);
  // Re-enables exactly the windows it disabled and re-activates the window
  // that was active before.
  ~TaskWindowsDisabled();
  TaskWindowsDisabled(const TaskWindowsDisabled&) = delete;
  TaskWindowsDisabled& operator=(const TaskWindowsDisabled&) = delete;

 private:
  static BOOL CALLBACK DisableOne(HWND window, LPARAM self);

  HWND systemDialogOwner_;
  HWND previouslyActive_;
  std::vector<HWND> disabled_;
};

}  // namespace mwn
