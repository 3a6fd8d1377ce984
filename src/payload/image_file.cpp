#include "payload/payload.h"
#include "platform/platform.h"
#include "update/errors.h"

namespace mwn {

namespace {

// Closes the file on the error paths; a close error there would only hide
// the error that is already on its way.
class OpenFile {
 public:
  OpenFile(Platform& platform, PlatformHandle handle) : platform_(platform), handle_(handle) {}
  OpenFile(const OpenFile&) = delete;
  OpenFile& operator=(const OpenFile&) = delete;
  ~OpenFile() {
    if (handle_ != 0) platform_.CloseFile(handle_);
  }

  PlatformHandle Handle() const { return handle_; }

  std::uint32_t Close() {
    const PlatformHandle handle = handle_;
    handle_ = 0;
    return platform_.CloseFile(handle);
  }

 private:
  Platform& platform_;
  PlatformHandle handle_;
};

}  // namespace

void WriteImageFile(Platform& platform, const std::string& path, const PayloadImage& image) {
  PlatformHandle handle = 0;
  if (const std::uint32_t code = platform.CreateFileRW(path, handle); code != kErrorSuccess) {
    throw EInOutError(code);
  }
  OpenFile file(platform, handle);

  std::size_t written = 0;
  const std::uint32_t code = platform.WriteFileBytes(file.Handle(), image.Data(), image.Size(), written);
  if (code != kErrorSuccess) throw EInOutError(code);
  if (written < image.Size()) throw EInOutError(kIoShortWrite);

  if (const std::uint32_t closeCode = file.Close(); closeCode != kErrorSuccess) {
    throw EInOutError(closeCode);
  }
}

}  // namespace mwn
