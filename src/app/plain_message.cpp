#include "app/plain_message.h"

#include <algorithm>
#include <utility>

#include "app/gdi.h"
#include "app/window_base.h"
#include "app/window_dpi.h"
#include "platform/win32/process/app_cursor.h"
#include "platform/win32/process/task_windows.h"
#include "platform/win32/wide_path.h"
#include "update/base/display_scale.h"

namespace mwn {
namespace {

constexpr wchar_t kClassName[] = L"MwnPlainMessage";
constexpr wchar_t kMeasureLetters[] = L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
constexpr int kMeasureLetterCount = 52;
constexpr int kMarginX = 8;
constexpr int kMarginY = 8;
constexpr int kTextToButton = 10;
constexpr int kButtonWidth = 50;
constexpr int kButtonHeight = 14;
constexpr DWORD kStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU;
constexpr DWORD kExStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;
constexpr UINT kTextFormat = DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS | DT_NOPREFIX;

// Pixel sizes of the message's parts, from dialog units of the message font,
// which is made for the window's resolution: the layout scales with it.
struct Layout {
  RECT text = {};
  RECT button = {};
  SIZE client = {};
};

Layout MeasureLayout(HFONT font, const std::wstring& text) {
  SIZE letters = {};
  RECT textRect = {0, 0, GetSystemMetrics(SM_CXSCREEN) / 2, 0};
  {
    WindowDC screen(nullptr);
    SelectedObject selection(screen.get(), font);
    GetTextExtentPoint32W(screen.get(), kMeasureLetters, kMeasureLetterCount, &letters);
    DrawTextW(screen.get(), text.c_str(), -1, &textRect, kTextFormat);
  }

  const int averageWidth = (letters.cx / (kMeasureLetterCount / 2) + 1) / 2;
  auto unitsX = [&](int units) { return MulDiv(units, averageWidth, 4); };
  auto unitsY = [&](int units) { return MulDiv(units, letters.cy, 8); };

  Layout layout;
  const int textWidth = textRect.right - textRect.left;
  const int textHeight = textRect.bottom - textRect.top;
  const int buttonWidth = unitsX(kButtonWidth);
  const int buttonHeight = unitsY(kButtonHeight);
  layout.client.cx = std::max(textWidth, buttonWidth) + 2 * unitsX(kMarginX);
  layout.text = {unitsX(kMarginX), unitsY(kMarginY), unitsX(kMarginX) + textWidth,
                 unitsY(kMarginY) + textHeight};
  const int buttonLeft = (layout.client.cx - buttonWidth) / 2;
  const int buttonTop = layout.text.bottom + unitsY(kTextToButton);
  layout.button = {buttonLeft, buttonTop, buttonLeft + buttonWidth, buttonTop + buttonHeight};
  layout.client.cy = layout.button.bottom + unitsY(kMarginY);
  return layout;
}

class PlainMessage : public WindowBase<PlainMessage> {
 public:
  PlainMessage(HINSTANCE instance, HWND owner, const std::string& title, const std::string& text)
      : text_(ShownText(text)) {
    RegisterWindowClass(instance, kClassName, reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1),
                        nullptr);
    // Empty at the screen's centre until its resolution, which the font and
    // so every size follow, is known.
    CreateWindowExW(kExStyle, kClassName, ShownText(title).c_str(), kStyle,
                    GetSystemMetrics(SM_CXSCREEN) / 2, GetSystemMetrics(SM_CYSCREEN) / 2, 0, 0,
                    owner, nullptr, instance, this);
    if (hwnd_ == nullptr) return;

    label_ = CreateChild(instance, L"STATIC", text_.c_str(), SS_LEFT | SS_NOPREFIX, 0);
    button_ = CreateChild(instance, L"BUTTON", L"OK", BS_DEFPUSHBUTTON | WS_TABSTOP, IDOK);
    const Box screen = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    LayOut(WindowDpi(hwnd_), screen);
  }

