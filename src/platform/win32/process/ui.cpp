#include "platform/win32/process/app_cursor.h"
#include "platform/win32/process/task_windows.h"
#include "platform/win32/unique_handle.h"
#include "platform/win32/wide_path.h"
#include "platform/win32/win32_platform.h"

namespace mwn {

void Win32Platform::ProcessMessages() {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) {
      // Put back for the main message loop, which ends the program on it.
      PostQuitMessage(static_cast<int>(message.wParam));
      return;
    }
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

bool QuitPending() {
  MSG message;
  return PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE);
}

bool WaitAnswering(HANDLE object, const Progress& whileWaiting) {
  bool quitting = QuitPending();
  for (;;) {
    const DWORD woke = quitting ? WaitForSingleObject(object, INFINITE)
                                : MsgWaitForMultipleObjectsEx(1, &object, INFINITE, QS_ALLINPUT,
                                                              kWakeOnAnyInput);
    if (woke == WAIT_OBJECT_0) return true;
    if (woke != WAIT_OBJECT_0 + 1) return false;
    if (whileWaiting) whileWaiting();
    quitting = QuitPending();
  }
}

namespace {

BOOL CALLBACK StopAtFirst(HWND, LPARAM found) {
  *reinterpret_cast<bool*>(found) = true;
  return FALSE;
}

bool ThreadHasWindows() {
  bool found = false;
  EnumThreadWindows(GetCurrentThreadId(), &StopAtFirst, reinterpret_cast<LPARAM>(&found));
  return found;
}

}  // namespace

DWORD CallAnswering(LPTHREAD_START_ROUTINE call, void* context, const Progress& whileWaiting) {
  // Without a window (the listed-copies mode) there is nothing to answer.
  if (!whileWaiting || !ThreadHasWindows()) return call(context);
  const UniqueKernelHandle thread(CreateThread(nullptr, 0, call, context, 0, nullptr));
  if (!thread) return call(context);
  // The thread uses what `context` points to until it ends, so it is waited
  // for whatever comes.
  if (!WaitAnswering(thread.get(), whileWaiting)) WaitForSingleObject(thread.get(), INFINITE);
  DWORD answer = 0;
  return GetExitCodeThread(thread.get(), &answer) ? answer : 0;
}

std::uint32_t Win32Platform::TickCount() { return GetTickCount(); }

void Win32Platform::Pause(std::uint32_t milliseconds) {
  const DWORD start = GetTickCount();
  for (DWORD elapsed = 0; elapsed < milliseconds && !QuitPending();
       elapsed = GetTickCount() - start) {
    MsgWaitForMultipleObjectsEx(0, nullptr, milliseconds - elapsed, QS_ALLINPUT, kWakeOnAnyInput);
    ProcessMessages();
  }
}

int Win32Platform::ShowMessageBox(const std::string& text, const std::string& caption,
                                  unsigned flags) {
  TaskWindowsDisabled others(owner_);
  return MessageBoxW(owner_, ShownText(text).c_str(), ShownText(caption).c_str(), flags);
}

void Win32Platform::SetWaitCursor(bool wait) { SetApplicationCursor(wait); }

}  // namespace mwn
