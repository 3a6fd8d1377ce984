#pragma once

#include <cstdint>
#include <string>
#include <tuple>

namespace mwn {

class Platform;
class MessagePump;
class StringList;

struct VersionStamp {
  std::uint16_t major = 0;
  std::uint16_t minor = 0;
  std::uint16_t release = 0;
  std::uint16_t build = 0;

  friend bool operator<(const VersionStamp& a, const VersionStamp& b) {
    return std::tie(a.major, a.minor, a.release, a.build) <
           std::tie(b.major, b.minor, b.release, b.build);
  }
  friend bool operator==(const VersionStamp& a, const VersionStamp& b) {
    return std::tie(a.major, a.minor, a.release, a.build) ==
           std::tie(b.major, b.minor, b.release, b.build);
  }
};

// Reads the file version of `path`; on failure `stamp` is left untouched.
bool ReadVersionStamp(Platform& platform, MessagePump& pump, const std::string& path,
                      VersionStamp& stamp);

// True when the replacement at `imagePath` is at least as new as every copy
// in `copies` whose version can be read. A replacement without a readable
// version never updates.
bool ShouldUpdate(Platform& platform, MessagePump& pump, const std::string& imagePath,
                  const StringList& copies);

}  // namespace mwn
