#include <zlib.h>

#include <algorithm>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <utility>

#include "payload/payload.h"
#include "platform/errors.h"

namespace mwn {

namespace {

// The program's own heap for the payload. The image buffer grows by the
// compressed length until the stream ends; where realloc moves a large block
// on every growth (the Windows heap does), the copies and the page faults of
// each new block cost more than the inflation itself. So a large block gets
// room to grow in place, four times its first size and doubled whenever
// outgrown: the payload's executables inflate to about three times their
// compressed size, and pages never written stay out of the working set. A
// shrink gives the room back.
class ProcessHeap final : public PayloadHeap {
 public:
  void* Allocate(std::size_t size) override {
    return Data(Reserve(nullptr, size, size >= kRoomyFrom ? Room(size, 4) : size));
  }

  void* Reallocate(void* block, std::size_t size) override {
    if (block == nullptr) return Allocate(size);
    Header* header = HeaderOf(block);
    if (size < header->size) return Data(Reserve(header, size, size));
    if (size > header->capacity) return Data(Reserve(header, size, Room(size, 2)));
    header->size = size;
    return block;
  }

  void Free(void* block) override {
    if (block != nullptr) std::free(HeaderOf(block));
  }

 private:
  struct Header {
    std::size_t size;
    std::size_t capacity;
  };

  // The caller's bytes start this far into the block, aligned as malloc's.
  static constexpr std::size_t kOffset =
      (sizeof(Header) + alignof(std::max_align_t) - 1) / alignof(std::max_align_t) * alignof(std::max_align_t);
  // No object may be larger than the largest pointer difference.
  static constexpr std::size_t kLargest = PTRDIFF_MAX - kOffset;
  static constexpr std::size_t kRoomyFrom = std::size_t{1} << 20;

  static Header* HeaderOf(void* block) {
    return reinterpret_cast<Header*>(static_cast<unsigned char*>(block) - kOffset);
  }
  static void* Data(Header* header) {
    return header != nullptr ? reinterpret_cast<unsigned char*>(header) + kOffset : nullptr;
  }
  static std::size_t Room(std::size_t size, std::size_t factor) {
    return size <= kLargest / factor ? size * factor : size;
  }

  // (Re)allocates for `capacity` bytes, or for exactly `size` when that much
  // room cannot be had. Null, with the old block untouched, when neither can.
  static Header* Reserve(Header* old, std::size_t size, std::size_t capacity) {
    if (capacity > kLargest) return nullptr;
    void* block = std::realloc(old, kOffset + capacity);
    if (block == nullptr && capacity != size) {
      capacity = size;
      block = std::realloc(old, kOffset + capacity);
    }
    if (block == nullptr) return nullptr;
    Header* header = static_cast<Header*>(block);
    header->size = size;
    header->capacity = capacity;
    return header;
  }
};

voidpf ZlibAllocate(voidpf heap, uInt items, uInt size) {
  if (size != 0 && items > SIZE_MAX / size) return Z_NULL;
  return static_cast<PayloadHeap*>(heap)->Allocate(std::size_t{items} * size);
}

void ZlibFree(voidpf heap, voidpf block) { static_cast<PayloadHeap*>(heap)->Free(block); }

// The output buffer while it fills; freed on the way out unless handed over.
class OutputBuffer {
 public:
  OutputBuffer(PayloadHeap& heap, std::size_t size)
      : heap_(heap), bytes_(static_cast<std::uint8_t*>(heap.Allocate(size))), size_(size) {
    if (bytes_ == nullptr) throw EOutOfMemory();
  }
  OutputBuffer(const OutputBuffer&) = delete;
  OutputBuffer& operator=(const OutputBuffer&) = delete;
  ~OutputBuffer() {
    if (bytes_ != nullptr) heap_.Free(bytes_);
  }

  std::uint8_t* Bytes() const { return bytes_; }
  std::size_t Size() const { return size_; }

  // False, with the buffer as it was, when the larger block cannot be had.
  bool Grow(std::size_t step) {
    if (size_ > SIZE_MAX - step) return false;
    void* grown = heap_.Reallocate(bytes_, size_ + step);
    if (grown == nullptr) return false;
    bytes_ = static_cast<std::uint8_t*>(grown);
    size_ += step;
    return true;
  }

