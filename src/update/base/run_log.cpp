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

void RunLog::Start(MessagePump& pump, bool quiet) {
  if (!Active()) return;
  VersionStamp own;
  const bool known = OwnVersionStamp(platform_, own);
  pump.Step();
  Line("MwnUpdate " + VersionOrNone(known ? &own : nullptr) + " started, " +
       (quiet ? "quiet" : "interactive"));
  Line("Command line: " + platform_.ProcessCommandLine());
  Line("User: " + platform_.UserName() +
       (platform_.RunningElevated() ? ", elevated" : ", not elevated"));
}

void RunLog::Location(const std::string& location) { Line("Scanning " + location); }

void RunLog::Found(const std::string& path, const VersionStamp* version) {
  Line("Found " + path + ", version " + VersionOrNone(version));
}

void RunLog::Gate(const VersionStamp* replacement, const VersionStamp& newestFound, bool update) {
  Line("Replacement version " + VersionOrNone(replacement) + ", newest copy found " +
       VersionText(newestFound) +
       (update ? ": the copies are updated" : ": not newer, nothing is changed"));
}

void RunLog::Updated(const std::string& path) { Line("Updated " + path); }

void RunLog::NotUpdated(const std::string& path, std::uint32_t errorCode) {
  const std::string reason = errorCode != kErrorSuccess
                                 ? platform_.SystemMessage(errorCode) + " (error " +
                                       std::to_string(errorCode) + ")"
                                 : "the new image did not read back as written";
  Line("Not updated " + path + ": " + reason);
}

void RunLog::FailedStep(const StepFailure& failure) {
  if (failure.step == nullptr) return;
  char code[16];
  std::snprintf(code, sizeof code, failure.native ? "0x%08X" : "%u",
                static_cast<unsigned>(failure.code));
  Line(std::string("  in the held folder, the step \"") + failure.step + "\" failed: " +
       (failure.native ? "status " : "error ") + code);
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
  Line("Not updated " + path + ": " + reason +
       ", so this run, with an administrator's rights, leaves it; a run with its user's own "
       "rights updates it");
}

void RunLog::NewerLeft(const std::string& path) {
  Line("Not updated " + path +
       ": newer than the replacement, in a folder others can change, so it holds nothing back "
       "and is left as it is");
}

void RunLog::Cancelled() { Line("Cancelled at the confirmation"); }

void RunLog::Error(const std::string& message) { Line("The run ended on an error: " + message); }

void RunLog::Exit(ExitCode code) {
  Line("Exit code " + std::to_string(ToInt(code)) + ": " + ExitCodeMeaning(code));
}

// A line that cannot be written is lost; the run goes on.
void RunLog::Line(const std::string& text) {
  if (!Active()) return;
  file_->WriteLine(TimeStamp(platform_.Now()) + " " + text);
}

}  // namespace mwn
