#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "update/replacement/copy_replacement.h"

namespace mwn {

class Platform;
class MessagePump;
class MainWindow;
class RunLog;

// Puts the replacement at `imagePath` (whose bytes are `image`) in place of
// every copy in Memo1, last found first, moving each updated path to Memo3,
// then shows the outcome. A copy that is not updated is left exactly as it
// was, and the log says why. Copies only an administrator's rights can reach
// are handed to an elevated instance when `askForRights`. With an empty
// `imagePath`, as for a run with an administrator's rights, the copies are
// staged from `image` itself. How each copy's folder is acted in follows
// `rights` (see RunRights). Nothing is thrown. Gives how many copies were
// left for their users. With `replaceInUse`, a copy running as a program is
// replaced all the same (see CopyReplacement::ReplaceInUse).
int ReplaceCopies(Platform& platform, MessagePump& pump, MainWindow& window,
                  const std::string& imagePath, const std::uint8_t* image, std::size_t imageSize,
                  RunRights rights, RunLog& log, bool askForRights, bool replaceInUse = false);

}  // namespace mwn
