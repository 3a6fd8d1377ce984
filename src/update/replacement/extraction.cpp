#include "update/replacement/extraction.h"

#include "platform/errors.h"
#include "platform/platform.h"
#include "platform/pump.h"
#include "update/base/path.h"
#include "update/base/texts.h"

namespace mwn {

// The stream is read once: as the image grows, the pages of the stream
// already read leave the working set, which then holds little more than the
// image at its largest.
PayloadImage InflateOwnPayload(Platform& platform, MessagePump& pump) {
  const std::uint8_t* compressed = nullptr;
  std::size_t compressedSize = 0;
  platform.OwnResource(kPayloadResourceType, kPayloadResourceName, compressed, compressedSize);
  pump.Step();
  PayloadImage image = InflatePayload(
      compressed, compressedSize, 0, PayloadHeap::Process(), [&pump] { pump.Step(); },
      [&](std::size_t read) { platform.ForgetOwnResourceBytes(compressed, read); });
  platform.ForgetOwnResourceBytes(compressed, compressedSize);
  return image;
}

void ExtractPayload(Platform& platform, MessagePump& pump, bool privateToAdministrators,
                    PayloadImage& image, ScratchFolder& folder, std::string& imagePath) {
  std::uint32_t errorCode = 0;
  if (privateToAdministrators) {
    folder = MakePrivateScratchFolder(platform, pump, errorCode);
  } else {
    folder.path = MakeScratchFolder(platform, pump, errorCode);
  }
  // Without a folder the image would land in the current directory.
  if (folder.path.empty()) throw EInOutError(errorCode != 0 ? errorCode : kErrorPathNotFound);
  pump.Step();

  image = InflateOwnPayload(platform, pump);
  imagePath = JoinPath(folder.path, text::kTargetName);
  pump.Full();
  if (folder.held) {
    // Through the hold: the path leads through the user's own folders.
    std::uint32_t code = kErrorSuccess;
    const std::unique_ptr<WritableFile> file =
        folder.held->Entries().CreateNew(text::kTargetName, code);
    if (file) code = WriteAndClose(*file, image.Data(), image.Size(), [&pump] { pump.Full(); });
    if (code != kErrorSuccess) throw EInOutError(code);
  } else {
    WriteImageFile(platform, imagePath, image, [&pump] { pump.Full(); });
  }
  pump.Full();
}

}  // namespace mwn
