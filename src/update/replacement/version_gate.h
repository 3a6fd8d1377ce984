// The version gate: whether the replacement may go over the copies found.
#pragma once

#include <functional>
#include <string>

namespace mwn {

class Platform;
class MessagePump;
class StringList;
struct VersionStamp;

// True when the `replacement` version (null: it has none that can be read)
// is at least as new as every copy in `copies` that `takesPart` admits and
// whose version can be read. A replacement without a readable version never
// updates.
bool ShouldUpdate(Platform& platform, MessagePump& pump, const VersionStamp* replacement,
                  const StringList& copies,
                  const std::function<bool(const std::string&)>& takesPart);

}  // namespace mwn
