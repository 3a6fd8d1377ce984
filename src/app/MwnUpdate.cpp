// The program's entry: the application window, the main window Form1, and
// the message loop that runs until Form1 is closed.
#include <string>

#include "app/MwnUpdate_F.h"
#include "app/application_window.h"
#include "platform/win32/win32_platform.h"
#include "platform/win32/windows_api.h"
#include "update/dialogs.h"
#include "update/pump.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  mwn::Win32Platform platform;
  const std::string title = mwn::ApplicationTitle(platform.ExecutablePath());
  mwn::ApplicationWindow application(instance, title);
  if (application.Handle() == nullptr) return 1;
  platform.SetOwnerWindow(application.Handle());

  mwn::MessagePump pump(platform);
  mwn::Form1 form(instance, application.Handle(), platform, pump, title);
  if (form.Handle() == nullptr) return 1;
  application.SetMainWindow(form.Handle());
  application.Show();
  form.Show();

  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  return 0;
}
