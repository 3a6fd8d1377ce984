#include "platform/win32/process/system_library.h"
#include "platform/win32/unique_handle.h"
#include "platform/win32/wide_path.h"
#include "platform/win32/win32_platform.h"

namespace mwn {
namespace {

// One batch of network resources: records first, the strings they point to
// after them.
constexpr std::size_t kNetBatchBufferSize = 16416;

class Win32ConnectedDisks : public ConnectedDisks {
 public:
  explicit Win32ConnectedDisks(UniqueNetEnumHandle enumeration)
      : enumeration_(std::move(enumeration)) {}

  std::uint32_t Next(std::vector<std::string>& remoteNames) override {
    remoteNames.clear();
    // A buffer of records keeps the pointers in them aligned.
    std::vector<NETRESOURCEW> buffer(kNetBatchBufferSize / sizeof(NETRESOURCEW) + 1);
    DWORD count = 0xFFFFFFFF;
    DWORD bufferSize = kNetBatchBufferSize;
    const auto enumerate =
        NetworkLibrary().Function<decltype(&WNetEnumResourceW)>("WNetEnumResourceW");
    if (enumerate == nullptr) return ERROR_NO_NETWORK;
    const DWORD answer = enumerate(enumeration_.get(), &count, buffer.data(), &bufferSize);
    if (answer != NO_ERROR) return answer;
    for (DWORD i = 0; i < count && i < buffer.size(); ++i) {
      if (buffer[i].lpRemoteName != nullptr) remoteNames.push_back(NarrowText(buffer[i].lpRemoteName));
    }
    return kErrorSuccess;
  }

 private:
  UniqueNetEnumHandle enumeration_;
};

}  // namespace

std::uint32_t Win32Platform::LogicalDriveMask() { return GetLogicalDrives(); }

unsigned Win32Platform::DriveTypeOf(const std::string& root) {
  std::wstring wide;
  if (!WideText(root, wide)) return kDriveNoRootDir;
  return GetDriveTypeW(wide.c_str());
}

std::unique_ptr<ConnectedDisks> Win32Platform::OpenConnectedDisks(std::uint32_t& error) {
  // Without mpr.dll there is no network to enumerate.
  const auto open = NetworkLibrary().Function<decltype(&WNetOpenEnumW)>("WNetOpenEnumW");
  if (open == nullptr) {
    error = ERROR_NO_NETWORK;
    return nullptr;
  }
  HANDLE opened = nullptr;
  error = open(RESOURCE_CONNECTED, RESOURCETYPE_DISK, 0, nullptr, &opened);
  if (error != NO_ERROR) return nullptr;
  UniqueNetEnumHandle owned(opened);
  if (!owned) {
    error = ERROR_INVALID_HANDLE;
    return nullptr;
  }
  return std::make_unique<Win32ConnectedDisks>(std::move(owned));
}

}  // namespace mwn
