// The log an administrator asks for with /log: one line per step of the run,
// each stamped with the date and time to the millisecond and on the disk
// before the run goes on, so that a run killed halfway leaves what it did.
// Closed, it writes nothing, and the run asks the system nothing for it.
// Open or not, it keeps the run's record (update/base/run_record.h), which
// the report asked for with /report is written from at the end.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/platform.h"
#include "update/base/exit_codes.h"
#include "update/base/run_record.h"
#include "update/base/version.h"

namespace mwn {

class MessagePump;

class RunLog {
 public:
  explicit RunLog(Platform& platform) : platform_(platform) {}

  // Adds to the file at `path` from now on. False with the system's error
  // code in `error` when it cannot be opened.
  bool Open(const std::string& path, std::uint32_t& error);
  bool Active() const { return file_ != nullptr; }
  // Writes the record as one JSON document to the file at `path` at the
  // end. False with the system's error code when it cannot be opened.
  bool OpenReport(const std::string& path, std::uint32_t& error);
  const RunRecord& Record() const { return record_; }
  // A log or a report is kept: each copy's version is worth reading for it.
  bool Detailed() const { return Active() || report_ != nullptr; }
  Platform& System() { return platform_; }

  // The opening lines: the updater's own version, the mode ("interactive",
  // "quiet", "check"), the command line, the user and whether the process
  // is elevated.
  void Start(MessagePump& pump, const std::string& mode);
  void Location(const std::string& location);
  // `version` is null for a copy without a readable version.
  void Found(const std::string& path, const VersionStamp* version);
  void Gate(const VersionStamp* replacement, const VersionStamp& newestFound, bool update);
  void Updated(const std::string& path);
  // Updated while a program ran it: its old image waits in the same folder
  // under the name `aside`.
  void SetAside(const std::string& path, const std::string& aside);
  // `errorCode` 0: the copy failed a check (read back, flushed) that gives
  // no system error.
  void NotUpdated(const std::string& path, std::uint32_t errorCode);
  // The held folder's step behind the last NotUpdated, if one failed.
  void FailedStep(const StepFailure& failure);
  // Left by a run with an administrator's rights, for who may change its
  // folder (`trust`; `holdError` when the folder could not be held).
  void LeftForUser(const std::string& path, FolderTrust trust, std::uint32_t holdError);
  // Newer than the replacement, in a folder where that holds nothing back.
  void NewerLeft(const std::string& path);
  // The gate refused: each copy stays as it was, the newer ones as newer.
  void Refused();
  // What a run would do with the copy at `path`, for a check.
  void Checked(const std::string& path, CopyOutcome outcome);
  void Cancelled();
  void Error(const std::string& message);
  void Exit(ExitCode code);

 private:
  void Line(const std::string& text);

  Platform& platform_;
  std::unique_ptr<LogFile> file_;
  std::unique_ptr<LogFile> report_;
  RunRecord record_;
  std::string lastNotUpdated_;
};

// "2026-03-01 14:05:09.042"
std::string TimeStamp(const LocalTime& time);
// "2.1.0.0"
std::string VersionText(const VersionStamp& version);
// Where /log alone writes: MwnUpdate-20260301-140509.log in `tempFolder`.
std::string DefaultLogPath(const std::string& tempFolder, const LocalTime& time);

}  // namespace mwn
