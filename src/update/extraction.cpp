#include "update/extraction.h"

#include "platform/errors.h"
#include "platform/platform.h"
#include "platform/pump.h"
#include "update/path.h"
#include "update/texts.h"

namespace mwn {

void ExtractPayload(Platform& platform, MessagePump& pump, PayloadImage& image,
                    std::string& folder, std::string& imagePath) {
  std::uint32_t errorCode = 0;
  folder = MakeScratchFolder(platform, pump, errorCode);
  // Without a folder the image would land in the current directory.
  if (folder.empty()) throw EInOutError(errorCode != 0 ? errorCode : kErrorPathNotFound);
  pump.Step();

  const std::uint8_t* compressed = nullptr;
  std::size_t compressedSize = 0;
  platform.OwnResource(kPayloadResourceType, kPayloadResourceName, compressed, compressedSize);
  pump.Step();
  image = InflatePayload(compressed, compressedSize, 0, PayloadHeap::Process(),
                         [&pump] { pump.Step(); });
  imagePath = JoinPath(folder, text::kTargetName);
  pump.Full();
  WriteImageFile(platform, imagePath, image, [&pump] { pump.Full(); });
  pump.Full();
}

}  // namespace mwn
