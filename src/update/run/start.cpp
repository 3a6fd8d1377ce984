#include "update/run/start.h"

#include "platform/error_codes.h"
#include "platform/platform.h"
#include "platform/pump.h"
#include "update/base/run_log.h"
#include "update/run/quiet_window.h"
#include "update/run/run.h"
#include "update/run/status.h"

namespace mwn {

bool RightsSafeToUse(Platform& platform) {
  return platform.DllSearchNarrowed() || !platform.RunningElevated();
}

bool AnotherRunUnderWay(Platform& platform) {
  return platform.TakeMachineLock(kRunLockName) == nullptr;
}

namespace {

// The path asked for, or with none the dated name the log alone gets, with
// `extension` for its own. A temp folder that standard users write to would
// let them make that name first: with an administrator's rights it lies in
// a folder only administrators can have made.
std::string RequestedPath(Platform& platform, const std::string& asked,
                          const std::string& extension, std::uint32_t& error) {
  error = kErrorSuccess;
  if (!asked.empty()) return asked;
  const std::string folder =
      platform.RunningElevated() ? platform.AdministratorsLogFolder(error) : platform.TempPath();
  const std::string path = DefaultLogPath(folder, platform.Now());
  return path.substr(0, path.size() - 4) + extension;
}

}  // namespace

bool OpenRequestedLog(Platform& platform, MessagePump& pump, const Options& options,
                      RunLog& log, std::string& path, std::uint32_t& error) {
  if (options.log) {
    path = RequestedPath(platform, options.logPath, ".log", error);
    if (error != kErrorSuccess || !log.Open(path, error)) return false;
  }
  if (options.report) {
    path = RequestedPath(platform, options.reportPath, ".json", error);
    if (error != kErrorSuccess || !log.OpenReport(path, error)) return false;
  }
  log.Start(pump, options.check ? "check" : options.quiet ? "quiet" : "interactive");
  return true;
}

int Finish(RunLog& log, ExitCode code) {
  log.Exit(code);
  WriteRunStatus(log.System(), log.Record());
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
  UpdateRun run(platform, window, pump, log, RunMode::kQuiet, command.options.replaceInUse);
  try {
    run.FormShow();
  } catch (...) {
    // The run has logged it and counted it in its outcome; there is no one
    // to show it to.
  }
  return Finish(log, run.Outcome());
}

}  // namespace mwn
