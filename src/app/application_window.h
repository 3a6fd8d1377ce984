// The application's hidden top-level window: it carries the program's
// taskbar button under the application title, owns the main window and the
// message boxes, and is never seen itself (it has no size).
#pragma once

#include <string>

#include "app/window_base.h"
#include "platform/win32/windows_api.h"

namespace mwn {

class ApplicationWindow : public WindowBase<ApplicationWindow> {
 public:
  ApplicationWindow(HINSTANCE instance, const std::string& title);
  ~ApplicationWindow();

  // The window that closing the taskbar button closes and that receives the
  // activation whenever this window gets it.
  void SetMainWindow(HWND mainWindow) { mainWindow_ = mainWindow; }
  void Show();

 private:
  friend class WindowBase<ApplicationWindow>;

  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
  bool MainWindowTakesInput() const;

  HWND mainWindow_ = nullptr;
};

}  // namespace mwn
