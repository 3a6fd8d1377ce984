#include "platform/win32/win32_platform.h"

namespace mwn {

std::uint32_t Win32Platform::LogicalDriveMask() { return GetLogicalDrives(); }

unsigned Win32Platform::DriveTypeOf(const std::string& root) {
  if (!UsableAnsiPath(root)) return kDriveNoRootDir;
  return GetDriveTypeA(root.c_str());
}

std::uint32_t Win32Platform::OpenConnectedDisks(PlatformHandle& handle) {
  HANDLE opened = nullptr;
  const DWORD error = WNetOpenEnumA(RESOURCE_CONNECTED, RESOURCETYPE_DISK, 0, nullptr, &opened);
  if (error != NO_ERROR) return error;
  UniqueNetEnumHandle owned(opened);
  if (!owned) return ERROR_INVALID_HANDLE;
  handle = reinterpret_cast<PlatformHandle>(opened);
  enumerations_[handle] = std::move(owned);
  return kErrorSuccess;
}

std::uint32_t Win32Platform::ReadConnectedDisks(PlatformHandle handle,
                                                std::vector<std::string>& remoteNames) {
  remoteNames.clear();
  const auto found = enumerations_.find(handle);
  if (found == enumerations_.end()) return ERROR_INVALID_HANDLE;

  // The records come first in the buffer, the strings they point to after
  // them; a buffer of records keeps the pointers in them aligned.
  std::vector<NETRESOURCEA> buffer(kNetBatchBufferSize / sizeof(NETRESOURCEA) + 1);
  DWORD count = 0xFFFFFFFF;
  DWORD bufferSize = kNetBatchBufferSize;
  const DWORD answer = WNetEnumResourceA(found->second.get(), &count, buffer.data(), &bufferSize);
  if (answer != NO_ERROR) return answer;
  for (DWORD i = 0; i < count && i < buffer.size(); ++i) {
    if (buffer[i].lpRemoteName != nullptr) remoteNames.emplace_back(buffer[i].lpRemoteName);
  }
  return kErrorSuccess;
}

void Win32Platform::CloseConnectedDisks(PlatformHandle handle) { enumerations_.erase(handle); }

}  // namespace mwn
