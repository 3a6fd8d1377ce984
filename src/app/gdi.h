// Scoped ownership of GDI resources: an object the program created, a
// window's device context, and an object selected into a device context. Each
// gives its resource back on every way out, exceptions included.
#pragma once

#include "platform/win32/unique_handle.h"
#include "platform/win32/windows_api.h"

namespace mwn {

template <typename Object>
struct GdiObjectTraits {
  using Handle = Object;
  static Handle Invalid() noexcept { return nullptr; }
  static void Close(Handle object) noexcept { DeleteObject(object); }
};

// Deleted when the owner goes: the caller makes sure it is no longer
// selected into a device context and no live control draws with it.
using UniqueFont = UniqueHandle<GdiObjectTraits<HFONT>>;

// The device context of a window's client area (the screen's, for a null
// window) from GetDC, released to the same window.
class WindowDC {
 public:
  explicit WindowDC(HWND window) : window_(window), dc_(GetDC(window)) {}
  ~WindowDC() {
    if (dc_ != nullptr) ReleaseDC(window_, dc_);
  }
  WindowDC(const WindowDC&) = delete;
  WindowDC& operator=(const WindowDC&) = delete;

  HDC get() const { return dc_; }

 private:
  HWND window_;
  HDC dc_;
};

// Selects an object into a device context for the guard's lifetime and then
// puts back the object it displaced, so the context never outlives the
// program's own object still selected.
class SelectedObject {
 public:
  SelectedObject(HDC dc, HGDIOBJ object) : dc_(dc), previous_(SelectObject(dc, object)) {}
  ~SelectedObject() {
    if (previous_ != nullptr && previous_ != HGDI_ERROR) SelectObject(dc_, previous_);
  }
  SelectedObject(const SelectedObject&) = delete;
  SelectedObject& operator=(const SelectedObject&) = delete;

 private:
  HDC dc_;
  HGDIOBJ previous_;
};

}  // namespace mwn
