// The program's entry: the application window, the main window Form1, and
// the message loop that runs until Form1 is closed; or, started with the
// internal argument by an update run for copies it could not reach, the
// listed-copies mode, which has no window at all.
#include <cstdlib>
#include <cstring>
#include <string>

#include "app/MwnUpdate_F.h"
#include "app/application_window.h"
#include "platform/pump.h"
#include "platform/win32/bound_imports.h"
#include "platform/win32/system_library.h"
#include "platform/win32/win32_platform.h"
#include "platform/win32/windows_api.h"
#include "update/dialogs.h"
#include "update/listed_copies.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  // Before anything loads a DLL on the program's behalf: the program's own
  // folder (a downloads folder, say) is then never searched for one.
  mwn::RestrictDllSearchToSystemFolder();
  if (!mwn::BindUserInterfaceImports()) return 1;
  // Before anything touches a drive: a card reader or floppy drive without a
  // medium is then just a location whose walk finds nothing, instead of a
  // system box asking for a disk in the middle of the scan.
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
  mwn::Win32Platform platform;
  if (__argc >= 2 && std::strcmp(__argv[1], mwn::kReplaceCopiesArgument) == 0) {
    // With an administrator's rights: nothing is taken from the folder it
    // was started in, whoever started it.
    mwn::EnterSystemFolder();
    mwn::MessagePump pump(platform);
    return mwn::ReplaceListedCopies(platform, pump, __argc >= 3 ? __argv[2] : "");
  }
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
