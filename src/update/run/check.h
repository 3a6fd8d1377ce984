// /check: the search and the version gate of a run, and nothing else. No
// window, no lock, no scratch folder, nothing written beside any copy; only
// the log and the report asked for.
#pragma once

#include "update/run/command_line.h"

namespace mwn {

class Platform;

// 0 when every copy found that the same command line would act on is at
// least the replacement's version (or none was found), 1 when a run would
// update one, 2 when a newer copy would refuse it; the other codes as a
// run gives them.
int RunCheck(Platform& platform, const CommandLine& command);

}  // namespace mwn
