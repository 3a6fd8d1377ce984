#include "update/base/run_log.h"

#include <cstdio>

#include "platform/errors.h"
#include "platform/pump.h"
#include "update/base/path.h"

namespace mwn {

namespace {

std::string Digits(unsigned value, int width) {
  char text[16];
  std::snprintf(text, sizeof text, "%0*u", width, value);
  return text;
}

std::string VersionOrNone(const VersionStamp* version) {
  return version != nullptr ? VersionText(*version) : "none readable";
}

// What a running program's image, or a file another program has open,
// answers to a change.
bool HeldByAProgram(std::uint32_t error) {
  return error == kErrorAccessDenied || error == kErrorSharingViolation ||
         error == kErrorLockViolation;
}

std::string Holders(const std::vector<RunningProgram>& programs) {
  std::string text;
  for (const RunningProgram& program : programs) {
    text += (text.empty() ? "; held by " : ", ") + program.image + " (process " +
            std::to_string(program.pid) + ", session " + std::to_string(program.session) + ")";
  }
  return text;
}

}  // namespace

std::string TimeStamp(const LocalTime& time) {
  return Digits(time.year, 4) + "-" + Digits(time.month, 2) + "-" + Digits(time.day, 2) + " " +
         Digits(time.hour, 2) + ":" + Digits(time.minute, 2) + ":" + Digits(time.second, 2) +
         "." + Digits(time.millisecond, 3);
}

std::string VersionText(const VersionStamp& version) {
  return std::to_string(version.major) + "." + std::to_string(version.minor) + "." +
         std::to_string(version.release) + "." + std::to_string(version.build);
}

std::string DefaultLogPath(const std::string& tempFolder, const LocalTime& time) {
  return JoinPath(tempFolder, "MwnUpdate-" + Digits(time.year, 4) + Digits(time.month, 2) +
                                  Digits(time.day, 2) + "-" + Digits(time.hour, 2) +
                                  Digits(time.minute, 2) + Digits(time.second, 2) + ".log");
}

bool RunLog::Open(const std::string& path, std::uint32_t& error) {
  file_ = platform_.OpenLogFile(path, error);
  return Active();
}

bool RunLog::OpenReport(const std::string& path, std::uint32_t& error) {
  report_ = platform_.OpenReportFile(path, error);
  return report_ != nullptr;
}

void RunLog::Start(MessagePump& pump, const std::string& mode) {
  record_.mode = mode;
  record_.started = platform_.UniversalNow();
  record_.elevated = platform_.RunningElevated();
  record_.system = record_.elevated && platform_.RunningAsSystemAccount();
  if (!Detailed()) return;
  // From memory: the file it was started from may have changed since.
  record_.updaterKnown = OwnVersionStamp(platform_, record_.updater);
  pump.Step();
  if (!Active()) return;
  Line("MwnUpdate " + VersionOrNone(record_.updaterKnown ? &record_.updater : nullptr) +
       " started, " + mode);
  Line("Command line: " + platform_.ProcessCommandLine());
  Line("User: " + platform_.UserName() + (record_.elevated ? ", elevated" : ", not elevated"));
}

void RunLog::Location(const std::string& location) {
  record_.searched = true;
  record_.locations.push_back(location);
  Line("Scanning " + location);
}

void RunLog::Found(const std::string& path, const VersionStamp* version) {
  CopyRecord& copy = record_.Copy(path);
  copy.versionKnown = version != nullptr;
  if (version != nullptr) copy.versionBefore = *version;
  Line("Found " + path + ", version " + VersionOrNone(version));
}

void RunLog::Gate(const VersionStamp* replacement, const VersionStamp& newestFound, bool update) {
  record_.replacementKnown = replacement != nullptr;
  if (replacement != nullptr) record_.replacement = *replacement;
  Line("Replacement version " + VersionOrNone(replacement) + ", newest copy found " +
       VersionText(newestFound) +
       (update ? ": the copies are updated" : ": not newer, nothing is changed"));
}

// What an earlier attempt said goes; what setting aside said stays.
void RunLog::Updated(const std::string& path) {
  CopyRecord& copy = record_.Copy(path);
  if (copy.outcome != CopyOutcome::kUpdated) {
    copy.outcome = CopyOutcome::kUpdated;
    copy.error = kErrorSuccess;
    copy.reason.clear();
    copy.heldBy.clear();
  }
  Line("Updated " + path);
}

void RunLog::SetAside(const std::string& path, const std::string& aside) {
  CopyRecord& copy = record_.Copy(path);
  copy.outcome = CopyOutcome::kUpdated;
  copy.error = kErrorSuccess;
  copy.reason = "replaced while a program ran it; its old image waits as " + aside +
                " until that program ends";
  // A program's image path may still be the one it was started from.
  copy.heldBy = platform_.ProgramsHolding(JoinPath(FolderOfPath(path), aside));
  if (copy.heldBy.empty()) copy.heldBy = platform_.ProgramsHolding(path);
  Line("Set aside the running image of " + path + " as " + aside + Holders(copy.heldBy));
}

void RunLog::NotUpdated(const std::string& path, std::uint32_t errorCode) {
  lastNotUpdated_ = path;
  CopyRecord& copy = record_.Copy(path);
  copy.outcome = CopyOutcome::kNotUpdated;
  copy.error = errorCode;
  copy.reason = errorCode != kErrorSuccess
                    ? platform_.SystemMessage(errorCode) + " (error " +
                          std::to_string(errorCode) + ")"
                    : "the new image did not read back as written";
  if (HeldByAProgram(errorCode)) copy.heldBy = platform_.ProgramsHolding(path);
  Line("Not updated " + path + ": " + copy.reason + Holders(copy.heldBy));
}

void RunLog::FailedStep(const StepFailure& failure) {
  if (failure.step == nullptr) return;
  char code[16];
  std::snprintf(code, sizeof code, failure.native ? "0x%08X" : "%u",
                static_cast<unsigned>(failure.code));
  const std::string step = std::string("in the held folder, the step \"") + failure.step +
                           "\" failed: " + (failure.native ? "status " : "error ") + code;
  if (!lastNotUpdated_.empty()) {
    CopyRecord& copy = record_.Copy(lastNotUpdated_);
    copy.reason += "; " + step;
    if (copy.error == kErrorSuccess && !failure.native) copy.error = failure.code;
  }
  Line("  " + step);
}

void RunLog::LeftForUser(const std::string& path, FolderTrust trust, std::uint32_t holdError) {
  std::string reason;
  if (holdError != kErrorSuccess) {
    reason = "its folder could not be held open (" + platform_.SystemMessage(holdError) +
             ", error " + std::to_string(holdError) + ")";
  } else if (trust == FolderTrust::kRunAccountOnly) {
    reason = "this account's programs without an administrator's rights can change its folder";
  } else {
    reason = "standard users can change its folder";
  }
  reason += ", so this run, with an administrator's rights, leaves it; a run with its user's own "
            "rights updates it";
  CopyRecord& copy = record_.Copy(path);
  copy.outcome = CopyOutcome::kLeftForUser;
  copy.error = holdError;
  copy.reason = reason;
  Line("Not updated " + path + ": " + reason);
}

void RunLog::NewerLeft(const std::string& path) {
  CopyRecord& copy = record_.Copy(path);
  copy.outcome = CopyOutcome::kNewer;
  copy.reason =
      "newer than the replacement, in a folder others can change, so it holds nothing back and is "
      "left as it is";
  Line("Not updated " + path + ": " + copy.reason);
}

// What a privileged run left for its user stays so.
void RunLog::Refused() {
  for (CopyRecord& copy : record_.copies) {
    if (copy.outcome == CopyOutcome::kLeftForUser) continue;
    const bool newer = copy.versionKnown && record_.replacementKnown &&
                       record_.replacement < copy.versionBefore;
    copy.outcome = newer ? CopyOutcome::kNewer : CopyOutcome::kNotUpdated;
    copy.reason = newer ? "newer than the replacement" : "a newer copy stopped the run";
  }
}

void RunLog::Checked(const std::string& path, CopyOutcome outcome) {
  CopyRecord& copy = record_.Copy(path);
  copy.outcome = outcome;
  switch (outcome) {
    case CopyOutcome::kLeftForUser:
      copy.reason =
          "its folder is not one this run, with an administrator's rights, acts in; a run with "
          "its user's own rights would update it";
      break;
    case CopyOutcome::kNewer:
      copy.reason = "newer than the replacement: a run would not touch it";
      break;
    case CopyOutcome::kCurrent:
      copy.reason = "at least the replacement's version";
      break;
    default:
      copy.reason = "older than the replacement: a run would update it";
      break;
  }
  Line("Check " + path + ": " + copy.reason);
}

void RunLog::Cancelled() { Line("Cancelled at the confirmation"); }

void RunLog::Error(const std::string& message) { Line("The run ended on an error: " + message); }

void RunLog::Exit(ExitCode code) {
  record_.exitCode = ToInt(code);
  record_.ended = platform_.UniversalNow();
  Line("Exit code " + std::to_string(ToInt(code)) + ": " +
       (record_.mode == "check" ? CheckMeaning(code) : ExitCodeMeaning(code)));
  if (report_ && !report_->WriteLine(ReportJson(record_))) Line("The report could not be written");
}

// A line that cannot be written is lost; the run goes on.
void RunLog::Line(const std::string& text) {
  if (!Active()) return;
  file_->WriteLine(TimeStamp(platform_.Now()) + " " + text);
}

}  // namespace mwn
