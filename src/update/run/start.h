// What both modes do before the run (the log asked for, the machine's one
// run at a time), and the quiet mode from its start to its exit code.
#pragma once

#include <cstdint>
#include <string>

#include "update/base/exit_codes.h"
#include "update/run/command_line.h"

namespace mwn {

class Platform;
class MessagePump;
class RunLog;

// The lock held by the run under way on the machine, in every session.
inline constexpr char kRunLockName[] = "MwnUpdate.Run";

// False when the process has an administrator's rights on a system whose
// DLL search could not be narrowed to the system folder: it must then end at
// once with ExitCode::kUnsafeSystem, having done nothing.
bool RightsSafeToUse(Platform& platform);

// True when a run holds the machine's lock. Looked at before the
// confirmation, so that a second start asks nothing; the lock itself is
// taken only once the user has confirmed, so that a run waiting at its
// question holds no deployment off.
bool AnotherRunUnderWay(Platform& platform);

// Opens the log and the report that `options` ask for, if any, and starts
// the run's record and the log's opening lines; /log alone writes into the
// temp folder, or, with an administrator's rights, into a folder only
// administrators can have made, and /report alone beside it. False, with
// the path tried and the system's error code, when one cannot be opened.
bool OpenRequestedLog(Platform& platform, MessagePump& pump, const Options& options,
                      RunLog& log, std::string& path, std::uint32_t& error);

// Writes the exit code to the log, the report and the status, and gives it
// as the process's.
int Finish(RunLog& log, ExitCode code);

// No window, no dialog, no consent prompt and no wait for anyone; the
// outcome is the exit code alone. Copies that need an administrator's
// rights stay not updated unless the process already has them.
int RunQuietly(Platform& platform, const CommandLine& command);

}  // namespace mwn
