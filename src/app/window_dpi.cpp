#include "app/window_dpi.h"

#include "platform/win32/process/system_library.h"
#include "update/base/display_scale.h"

namespace mwn {
namespace {

using GetDpiForWindowFunction = UINT(WINAPI*)(HWND);
using SystemParametersInfoForDpiFunction = BOOL(WINAPI*)(UINT, UINT, PVOID, UINT, UINT);
using AdjustWindowRectExForDpiFunction = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);

SystemLibrary& UserLibrary() {
  static SystemLibrary library(L"user32.dll");
  return library;
}

int SystemDpi() {
  WindowDC screen(nullptr);
  const int dpi = screen.get() != nullptr ? GetDeviceCaps(screen.get(), LOGPIXELSY) : 0;
  return dpi > 0 ? dpi : kLayoutDpi;
}

}  // namespace

int WindowDpi(HWND window) {
  static const auto getDpiForWindow =
      UserLibrary().Function<GetDpiForWindowFunction>("GetDpiForWindow");
  if (getDpiForWindow != nullptr) {
    const UINT dpi = getDpiForWindow(window);
    if (dpi != 0) return static_cast<int>(dpi);
  }
  WindowDC dc(window);
  const int dpi = dc.get() != nullptr ? GetDeviceCaps(dc.get(), LOGPIXELSX) : 0;
  return dpi > 0 ? dpi : kLayoutDpi;
}

UniqueFont MessageFontAtDpi(int dpi) {
  static const auto forDpi = UserLibrary().Function<SystemParametersInfoForDpiFunction>(
      "SystemParametersInfoForDpi");
  NONCLIENTMETRICSW metrics = {};
  metrics.cbSize = sizeof(metrics);
  if (forDpi != nullptr && forDpi(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0,
                                  static_cast<UINT>(dpi))) {
    return UniqueFont(CreateFontIndirectW(&metrics.lfMessageFont));
  }
  if (!SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0)) {
    return UniqueFont();
  }
  // Given at the system's resolution.
  metrics.lfMessageFont.lfHeight = MulDivRounded(metrics.lfMessageFont.lfHeight, dpi, SystemDpi());
  return UniqueFont(CreateFontIndirectW(&metrics.lfMessageFont));
}

SIZE FrameSizeAtDpi(SIZE client, DWORD style, DWORD exStyle, int dpi) {
  static const auto forDpi = UserLibrary().Function<AdjustWindowRectExForDpiFunction>(
      "AdjustWindowRectExForDpi");
  RECT frame = {0, 0, client.cx, client.cy};
  if (forDpi == nullptr || !forDpi(&frame, style, FALSE, exStyle, static_cast<UINT>(dpi))) {
    AdjustWindowRectEx(&frame, style, FALSE, exStyle);
  }
  return {frame.right - frame.left, frame.bottom - frame.top};
}

}  // namespace mwn
