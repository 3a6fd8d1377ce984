// The payload's inflation: the buffer's sizes as it grows and shrinks, the
// errors, and that no block outlives a failure.
#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#include "payload/payload.h"
#include "platform/errors.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

// Records every request, counts the blocks still live, and can refuse the
// n-th request (allocations and reallocations counted together, from 1).
class RecordingHeap : public mwn::PayloadHeap {
 public:
  struct Request {
    bool reallocate;
    std::size_t size;
  };

  void* Allocate(std::size_t size) override {
    requests.push_back({false, size});
    if (Refused()) return nullptr;
    void* block = std::malloc(size);
    live_.insert(block);
    return block;
  }
  void* Reallocate(void* block, std::size_t size) override {
    requests.push_back({true, size});
    EXPECT_EQ(live_.count(block), 1u) << "reallocating a block this heap does not hold";
    if (Refused()) return nullptr;
    void* moved = std::realloc(block, size);
    live_.erase(block);
    live_.insert(moved);
    return moved;
  }
  void Free(void* block) override {
    if (block == nullptr) return;
    EXPECT_EQ(live_.erase(block), 1u) << "freeing a block this heap does not hold";
    std::free(block);
  }

  std::size_t Live() const { return live_.size(); }
  std::vector<std::size_t> ReallocateSizes() const {
    std::vector<std::size_t> sizes;
    for (const Request& r : requests) {
      if (r.reallocate) sizes.push_back(r.size);
    }
    return sizes;
  }

  int refuseRequest = 0;
  std::vector<Request> requests;

 private:
  bool Refused() const { return static_cast<int>(requests.size()) == refuseRequest; }
  std::set<void*> live_;
};

Bytes Compress(const Bytes& data, int level = 9) {
  uLongf size = compressBound(static_cast<uLong>(data.size()));
  Bytes stream(size);
  EXPECT_EQ(compress2(stream.data(), &size, data.data(), static_cast<uLong>(data.size()), level), Z_OK);
  stream.resize(size);
  return stream;
}

// Compressible but not trivially so: a few kilobytes of stream per hundred
// kilobytes of output, so the buffer has to grow several times.
Bytes ImageLike(std::size_t size) {
  Bytes bytes(size);
  std::uint32_t state = 12345;
  for (std::size_t i = 0; i < size; ++i) {
    state = state * 1103515245u + 12345u;
    bytes[i] = (i % 512) < 448 ? static_cast<std::uint8_t>(i / 512) : static_cast<std::uint8_t>(state >> 24);
  }
  return bytes;
}

std::size_t Ceil256(std::size_t n) { return (n + 255) / 256 * 256; }

Bytes Contents(const mwn::PayloadImage& image) { return Bytes(image.Data(), image.Data() + image.Size()); }

