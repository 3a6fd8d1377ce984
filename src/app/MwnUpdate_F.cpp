#include "app/MwnUpdate_F.h"

#include <exception>
#include <new>

#include "app/control_ids.h"
#include "app/form1_layout.h"
#include "app/gdi.h"
#include "app/plain_message.h"
#include "app/window_dpi.h"
#include "platform/errors.h"
#include "platform/platform.h"
#include "platform/pump.h"
#include "platform/win32/process/app_cursor.h"
#include "platform/win32/wide_path.h"
#include "platform/wtf8.h"
#include "update/base/texts.h"
#include "update/run/dialogs.h"
#include "update/run/newest_line.h"

namespace mwn {
namespace {

constexpr UINT_PTR kTimer1Id = 1;
constexpr UINT kTimer1IntervalMs = 1000;
// The run starts from the queue, not inside the system's activation
// sequence, which would otherwise be held open for the whole run.
constexpr UINT kActivated = WM_APP + 1;

HFONT CreateFormFont(int dpi) {
  return CreateFontW(FontHeightAtDpi(form1::kFontPoints, dpi), 0, 0, 0, FW_NORMAL, FALSE, FALSE,
                     FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                     DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, L"MS Sans Serif");
}

std::wstring WindowTextW(HWND window) {
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
  text.resize(static_cast<std::size_t>(GetWindowTextW(window, &text[0], static_cast<int>(text.size()))));
  return text;
}

std::string WindowText(HWND window) { return NarrowText(WindowTextW(window)); }

}  // namespace

Form1::Form1(HINSTANCE instance, HWND owner, Platform& platform, MessagePump& pump, RunLog& log,
             const std::string& applicationTitle, bool replaceInUse)
    : instance_(instance),
      owner_(owner),
      platform_(platform),
      pump_(pump),
      applicationTitle_(applicationTitle),
      run_(platform, *this, pump, log, RunMode::kInteractive, replaceInUse),
      lines_{{EditLines(platform), EditLines(platform), EditLines(platform)}} {
  pump_.BeforeEachPump([this] {
    if (progressPending_) {
      progressPending_ = false;
      ApplyLabelText(Label::Label4, pendingProgress_);
    }
  });
  const std::wstring className = ShownText(control::kForm1Class);
  RegisterWindowClass(instance, className.c_str(), reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1),
                      LoadIconW(nullptr, IDI_APPLICATION));
  const Box screen = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  // At the layout's own size first: the window's resolution is known only
  // once it is on a monitor.
  Box frame = CentredIn(screen, form1::kWidth, form1::kHeight);
  CreateWindowExW(0, className.c_str(), ShownText(text::kCaption).c_str(),
                  WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, frame.left, frame.top, frame.width,
                  frame.height, owner, nullptr, instance, this);
  if (hwnd_ == nullptr) return;
  frame = CentredIn(screen, ScaleToDpi(form1::kWidth, dpi_), ScaleToDpi(form1::kHeight, dpi_));
  SetWindowPos(hwnd_, nullptr, frame.left, frame.top, frame.width, frame.height,
               SWP_NOZORDER | SWP_NOACTIVATE);
}

Form1::~Form1() {
  // Here, while the whole object still answers the messages that the
  // destruction sends; the controls go with the window, before the font.
  if (hwnd_ != nullptr) DestroyWindow(hwnd_);
}

void Form1::Show() {
  ShowWindow(hwnd_, SW_SHOWNORMAL);
  UpdateWindow(hwnd_);
}

void Form1::CreateControls() {
  // Created in tab order: Memo1, Memo2, Memo3; placed by ScaleLayout.
  memos_[0] = CreateMemo(control::kMemo1, ES_AUTOHSCROLL);
  memos_[1] = CreateMemo(control::kMemo2, 0);
  memos_[2] = CreateMemo(control::kMemo3, 0);
  labels_[0] = CreateLabel(control::kLabel1, WS_VISIBLE);
  labels_[1] = CreateLabel(control::kLabel2, WS_VISIBLE);
  labels_[2] = CreateLabel(control::kLabel3, 0);
  labels_[3] = CreateLabel(control::kLabel4, WS_VISIBLE);
  ScaleLayout(WindowDpi(hwnd_));
  // Sized to its text like every label: 203 pixels with the classic font at
  // 96 dpi, wider where the system substitutes a wider one.
  ApplyLabelText(Label::Label3, text::kDrivesHeading);
  for (std::size_t i = 0; i < memos_.size(); ++i) lines_[i].Attach(memos_[i]);
}

HWND Form1::CreateMemo(int id, DWORD wrapStyle) {
  HWND memo = CreateWindowExW(
      WS_EX_CLIENTEDGE, L"EDIT", L"",
      WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | WS_HSCROLL | ES_MULTILINE |
          ES_AUTOVSCROLL | ES_READONLY | wrapStyle,
      0, 0, 0, 0, hwnd_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance_, nullptr);
  // No limit: the lists of copies and folders can grow long.
  SendMessageW(memo, EM_SETLIMITTEXT, 0, 0);
  return memo;
}

