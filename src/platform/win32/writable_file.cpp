#include "platform/win32/unique_handle.h"
#include "platform/win32/wide_path.h"
#include "platform/win32/win32_platform.h"

namespace mwn {
namespace {

class Win32WritableFile : public WritableFile {
 public:
  explicit Win32WritableFile(UniqueFileHandle file) : file_(std::move(file)) {}

  std::uint32_t Write(const std::uint8_t* data, std::size_t size, std::size_t& written) override {
    written = 0;
    if (!file_) return ERROR_INVALID_HANDLE;
    if (size != static_cast<DWORD>(size)) return ERROR_INVALID_PARAMETER;
    DWORD count = 0;
    const BOOL wrote = WriteFile(file_.get(), data, static_cast<DWORD>(size), &count, nullptr);
    written = count;
    return wrote ? kErrorSuccess : GetLastError();
  }

  std::uint32_t Close() override {
    if (!file_) return ERROR_INVALID_HANDLE;
    // Closed by hand rather than by the owner: the answer of the close
    // matters, since the system may write the last data only then.
    return CloseHandle(file_.release()) ? kErrorSuccess : GetLastError();
  }

 private:
  UniqueFileHandle file_;
};

}  // namespace

std::unique_ptr<WritableFile> Win32Platform::CreateFileRW(const std::string& path,
                                                          std::uint32_t& error) {
  std::wstring wide;
  if (!WidePath(path, wide)) {
    error = GetLastError();
    return nullptr;
  }
  UniqueFileHandle file(CreateFileW(wide.c_str(), GENERIC_READ | GENERIC_WRITE,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) {
    error = GetLastError();
    return nullptr;
  }
  return std::make_unique<Win32WritableFile>(std::move(file));
}

}  // namespace mwn
