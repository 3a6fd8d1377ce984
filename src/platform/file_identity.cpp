#include <cstdio>

#include "platform/files.h"

namespace mwn {
namespace {

constexpr char kSwitch[] = "--image=";
constexpr std::size_t kSwitchLength = sizeof kSwitch - 1;

bool Hex(const std::string& digits, std::uint64_t& value) {
  value = 0;
  for (const char c : digits) {
    const int digit = c >= '0' && c <= '9' ? c - '0' : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
    if (digit < 0) return false;
    value = value << 4 | static_cast<std::uint64_t>(digit);
  }
  return !digits.empty();
}

}  // namespace

std::string ImageIdentityArgument(const FileIdentity& identity) {
  char text[sizeof kSwitch + 8 + 1 + 16];
  std::snprintf(text, sizeof text, "%s%08X-%08X%08X", kSwitch,
                static_cast<unsigned>(identity.volumeSerial),
                static_cast<unsigned>(identity.fileIndex >> 32),
                static_cast<unsigned>(identity.fileIndex & 0xFFFFFFFFu));
  return text;
}

bool ParseImageIdentityArgument(const std::string& argument, FileIdentity& identity) {
  if (argument.size() != kSwitchLength + 8 + 1 + 16 ||
      argument.compare(0, kSwitchLength, kSwitch) != 0 || argument[kSwitchLength + 8] != '-') {
    return false;
  }
  std::uint64_t serial = 0;
  std::uint64_t index = 0;
  if (!Hex(argument.substr(kSwitchLength, 8), serial) ||
      !Hex(argument.substr(kSwitchLength + 9), index)) {
    return false;
  }
  identity.volumeSerial = static_cast<std::uint32_t>(serial);
  identity.fileIndex = index;
  return true;
}

}  // namespace mwn
