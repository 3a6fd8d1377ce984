// Damaged payloads: every truncation and every single-bit flip of a real
// stream, and seeded random inputs, either inflate to exactly the reference
// bytes or raise the decompression error.
#include <gtest/gtest.h>
#include <zlib.h>

#include <random>

#include "inflate_property.h"

namespace {

using mwn::testing::CheckInflate;
using mwn::testing::InflateVerdict;

std::vector<std::uint8_t> ExecutableLikeBytes(std::size_t size, unsigned seed) {
  std::mt19937 random(seed);
  std::vector<std::uint8_t> bytes(size);
  for (std::size_t i = 0; i < size; ++i) {
    // Runs of zeros and repeated tables, as in real images, with noise between.
    bytes[i] = (i / 64) % 3 == 0 ? 0 : static_cast<std::uint8_t>((i / 64) % 3 == 1 ? i % 7 : random());
  }
  bytes[0] = 'M';
  bytes[1] = 'Z';
  return bytes;
}

std::vector<std::uint8_t> Compress(const std::vector<std::uint8_t>& bytes) {
  uLongf size = compressBound(static_cast<uLong>(bytes.size()));
  std::vector<std::uint8_t> stream(size);
  EXPECT_EQ(compress2(stream.data(), &size, bytes.data(), static_cast<uLong>(bytes.size()), 9), Z_OK);
  stream.resize(size);
  return stream;
}

TEST(InflateRobustness, EveryTruncationIsRejected) {
  const auto stream = Compress(ExecutableLikeBytes(6000, 1));
  for (std::size_t length = 0; length < stream.size(); ++length) {
    ASSERT_EQ(CheckInflate(stream.data(), length), InflateVerdict::kRejected) << "length " << length;
  }
  EXPECT_EQ(CheckInflate(stream.data(), stream.size()), InflateVerdict::kSameBytes);
}

TEST(InflateRobustness, EverySingleBitFlipGivesTheRightBytesOrTheError) {
  auto stream = Compress(ExecutableLikeBytes(6000, 2));
  std::size_t rejected = 0;
  for (std::size_t bit = 0; bit < stream.size() * 8; ++bit) {
    stream[bit / 8] ^= static_cast<std::uint8_t>(1u << (bit % 8));
    const InflateVerdict verdict = CheckInflate(stream.data(), stream.size());
    stream[bit / 8] ^= static_cast<std::uint8_t>(1u << (bit % 8));
    ASSERT_TRUE(verdict == InflateVerdict::kSameBytes || verdict == InflateVerdict::kRejected)
        << "bit " << bit << " verdict " << static_cast<int>(verdict);
    rejected += verdict == InflateVerdict::kRejected;
  }
  // Only padding bits after the last block may flip unnoticed.
  EXPECT_GE(rejected, stream.size() * 8 - 8);
}

TEST(InflateRobustness, SeededRandomDamageNeverGivesWrongBytes) {
  const auto original = Compress(ExecutableLikeBytes(3000, 3));
  const unsigned seed = 20261208;
  std::mt19937 random(seed);
  for (int round = 0; round < 3000; ++round) {
    auto stream = original;
    const int damage = 1 + static_cast<int>(random() % 8);
    for (int i = 0; i < damage; ++i) stream[random() % stream.size()] = static_cast<std::uint8_t>(random());
    if (random() % 4 == 0) stream.resize(random() % stream.size());
    const InflateVerdict verdict = CheckInflate(stream.data(), stream.size());
    ASSERT_TRUE(verdict == InflateVerdict::kSameBytes || verdict == InflateVerdict::kRejected)
        << "seed " << seed << " round " << round;
  }
  std::vector<std::uint8_t> noise(512);
  for (int round = 0; round < 2000; ++round) {
    for (auto& byte : noise) byte = static_cast<std::uint8_t>(random());
    // A valid header in front makes the noise reach the deflate decoder.
    noise[0] = 0x78;
    noise[1] = 0xDA;
    const InflateVerdict verdict = CheckInflate(noise.data(), noise.size());
    ASSERT_TRUE(verdict == InflateVerdict::kSameBytes || verdict == InflateVerdict::kRejected)
        << "seed " << seed << " noise round " << round;
  }
}

}  // namespace
