#include "app/interactive.h"

#include "app/MwnUpdate_F.h"
#include "app/application_window.h"
#include "app/plain_message.h"
#include "platform/pump.h"
#include "platform/win32/win32_platform.h"
#include "update/base/run_log.h"
#include "update/base/texts.h"
#include "update/run/dialogs.h"
#include "update/run/start.h"

namespace mwn {

namespace {

int MessageLoop() {
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return 0;
}

}  // namespace

int RunInteractive(HINSTANCE instance, Win32Platform& platform, const CommandLine& command) {
  const std::string title = ApplicationTitle(platform.TitleName());
  ApplicationWindow application(instance, title);
  if (application.Handle() == nullptr) return ToInt(ExitCode::kFailed);
  platform.SetOwnerWindow(application.Handle());
  const bool notEnding = false;
  const auto tell = [&](const std::string& text) {
    ShowPlainMessage(instance, application.Handle(), title, text, notEnding);
  };
  if (!RightsSafeToUse(platform)) {
    tell(text::kUnsafeSystem);
    return ToInt(ExitCode::kUnsafeSystem);
  }
  if (!command.understood) {
    tell(text::kNotUnderstood + command.refused + text::kAcceptedSwitches);
    return ToInt(ExitCode::kBadCommandLine);
  }

  MessagePump pump(platform);
  RunLog log(platform);
  std::string logPath;
  std::uint32_t error = 0;
  if (!OpenRequestedLog(platform, pump, command.options, log, logPath, error)) {
    tell(text::kLogNotOpened + logPath + "\r\n" + platform.SystemMessage(error));
    return ToInt(ExitCode::kLogFailed);
  }
  // Before the confirmation: a second start asks nothing.
  if (AnotherRunUnderWay(platform)) {
    tell(text::kAlreadyRunning);
    return Finish(log, ExitCode::kAlreadyRunning);
  }

  Form1 form(instance, application.Handle(), platform, pump, log, title,
             command.options.replaceInUse);
  if (form.Handle() == nullptr) return Finish(log, ExitCode::kFailed);
  application.SetMainWindow(form.Handle());
  application.Show();
  form.Show();
  MessageLoop();
  return Finish(log, form.Outcome());
}

}  // namespace mwn
