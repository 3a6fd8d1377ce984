#include "payload/payload.h"
#include "platform/errors.h"
#include "platform/platform.h"

namespace mwn {

std::uint32_t WriteWholeFile(Platform& platform, const std::string& path,
                             const std::uint8_t* data, std::size_t size,
                             const std::function<void()>& whileWaiting) {
  std::uint32_t code = kErrorSuccess;
  // Closed on the error paths by its owner; a close error there would only
  // hide the error that is already on its way.
  const std::unique_ptr<WritableFile> file = platform.CreateFileRW(path, code);
  if (!file) return code;
  return WriteAndClose(*file, data, size, whileWaiting);
}

std::uint32_t WriteAndClose(WritableFile& file, const std::uint8_t* data, std::size_t size,
                            const std::function<void()>& whileWaiting) {
  std::size_t written = 0;
  const std::uint32_t code = file.Write(data, size, written, whileWaiting);
  if (code != kErrorSuccess) return code;
  if (written < size) return kIoShortWrite;
  return file.Close();
}

void WriteImageFile(Platform& platform, const std::string& path, const PayloadImage& image,
                    const std::function<void()>& whileWaiting) {
  const std::uint32_t code =
      WriteWholeFile(platform, path, image.Data(), image.Size(), whileWaiting);
  if (code != kErrorSuccess) throw EInOutError(code);
}

}  // namespace mwn
