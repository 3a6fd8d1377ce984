/* A stand-in for the application the updater replaces: a small window that
 * shows its file version and stays until it is closed, so that a running
 * copy can hold its file open.
 *
 *   Mwn.exe [--close-after <seconds>]
 *
 * --close-after closes the window by itself, so a test's copy in use never
 * outlives the test. */
#include <stdlib.h>
#include <string.h>
#include <windows.h>

static const char kTitle[] = "Mwn " MWN_SAMPLE_VERSION_TEXT;
static const char kText[] = "Mwn.exe version " MWN_SAMPLE_VERSION_TEXT;
enum { kCloseTimer = 1 };

static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_PAINT: {
      PAINTSTRUCT paint;
      HDC dc = BeginPaint(window, &paint);
      RECT area;
      GetClientRect(window, &area);
      SetBkMode(dc, TRANSPARENT);
      DrawTextA(dc, kText, -1, &area, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
      EndPaint(window, &paint);
      return 0;
    }
    case WM_TIMER:
      if (wParam == kCloseTimer) DestroyWindow(window);
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcA(window, message, wParam, lParam);
  }
}

static UINT CloseAfterSeconds(const char* commandLine) {
  const char* option = strstr(commandLine, "--close-after");
  if (option == NULL) return 0;
  return (UINT)strtoul(option + strlen("--close-after"), NULL, 10);
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int show) {
  (void)previous;
  WNDCLASSA windowClass = {0};
  windowClass.lpfnWndProc = WindowProc;
  windowClass.hInstance = instance;
  windowClass.hCursor = LoadCursorA(NULL, (LPCSTR)IDC_ARROW);
  windowClass.hbrBackground = (HBRUSH)(COLOR_BTNFACE + 1);
  windowClass.lpszClassName = "MwnSampleWindow";
  if (!RegisterClassA(&windowClass)) return 1;

  HWND window = CreateWindowA("MwnSampleWindow", kTitle, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                              CW_USEDEFAULT, 320, 120, NULL, NULL, instance, NULL);
  if (window == NULL) return 1;
  const UINT seconds = CloseAfterSeconds(commandLine);
  if (seconds > 0) SetTimer(window, kCloseTimer, seconds * 1000, NULL);
  ShowWindow(window, show);
  UpdateWindow(window);

  MSG message;
  while (GetMessageA(&message, NULL, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  return 0;
}
