#pragma once

#include <cstddef>
#include <cstdint>
#include <set>
#include <string>

#include "update/replacement/copy_replacement.h"

namespace mwn {

class Platform;
class MessagePump;
class MainWindow;
class RunLog;
class StringList;

// Logs each of `copies` that the run does not act on as left for its user.
void LogLeftForUsers(CopyFolders& folders, const StringList& copies, RunLog& log);

// Puts the replacement at `imagePath` (whose bytes are `image`) in place of
// every copy in Memo1 but those in `newerLeft`, last found first, moving
// each updated path to Memo3, then shows the outcome. A copy that is not
// updated is left exactly as it was, and the log says why. Copies only an
// administrator's rights can reach are handed to an elevated instance when
// `askForRights`. With an empty `imagePath`, as for a run with an
// administrator's rights, the copies are staged from `image` itself. Each
// copy's folder is acted in as `folders` says. Nothing is thrown. Gives how
// many copies were left for their users or as newer. With `replaceInUse`, a
// copy running as a program is replaced all the same where the run acts
// (see CopyReplacement::ReplaceInUse).
int ReplaceCopies(Platform& platform, MessagePump& pump, MainWindow& window,
                  const std::string& imagePath, const std::uint8_t* image, std::size_t imageSize,
                  CopyFolders& folders, const std::set<std::string>& newerLeft, RunLog& log,
                  bool askForRights, bool replaceInUse = false);

}  // namespace mwn
