#include "update/replacement/version_gate.h"

#include "update/base/version.h"
#include "update/base/window.h"

namespace mwn {

bool ShouldUpdate(Platform& platform, MessagePump& pump, const VersionStamp* replacement,
                  const StringList& copies,
                  const std::function<bool(const std::string&)>& takesPart) {
  if (replacement == nullptr) return false;
  VersionStamp highest;
  for (int i = 0; i < copies.Count(); ++i) {
    const std::string copy = copies.Get(i);
    VersionStamp stamp;
    if (takesPart(copy) && ReadVersionStamp(platform, pump, copy, stamp) && highest < stamp) {
      highest = stamp;
    }
  }
  return !(*replacement < highest);
}

}  // namespace mwn
