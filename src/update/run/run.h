// The update run: one pass from the user's confirmation to the close prompt,
// bound to the main window's first activation.
#pragma once

#include <memory>

#include "payload/payload.h"
#include "update/base/exit_codes.h"
#include "update/replacement/copy_folders.h"
#include "update/run/logged_window.h"

namespace mwn {

class Platform;
class MachineLock;
class MainWindow;
class MessagePump;
class RunLog;

// Interactive: the confirmation, the notices and the close prompt. Quiet: the
// command line was the consent; no question is asked and no consent prompt
// for an administrator's rights comes up.
enum class RunMode { kInteractive, kQuiet };

class UpdateRun {
 public:
  // With `replaceInUse`, copies running as programs are replaced too.
  UpdateRun(Platform& platform, MainWindow& window, MessagePump& pump, RunLog& log,
            RunMode mode = RunMode::kInteractive, bool replaceInUse = false);
  UpdateRun(const UpdateRun&) = delete;
  UpdateRun& operator=(const UpdateRun&) = delete;

  // The activation handler. Runs at most once per program start: every later
  // activation (the window regains it whenever a dialog closes) returns at
  // once. An error that ends the run leaves here after the finishing steps.
  // Interactive, it takes the machine's lock once the user has confirmed,
  // and lets it go when the work is done; quiet, its caller holds it.
  void FormShow();

  // What the run came to, as the process's exit code; cancelled until it
  // has started.
  ExitCode Outcome() const { return outcome_; }

 private:
  void Work();
  void LogGate(const VersionStamp* replacement, bool update);
  void Refuse();
  void FinishingSteps();

  Platform& platform_;
  MessagePump& pump_;
  RunLog& log_;
  // The folders of the copies found, from the walk to the replacement.
  std::unique_ptr<CopyFolders> copyFolders_;
  LoggedWindow window_;
  const bool quiet_;
  const bool replaceInUse_;
  ExitCode outcome_ = ExitCode::kCancelled;
  bool started_ = false;
  PayloadImage image_;  // kept until the process ends
  std::unique_ptr<MachineLock> lock_;
};

}  // namespace mwn
