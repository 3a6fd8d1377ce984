#include "app/application_window.h"

#include "platform/win32/wide_path.h"

namespace mwn {
namespace {

constexpr wchar_t kClassName[] = L"MwnApplication";
constexpr UINT kPassActivation = WM_APP + 1;

}  // namespace

ApplicationWindow::ApplicationWindow(HINSTANCE instance, const std::string& title) {
  RegisterWindowClass(instance, kClassName, nullptr, LoadIconW(nullptr, IDI_APPLICATION));
  CreateWindowExW(0, kClassName, ShownText(title).c_str(),
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
      if (LOWORD(wParam) != WA_INACTIVE) PostMessageW(hwnd_, kPassActivation, 0, 0);
      return 0;
    case kPassActivation:
      if (GetActiveWindow() == hwnd_ && MainWindowTakesInput()) SetActiveWindow(mainWindow_);
      return 0;
    case WM_CLOSE:
      // Not while a modal dialog of the program is up.
      if (mainWindow_ != nullptr && IsWindowEnabled(mainWindow_)) {
        SendMessageW(mainWindow_, WM_CLOSE, 0, 0);
      }
      return 0;
  }
  return Default(message, wParam, lParam);
}

}  // namespace mwn
