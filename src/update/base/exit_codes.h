// What the process's exit code says, in both modes. Deployment tools map
// 1602, 1603, 1618, 1622 and 1654 already: they keep the meanings those
// tools know.
#pragma once

namespace mwn {

enum class ExitCode : int {
  kSuccess = 0,
  kSomeNotUpdated = 1,
  kRefused = 2,
  kLeftForUsers = 3,
  kBadCommandLine = 87,
  kCancelled = 1602,
  kFailed = 1603,
  kAlreadyRunning = 1618,
  kLogFailed = 1622,
  kUnsafeSystem = 1654,
};

inline int ToInt(ExitCode code) { return static_cast<int>(code); }

// The meaning in words, as the log and the table in docs/usage.md give it; the
// empty string for a number that is none of the codes.
inline const char* ExitCodeMeaning(ExitCode code) {
  switch (code) {
    case ExitCode::kSuccess:
      return "every copy found was updated, or none was found";
    case ExitCode::kSomeNotUpdated:
      return "the run finished, but some copies could not be updated";
    case ExitCode::kRefused:
      return "refused, nothing changed: a copy is newer than this update";
    case ExitCode::kLeftForUsers:
      return "done for every copy this account may safely touch; the others, in folders that "
             "standard users can change, are left for a run in their session";
    case ExitCode::kBadCommandLine:
      return "the command line was not understood";
    case ExitCode::kCancelled:
      return "the user cancelled at the confirmation";
    case ExitCode::kFailed:
      return "the run ended on an error";
    case ExitCode::kAlreadyRunning:
      return "another run of the updater is in progress on this machine";
    case ExitCode::kLogFailed:
      return "the log file asked for could not be opened; nothing was done";
    case ExitCode::kUnsafeSystem:
      return "started with an administrator's rights on a Windows that lacks the update needed "
             "to use them safely; nothing was done";
  }
  return "";
}

// What 0, 1 and 2 say at the end of a check (/check), which changes nothing;
// any other code means what it means for a run.
inline const char* CheckMeaning(ExitCode code) {
  switch (code) {
    case ExitCode::kSuccess:
      return "check: every copy a run would act on is at least this update's version, or none "
             "was found";
    case ExitCode::kSomeNotUpdated:
      return "check: a run would update at least one copy";
    case ExitCode::kRefused:
      return "check: a run would be refused, a copy is newer than this update";
    default:
      return ExitCodeMeaning(code);
  }
}

}  // namespace mwn
