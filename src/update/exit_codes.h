// What the process's exit code says, in both modes. Deployment tools map
// 1602, 1603 and 1618 already: they keep the meanings those tools know.
// The README's table is checked against this list by the unit tests.
#pragma once

namespace mwn {

enum class ExitCode : int {
  kSuccess = 0,            // every copy found was updated, or none was found
  kSomeNotUpdated = 1,     // the run finished, some copies could not be updated
  kRefused = 2,            // a copy is newer than the update: nothing was changed
  kBadCommandLine = 87,    // the command line was not understood
  kCancelled = 1602,       // the user cancelled at the confirmation
  kFailed = 1603,          // the run ended on an error
  kLogFailed = 1622,       // the log asked for could not be opened: nothing was done
  kAlreadyRunning = 1618,  // another run of the updater is in progress on the machine
};

inline int ToInt(ExitCode code) { return static_cast<int>(code); }

}  // namespace mwn
