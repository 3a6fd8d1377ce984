#include "update/run/check.h"

#include <exception>

#include "platform/errors.h"
#include "platform/platform.h"
#include "platform/pump.h"
#include "update/base/run_log.h"
#include "update/base/version.h"
#include "update/replacement/copy_folders.h"
#include "update/replacement/extraction.h"
#include "update/replacement/version_gate.h"
#include "update/run/logged_window.h"
#include "update/run/quiet_window.h"
#include "update/run/start.h"
#include "update/walk/scan.h"

namespace mwn {

namespace {

// Through the run's own gate and folder rules: a copy the run would leave
// for its user takes no part, a newer one holds back only where a run's
// would, and a replacement without a version refuses.
ExitCode CheckCopies(Platform& platform, MessagePump& pump, MainWindow& window,
                     CopyFolders& folders, RunLog& log) {
  ScanLocations(platform, pump, window);
  // In memory only: a check leaves nothing on any disk.
  const PayloadImage image = InflateOwnPayload(platform, pump);
  VersionStamp replacement;
  const bool known = ImageVersionStamp(platform, image.Data(), image.Size(), replacement);
  const StringList& copies = window.Lines(Memo::Memo1);
  const GateVerdict gate = JudgeCopies(folders, known ? &replacement : nullptr, copies);
  bool older = false;
  VersionStamp newest;
  for (int i = 0; i < copies.Count(); ++i) {
    const std::string copy = copies.Get(i);
    if (!folders.ActsOn(copy)) {
      log.Checked(copy, CopyOutcome::kLeftForUser);
      continue;
    }
    VersionStamp version;
    const bool readable = folders.Version(copy, version);
    if (readable && newest < version) newest = version;
    const bool isNewer = readable && known && replacement < version;
    const bool isOlder = !readable || !known || version < replacement;
    older = older || isOlder;
    log.Checked(copy, isNewer   ? CopyOutcome::kNewer
                      : isOlder ? CopyOutcome::kWouldUpdate
                                : CopyOutcome::kCurrent);
  }
  log.Gate(known ? &replacement : nullptr, newest, gate.update);
  if (!gate.update) return ExitCode::kRefused;
  return older ? ExitCode::kSomeNotUpdated : ExitCode::kSuccess;
}

}  // namespace

int RunCheck(Platform& platform, const CommandLine& command) {
  if (!RightsSafeToUse(platform)) return ToInt(ExitCode::kUnsafeSystem);
  if (!command.understood) return ToInt(ExitCode::kBadCommandLine);
  MessagePump pump(platform);
  RunLog log(platform);
  std::string path;
  std::uint32_t error = 0;
  if (!OpenRequestedLog(platform, pump, command.options, log, path, error)) {
    return ToInt(ExitCode::kLogFailed);
  }
  QuietWindow quiet(platform);
  // Holding a folder changes nothing in it; a privileged check reads only
  // through the holds a privileged run would act through.
  CopyFolders folders(platform, pump, RightsOfRun(platform, pump));
  LoggedWindow window(quiet, log, [&folders](const std::string& copy, VersionStamp& version) {
    return folders.Version(copy, version);
  });
  ExitCode code = ExitCode::kFailed;
  try {
    code = CheckCopies(platform, pump, window, folders, log);
  } catch (const Exception& thrown) {
    log.Error(WithClosingPeriod(thrown.Message()));
  } catch (const std::exception& thrown) {
    log.Error(thrown.what());
  }
  return Finish(log, code);
}

}  // namespace mwn
