#include "payload/payload.h"
#include "platform/errors.h"
#include "platform/platform.h"

namespace mwn {

void WriteImageFile(Platform& platform, const std::string& path, const PayloadImage& image,
                    const std::function<void()>& whileWaiting) {
  std::uint32_t code = kErrorSuccess;
  // Closed on the error paths by its owner; a close error there would only
  // hide the error that is already on its way.
  const std::unique_ptr<WritableFile> file = platform.CreateFileRW(path, code);
  if (!file) throw EInOutError(code);

  std::size_t written = 0;
  code = file->Write(image.Data(), image.Size(), written, whileWaiting);
  if (code != kErrorSuccess) throw EInOutError(code);
  if (written < image.Size()) throw EInOutError(kIoShortWrite);

  code = file->Close();
  if (code != kErrorSuccess) throw EInOutError(code);
}

}  // namespace mwn
