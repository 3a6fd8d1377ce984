#include "update/run/run.h"

#include <exception>
#include <new>

#include "platform/errors.h"
#include "platform/platform.h"
#include "platform/pump.h"
#include "update/base/path.h"
#include "update/base/run_log.h"
#include "update/base/texts.h"
#include "update/base/version.h"
#include "update/base/window.h"
#include "update/replacement/copy_replacement.h"
#include "update/replacement/extraction.h"
#include "update/replacement/replace.h"
#include "update/replacement/version_gate.h"
#include "update/run/dialogs.h"
#include "update/run/start.h"
#include "update/walk/scan.h"

namespace mwn {

namespace {

std::string ErrorText(const std::exception& error) {
  if (const auto* own = dynamic_cast<const Exception*>(&error)) {
    return WithClosingPeriod(own->Message());
  }
  if (dynamic_cast<const std::bad_alloc*>(&error)) {
    return WithClosingPeriod(EOutOfMemory().Message());
  }
  return error.what();
}

}  // namespace

UpdateRun::UpdateRun(Platform& platform, MainWindow& window, MessagePump& pump, RunLog& log,
                     RunMode mode, bool replaceInUse)
    : platform_(platform),
      pump_(pump),
      log_(log),
      window_(window, log,
              [this](const std::string& copy, VersionStamp& version) {
                return copyFolders_ && copyFolders_->Version(copy, version);
              }),
      quiet_(mode == RunMode::kQuiet),
      replaceInUse_(replaceInUse) {}

void UpdateRun::FormShow() {
  if (started_) return;
  started_ = true;

  if (!quiet_ && !Confirm(platform_)) {
    log_.Cancelled();
    pump_.Full();
    window_.ShowPlainMessage(text::kCancelled);
    window_.Close();
    return;
  }
  if (!quiet_) {
    lock_ = platform_.TakeMachineLock(kRunLockName);
    if (!lock_) {
      // Another run started while the question was up.
      outcome_ = ExitCode::kAlreadyRunning;
      pump_.Full();
      window_.ShowPlainMessage(text::kAlreadyRunning);
      window_.Close();
      return;
    }
  }
  pump_.Full();

  // The busy state; from here on the finishing steps are owed.
  window_.StartTimer1();
  pump_.Step();
  std::exception_ptr error;
  try {
    window_.SetLabelVisible(Label::Label3, true);
    pump_.Step();
    platform_.SetWaitCursor(true);
    pump_.Step();
    Work();
  } catch (const std::exception& thrown) {
    outcome_ = ExitCode::kFailed;
    log_.Error(ErrorText(thrown));
    error = std::current_exception();
  } catch (...) {
    outcome_ = ExitCode::kFailed;
    error = std::current_exception();
  }
  FinishingSteps();
  if (error) std::rethrow_exception(error);
}

void UpdateRun::Work() {
  // With an administrator's rights (started elevated, or as SYSTEM by a
  // deployment tool) the temp folder may be one that standard users write
  // to: the scratch folder is then private to administrators and reached
  // only through its hold, the replacement's version is read from memory,
  // and the copies are staged from the image in memory, not from a file.
  const RunRights rights = RightsOfRun(platform_, pump_);
  const bool elevated = rights != RunRights::kStandard;
  copyFolders_ = std::make_unique<CopyFolders>(platform_, pump_, rights);

  window_.FocusMemo2();
  pump_.Step();
  ScanLocations(platform_, pump_, window_);
  pump_.Step();

  window_.Memo2CaretToEnd();
  pump_.Step();
  window_.FocusNone();
  pump_.Step();
  window_.SetLabelText(Label::Label4, "");
  pump_.Step();

  ScratchFolder folder;
  std::string imagePath;
  ExtractPayload(platform_, pump_, elevated, image_, folder, imagePath);

  VersionStamp replacement;
  const bool known =
      elevated ? ImageVersionStamp(platform_, image_.Data(), image_.Size(), replacement)
               : ReadVersionStamp(platform_, pump_, imagePath, replacement);
  const GateVerdict gate =
      JudgeCopies(*copyFolders_, known ? &replacement : nullptr, window_.Lines(Memo::Memo1));
  LogGate(known ? &replacement : nullptr, gate.update);
  if (gate.update) {
    const int left =
        ReplaceCopies(platform_, pump_, window_, elevated ? "" : imagePath, image_.Data(),
                      image_.Size(), *copyFolders_, gate.newerLeft, log_, !quiet_,
                      replaceInUse_);
    const int notUpdated = window_.Lines(Memo::Memo1).Count();
    outcome_ = notUpdated == 0      ? ExitCode::kSuccess
               : notUpdated > left ? ExitCode::kSomeNotUpdated
                                   : ExitCode::kLeftForUsers;
  } else {
    outcome_ = ExitCode::kRefused;
    LogLeftForUsers(*copyFolders_, window_.Lines(Memo::Memo1), log_);
    log_.Refused();
    Refuse();
  }
  pump_.Step();
  // Reached only on the normal path: after an error the scratch folder is
  // left behind on purpose, with whatever it holds. A failure here shows up
  // as the folder's removal error.
  if (folder.held) {
    folder.held->Entries().Delete(text::kTargetName);
  } else {
    platform_.DeleteFileAt(imagePath);
  }
  pump_.Step();
  RemoveScratchFolder(platform_, folder);
  pump_.Step();
}

void UpdateRun::LogGate(const VersionStamp* replacement, bool update) {
  log_.Gate(replacement, window_.NewestFound(), update);
}

void UpdateRun::Refuse() {
  window_.StopTimer1();
  pump_.Step();
  window_.SetLabelText(Label::Label1, text::kFoundOnSystem);
  pump_.Full();
  window_.ShowPlainMessage(text::kRefusal);
  pump_.Full();
}

void UpdateRun::FinishingSteps() {
  copyFolders_.reset();
  lock_.reset();
  platform_.SetWaitCursor(false);
  pump_.Step();
  if (window_.Timer1Running()) window_.StopTimer1();
  pump_.Step();
  window_.SetCaption(text::kCaption);
  pump_.Full();
  if (quiet_) return;
  const bool close = AskClose(platform_);
  pump_.Full();
  if (close) window_.Close();
}

}  // namespace mwn
