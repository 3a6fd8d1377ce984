// The status that detection rules read (Intune, Configuration Manager): a
// few registry values, rewritten at the end of every run that searched.
#pragma once

namespace mwn {

class Platform;
struct RunRecord;

// Version (the replacement's), ExitCode, CopiesLeft (copies the run could
// act on that are still older) and LastRun (UTC), under the machine's key
// for a run with an administrator's rights, the user's otherwise. Nothing
// for a check, which changes nothing, nor for a run that ended before its
// search. A status that cannot be written changes no exit code.
void WriteRunStatus(Platform& platform, const RunRecord& record);

}  // namespace mwn
