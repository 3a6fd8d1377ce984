#include "update/replacement/version_gate.h"

#include "platform/platform.h"
#include "update/base/version.h"
#include "update/base/window.h"

namespace mwn {

bool ShouldUpdate(Platform& platform, MessagePump& pump, const std::string& imagePath,
                  const StringList& copies) {
  VersionStamp replacement;
  if (!ReadVersionStamp(platform, pump, imagePath, replacement)) return false;
  VersionStamp highest;
  for (int i = 0; i < copies.Count(); ++i) {
    VersionStamp stamp;
    if (ReadVersionStamp(platform, pump, copies.Get(i), stamp) && highest < stamp) {
      highest = stamp;
    }
  }
  return !(replacement < highest);
}

}  // namespace mwn