  ~PlainMessage() {
    if (hwnd_ != nullptr) DestroyWindow(hwnd_);
  }

  // Shows the message, runs its modal loop and destroys it.
  void RunModal(const bool& ending) {
    if (hwnd_ == nullptr) return;
    {
      TaskWindowsDisabled others;
      ArrowWhileModal arrow;
      ShowWindow(hwnd_, SW_SHOWNORMAL);
      SetFocus(button_);
      HandleMessagesUntilDismissed(ending);
    }
    // Only once the owner and the other windows take input again: while the
    // message is the program's one enabled window, destroying it would hand
    // the activation to another program.
    DestroyWindow(hwnd_);
  }

 private:
  friend class WindowBase<PlainMessage>;

  HWND CreateChild(HINSTANCE instance, const wchar_t* className, const wchar_t* text, DWORD style,
                   int id) {
    return CreateWindowExW(0, className, text, WS_CHILD | WS_VISIBLE | style, 0, 0, 0, 0, hwnd_,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
  }

  // Measures the message in the message font at `dpi` and centres the
  // window, sized to it, in `area`.
  void LayOut(int dpi, const Box& area) {
    UniqueFont font = MessageFontAtDpi(dpi);
    HFONT shown = font ? font.get() : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    const Layout layout = MeasureLayout(shown, text_);
    const SIZE frame = FrameSizeAtDpi(layout.client, kStyle, kExStyle, dpi);
    const Box place = CentredIn(area, frame.cx, frame.cy);
    SetWindowPos(hwnd_, nullptr, place.left, place.top, place.width, place.height,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    for (const auto& [child, rect] : {std::make_pair(label_, layout.text),
                                      std::make_pair(button_, layout.button)}) {
      SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(shown), TRUE);
      SetWindowPos(child, nullptr, rect.left, rect.top, rect.right - rect.left,
                   rect.bottom - rect.top, SWP_NOZORDER | SWP_NOACTIVATE);
    }
    // Only once no control draws with the previous one.
    font_ = std::move(font);
  }

  void HandleMessagesUntilDismissed(const bool& ending) {
    while (!dismissed_) {
      MSG message;
      const BOOL got = GetMessageW(&message, nullptr, 0, 0);
      if (got == 0) {
        // The main loop ends the program on it.
        PostQuitMessage(static_cast<int>(message.wParam));
        return;
      }
      if (got < 0) return;
      if (!IsDialogMessageW(hwnd_, &message)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
      }
      if (ending) return;
    }
  }

  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
      case WM_COMMAND:
        // IsDialogMessage turns Enter into IDOK and Escape into IDCANCEL.
        if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) dismissed_ = true;
        return 0;
      case WM_CLOSE:
        dismissed_ = true;
        return 0;
      case kDpiChangedMessage: {
        // Sized to the text again, about the centre of the rectangle the
        // system suggests, so that it stays on the monitor it was moved to.
        const RECT& suggested = *reinterpret_cast<const RECT*>(lParam);
        LayOut(LOWORD(wParam), {suggested.left, suggested.top, suggested.right - suggested.left,
                                suggested.bottom - suggested.top});
        return 0;
      }
      case DM_GETDEFID:
        return MAKELRESULT(IDOK, DC_HASDEFID);
      case WM_SETCURSOR:
        if (LOWORD(lParam) == HTCLIENT) {
          SetCursor(ApplicationCursor());
          return TRUE;
        }
        break;
    }
    return Default(message, wParam, lParam);
  }

  const std::wstring text_;
  UniqueFont font_;
  HWND label_ = nullptr;
  HWND button_ = nullptr;
  bool dismissed_ = false;
};

}  // namespace

void ShowPlainMessage(HINSTANCE instance, HWND owner, const std::string& title,
                      const std::string& text, const bool& ending) {
  PlainMessage message(instance, owner, title, text);
  message.RunModal(ending);
}

}  // namespace mwn