HWND Form1::CreateLabel(int id, DWORD visibility) {
  // No prefix: a folder name may hold an "&".
  return CreateWindowExW(0, L"STATIC", L"",
                         WS_CHILD | visibility | SS_LEFTNOWORDWRAP | SS_NOPREFIX, 0, 0, 0, 0, hwnd_,
                         reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance_, nullptr);
}

HWND Form1::Control(int id) const {
  return id >= control::kMemo1 ? memos_[static_cast<std::size_t>(id - control::kMemo1)]
                               : labels_[static_cast<std::size_t>(id - control::kLabel1)];
}

void Form1::ScaleLayout(int dpi) {
  dpi_ = dpi;
  UniqueFont font(CreateFormFont(dpi));
  for (const form1::ControlPlace& place : form1::kControls) {
    HWND control = Control(place.id);
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), TRUE);
    const Box box = ScaleToDpi(place.box, dpi);
    SetWindowPos(control, nullptr, box.left, box.top, box.width, box.height,
                 SWP_NOZORDER | SWP_NOACTIVATE);
  }
  // Only once no control draws with the previous one.
  font_ = std::move(font);
  for (HWND label : labels_) FitLabel(label, WindowTextW(label));
}

StringList& Form1::Lines(Memo memo) { return lines_[static_cast<std::size_t>(memo)]; }

void Form1::SetMemoEnabled(Memo memo, bool enabled) { EnableWindow(MemoHandle(memo), enabled); }

void Form1::SetMemoColour(Memo memo, std::uint32_t colour) {
  SetTextColour(MemoHandle(memo), colour);
}

void Form1::SetLabelText(Label label, const std::string& text) {
  if (label == Label::Label4) {
    pendingProgress_ = text;
    progressPending_ = true;
    return;
  }
  ApplyLabelText(label, text);
}

void Form1::ApplyLabelText(Label label, const std::string& text) {
  HWND window = LabelHandle(label);
  const std::wstring shown = ShownText(text);
  FitLabel(window, shown);
  SetWindowTextW(window, shown.c_str());
}

