#include "update/base/version.h"

#include <new>
#include <vector>

#include "platform/platform.h"
#include "platform/pump.h"

namespace mwn {

namespace {

// RT_VERSION, and VS_VERSION_INFO: the one version resource of an image.
constexpr char kVersionResourceType[] = "#16";
constexpr char kVersionResourceName[] = "#1";

VersionStamp StampOf(std::uint32_t versionMS, std::uint32_t versionLS) {
  VersionStamp stamp;
  stamp.major = static_cast<std::uint16_t>(versionMS >> 16);
  stamp.minor = static_cast<std::uint16_t>(versionMS & 0xFFFF);
  stamp.release = static_cast<std::uint16_t>(versionLS >> 16);
  stamp.build = static_cast<std::uint16_t>(versionLS & 0xFFFF);
  return stamp;
}

}  // namespace

bool ReadVersionStamp(Platform& platform, MessagePump& pump, const std::string& path,
                      VersionStamp& stamp) {
  pump.Step();
  const std::uint32_t size = platform.VersionInfoSize(path);
  pump.Step();
  if (size == 0) return false;
  std::vector<std::uint8_t> data;
  try {
    data.resize(size);
  } catch (const std::bad_alloc&) {
    return false;  // a copy's version information is never worth ending the run
  }
  const bool read = platform.VersionInfo(path, data);
  pump.Step();
  if (!read) return false;
  std::uint32_t versionMS = 0;
  std::uint32_t versionLS = 0;
  const bool found = platform.RootFileVersion(data, versionMS, versionLS);
  pump.Step();
  if (!found) return false;
  stamp = StampOf(versionMS, versionLS);
  return true;
}

bool EntryVersionStamp(FolderEntries& folder, const std::string& name, VersionStamp& stamp) {
  std::uint32_t versionMS = 0;
  std::uint32_t versionLS = 0;
  if (!folder.FileVersion(name, versionMS, versionLS)) return false;
  stamp = StampOf(versionMS, versionLS);
  return true;
}

bool OwnVersionStamp(Platform& platform, VersionStamp& stamp) {
  const std::uint8_t* resource = nullptr;
  std::size_t size = 0;
  if (!platform.OwnResource(kVersionResourceType, kVersionResourceName, resource, size)) {
    return false;
  }
  std::uint32_t versionMS = 0;
  std::uint32_t versionLS = 0;
  // A copy: the system's reader of the block may write into it.
  if (!platform.RootFileVersion(std::vector<std::uint8_t>(resource, resource + size), versionMS,
                                versionLS)) {
    return false;
  }
  stamp = StampOf(versionMS, versionLS);
  return true;
}

bool ImageVersionStamp(Platform& platform, const std::uint8_t* data, std::size_t size,
                       VersionStamp& stamp) {
  std::uint32_t versionMS = 0;
  std::uint32_t versionLS = 0;
  if (!platform.ImageFileVersion(data, size, versionMS, versionLS)) return false;
  stamp = StampOf(versionMS, versionLS);
  return true;
}

}  // namespace mwn
