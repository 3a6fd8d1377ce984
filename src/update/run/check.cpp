#include "update/run/check.h"

#include <exception>

#include "platform/errors.h"
#include "platform/platform.h"
#include "platform/pump.h"
#include "update/base/run_log.h"
#include "update/base/version.h"
#include "update/replacement/copy_replacement.h"
#include "update/replacement/extraction.h"
#include "update/run/logged_window.h"
#include "update/run/quiet_window.h"
#include "update/run/start.h"
#include "update/walk/scan.h"

namespace mwn {

namespace {

// As the run's gate sees each copy: those it would leave for their users
// take no part, a replacement without a version refuses.
ExitCode CheckCopies(Platform& platform, MessagePump& pump, MainWindow& window, RunLog& log) {
  ScanLocations(platform, pump, window);
  // In memory only: a check leaves nothing on any disk.
  const PayloadImage image = InflateOwnPayload(platform, pump);
  VersionStamp replacement;
  const bool known = ImageVersionStamp(platform, image.Data(), image.Size(), replacement);
  const RunRights rights = RightsOfRun(platform, pump);
  bool older = false;
  bool newer = false;
  VersionStamp newest;
  const StringList& copies = window.Lines(Memo::Memo1);
  for (int i = 0; i < copies.Count(); ++i) {
    const std::string copy = copies.Get(i);
    if (!ActsOnCopy(platform, pump, rights, copy)) {
      log.Checked(copy, CopyOutcome::kLeftForUser);
      continue;
    }
    VersionStamp version;
    const bool readable = ReadVersionStamp(platform, pump, copy, version);
    if (readable && newest < version) newest = version;
    const bool isNewer = readable && known && replacement < version;
    const bool isOlder = !readable || !known || version < replacement;
    newer = newer || isNewer;
    older = older || isOlder;
    log.Checked(copy, isNewer   ? CopyOutcome::kNewer
                      : isOlder ? CopyOutcome::kWouldUpdate
                                : CopyOutcome::kCurrent);
  }
  const bool update = known && !newer;
  log.Gate(known ? &replacement : nullptr, newest, update);
  if (!update) return ExitCode::kRefused;
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
  LoggedWindow window(quiet, log, platform, pump);
  ExitCode code = ExitCode::kFailed;
  try {
    code = CheckCopies(platform, pump, window, log);
  } catch (const Exception& thrown) {
    log.Error(WithClosingPeriod(thrown.Message()));
  } catch (const std::exception& thrown) {
    log.Error(thrown.what());
  }
  return Finish(log, code);
}

}  // namespace mwn
