#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <tuple>

namespace mwn {

class Platform;
class MessagePump;
class FolderEntries;

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

// Reads the file version of the entry `name` of `folder`; on failure
// `stamp` is left untouched.
bool EntryVersionStamp(FolderEntries& folder, const std::string& name, VersionStamp& stamp);

// Reads the running program's own file version from its image in memory,
// not from the file it was started from, which a link may have replaced
// since; on failure `stamp` is left untouched.
bool OwnVersionStamp(Platform& platform, VersionStamp& stamp);

// Reads the file version of the executable image data[0..size) in memory;
// on failure `stamp` is left untouched.
bool ImageVersionStamp(Platform& platform, const std::uint8_t* data, std::size_t size,
                       VersionStamp& stamp);

}  // namespace mwn
