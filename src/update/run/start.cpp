#include "update/run/start.h"

#include "platform/error_codes.h"
#include "platform/platform.h"
#include "platform/pump.h"
#include "update/base/run_log.h"
#include "update/run/quiet_window.h"
#include "update/run/run.h"

namespace mwn {

bool RightsSafeToUse(Platform& platform) {
  return platform.DllSearchNarrowed() || !platform.RunningElevated();
}

bool AnotherRunUnderWay(Platform& platform) {
  return platform.TakeMachineLock(kRunLockName) == nullptr;
}

bool OpenRequestedLog(Platform& platform, MessagePump& pump, const Options& options,
                      RunLog& log, std::string& path, std::uint32_t& error) {
  if (!options.log) return true;
  path = options.logPath;
  if (path.empty()) {
    error = kErrorSuccess;
    // A temp folder that standard users write to would let them make the
    // log's name first.
    const std::string folder =
        platform.RunningElevated() ? platform.AdministratorsLogFolder(error) : platform.TempPath();
    path = DefaultLogPath(folder, platform.Now());
    if (error != kErrorSuccess) return false;
  }
  if (!log.Open(path, error)) return false;
  log.Start(pump, options.quiet);
  return true;
}

int Finish(RunLog& log, ExitCode code) {
  log.Exit(code);
  return ToInt(code);
}

int RunQuietly(Platform& platform, const CommandLine& command) {
  if (!RightsSafeToUse(platform)) return ToInt(ExitCode::kUnsafeSystem);
  if (!command.understood) return ToInt(ExitCode::kBadCommandLine);
  MessagePump pump(platform);
  RunLog log(platform);
  std::string logPath;
  std::uint32_t error = 0;
  if (!OpenRequestedLog(platform, pump, command.options, log, logPath, error)) {
    return ToInt(ExitCode::kLogFailed);
  }
  const auto lock = platform.TakeMachineLock(kRunLockName);
  if (!lock) return Finish(log, ExitCode::kAlreadyRunning);

  QuietWindow window(platform);
  UpdateRun run(platform, window, pump, log, RunMode::kQuiet);
  try {
    run.FormShow();
  } catch (...) {
    // The run has logged it and counted it in its outcome; there is no one
    // to show it to.
  }
  return Finish(log, run.Outcome());
}

}  // namespace mwn
