// The program's heap for the payload: a large block grows in place while it
// has room, keeps its bytes when it must move, and gives room back on a
// shrink; a request that cannot be met leaves the block as it was.
#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "payload/payload.h"

namespace {

constexpr std::size_t kMiB = std::size_t{1} << 20;

void Fill(std::uint8_t* bytes, std::size_t from, std::size_t to) {
  for (std::size_t i = from; i < to; ++i) bytes[i] = static_cast<std::uint8_t>(i * 7 + i / 4096);
}

// The index of the first byte that is not what Fill wrote, or `to`.
std::size_t FirstWrong(const std::uint8_t* bytes, std::size_t to) {
  for (std::size_t i = 0; i < to; ++i) {
    if (bytes[i] != static_cast<std::uint8_t>(i * 7 + i / 4096)) return i;
  }
  return to;
}

bool Aligned(const void* block) {
  return reinterpret_cast<std::uintptr_t>(block) % alignof(std::max_align_t) == 0;
}

TEST(PayloadHeapTest, LargeBlockGrowsInPlaceThenMovesWithItsBytesAndShrinks) {
  mwn::PayloadHeap& heap = mwn::PayloadHeap::Process();
  const std::size_t step = 2 * kMiB;
  auto* block = static_cast<std::uint8_t*>(heap.Allocate(step));
  ASSERT_NE(block, nullptr);
  EXPECT_TRUE(Aligned(block));
  Fill(block, 0, step);

  // The payload's growths: by the first size, while the room lasts.
  for (std::size_t size = 2 * step; size <= 4 * step; size += step) {
    void* grown = heap.Reallocate(block, size);
    EXPECT_EQ(grown, block) << "a growth within the room moved the block, at " << size;
    block = static_cast<std::uint8_t*>(grown);
    Fill(block, size - step, size);
  }
  // Past the room the block may move, and must take every byte along.
  const std::size_t moved = 9 * step;
  block = static_cast<std::uint8_t*>(heap.Reallocate(block, moved));
  ASSERT_NE(block, nullptr);
  EXPECT_TRUE(Aligned(block));
  EXPECT_EQ(FirstWrong(block, 4 * step), 4 * step);
  Fill(block, 4 * step, moved);

  const std::size_t exact = 5 * step + 12345;
  block = static_cast<std::uint8_t*>(heap.Reallocate(block, exact));
  ASSERT_NE(block, nullptr);
  EXPECT_EQ(FirstWrong(block, exact), exact);
  // A shrunk block has no room left: growing it again keeps the bytes too.
  block = static_cast<std::uint8_t*>(heap.Reallocate(block, exact + step));
  ASSERT_NE(block, nullptr);
  EXPECT_EQ(FirstWrong(block, exact), exact);
  heap.Free(block);
}

TEST(PayloadHeapTest, SmallBlocksAndZeroSizesWork) {
  mwn::PayloadHeap& heap = mwn::PayloadHeap::Process();
  std::vector<void*> blocks;
  for (std::size_t size : {0u, 1u, 7u, 64u, 7160u, 32768u}) {
    auto* block = static_cast<std::uint8_t*>(heap.Allocate(size));
    ASSERT_NE(block, nullptr) << size;
    EXPECT_TRUE(Aligned(block)) << size;
    Fill(block, 0, size);
    blocks.push_back(block);
  }
  auto* grown = static_cast<std::uint8_t*>(heap.Reallocate(blocks[3], 100000));
  ASSERT_NE(grown, nullptr);
  EXPECT_EQ(FirstWrong(grown, 64), 64u);
  blocks[3] = grown;
  blocks.push_back(heap.Reallocate(nullptr, 10));
  EXPECT_NE(blocks.back(), nullptr) << "null reallocates as a new block";
  for (void* block : blocks) heap.Free(block);
  heap.Free(nullptr);
}

TEST(PayloadHeapTest, ImpossibleRequestsFailAndLeaveTheBlock) {
  mwn::PayloadHeap& heap = mwn::PayloadHeap::Process();
  EXPECT_EQ(heap.Allocate(SIZE_MAX), nullptr);
  EXPECT_EQ(heap.Allocate(SIZE_MAX / 2), nullptr);
  auto* block = static_cast<std::uint8_t*>(heap.Allocate(2 * kMiB));
  ASSERT_NE(block, nullptr);
  Fill(block, 0, 2 * kMiB);
  EXPECT_EQ(heap.Reallocate(block, SIZE_MAX - 8), nullptr);
  EXPECT_EQ(FirstWrong(block, 2 * kMiB), 2 * kMiB);
  heap.Free(block);
}

TEST(PayloadHeapTest, InflatesAStreamThatOutgrowsTheFirstRoom) {
  // Noise and then zeros: a stream of over a MiB (a roomy first block) that
  // inflates to ten times its size, past the room more than once.
  std::vector<std::uint8_t> image(13 * kMiB, 0);
  std::uint32_t noise = 12345;
  for (std::size_t i = 0; i < kMiB + kMiB / 4; ++i) {
    noise = noise * 1103515245u + 12345u;
    image[i] = static_cast<std::uint8_t>(noise >> 24);
  }
  uLongf length = compressBound(static_cast<uLong>(image.size()));
  std::vector<std::uint8_t> stream(length);
  ASSERT_EQ(compress2(stream.data(), &length, image.data(), static_cast<uLong>(image.size()), 9), Z_OK);
  stream.resize(length);
  ASSERT_GT(stream.size(), kMiB);
  ASSERT_LT(stream.size() * 8, image.size());

  const mwn::PayloadImage result = mwn::InflatePayload(stream.data(), stream.size(), 0);
  ASSERT_EQ(result.Size(), image.size());
  EXPECT_TRUE(std::equal(image.begin(), image.end(), result.Data()));
}

}  // namespace
