// The version gate: whether the replacement may go over the copies found.
#pragma once

#include <string>

namespace mwn {

class Platform;
class MessagePump;
class StringList;

// True when the replacement at `imagePath` is at least as new as every copy
// in `copies` whose version can be read. A replacement without a readable
// version never updates.
bool ShouldUpdate(Platform& platform, MessagePump& pump, const std::string& imagePath,
                  const StringList& copies);

}  // namespace mwn