void Form1::FitLabel(HWND label, const std::wstring& text) {
  const int height = ScaleToDpi(form1::kLabelHeight, dpi_);
  SIZE extent = {ScaleToDpi(form1::kEmptyLabelWidth, dpi_), height};
  if (!text.empty()) {
    WindowDC dc(label);
    SelectedObject font(dc.get(), font_.get());
    GetTextExtentPoint32W(dc.get(), text.c_str(), static_cast<int>(text.size()), &extent);
  }
  SetWindowPos(label, nullptr, 0, 0, extent.cx, height,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Form1::SetLabelVisible(Label label, bool visible) {
  ShowWindow(LabelHandle(label), visible ? SW_SHOWNA : SW_HIDE);
}

void Form1::SetLabelEnabled(Label label, bool enabled) {
  EnableWindow(LabelHandle(label), enabled);
}

void Form1::SetLabelColour(Label label, std::uint32_t colour) {
  SetTextColour(LabelHandle(label), colour);
}

void Form1::SetTextColour(HWND control, std::uint32_t colour) {
  textColours_[control] = colour;
  InvalidateRect(control, nullptr, TRUE);
}

LRESULT Form1::ControlColour(UINT message, WPARAM wParam, LPARAM lParam) {
  // The system's colours and brush, as the control would have them anyway;
  // only the text colour is the program's.
  const LRESULT brush = Default(message, wParam, lParam);
  const auto colour = textColours_.find(reinterpret_cast<HWND>(lParam));
  if (colour != textColours_.end()) SetTextColor(reinterpret_cast<HDC>(wParam), colour->second);
  return brush;
}

void Form1::SetCaption(const std::string& caption) {
  SetWindowTextW(hwnd_, ShownText(caption).c_str());
}

void Form1::StartTimer1() {
  timer1Running_ = SetTimer(hwnd_, kTimer1Id, kTimer1IntervalMs, nullptr) != 0;
}

void Form1::StopTimer1() {
  KillTimer(hwnd_, kTimer1Id);
  timer1Running_ = false;
}

bool Form1::Timer1Running() const { return timer1Running_; }

void Form1::FocusMemo2() { SetFocus(MemoHandle(Memo::Memo2)); }

void Form1::FocusNone() { SetFocus(hwnd_); }

void Form1::Memo2CaretToEnd() {
  HWND memo = MemoHandle(Memo::Memo2);
  const LRESULT length = GetWindowTextLengthW(memo);
  SendMessageW(memo, EM_SETSEL, static_cast<WPARAM>(length), length);
  SendMessageW(memo, EM_SCROLLCARET, 0, 0);
}

void Form1::ShowPlainMessage(const std::string& text) {
  mwn::ShowPlainMessage(instance_, owner_, applicationTitle_, text, ending_);
}

void Form1::Close() {
  if (working_) {
    ending_ = true;
  } else if (hwnd_ != nullptr) {
    DestroyWindow(hwnd_);
  }
}

void Form1::OnActivate(WPARAM wParam, LPARAM lParam) {
  if (LOWORD(wParam) == WA_INACTIVE) {
    HWND focus = GetFocus();
    focusToRestore_ = IsChild(hwnd_, focus) ? focus : nullptr;
    return;
  }
  const bool minimized = HIWORD(wParam) != 0;
  if (!minimized && focusToRestore_ != nullptr && IsWindow(focusToRestore_)) {
    SetFocus(focusToRestore_);
  } else {
    Default(WM_ACTIVATE, wParam, lParam);
  }
  PostMessageW(hwnd_, kActivated, 0, 0);
}

void Form1::FormCreate() { animationCounter_ = 0; }

// The activation handler, with the application's one error handler.
void Form1::FormShow() {
  if (working_) return;
  working_ = true;
  try {
    run_.FormShow();
  } catch (const Exception& error) {
    ShowErrorMessage(platform_, applicationTitle_, error);
  } catch (const std::bad_alloc&) {
    ShowErrorMessage(platform_, applicationTitle_, EOutOfMemory());
  } catch (const std::exception& error) {
    // Not one of the program's own errors; shown all the same rather than
    // ending the program from inside a window procedure.
    ShowErrorMessage(platform_, applicationTitle_, Exception(error.what()));
  }
  working_ = false;
  if (ending_ && hwnd_ != nullptr) DestroyWindow(hwnd_);
}

void Form1::Timer1Timer() {
  SetCaption(CaptionFrame(animationCounter_));
  pump_.Step();
  animationCounter_ = (animationCounter_ + 1) % kCaptionFrameCount;
}

void Form1::Memo2Change() {
  HWND memo = MemoHandle(Memo::Memo2);
  const StringList& lines = Lines(Memo::Memo2);
  pump_.Step();
  std::string last = lines.Get(lines.Count() - 1);
  const std::string whole = WindowText(memo);
  const TextSelection selection = NewestLineSelection(whole, last);
  pump_.Step();
  last = lines.Get(lines.Count() - 1);
  // The control counts in UTF-16 units.
  const std::size_t start = Utf16Length(whole.substr(0, selection.start));
  SendMessageW(memo, EM_SETSEL, start, static_cast<LPARAM>(start + Utf16Length(last)));
  SendMessageW(memo, EM_SCROLLCARET, 0, 0);
  pump_.Step();
}

LRESULT Form1::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE:
      CreateControls();
      FormCreate();
      return 0;
    case WM_ACTIVATE:
      OnActivate(wParam, lParam);
      return 0;
    case kDpiChangedMessage: {
      const RECT& suggested = *reinterpret_cast<const RECT*>(lParam);
      SetWindowPos(hwnd_, nullptr, suggested.left, suggested.top,
                   suggested.right - suggested.left, suggested.bottom - suggested.top,
                   SWP_NOZORDER | SWP_NOACTIVATE);
      ScaleLayout(LOWORD(wParam));
      return 0;
    }
    case kActivated:
      FormShow();
      return 0;
    case WM_TIMER:
      if (wParam == kTimer1Id) Timer1Timer();
      return 0;
    case WM_COMMAND:
      if (LOWORD(wParam) == control::kMemo2 && HIWORD(wParam) == EN_CHANGE) Memo2Change();
      return 0;
    case WM_CTLCOLORSTATIC:
      return ControlColour(message, wParam, lParam);
    case WM_SETCURSOR:
      // Over a list the arrow means "no cursor of the program's": the list
      // keeps its own text cursor.
      if (LOWORD(lParam) == HTCLIENT &&
          (reinterpret_cast<HWND>(wParam) == hwnd_ ||
           ApplicationCursor() != LoadCursorW(nullptr, IDC_ARROW))) {
        SetCursor(ApplicationCursor());
        return TRUE;
      }
      break;
    case WM_SYSCOMMAND:
      // The window has no taskbar button of its own: minimising it
      // minimises the application, which hides it.
      if ((wParam & 0xFFF0) == SC_MINIMIZE) {
        ShowWindow(owner_, SW_MINIMIZE);
        return 0;
      }
      break;
    case WM_CLOSE:
      Close();
      return 0;
    case WM_DESTROY:
      if (timer1Running_) StopTimer1();
      PostQuitMessage(0);
      return 0;
  }
  return Default(message, wParam, lParam);
}

}  // namespace mwn