  // Shrinks to `length` and hands the block to the image. An empty result
  // keeps one byte so that the image still points at a block of its own.
  PayloadImage Release(std::size_t length) {
    const std::size_t kept = length != 0 ? length : 1;
    if (kept < size_) {
      // A failed shrink leaves the larger block, which is still good.
      if (void* shrunk = heap_.Reallocate(bytes_, kept)) bytes_ = static_cast<std::uint8_t*>(shrunk);
    }
    return PayloadImage(heap_, std::exchange(bytes_, nullptr), length);
  }

 private:
  PayloadHeap& heap_;
  std::uint8_t* bytes_;
  std::size_t size_;
};

// zlib counts its input and output space in uInt.
constexpr std::size_t kLargestRoom = (UINT_MAX - 255u) & ~std::size_t{255};
// Output per inflate call: a few milliseconds of work between two progress
// calls.
constexpr std::size_t kOutputPerCall = std::size_t{1} << 20;

}  // namespace

PayloadHeap& PayloadHeap::Process() {
  static ProcessHeap heap;
  return heap;
}

PayloadImage::PayloadImage(PayloadImage&& other) noexcept
    : heap_(std::exchange(other.heap_, nullptr)),
      bytes_(std::exchange(other.bytes_, nullptr)),
      size_(std::exchange(other.size_, 0)) {}

PayloadImage& PayloadImage::operator=(PayloadImage&& other) noexcept {
  if (this != &other) {
    if (bytes_ != nullptr) heap_->Free(bytes_);
    heap_ = std::exchange(other.heap_, nullptr);
    bytes_ = std::exchange(other.bytes_, nullptr);
    size_ = std::exchange(other.size_, 0);
  }
  return *this;
}

PayloadImage::~PayloadImage() {
  if (bytes_ != nullptr) heap_->Free(bytes_);
}

PayloadImage InflatePayload(const std::uint8_t* input, std::size_t inputLength,
                            std::size_t estimate, PayloadHeap& heap,
                            const std::function<void()>& progress,
                            const std::function<void(std::size_t)>& consumed) {
  // No zlib stream is empty, and a missing resource arrives as null and 0.
  if (input == nullptr || inputLength == 0) throw EDecompressionError();
  if (inputLength > kLargestRoom || estimate > kLargestRoom) throw EOutOfMemory();

  const std::size_t step = (inputLength + 255) & ~std::size_t{255};
  OutputBuffer output(heap, estimate != 0 ? estimate : step);

  z_stream stream{};
  stream.zalloc = ZlibAllocate;
  stream.zfree = ZlibFree;
  stream.opaque = &heap;
  stream.next_in = const_cast<Bytef*>(input);
  stream.avail_in = static_cast<uInt>(inputLength);
  stream.next_out = output.Bytes();
  stream.avail_out = static_cast<uInt>(std::min(output.Size(), kOutputPerCall));
  if (inflateInit(&stream) != Z_OK) throw EDecompressionError();

  int answer = Z_OK;
  bool outOfMemory = false;
  while ((answer = inflate(&stream, Z_FINISH)) != Z_STREAM_END) {
    // Old zlib answers Z_OK for a full output space, current zlib
    // Z_BUF_ERROR; with space left, Z_BUF_ERROR means the stream ended
    // before its end marker.
    const bool full = stream.avail_out == 0 && (answer == Z_OK || answer == Z_BUF_ERROR);
    if (!full) break;
    const std::size_t offset = static_cast<std::size_t>(stream.next_out - output.Bytes());
    // Only a full buffer grows; a full share of it just goes on.
    if (offset == output.Size() && !output.Grow(step)) {
      outOfMemory = true;
      break;
    }
    if (progress) progress();
    if (consumed) consumed(static_cast<std::size_t>(stream.next_in - input));
    stream.next_out = output.Bytes() + offset;
    stream.avail_out = static_cast<uInt>(std::min(output.Size() - offset, kOutputPerCall));
  }
  const std::size_t produced = stream.total_out;
  const int endAnswer = inflateEnd(&stream);

  if (outOfMemory) throw EOutOfMemory();
  // zlib's own lack of memory (Z_MEM_ERROR) is one of its negative answers,
  // so it is the decompression error; only the buffer's growth is ours.
  if (answer != Z_STREAM_END || endAnswer < 0) throw EDecompressionError();
  return output.Release(produced);
}

}  // namespace mwn
