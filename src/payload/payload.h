// The replacement executable that the updater carries: its inflation, the
// private scratch folder and the image file written there.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "payload/resource_names.h"
#include "platform/platform.h"

namespace mwn {

#define MWN_STRING_OF(token) MWN_STRING_OF_EXPANDED(token)
#define MWN_STRING_OF_EXPANDED(token) #token
constexpr char kPayloadResourceType[] = MWN_STRING_OF(MWN_PAYLOAD_RESOURCE_TYPE);
constexpr char kPayloadResourceName[] = MWN_STRING_OF(MWN_PAYLOAD_RESOURCE_NAME);

// The prefix of every temporary name the program makes: the scratch folder
// and the files staged beside each copy.
constexpr char kTempPrefix[] = "Mwn";

class MessagePump;

// Where the payload buffer and zlib's own state come from. The default is the
// program's heap; tests substitute one that records sizes or fails.
class PayloadHeap {
 public:
  virtual ~PayloadHeap() = default;
  virtual void* Allocate(std::size_t size) = 0;
  virtual void* Reallocate(void* block, std::size_t size) = 0;
  virtual void Free(void* block) = 0;
  static PayloadHeap& Process();
};

// The inflated replacement executable; owns its buffer.
class PayloadImage {
 public:
  PayloadImage() = default;
  PayloadImage(PayloadHeap& heap, std::uint8_t* bytes, std::size_t size)
      : heap_(&heap), bytes_(bytes), size_(size) {}
  PayloadImage(PayloadImage&& other) noexcept;
  PayloadImage& operator=(PayloadImage&& other) noexcept;
  PayloadImage(const PayloadImage&) = delete;
  PayloadImage& operator=(const PayloadImage&) = delete;
  ~PayloadImage();

  const std::uint8_t* Data() const { return bytes_; }
  std::size_t Size() const { return size_; }

 private:
  PayloadHeap* heap_ = nullptr;
  std::uint8_t* bytes_ = nullptr;
  std::size_t size_ = 0;
};

// Inflates one zlib stream into a buffer that starts at `estimate` bytes (or,
// for 0, the input length rounded up to 256) and grows by that rounded length.
// Throws EDecompressionError on a damaged, truncated or missing (null, 0)
// stream and EOutOfMemory when the buffer cannot be had; nothing leaks
// either way. An empty result still points at a block of its own. Inflates
// at most 1 MiB per call, calling `progress` between the calls, so that a
// window can answer while a large image inflates, and `consumed` with the
// count of input bytes read so far, none of which is read again.
PayloadImage InflatePayload(const std::uint8_t* input, std::size_t inputLength,
                            std::size_t estimate, PayloadHeap& heap = PayloadHeap::Process(),
                            const std::function<void()>& progress = {},
                            const std::function<void(std::size_t)>& consumed = {});

// Makes a private folder in the temp directory, named as the system names a
// unique temp file with kTempPrefix. Gives its path, or the empty string
// and the system's error code in `errorCode` (3, path not found, when the
// temp path or the unique name cannot be had). Pumps between its steps.
std::string MakeScratchFolder(Platform& platform, MessagePump& pump, std::uint32_t& errorCode);

// The scratch folder of a run, once made.
struct ScratchFolder {
  std::string path;
  // Only for a run with an administrator's rights: the folder is then
  // private to administrators and held until it is removed (see Platform's
  // CreatePrivateFolder), so that no program of a standard user can change
  // the image file in it, move the folder away or lead its removal elsewhere.
  std::unique_ptr<PrivateFolder> held;
};

// A folder in the temp directory, named from the system's strong random
// source and private to administrators; an empty path and the system's code
// in `errorCode` when it cannot be made.
ScratchFolder MakePrivateScratchFolder(Platform& platform, MessagePump& pump,
                                       std::uint32_t& errorCode);

// Creates or truncates `path`, writes `size` bytes in one call, calling
// `whileWaiting` whenever a window message arrives during it, and closes it.
// 0, or the system's code of the first step that failed (101 for a short
// write); the file is closed on every path.
std::uint32_t WriteWholeFile(Platform& platform, const std::string& path,
                             const std::uint8_t* data, std::size_t size,
                             const std::function<void()>& whileWaiting = {});

// Creates or truncates `path` and writes `image` in one call, calling
// `whileWaiting` whenever a window message arrives during it. Throws
// EInOutError (101 for a short write); the file is closed on every path.
// Writes data[0..size) to `file` in one call, then closes it: 0, the
// system's error code, or kIoShortWrite.
std::uint32_t WriteAndClose(WritableFile& file, const std::uint8_t* data, std::size_t size,
                            const std::function<void()>& whileWaiting = {});

void WriteImageFile(Platform& platform, const std::string& path, const PayloadImage& image,
                    const std::function<void()>& whileWaiting = {});

// Removes the scratch folder; throws EInOutError with the system's code.
void RemoveScratchFolder(Platform& platform, const std::string& folder);
// The same for either kind, a private one through its hold.
void RemoveScratchFolder(Platform& platform, ScratchFolder& folder);

}  // namespace mwn