TEST(InflatePayload, GrowsByTheRoundedInputLengthAndShrinksToTheImage) {
  const Bytes image = ImageLike(100'001);
  const Bytes stream = Compress(image);
  ASSERT_EQ(stream[0], 0x78);
  ASSERT_EQ(stream[1], 0xDA);
  const std::size_t step = Ceil256(stream.size());
  ASSERT_GE(image.size() / step, 3u) << "the stream should need several growths";

  RecordingHeap heap;
  {
    const mwn::PayloadImage result = mwn::InflatePayload(stream.data(), stream.size(), 0, heap);
    EXPECT_EQ(Contents(result), image);

    ASSERT_FALSE(heap.requests.empty());
    EXPECT_FALSE(heap.requests.front().reallocate);
    EXPECT_EQ(heap.requests.front().size, step);
    std::vector<std::size_t> expected;
    for (std::size_t size = 2 * step; size - step < image.size(); size += step) expected.push_back(size);
    ASSERT_NE(expected.back() % image.size(), 0u) << "the shrink must be a request of its own";
    expected.push_back(image.size());
    EXPECT_EQ(heap.ReallocateSizes(), expected);
    EXPECT_EQ(heap.Live(), 1u) << "only the image's buffer stays";
  }
  EXPECT_EQ(heap.Live(), 0u);
}

TEST(InflatePayload, StreamShorterThan256BytesStepsBy256) {
  const Bytes image(1000, 'x');
  const Bytes stream = Compress(image);
  ASSERT_LT(stream.size(), 256u);

  RecordingHeap heap;
  const mwn::PayloadImage result = mwn::InflatePayload(stream.data(), stream.size(), 0, heap);
  EXPECT_EQ(Contents(result), image);
  EXPECT_EQ(heap.requests.front().size, 256u);
  EXPECT_EQ(heap.ReallocateSizes(), (std::vector<std::size_t>{512, 768, 1024, 1000}));
}

TEST(InflatePayload, EstimateSizesTheFirstBuffer) {
  const Bytes image = ImageLike(50'000);
  const Bytes stream = Compress(image);
  const std::size_t step = Ceil256(stream.size());

  {
    RecordingHeap heap;
    const mwn::PayloadImage result = mwn::InflatePayload(stream.data(), stream.size(), image.size(), heap);
    EXPECT_EQ(Contents(result), image);
    EXPECT_EQ(heap.requests.front().size, image.size());
    EXPECT_TRUE(heap.ReallocateSizes().empty()) << "an exact estimate needs neither growth nor shrink";
  }
  {
    RecordingHeap heap;
    const mwn::PayloadImage result =
        mwn::InflatePayload(stream.data(), stream.size(), image.size() + 777, heap);
    EXPECT_EQ(Contents(result), image);
    EXPECT_EQ(heap.ReallocateSizes(), (std::vector<std::size_t>{image.size()}));
  }
  {
    RecordingHeap heap;
    const std::size_t estimate = image.size() - 10;
    const mwn::PayloadImage result = mwn::InflatePayload(stream.data(), stream.size(), estimate, heap);
    EXPECT_EQ(Contents(result), image);
    EXPECT_EQ(heap.ReallocateSizes(), (std::vector<std::size_t>{estimate + step, image.size()}));
  }
}

TEST(InflatePayload, EmptyImageIsAValidResult) {
  const Bytes stream = Compress({});
  RecordingHeap heap;
  {
    const mwn::PayloadImage result = mwn::InflatePayload(stream.data(), stream.size(), 0, heap);
    EXPECT_EQ(result.Size(), 0u);
    EXPECT_NE(result.Data(), nullptr);
  }
  EXPECT_EQ(heap.Live(), 0u);
}

void ExpectRejected(const Bytes& stream, const char* what) {
  RecordingHeap heap;
  EXPECT_THROW(mwn::InflatePayload(stream.data(), stream.size(), 0, heap), mwn::EDecompressionError)
      << what;
  EXPECT_EQ(heap.Live(), 0u) << what;
}

TEST(InflatePayload, DamagedStreamsRaiseTheDecompressionErrorWithoutLeaks) {
  const Bytes image = ImageLike(20'000);
  const Bytes stream = Compress(image);

  ExpectRejected(Bytes(stream.begin(), stream.end() - 1), "truncated by one byte");
  ExpectRejected(Bytes(stream.begin(), stream.begin() + stream.size() / 2), "truncated by half");

  Bytes badCheck = stream;
  badCheck[stream.size() - 1] ^= 0x01;
  ExpectRejected(badCheck, "wrong check value");

  Bytes badHeader = stream;
  badHeader[1] ^= 0x01;
  ExpectRejected(badHeader, "header check fails");

  Bytes badBlock = stream;
  badBlock[2] = 0xFF;  // reserved block type
  ExpectRejected(badBlock, "invalid block type");

  ExpectRejected(Bytes{'M', 'Z', 0x90, 0x00}, "not a zlib stream");
}

TEST(InflatePayload, EmptyOrMissingInputRaisesTheDecompressionError) {
  RecordingHeap heap;
  const std::uint8_t byte = 0x78;
  EXPECT_THROW(mwn::InflatePayload(nullptr, 0, 0, heap), mwn::EDecompressionError);
  EXPECT_THROW(mwn::InflatePayload(&byte, 0, 0, heap), mwn::EDecompressionError);
  EXPECT_THROW(mwn::InflatePayload(&byte, 1, 0, heap), mwn::EDecompressionError);
  EXPECT_EQ(heap.Live(), 0u);
}

TEST(InflatePayload, StreamAskingForAPresetDictionaryIsRejected) {
  static const char dictionary[] = "MZ This program cannot be run in DOS mode.";
  const std::string text = "MZ This program cannot be run in DOS mode. Twice: cannot be run in DOS mode.";
  z_stream deflater{};
  ASSERT_EQ(deflateInit(&deflater, 9), Z_OK);
  ASSERT_EQ(deflateSetDictionary(&deflater, reinterpret_cast<const Bytef*>(dictionary), sizeof dictionary - 1),
            Z_OK);
  Bytes stream(256);
  deflater.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(text.data()));
  deflater.avail_in = static_cast<uInt>(text.size());
  deflater.next_out = stream.data();
  deflater.avail_out = static_cast<uInt>(stream.size());
  ASSERT_EQ(deflate(&deflater, Z_FINISH), Z_STREAM_END);
  stream.resize(deflater.total_out);
  deflateEnd(&deflater);
  ASSERT_TRUE(stream[1] & 0x20) << "the header should carry the dictionary flag";

  ExpectRejected(stream, "preset dictionary");
}

TEST(InflatePayload, RefusedMemoryRaisesAnErrorWithoutLeaks) {
  const Bytes image = ImageLike(30'000);
  const Bytes stream = Compress(image);

  RecordingHeap buffer;
  buffer.refuseRequest = 1;
  EXPECT_THROW(mwn::InflatePayload(stream.data(), stream.size(), 0, buffer), mwn::EOutOfMemory);
  EXPECT_EQ(buffer.Live(), 0u);

  // zlib's own state: zlib reports it as an error of its own.
  RecordingHeap state;
  state.refuseRequest = 2;
  EXPECT_THROW(mwn::InflatePayload(stream.data(), stream.size(), 0, state), mwn::EDecompressionError);
  EXPECT_EQ(state.Live(), 0u);

  RecordingHeap growth;
  {
    RecordingHeap probe;
    mwn::InflatePayload(stream.data(), stream.size(), 0, probe);
    for (std::size_t i = 0; i < probe.requests.size(); ++i) {
      if (probe.requests[i].reallocate) {
        growth.refuseRequest = static_cast<int>(i) + 1;
        break;
      }
    }
    ASSERT_NE(growth.refuseRequest, 0);
  }
  EXPECT_THROW(mwn::InflatePayload(stream.data(), stream.size(), 0, growth), mwn::EOutOfMemory);
  EXPECT_EQ(growth.Live(), 0u);
}

TEST(InflatePayload, RefusedShrinkKeepsTheLargerBuffer) {
  const Bytes image = ImageLike(30'000);
  const Bytes stream = Compress(image);
  RecordingHeap heap;
  heap.refuseRequest = -1;
  {
    RecordingHeap probe;
    mwn::InflatePayload(stream.data(), stream.size(), 0, probe);
    heap.refuseRequest = static_cast<int>(probe.requests.size());
    ASSERT_TRUE(probe.requests.back().reallocate);
    ASSERT_EQ(probe.requests.back().size, image.size());
  }
  {
    const mwn::PayloadImage result = mwn::InflatePayload(stream.data(), stream.size(), 0, heap);
    EXPECT_EQ(Contents(result), image);
  }
  EXPECT_EQ(heap.Live(), 0u);
}

TEST(PayloadImage, MovesOwnershipAndFreesOnReplacement) {
  const Bytes first = Compress(Bytes(300, 'a'));
  const Bytes second = Compress(Bytes(500, 'b'));
  RecordingHeap heap;
  {
    mwn::PayloadImage kept;
    EXPECT_EQ(kept.Data(), nullptr);
    kept = mwn::InflatePayload(first.data(), first.size(), 0, heap);
    mwn::PayloadImage moved(std::move(kept));
    EXPECT_EQ(kept.Size(), 0u);
    EXPECT_EQ(kept.Data(), nullptr);
    EXPECT_EQ(Contents(moved), Bytes(300, 'a'));
    EXPECT_EQ(heap.Live(), 1u);

    moved = mwn::InflatePayload(second.data(), second.size(), 0, heap);
    EXPECT_EQ(Contents(moved), Bytes(500, 'b'));
    EXPECT_EQ(heap.Live(), 1u) << "the replaced image's buffer is freed";
  }
  EXPECT_EQ(heap.Live(), 0u);
}

}  // namespace
