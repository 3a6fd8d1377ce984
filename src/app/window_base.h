// One C++ object per window: the static window procedure finds the object
// that CreateWindowEx was given and lets its HandleMessage answer.
//
// Each derived class destroys its window in its own destructor: by the time
// this base's destructor runs, the derived part is gone, and the messages
// that DestroyWindow sends would reach a HandleMessage of a dead object.
#pragma once

#include "platform/win32/windows_api.h"

namespace mwn {

template <typename Derived>
class WindowBase {
 public:
  WindowBase(const WindowBase&) = delete;
  WindowBase& operator=(const WindowBase&) = delete;

  // Null once the window has been destroyed.
  HWND Handle() const { return hwnd_; }

 protected:
  WindowBase() = default;
  ~WindowBase() = default;

  // Registers the class once per process; later calls find it registered.
  static void RegisterWindowClass(HINSTANCE instance, const wchar_t* className, HBRUSH background,
                                  HICON icon) {
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = &WindowBase::WindowProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = icon;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = background;
    windowClass.lpszClassName = className;
    RegisterClassW(&windowClass);
  }

  LRESULT Default(UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcW(hwnd_, message, wParam, lParam);
  }

  HWND hwnd_ = nullptr;

 private:
  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    Derived* self = nullptr;
    if (message == WM_NCCREATE) {
      self = static_cast<Derived*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
      self->hwnd_ = hwnd;
      SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    } else {
      self = reinterpret_cast<Derived*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    }
    if (self == nullptr) return DefWindowProcW(hwnd, message, wParam, lParam);

    const LRESULT result = self->HandleMessage(message, wParam, lParam);
    if (message == WM_NCDESTROY) {
      SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
      self->hwnd_ = nullptr;
    }
    return result;
  }
};

}  // namespace mwn
