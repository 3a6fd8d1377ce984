#include "app/application_window.h"

namespace mwn {
namespace {

constexpr char kClassName[] = "MwnApplication";
constexpr UINT kPassActivation = WM_APP + 1;

}  // namespace

ApplicationWindow::ApplicationWindow(HINSTANCE instance, const std::string& title) {
  RegisterWindowClass(instance, kClassName, nullptr, LoadIconA(nullptr, IDI_APPLICATION));
  CreateWindowExA(0, kClassName, title.c_str(),
                  WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPSIBLINGS,
                  GetSystemMetrics(SM_CXSCREEN) / 2, GetSystemMetrics(SM_CYSCREEN) / 2, 0, 0,
                  nullptr, nullptr, instance, this);
}

ApplicationWindow::~ApplicationWindow() {
  if (hwnd_ != nullptr) DestroyWindow(hwnd_);
}

void ApplicationWindow::Show() { ShowWindow(hwnd_, SW_SHOWNOACTIVATE); }

bool ApplicationWindow::MainWindowTakesInput() const {
  return mainWindow_ != nullptr && IsWindow(mainWindow_) && IsWindowVisible(mainWindow_) &&
         IsWindowEnabled(mainWindow_);
}

LRESULT ApplicationWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_ACTIVATE:
      // Posted: activating another window from inside an activation would
      // nest the system's activation sequence.
      if (LOWORD(wParam) != WA_INACTIVE) PostMessageA(hwnd_, kPassActivation, 0, 0);
      return 0;
    case kPassActivation:
      if (GetActiveWindow() == hwnd_ && MainWindowTakesInput()) SetActiveWindow(mainWindow_);
      return 0;
    case WM_CLOSE:
      // Not while a modal dialog of the program is up.
      if (mainWindow_ != nullptr && IsWindowEnabled(mainWindow_)) {
        SendMessageA(mainWindow_, WM_CLOSE, 0, 0);
      }
      return 0;
  }
  return Default(message, wParam, lParam);
}

}  // namespace mwn
