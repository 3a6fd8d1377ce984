#include "platform/win32/unique_handle.h"
#include "platform/win32/wide_path.h"
#include "platform/win32/win32_platform.h"

namespace mwn {
namespace {

struct OneWrite {
  HANDLE file;
  const std::uint8_t* data;
  DWORD size;
  DWORD written;
};

DWORD WINAPI WriteAll(LPVOID context) {
  auto& write = *static_cast<OneWrite*>(context);
  return WriteFile(write.file, write.data, write.size, &write.written, nullptr)
             ? kErrorSuccess
             : GetLastError();
}

class Win32WritableFile : public WritableFile {
 public:
  explicit Win32WritableFile(UniqueFileHandle file) : file_(std::move(file)) {}

  // One call, however large: it may take a while on its own thread.
  std::uint32_t Write(const std::uint8_t* data, std::size_t size, std::size_t& written,
                      const Progress& whileWaiting) override {
    written = 0;
    if (!file_) return ERROR_INVALID_HANDLE;
    if (size != static_cast<DWORD>(size)) return ERROR_INVALID_PARAMETER;
    OneWrite write{file_.get(), data, static_cast<DWORD>(size), 0};
    const DWORD answer = CallAnswering(&WriteAll, &write, whileWaiting);
    written = write.written;
    return answer;
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

std::unique_ptr<WritableFile> WritableFileOf(UniqueFileHandle file) {
  return std::make_unique<Win32WritableFile>(std::move(file));
}

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
  return WritableFileOf(std::move(file));
}

}  // namespace mwn
